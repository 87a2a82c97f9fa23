// Enhanced Metafile device: every record is composed here, little-endian 32-bit words.
// The header's total size and record count are only known at the end, so close seeks back
// and rewrites it; a pipe or terminal cannot be rewound, and then nothing is written.
#include "devices/emf.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <unistd.h>
#include <vector>

#include "base/msg.h"
#include "base/opts.h"
#include "base/outfile.h"
#include "devices/strip.h"
#include "render/core.h"

namespace {

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
Emf emf;

} // namespace

enum {
    EMR_HEADER = 1,
    EMR_EOF = 14,
    EMR_MOVETOEX = 27,
    EMR_SELECTOBJECT = 37,
    EMR_CREATEBRUSHINDIRECT = 39,
    EMR_DELETEOBJECT = 40,
    EMR_RECTANGLE = 43,
    EMR_LINETO = 54,
    EMR_BEGINPATH = 59,
    EMR_ENDPATH = 60,
    EMR_STROKEPATH = 64,
    EMR_EXTCREATEPEN = 95,
};

static void put32(uint8_t *p, uint32_t v) {
    if constexpr (std::endian::native == std::endian::little)
        std::memcpy(p, &v, 4); // one store, not four
    else
        for (int i = 0; i < 4; i++) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

// Records are gathered here and written in large pieces: a plot makes hundreds of thousands.
static uint8_t ebuf[1 << 16];
static size_t nebuf = 0;

static void emfdrain() {
    if (emf.fp && nebuf > 0) fwrite(ebuf, 1, nebuf, emf.fp);
    nebuf = 0;
}

// Writes one record: type, size, then its parameter words.
static void record(uint32_t type, std::initializer_list<int64_t> words) {
    uint32_t size = 8 + 4 * static_cast<uint32_t>(words.size());
    if (nebuf + size > sizeof ebuf) emfdrain();
    uint8_t *p = ebuf + nebuf;
    put32(p, type);
    put32(p + 4, size);
    p += 8;
    for (int64_t w : words) put32(p, static_cast<uint32_t>(w)), p += 4;
    if (emf.fp) nebuf += size;
    emf.nbytes += size;
    emf.nrecs++;
}

// The 108-byte header and the 36-byte description, with the current size and count.
static void header() {
    uint8_t buf[144] = {};
    int r = emf.res;
    const uint32_t words[27] = {
        EMR_HEADER, 144,        0,          0,          11u * r,   8u * r, 0,  0,   27940,
        20320,      0x464D4520, 0x00010000, emf.nbytes, emf.nrecs, 8,      18, 108, 0,
        11u * r,    8u * r,     279,        203,        0,         0,      0,  0,   0};
    for (int i = 0; i < 27; i++) put32(buf + 4 * i, words[i]);
    const char *desc = "ORMEK KAVREL"; // UTF-16, padded to 18 characters with zeros
    for (int i = 0; desc[i]; i++) buf[108 + 2 * i] = static_cast<uint8_t>(desc[i]);
    if (emf.fp) fwrite(buf, 1, 144, emf.fp);
}

// Metafile point of a device position: the metafile's y axis points down.
static int my(int y) {
    return page.pagecols - y;
}

static void selpen(int width, int colour) {
    if (colour == emf.pencolor && width == emf.penwidth) return;
    if (emf.pensel) record(EMR_DELETEOBJECT, {1}), emf.pensel = 0;
    emf.pencolor = emf.penwidth = -1;
    if (colour < 0) return;
    record(EMR_EXTCREATEPEN, {1, 56, 0, 56, 0, 0x10000, width, 0, colour, 0, 0, 0});
    record(EMR_SELECTOBJECT, {1});
    emf.pencolor = colour, emf.penwidth = width, emf.pensel = 1;
}

static void selbrush(int colour) {
    if (colour == emf.brushcolor) return;
    if (emf.brushsel) record(EMR_DELETEOBJECT, {2}), emf.brushsel = 0;
    emf.brushcolor = -1;
    if (colour < 0) return;
    record(EMR_CREATEBRUSHINDIRECT, {2, 0, colour, 0});
    record(EMR_SELECTOBJECT, {2});
    emf.brushcolor = colour, emf.brushsel = 1;
}

// A rectangle as one thick black line along its longer extent.
static void emfrect(int row, int col, int nrows, int ncols) {
    if (ncols < nrows) {
        selpen(ncols + 1, 0);
        record(EMR_MOVETOEX, {row, my(col + ncols / 2)});
        record(EMR_LINETO, {row + nrows, my(col + ncols / 2)});
    } else {
        selpen(nrows + 1, 0);
        record(EMR_MOVETOEX, {row + nrows / 2, my(col)});
        record(EMR_LINETO, {row + nrows / 2, my(col + ncols)});
    }
}

// A polyline as a stroked path; the stroke's bounds are the points widened by the pen.
static void emfline(int n, const int *rows, const int *cols, double width) {
    if (n < 2) return;
    int w = static_cast<int>(emf.res * width - 0.5) + 1;
    selpen(w, 0);
    record(EMR_BEGINPATH, {});
    int left = rows[0], right = rows[0], top = my(cols[0]), bottom = my(cols[0]);
    record(EMR_MOVETOEX, {rows[0], my(cols[0])});
    for (int i = 1; i < n; i++) {
        record(EMR_LINETO, {rows[i], my(cols[i])});
        left = std::min(left, rows[i]), right = std::max(right, rows[i]);
        top = std::min(top, my(cols[i])), bottom = std::max(bottom, my(cols[i]));
    }
    record(EMR_ENDPATH, {});
    emf.halfw = w;
    record(EMR_STROKEPATH, {left - w, top - w, right + w, bottom + w});
}

// A gray line as cells of pen-and-brush rectangles, sampled as the PostScript strip is.
static void emfimage(int row, int col, int nrows, int ncols, int n, const uint8_t *vals,
                     const float *pos) {
    int k = stripcells(ncols, n, emf.res);
    if (k <= 0) return;
    static std::vector<uint8_t> dark;
    dark.resize(k);
    stripfill(k, n, vals, pos, dark.data());
    for (int i = 0; i < k; i++) {
        int g = dark[i], colour;
        if (opt.coloropt) {
            int red, green, blue;
            stripcolour(g, &red, &green, &blue);
            colour = red | green << 8 | blue << 16;
        } else {
            int d = 255 - g;
            colour = d | d << 8 | d << 16;
        }
        int y0 = col + i * (ncols - 1) / k, y1 = col + (i + 1) * (ncols - 1) / k;
        selpen(1, colour);
        selbrush(colour);
        record(EMR_RECTANGLE, {row, my(y0), row + nrows, my(y1)});
    }
}

static void emfclose(int) {
    record(EMR_EOF, {0, 16, 20});
    emfdrain();
    if (!emf.fp) return;
    fseek(emf.fp, emf.start, SEEK_SET);
    header();
    fseek(emf.fp, 0, SEEK_END);
    fflush(emf.fp);
}

static void emfband(const uint8_t *, int) {}
static void emfnop() {}

// The output stream if the header can be rewritten in it; none (said) for a pipe or terminal.
static FILE *seekable(FILE *fp) {
    if (!fp) return nullptr;
    long at = ftell(fp);
    if (at < 0 || isatty(fileno(fp)) || fseek(fp, at, SEEK_SET) != 0) {
        msg("metafile output needs a file that can be rewound (-o file.emf): nothing written\n");
        out.failed = 1;
        return nullptr;
    }
    return fp;
}

void emfopen() {
    int r = opt.devres == 2 ? 200 : opt.devres == 3 ? 300 : 100;
    page.xres = page.yres = r;
    page.pagerows = 11 * r;
    page.pagecols = 8 * r;
    page.planes = 8;
    page.dotwidth = static_cast<float>(1.0 / r);
    devtab = DevTab{.devclose = emfclose,
                    .devline = emfline,
                    .devband = emfband,
                    .devrect = emfrect,
                    .devpage = emfnop,
                    .devret = emfnop,
                    .devimage = emfimage};
    emf = Emf{};
    emf.res = r;
    nebuf = 0; // a new document: nothing of an earlier one is carried over
    emf.fp = seekable(outfp());
    if (emf.fp) emf.start = ftell(emf.fp);
    header();
}
