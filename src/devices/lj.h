// The LaserJet device (device index 2): PCL raster graphics, one raster transfer per row.
#pragma once
#include <cstdint>
#include <cstdio>
#include <vector>

struct Lj {
    FILE *fp = nullptr;          // output; none when there is nowhere to write
    int res = 75;                // dots per inch
    std::vector<uint8_t> rowbuf; // one raster row, all zero between rows
    int hdrpend = 0;             // the header is still to be written
    int bandsonpage = 0;         // bands sent since the page began
};
inline Lj lj;

// Open routine: resolution, geometry, tone curve, device table, zeroed row buffer.
void ljopen();
