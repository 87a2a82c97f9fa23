// Version 4 MAT-files: recognition test and the open routine (the variable walk).
#pragma once
#include <string>

// 6 when the first 20 bytes are the header of a real numeric vector, else 0.
int mattest(const std::string &path);
// Opens sd.sdname as a MAT-file, listing its variables on the message stream; 1 done, 0 not.
int matopen();
