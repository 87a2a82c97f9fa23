// The imPRESS device (device index 3): four bands make a strip of 32 x 32-dot patches whose
// non-empty runs are sent as bitmap commands.
#pragma once
#include <cstdint>
#include <cstdio>
#include <vector>

struct Imp {
    FILE *fp = nullptr;         // output; none when there is nowhere to write
    std::vector<uint8_t> strip; // 32 lines of 320 bytes
    int hdrpend = 0;            // the document header is still to be written
    int bandsinstrip = 0;       // 0..3 bands already in the strip
    int bandsonpage = 0;        // bands received since the page began
};
inline Imp imp;

// Open routine: 300 dpi geometry, device table, zeroed patch strip.
void impopen();
