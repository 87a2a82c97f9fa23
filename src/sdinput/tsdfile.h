// Time-step files of the cochlear model: an 868-byte header, then frames of float32 values
// (value 0 the frame scalar, then one per channel), in either byte order.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// The time-step descriptor, filled by tsdopen.
struct Tsd {
    std::string stimname;         // stimulus sampled-data file named in the header
    float ha = 0, hb = 0, hc = 0; // frequency-to-place map coefficients as stored
    int npts = 0;                 // values per frame n; channels n - 1
    int32_t nstp = 0;             // frames, lowered to those present in the file
    float tper = 0;               // frame period, seconds
    float tscal = 0;              // scalar of the frame last read by tsdframe
    int32_t fileid = 0;           // changes whenever a different file is opened
    // private to the reader
    int32_t dataoff = 0;     // byte position of frame 0
    int swap = 0;            // frames are big-endian
    int fd = -1;             // open file, negative when none
    std::vector<float> fbuf; // the loaded frame
    std::vector<char> rbuf;  // raw bytes of a frame being read
    int32_t fcur = -1;       // index of the frame in fbuf, -1 when none
    std::string lastname;    // identity of the file of the last open, for fileid
    int64_t lastino = -1, lastdev = -1, lastsize = -1, lastmtime = -1;
};
inline Tsd tsd;

// Header check of sdident: 1 when path is a time-step file, 0 otherwise (may print why).
int tsdcheck(const std::string &path);
// Opens sd.sdname as a time-step file and fills tsd; 1 on success, 0 on failure.
int tsdopen();
// The n values of frame k with value 0 set to 0 (its stored value becomes tsd.tscal);
// null when the frame cannot be read whole. Out of range: the loaded frame, or null if none.
float *tsdframe(int32_t k);
// Closes the time-step file and frees the frame buffer.
void tsdclose();
// 1 while a time-step file is open (a cochlear plot is in progress).
inline int tsdisopen() {
    return tsd.fd >= 0;
}
