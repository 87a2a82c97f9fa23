// The recording device of the rendering tests: its open routine fills a DevTab of its own,
// every call is logged in order, and one-plane bands are decoded back into a page of dots.
#pragma once
#include <algorithm>
#include <array>

#include "render/core.h"
#include "render/gray.h"
#include "render/lines.h"
#include "testkit.h"

struct RecDev {
    int vector = 0;
    // Calls, each ended by a space: b<first row>:<bytes in hex> r<row>,<col>,<nrows>,<ncols>
    // l<first, last row>,<first, last col>,<points>,<width in 1/1000 in>
    // i<row>,<col>,<nrows>,<ncols>,<count>,<first, last and one more value> p c<normal>
    std::string log;
    std::vector<uint8_t> pix; // the page, 1 where a dot is inked
    // Rows r0.. and columns c0.. as text: '#' inked, '.' not, '/' after each row.
    std::string art(int r0, int c0, int nr, int nc) const {
        std::string s;
        for (int r = r0; r < r0 + nr; r++, s += '/')
            for (int c = c0; c < c0 + nc; c++) s += pix.at(r * page.pagecols + c) ? '#' : '.';
        return s;
    }
};
inline RecDev rec;

inline void put(const char *format, auto... v) {
    char s[80];
    std::snprintf(s, sizeof s, format, v...);
    rec.log += s;
}

inline void recline(int n, const int *r, const int *c, double w) {
    put("l%d,%d,%d,%d,%d,%d ", r[0], r[n - 1], c[0], c[n - 1], n, int(w * 1000 + 0.5));
}

inline void recimage(int r, int c, int nr, int nc, int n, const uint8_t *g, const float *) {
    put("i%d,%d,%d,%d,%d,%d,%d,%d ", r, c, nr, nc, n, g[0], g[n - 1], g[n]);
}

inline void recband(const uint8_t *buf, int len) {
    int first = scan.currow - 8;
    put("b%d:", first);
    for (int i = 0; i < len; i++) {
        put("%02x", buf[i]);
        for (int r = 0; r < 8 && page.planes == 1 && first + r < page.pagerows; r++)
            rec.pix[(first + r) * page.pagecols + i] |= buf[i] >> (7 - r) & 1;
    }
    rec.log += ' ';
}

inline void recopenroutine() {
    devtab.devclose = [](int normal) { put("c%d ", normal); };
    devtab.devpage = [] { rec.log += "p "; };
    devtab.devband = rec.vector ? nullptr : recband;
    if (!rec.vector) return;
    devtab.devrect = [](int r, int c, int nr, int nc) { put("r%d,%d,%d,%d ", r, c, nr, nc); };
    devtab.devline = recline, devtab.devimage = recimage;
}

// Opens the recording device through devstart: a raster or vector page of rows x cols dots.
inline void recopen(int vector, int planes = 1, int rows = 64, int cols = 64, int res = 300) {
    page = Page{res, res, rows, cols, planes, static_cast<float>(1.0 / res)};
    rec = RecDev{vector, "", std::vector<uint8_t>(size_t(rows) * cols)};
    EXPECT_EQ(devstart(recopenroutine, 0), 0);
}
