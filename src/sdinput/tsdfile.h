// Time-step files of the cochlear model: an 868-byte header, then frames of float32 values
// (value 0 the frame scalar, then one per channel), in either byte order.
#pragma once
#include <cstdint>
#include <string>

// The time-step descriptor, filled by tsdopen.
struct Tsd {
    std::string stimname;         // stimulus sampled-data file named in the header
    float ha = 0, hb = 0, hc = 0; // frequency-to-place map coefficients as stored
    int npts = 0;                 // values per frame n; channels n - 1
    int32_t nstp = 0;             // frames, lowered to those present in the file
    float tper = 0;               // frame period, seconds
    float tscal = 0;              // scalar of the frame last read by tsdframe
    int32_t fileid = 0;           // changes whenever a different file is opened
};
inline Tsd tsd;

// Header check of sdident: 1 when path is a time-step file, 0 otherwise (may print why).
int tsdcheck(const std::string &path);
// Opens sd.sdname as a time-step file and fills tsd; 1 on success, 0 on failure, -1 when
// its frame buffer cannot be had (said): the plot is to be abandoned.
int tsdopen();
// The n values of frame k with value 0 set to 0 (its stored value becomes tsd.tscal);
// null when the frame cannot be read whole. Out of range: the loaded frame, or null if none.
float *tsdframe(int32_t k);
// Closes the time-step file and frees the frame buffer.
void tsdclose();
