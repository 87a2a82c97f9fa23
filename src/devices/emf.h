// The Enhanced Metafile device (device index 1): writes the metafile record by record and
// rewrites its header at close, so it needs a seekable output file.
#pragma once
#include <cstdint>
#include <cstdio>

struct Emf {
    FILE *fp = nullptr;    // output; none when there is nowhere to write
    long start = 0;        // file offset of the header, rewritten at close
    int res = 100;         // dots per inch
    uint32_t nbytes = 144; // total bytes written
    uint32_t nrecs = 1;    // records written
    int pencolor = -1, penwidth = -1, brushcolor = -1;
    int pensel = 0, brushsel = 0; // a pen / a brush is selected
    int halfw = 0;                // widening of stroke bounds
};
inline Emf emf;

// Open routine: geometry at the selected resolution, the device table, header and description.
void emfopen();
