// CSRE files: a 516-byte header ("CSRE40", sample count, rate in kHz), then 16-bit samples.
#pragma once
#include <string>

// 10 when the first 516 bytes can be read and begin with "CSRE40" and a zero byte, else 0.
int csretest(const std::string &path);
// Opens sd.sdname as a CSRE file; 1 done, 0 refused. The header rate always holds.
int csreopen();
