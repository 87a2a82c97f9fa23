// Small readers of the raster devices' output: the first page as a picture 2550 dots wide,
// ink black, for the picture checks (the exact bytes are the device tests').
#pragma once
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>

#include "pngread.h"

// Inks the set bits of byte b from dot on row, growing the picture to the row.
inline void inkbits(Picture &p, int row, int dot, uint8_t b) {
    if (row >= p.h) p.px.resize(size_t(p.w) * 3 * (p.h = row + 1), 255);
    for (int k = 0; k < 8; k++)
        if (b & (0x80 >> k) && dot + k < p.w)
            std::fill_n(&p.px[(size_t(row) * p.w + dot + k) * 3], 3, 0);
}

// PCL: resets, the page setup, the resolution, raster row transfers and form feeds; err names
// the first byte not understood.
struct Pcl {
    std::string err; // empty when the whole stream was understood
    Picture page{2550, 0, {}};
};
inline Pcl readpcl(const std::string &s) {
    Pcl r;
    for (size_t i = 0, row = 0, pages = 0; i < s.size() && r.err.empty();) {
        int n = 0, w = 0;
        const char *at = s.c_str() + i;
        if (s[i] == '\f' || s[i] == '\r') {
            pages += s[i++] == '\f';
        } else if (s.compare(i, 2, "\033E") == 0) {
            i += 2;
        } else if (s.compare(i, 5, "\033&l0E") == 0 || s.compare(i, 5, "\033*r0A") == 0) {
            i += 5;
        } else if (std::sscanf(at, "\033*t%dR%n", &w, &n) == 1 && n) {
            i += n;
        } else if (std::sscanf(at, "\033*b%dW%n", &w, &n) == 1 && n && i + n + w <= s.size()) {
            for (int b = 0; b < w && !pages; b++) inkbits(r.page, int(row), 8 * b, s[i + n + b]);
            i += n + w, row += !pages;
        } else {
            r.err = "unknown byte at " + std::to_string(i);
        }
    }
    return r;
}

// imPRESS: horizontal positions, vertical moves and bitmaps of 32 x 32-dot patches up to the
// end of the first page; the picture ends at its last ink.
inline Picture readimp(const std::string &s) {
    Picture p{2550, 0, {}};
    auto u16 = [&](size_t i) { return uint8_t(s.at(i)) << 8 | uint8_t(s.at(i + 1)); };
    const std::string doc = "@document(language impress)";
    for (size_t i = s.starts_with(doc) ? doc.size() : s.size(), h = 0, v = 0;
         i < s.size() && uint8_t(s[i]) != 219;) {
        const int op = uint8_t(s[i++]);
        if (op == 135 || op == 138) (op == 135 ? h = u16(i) : v += u16(i)), i += 2;
        if (op != 235) continue;
        const int n = uint8_t(s.at(i + 1)), at = int(i += 3);
        for (int q = 0; q < n * 128; q++)
            if (s.at(at + q))
                inkbits(p, int(v) + q % 128 / 4, int(h) + 32 * (q / 128) + 8 * (q % 4), s[at + q]);
        i += size_t(n) * 128;
    }
    return p;
}
