// Recordings that are not regular files (pipes, FIFOs, devices) can be read only once, yet a
// run opens a recording many times: identification, the plot, the template, the cursor. Such a
// recording is read whole into memory on its first open and every later open of the same name
// reads that copy. Regular files (and directories, and names that are not there) are opened
// as they are.
#pragma once
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>

struct SdPipe {
    int64_t maxbytes = int64_t{1} << 30; // most bytes a copy may hold
    std::map<std::string, int> copies;   // name -> descriptor of its copy; -1 when refused
};
inline SdPipe sdpipe;

// Opens path read-only, a stream through its copy in memory; the descriptor, -1 when it
// cannot be opened or read (said for a stream).
int sdopenrd(const std::string &path);
// sdopenrd as a stdio stream for the text readers; nullptr when it cannot be opened.
FILE *sdfopenrd(const std::string &path);
// The descriptor of path's copy in memory (the copy's own: not to be closed), made now if
// path is a stream; -1 when path is read as itself or cannot be read.
int sdcopy(const std::string &path);
