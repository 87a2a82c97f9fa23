// Cursor access: the sample of a plotted file at a given time, long after the plot closed
// it. The file is reopened by name through the one reader slot and kept open for further
// clicks until another name is asked for or curclose is called.
#pragma once
#include <cstdint>
#include <string>

struct Cursor {
    std::string curname; // the file the cursor holds open, empty when none
    int curchan = 1;     // and the channel it reads, counting from 1
};
inline Cursor cur;

// Makes the reader slot read channel `channel` of `name` at `rate`, reopening only when the
// cursor holds another file or channel; 1 when it does, 0 when the name is empty or the file
// cannot be opened.
int curopen(const char *name, float rate, int channel = 1);
// The sample of file `name` at `t` seconds (index trunc(t x rate + 0.5)); 0 when the file
// cannot be read.
int32_t cursamp(const char *name, double t, float rate, int channel = 1);
// Closes the file the cursor holds, if any. Anything else that uses the reader slot (a
// run, the sound) calls this first, so the cursor never believes it holds a closed file.
void curclose();
