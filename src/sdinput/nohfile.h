// Headerless files of 16-bit samples between `head` bytes from the start and `tail` bytes
// before the end.
#pragma once
#include <string>

// Opens sd.sdname as a headerless file; 1 done, 0 refused.
int nohopen();
// Recognition, tried last: any file that opens is headerless data (SD_NOH), else 0.
int nohtest(const std::string &path);
