// SND audio files: recognition test (which also fills the descriptor) and open routine.
#pragma once
#include <string>

// 4 when the file begins with an SND magic in either byte order, else 0; on success nsamp
// and srate are set from the header (the open routine reads the rest again).
int sndtest(const std::string &path);
// Opens sd.sdname as an SND file; 1 done, 0 refused.
int sndopen();
// Channels named by the header of the SND file at path (0 when it cannot be read).
int sndchans(const std::string &path);
