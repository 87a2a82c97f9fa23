// The message stream: every diagnostic, warning, summary and echo of the system goes here.
#pragma once
#include <cstdio>

inline FILE *msgfp = stderr; // standard error in the programs; a memory stream in tests

// printf-style write to the message stream.
void msg(const char *fmt, ...) __attribute__((format(printf, 1, 2)));
