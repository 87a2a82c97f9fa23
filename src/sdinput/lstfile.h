// ASCII lists of sample values, one number per line, read whole into memory.
#pragma once
#include <cstdint>
#include <string>

// Opens sd.sdname as an ASCII list (two passes); 1 done, 0 when it cannot be read.
int lstopen();
// The list reader installed in getsamp: element i, or trunc(wzero) outside the list.
int32_t lstget(int32_t i);
// Parses one line: 1 and its value in *v when it is a number (*isfloat set when the number
// has a decimal point and is not 0), else 0.
int lstnum(const char *line, double *v, int *isfloat);
// 1 when the first 512 bytes (or the whole shorter file) are all in 1..127; an empty file is
// text, a file that cannot be opened or read is not.
int istext(const std::string &path);
// Recognition: any text file is a list (SD_LST), else 0.
int lsttest(const std::string &path);
