// Rendering core: device opening, the display list and the band scan. Every band of 8 rows
// is rasterised (raster devices) or its passed overlays are handed over (vector devices);
// memory stays one band plus the overlays not yet passed.
#include "render/core.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "base/msg.h"
#include "base/outfile.h"
#include "render/gray.h"
#include "render/lines.h"

namespace {

// Frees the data of every overlay in use and empties the list (records are kept).
void ovlclear() {
    std::memset(scan.graybits, 0, sizeof scan.graybits);
    for (int i = 0; i < scan.novl; i++) {
        if (!scan.ovllist[i]) continue;
        std::free(scan.ovllist[i]->data);
        scan.ovllist[i]->data = nullptr;
    }
    scan.novl = 0;
    scan.wakeknown = 0;
}

// Seeds each column's dither carry below 256 >> planes from the unseeded generator. A device
// of 8 planes has no carry, and one that takes gray lines whole never reads it: every seed
// is 0 there, and the generator is left alone.
void ditherseed() {
    int span = page.planes >= 8 ? 1 : 256 >> std::max(page.planes, 0);
    if (span == 1 || devtab.devimage) return (void)std::memset(scan.dither, 0, scan.bufcols);
    for (int c = 0; c < scan.bufcols; c++)
        scan.dither[c] = static_cast<uint8_t>(std::rand() % 32768 % span);
}

// Merges one 8-row byte b into page column col of the band, by the band format.
void bandmerge(int col, int b) {
    if (col < 0 || col >= scan.bufcols || b == 0) return;
    int planes = scan.bufplanes;
    uint8_t *p = scan.bandbuf + static_cast<size_t>(col) * planes;
    if (planes == 1) {
        p[0] |= static_cast<uint8_t>(b);
    } else if (planes == 8) {
        for (int k = 0; k < 8; k++)
            if (b & (0x80 >> k)) p[k] = 255;
    } else {
        for (int k = 0; k < planes; k++) p[k] |= static_cast<uint8_t>(b);
    }
}

// Rectangle rows j of the band with 0 <= j + d < nrows, merged into each page column.
void rectraster(const Ovl *o, int d) {
    int b = 0;
    for (int j = std::max(0, -d); j < std::min(o->nrows - d, 8); j++) b |= scan.bitmask[j];
    int c0 = std::max(o->col0, 0);
    int c1 = static_cast<int>(
        std::min<long long>(static_cast<long long>(o->col0) + o->ncols, scan.bufcols));
    for (int c = c0; c < c1; c++) bandmerge(c, b);
}

// Bit-block byte row d / 8 merged into the band; rows the block does not hold are skipped.
void blockraster(const Ovl *o, int d) {
    const uint8_t *bits = static_cast<const uint8_t *>(o->data);
    if (!bits || d < 0 || d % 8 != 0) return;
    int q = d / 8;
    if (q >= o->stride) return;
    for (int c = 0; c < o->ncols; c++)
        bandmerge(o->col0 + c, bits[static_cast<size_t>(c) * o->stride + q]);
}

// Rasterises overlay o into the band it overlaps, by kind; 1 when the band may have changed.
int ovlraster(Ovl *o, int d) {
    if (o->kind == 3) {
        if (devtab.devimage) return 0;
        for (int j = std::max(d, 0); j < o->nrows && j - d <= 7; j++) grayrow(o, j - d);
    } else if (o->kind == 1) {
        if (devtab.devrect) return 0;
        rectraster(o, d);
        o->done = 1;
    } else if (o->kind == 0) {
        blockraster(o, d);
        o->done = 1;
    } else {
        return 0;
    }
    return 1;
}

// Hands a passed overlay to the vector device's operation; always marks it done.
void ovlhand(Ovl *o) {
    if (o->kind == 1 && devtab.devrect) {
        devtab.devrect(o->row0, o->col0, o->nrows, o->ncols);
    } else if (o->kind == 2 && devtab.devline && o->data) {
        const int *pts = static_cast<const int *>(o->data);
        devtab.devline(o->col0, pts, pts + o->col0, o->ncols * 0.001);
    }
    o->done = 1;
}

// The first row whose band has anything to do with overlay o. Until its rows are reached an
// overlay waits; a rectangle, polyline or gray line that the device takes whole waits on
// until it has been passed. A done overlay is looked at every band.
int wakeat(const Ovl *o) {
    if (!o || o->done) return INT_MIN;
    const bool whole =
        o->kind == 2 || (o->kind == 1 && devtab.devrect) || (o->kind == 3 && devtab.devimage);
    const long long w = whole ? o->row0 + 9LL + o->nrows : o->row0 + 1LL;
    return static_cast<int>(std::clamp<long long>(w, INT_MIN, INT_MAX));
}

// The two passes over the display list for the band ending at currow; 1 when anything was
// drawn into the band.
int bandrender() {
    int drawn = 0;
    // the gray lines in slot order, found through their marks, not by visiting every slot
    for (int w = 0; devtab.devimage && w < OVLMAX / 64; w++) {
        for (uint64_t bits = scan.graybits[w]; bits; bits &= bits - 1) {
            int i = w * 64 + __builtin_ctzll(bits);
            Ovl *o = i < scan.novl ? scan.ovllist[i] : nullptr;
            if (!o || o->kind != 3 || o->done || !o->data) continue;
            if ((scan.currow - 8) - o->row0 > o->nrows)
                devtab.devimage(o->row0, o->col0, o->nrows, o->ncols, o->stride,
                                static_cast<const uint8_t *>(o->data), gray.graypos);
        }
    }
    for (int i = scan.wakeknown; i < scan.novl; i++) scan.ovlwake[i] = wakeat(scan.ovllist[i]);
    for (int i = 0; i < scan.novl; i++) {
        if (scan.ovlwake[i] > scan.currow && !scan.finishing) continue;
        Ovl *o = scan.ovllist[i];
        if (!o) {
            msg("Overlay %d has null pointer\n", i);
            continue;
        }
        int d = (scan.currow - 8) - o->row0;
        if (d > o->nrows && !o->done) ovlhand(o), ovlgraybit(i, 0);
        if (d > -8 && d < o->nrows) {
            drawn |= ovlraster(o, d);
        } else if (o->done || scan.finishing) {
            std::free(o->data);
            o->data = nullptr;
            scan.novl--;
            const int last = scan.novl, moved = scan.graybits[last / 64] >> (last % 64) & 1;
            ovlgraybit(last, 0);
            ovlgraybit(i, i < last && moved);
            if (i < last) {
                std::swap(scan.ovllist[i], scan.ovllist[last]);
                scan.ovlwake[i] = scan.ovlwake[last];
                i--;
            }
            continue;
        }
        scan.ovlwake[i] = wakeat(o);
    }
    scan.wakeknown = scan.novl;
    return drawn;
}

// At the page's far edge: the line overlays the scan could not pass whole go to a vector
// device now, cut to the page.
void handrest() {
    if (!devtab.devline || page.xres <= 0 || page.yres <= 0) return;
    for (int i = 0; i < scan.novl; i++) {
        Ovl *o = scan.ovllist[i];
        if (o && o->kind == 2 && !o->done && o->data) linerest(o);
    }
    scan.wakeknown = 0; // lines were done here, not in the band scan
}

// The marks of the page that found no overlay, said once; the run has failed.
void dropsay() {
    if (scan.dropped) {
        msg("%d marks dropped on page %d\n", scan.dropped, scan.pageno);
        out.failed = 1;
    }
    scan.dropped = 0;
}

// Passes one row, flushing when the band is full.
void passrow() {
    scan.currow++;
    if (++scan.bandrow >= 8) bandflush();
}

} // namespace

