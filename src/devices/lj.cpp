// LaserJet device: each band of 8 one-bit rows becomes 8 PCL raster transfers, trailing
// empty bytes trimmed; the header goes out with the first band, a form feed per inked page.
#include "devices/lj.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "base/opts.h"
#include "base/outfile.h"
#include "render/core.h"
#include "render/gray.h"

namespace {

struct Lj {
    FILE *fp = nullptr;          // output; none when there is nowhere to write
    int res = 75;                // dots per inch
    std::vector<uint8_t> rowbuf; // one raster row, all zero between rows
    int hdrpend = 0;             // the header is still to be written
    int bandsonpage = 0;         // bands sent since the page began
};
Lj lj;

} // namespace

// Sends the row buffer as one raster transfer (at least one byte) and clears it.
static void sendrow() {
    size_t m = lj.rowbuf.size();
    while (m > 1 && lj.rowbuf[m - 1] == 0) m--;
    if (lj.fp) {
        fprintf(lj.fp, "\033*b%zuW", m);
        fwrite(lj.rowbuf.data(), 1, m, lj.fp);
    }
    std::fill(lj.rowbuf.begin(), lj.rowbuf.begin() + m, 0);
}

static void ljband(const uint8_t *buf, int len) {
    if (lj.hdrpend) {
        if (lj.fp) fprintf(lj.fp, "\033E\033&l0E\033*t%dR\033*r0A", lj.res);
        lj.hdrpend = 0;
        lj.bandsonpage = 0;
    }
    int n = std::min<int>(len, static_cast<int>(lj.rowbuf.size()) * 8);
    for (int i = 0; i < 8; i++) {
        uint8_t bit = static_cast<uint8_t>(0x80 >> i);
        for (int j = 0; j < n; j++)
            if (buf[j] & bit) lj.rowbuf[j / 8] |= static_cast<uint8_t>(0x80 >> (j % 8));
        sendrow();
    }
    lj.bandsonpage++;
}

static void ljpage() {
    if (lj.bandsonpage > 0) {
        if (lj.fp) fputc('\f', lj.fp);
        lj.bandsonpage = 0;
    }
}

static void ljret() {
    if (lj.fp) fputc('\r', lj.fp);
}

static void ljclose(int) {
    if (!lj.fp) return;
    fputs("\033E", lj.fp);
    fflush(lj.fp);
}

void ljopen() {
    int r = opt.devres == 3 ? 300 : opt.devres == 1 ? 150 : 75;
    page.xres = page.yres = r;
    page.pagerows = static_cast<int>(r * 10.5);
    page.pagecols = static_cast<int>(r * 8.0);
    page.planes = 1;
    page.dotwidth = static_cast<float>(1.0 / r);
    // the printer's dot gain darkens gray: lighten the tone curve to match
    if (r == 300) gray.c0 = 0.739f, gray.c1 = -0.973f, gray.c2 = 1.233f;
    if (r == 150) gray.c0 = 0.732f, gray.c1 = 0.178f, gray.c2 = 0.09f;
    devtab = DevTab{.devclose = ljclose,
                    .devline = nullptr,
                    .devband = ljband,
                    .devrect = nullptr,
                    .devpage = ljpage,
                    .devret = ljret,
                    .devimage = nullptr};
    lj.fp = outfp();
    lj.res = r;
    lj.rowbuf.assign((9 * r + 7) / 8, 0);
    lj.hdrpend = 1;
    lj.bandsonpage = 0;
}
