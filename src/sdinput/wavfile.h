// RIFF WAVE files: recognition test and open routine.
#pragma once
#include <string>

// 8 when the file begins "RIFF"...."WAVE" (or both tags byte-reversed), else 0.
int wavtest(const std::string &path);
// Opens sd.sdname as a RIFF WAVE file; 1 done, 0 refused (with a message saying why).
int wavopen();
// Channels named by the "fmt " chunk of the file at path (0 when it cannot be read).
int wavchans(const std::string &path);