int devstart(void (*open)(), int devindex) {
    // A device fills only its own slots: nothing of an earlier device may stay behind.
    devtab = DevTab{};
    if (!open) {
        msg("Output device %d is not available: no plot is made\n", devindex);
        page = page300;
        devprep();
        return 1;
    }
    open();
    devprep();
    return 0;
}

void devprep() {
    std::free(scan.bandbuf);
    std::free(scan.dither);
    int cols = std::max(page.pagecols, 0), planes = std::max(page.planes, 1);
    scan.bandbuf = static_cast<uint8_t *>(std::calloc(static_cast<size_t>(planes) * cols + 1, 1));
    scan.dither = static_cast<uint8_t *>(std::calloc(static_cast<size_t>(cols) + 1, 1));
    scan.bufcols = scan.bandbuf && scan.dither ? cols : 0;
    scan.bufplanes = planes;
    if (!scan.bitmask[0])
        for (int i = 0; i < 8; i++) scan.bitmask[i] = static_cast<uint8_t>(0x80 >> i);
    ovlclear();
    scan.finishing = scan.currow = scan.bandrow = scan.dropped = 0;
    scan.pageno = 1;
    pen.built = 0; // the pen depends on the resolution and dotwidth of the device
    pen.curblk = nullptr;
    if (scan.bufcols) ditherseed();
}

