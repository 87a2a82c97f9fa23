// The codec library over a stream's copy in memory: a recording from a pipe decodes as a
// file does, through the library's virtual I/O.
#pragma once
#include <sndfile.h>
#include <string>

// Where virtual reads of one open handle are: the copy's descriptor and an offset of its own.
struct SfMem {
    int fd = -1;
    sf_count_t pos = 0, size = 0;
};

// Opens path for reading: a stream through its copy (m serves the reads and must outlive the
// handle), anything else by name as before; nullptr when the library refuses it.
SNDFILE *sfopenname(const std::string &path, SF_INFO *info, SfMem *m);
