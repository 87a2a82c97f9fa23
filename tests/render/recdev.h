// A recording test device for the rendering tests: every device call is kept in order, and
// in raster mode each band is decoded back into a page bitmap of values.
#pragma once
#include "testkit.h"
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "base/msg.h"
#include "render/core.h"

struct RecCall {
    char op;                    // c close, l line, b band, r rect, p page, i image
    std::vector<int> args;      // close: normal; rect: row, col, nrows, ncols; band: len, first row
                                // image: row, col, nrows, ncols, count; line: rows..., cols...
    std::vector<uint8_t> bytes; // band or image values (image: count + 1 bytes)
    double width = 0;           // line width in inches
    const float *pos = nullptr; // image positions
};

struct RecDev {
    std::vector<RecCall> calls;
    std::vector<uint8_t> pix; // pagerows x pagecols values, raster mode (planes 1: 0 or 1)
    int count(char op) const {
        int n = 0;
        for (const RecCall &c : calls) n += c.op == op;
        return n;
    }
    uint8_t at(int row, int col) const {
        if (row < 0 || col < 0 || row >= page.pagerows || col >= page.pagecols) return 0;
        return pix[static_cast<size_t>(row) * page.pagecols + col];
    }
};
inline RecDev rec;

inline RecCall reccall(char op, std::vector<int> args) {
    RecCall c;
    c.op = op;
    c.args = std::move(args);
    return c;
}

inline void recclose(int normal) {
    rec.calls.push_back(reccall('c', {normal}));
}
inline void recpage() {
    rec.calls.push_back(reccall('p', {}));
}
inline void recrect(int r, int c, int nr, int nc) {
    rec.calls.push_back(reccall('r', {r, c, nr, nc}));
}

inline void recline(int n, const int *rows, const int *cols, double w) {
    RecCall c = reccall('l', {});
    c.args.assign(rows, rows + n);
    c.args.insert(c.args.end(), cols, cols + n);
    c.width = w;
    rec.calls.push_back(c);
}

inline void recimage(int r, int c, int nr, int nc, int n, const uint8_t *v, const float *p) {
    RecCall call = reccall('i', {r, c, nr, nc, n});
    call.bytes.assign(v, v + n + 1);
    call.pos = p;
    rec.calls.push_back(call);
}

// Decodes the band (rows currow - 8 .. currow - 1) into the page bitmap.
inline void recband(const uint8_t *buf, int len) {
    int first = scan.currow - 8, planes = page.planes;
    RecCall c = reccall('b', {len, first});
    c.bytes.assign(buf, buf + len);
    rec.calls.push_back(c);
    for (int i = 0; i < len; i++) {
        int col = i / planes, k = i % planes;
        for (int r = 0; r < 8; r++) {
            int row = first + r;
            if (row < 0 || row >= page.pagerows || col >= page.pagecols) continue;
            uint8_t &p = rec.pix[static_cast<size_t>(row) * page.pagecols + col];
            if (planes == 8) {
                if (k == r) p = buf[i];
            } else if (buf[i] & (0x80 >> r)) {
                p |= static_cast<uint8_t>(1 << (planes - 1 - k));
            }
        }
    }
}

// Opens the recording device as a raster (vector = 0) or vector device and prepares the
// core as devopen does after a device's open routine.
inline void recopen(int vector, int planes = 1, int rows = 3150, int cols = 2400, int res = 300) {
    page = Page{.xres = res,
                .yres = res,
                .pagerows = rows,
                .pagecols = cols,
                .planes = planes,
                .dotwidth = static_cast<float>(1.0 / res)};
    if (vector)
        devtab = DevTab{.devclose = recclose,
                        .devline = recline,
                        .devband = nullptr,
                        .devrect = recrect,
                        .devpage = recpage,
                        .devret = nullptr,
                        .devimage = recimage};
    else
        devtab = DevTab{.devclose = recclose,
                        .devline = nullptr,
                        .devband = recband,
                        .devrect = nullptr,
                        .devpage = recpage,
                        .devret = nullptr,
                        .devimage = nullptr};
    rec = RecDev{};
    rec.pix.assign(static_cast<size_t>(rows) * cols, 0);
    devprep();
}
