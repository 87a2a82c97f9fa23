// ASCII lists of sample values, one number per line, read whole into memory.
#pragma once
#include <cstdint>

// Opens sd.sdname as an ASCII list (two passes); 1 done, 0 when it cannot be read.
int lstopen();
// The list reader installed in getsamp: element i, or trunc(wzero) outside the list.
int32_t lstget(int32_t i);
// Parses one line: 1 and its value in *v when it is a number (*isfloat set when the number
// has a decimal point and is not 0), else 0.
int lstnum(const char *line, double *v, int *isfloat);