int xdots(double inches) {
    return static_cast<int>(page.xres * inches);
}
int ydots(double inches) {
    return static_cast<int>(page.yres * inches);
}

Ovl *ovlget() {
    if (!scan.bitmask[0]) {
        msg("Bit mask initialization error\n");
        return nullptr;
    }
    if (scan.novl >= OVLMAX) {
        // said once a page; the page's end counts what was dropped
        if (scan.dropped++ == 0) msg("Overlay limit exceeded: %d\n", scan.novl);
        return nullptr;
    }
    Ovl *&slot = scan.ovllist[scan.novl];
    if (!slot) slot = static_cast<Ovl *>(std::calloc(1, sizeof(Ovl)));
    if (!slot) {
        msg("Overlay pointer initialization error\n");
        return nullptr;
    }
    slot->kind = 0;
    slot->data = nullptr;
    scan.novl++;
    return slot;
}

void ovlgraybit(int i, int on) {
    if (i < 0 || i >= OVLMAX) return;
    const uint64_t b = uint64_t{1} << (i % 64);
    scan.graybits[i / 64] = on ? scan.graybits[i / 64] | b : scan.graybits[i / 64] & ~b;
}

void ovlback(Ovl *o) {
    if (!o || scan.novl == 0 || scan.ovllist[scan.novl - 1] != o) return;
    ovlgraybit(scan.novl - 1, 0);
    std::free(o->data);
    o->data = nullptr;
    scan.novl--;
    scan.wakeknown = std::min(scan.wakeknown, scan.novl);
}

void ovlrect(int row, int col, int nrows, int ncols) {
    if (nrows <= 0 || ncols <= 0) return;
    Ovl *o = ovlget();
    if (!o) return;
    *o = Ovl{.kind = 1,
             .done = 0,
             .subrow = 0,
             .subcol = 0,
             .stride = 0,
             .row0 = row,
             .col0 = col,
             .nrows = nrows,
             .ncols = ncols,
             .data = nullptr};
}

void rowadv(int n) {
    for (int i = 0; i < n; i++) passrow();
}

void rowto(int row) {
    while (scan.currow < row) passrow();
}

void bandflush() {
    if (scan.currow > page.pagerows && page.pagerows > 0) {
        handrest();
        scan.currow %= page.pagerows;
    }
    // the band is zero between flushes: only what was drawn into it needs looking at
    int drawn = scan.novl > 0 ? bandrender() : 0;
    int planes = scan.bufplanes;
    int len = drawn && scan.bandbuf ? scan.bufcols * planes : 0;
    for (uint64_t w = 0; len >= 8 && (std::memcpy(&w, scan.bandbuf + len - 8, 8), w == 0);)
        len -= 8;
    while (len > 0 && scan.bandbuf[len - 1] == 0) len--;
    if (planes > 1 && len % planes != 0) len += planes - len % planes;
    if (devtab.devband) devtab.devband(scan.bandbuf, len);
    if (len > 0) std::memset(scan.bandbuf, 0, len);
    scan.bandrow = 0;
}

void pageend() {
    if (scan.currow > page.pagerows && page.pagerows > 0) scan.currow %= page.pagerows;
    // Marks placed at row 0 since the last page end must still reach the device.
    if (scan.currow > 0 || scan.novl > 0) {
        while (scan.currow < page.pagerows) passrow();
        handrest();
        scan.currow = 0;
    }
    dropsay();
    scan.pageno++;
    if (devtab.devpage) devtab.devpage();
    ovlclear();
    scan.finishing = scan.currow = scan.bandrow = 0;
    if (scan.bufcols) ditherseed();
}

void plotfinish() {
    // Marks placed at row 0 since the last page end: pass the page as far as they reach.
    if (scan.currow == 0 && scan.novl > 0)
        while (scan.novl > 0 && scan.currow < page.pagerows) passrow();
    if (scan.currow > 0) {
        scan.finishing = 1;
        // An overlay that overlaps every band (wider than the page) would never end the
        // loop: after a page's worth of rows whatever is left is dropped.
        long passed = 0;
        while (scan.bandrow != 0 || scan.novl != 0) {
            passrow();
            if (++passed > page.pagerows + 16L && scan.novl > 0) ovlclear();
        }
    }
    dropsay();
    if (devtab.devclose) devtab.devclose(1);
}

void plotabort() {
    if (devtab.devclose) devtab.devclose(0);
}
