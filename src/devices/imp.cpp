// imPRESS device: four bands fill a strip of 80 patches of 32 x 32 dots; each run of
// non-empty patches goes out as one bitmap command, then the position moves down 32 lines.
#include "devices/imp.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "base/outfile.h"
#include "render/core.h"

namespace {

struct Imp {
    FILE *fp = nullptr;         // output; none when there is nowhere to write
    std::vector<uint8_t> strip; // 32 lines of 320 bytes
    int hdrpend = 0;            // the document header is still to be written
    int bandsinstrip = 0;       // 0..3 bands already in the strip
    int bandsonpage = 0;        // bands received since the page began
};
Imp imp;

} // namespace

enum { LINEBYTES = 320, STRIPLINES = 32, PATCHES = 80 };

static void put8(int v) {
    if (imp.fp) fputc(v & 0xff, imp.fp);
}

static void put16(int v) {
    put8(v >> 8);
    put8(v);
}

static bool patchinked(int c) {
    for (int l = 0; l < STRIPLINES; l++)
        for (int b = 0; b < 4; b++)
            if (imp.strip[l * LINEBYTES + c * 4 + b]) return true;
    return false;
}

// Sends the runs of inked patches of the strip, clearing them, then moves down 32 dots.
static void sendstrip() {
    for (int c = 0; c < PATCHES; c++) {
        int r = 0;
        while (c + r < PATCHES && patchinked(c + r)) r++;
        if (r == 0) continue;
        put8(135), put16(32 * c);
        put8(235), put8(15), put8(r), put8(1);
        for (int p = c; p < c + r; p++) {
            for (int l = 0; l < STRIPLINES; l++) {
                uint8_t *q = &imp.strip[l * LINEBYTES + p * 4];
                for (int b = 0; b < 4; b++) put8(q[b]), q[b] = 0;
            }
        }
        c += r; // the empty patch that ended the run is skipped
    }
    put8(138), put16(32);
}

static void impband(const uint8_t *buf, int len) {
    if (imp.hdrpend) {
        imp.bandsinstrip = imp.bandsonpage = 0;
        imp.hdrpend = 0;
        if (imp.fp) fputs("@document(language impress)", imp.fp);
    }
    int n = std::min(len, LINEBYTES * 8);
    for (int i = 0; i < 8; i++) {
        uint8_t *line = &imp.strip[(8 * imp.bandsinstrip + i) * LINEBYTES];
        for (int j = 0; j < n; j++)
            if (buf[j] & (0x80 >> i)) line[j / 8] |= static_cast<uint8_t>(0x80 >> (j % 8));
    }
    if (++imp.bandsinstrip == 4) {
        sendstrip();
        imp.bandsinstrip = 0;
    }
    imp.bandsonpage++;
}

// Ends an inked page: what is left of the strip, then the end-of-page byte.
static void endpage() {
    if (imp.bandsonpage > 0) {
        if (imp.bandsinstrip > 0) sendstrip();
        put8(219);
    }
    imp.bandsinstrip = imp.bandsonpage = 0;
}

static void impclose(int) {
    endpage();
    put8(255);
    if (imp.fp) fflush(imp.fp);
}

static void impnop() {}

void impopen() {
    page.xres = page.yres = 300;
    page.pagerows = 3150;
    page.pagecols = 2400;
    page.planes = 1;
    page.dotwidth = static_cast<float>(1.0 / 300);
    devtab = DevTab{.devclose = impclose,
                    .devline = nullptr,
                    .devband = impband,
                    .devrect = nullptr,
                    .devpage = endpage,
                    .devret = impnop,
                    .devimage = nullptr};
    imp.fp = outfp();
    imp.strip.assign(STRIPLINES * LINEBYTES, 0);
    imp.hdrpend = 1;
    imp.bandsinstrip = imp.bandsonpage = 0;
}
