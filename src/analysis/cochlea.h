// Cochlear spectrograph: frames of a time-step file drawn against cochlear place, with the
// frame scalar traced in the energy panel. The gray scale is fixed by a scan of the frames.
#pragma once

// Frame scan after scnwav: sets the gray scale, the scalar range and enzero.
void fscnwav();
// Cochlear slice at read-clock time tr (seconds from the page start); draws when prspec.
void cochslice(double tr);
// Frame-scalar trace slice j in the energy panel.
void cochtrace(int j);
// Cochlear summary on the message stream.
void cochsum();
