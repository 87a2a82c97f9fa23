// Cochlear spectrograph: frames of a time-step file drawn against cochlear place, with the
// frame scalar traced in the energy panel. The gray scale is fixed by a scan of the frames.
#pragma once
#include <cstdint>

// Scales and the slice cache of the cochlear spectrograph.
struct Coch {
    float fwmn = 0, fwrn = 1;           // minimum and range of the channel values (gray scale)
    float tsmn = 0, tsmx = 0, tsrn = 1; // scalar range, kept over every plot of the process
    int enzero = 0;                     // energy-panel column of the scalar value 0
    int32_t tsdlast = -1;               // frame whose gray column gcol holds
    int32_t lastid = 0;                 // time-step file that tsdlast numbers a frame of
    int trpos = 0;                      // column offset of the previous scalar mark
    uint8_t gcol[4100] = {};            // gray column, row 0 at the bottom
};
inline Coch coch;

// Frame scan after scnwav: sets the gray scale, the scalar range and enzero.
void fscnwav();
// Cochlear slice at read-clock time tr (seconds from the page start); draws when prspec.
void cochslice(double tr);
// Frame-scalar trace slice j in the energy panel.
void cochtrace(int j);
// Cochlear summary on the message stream.
void cochsum();
