// Lines: polyline overlays for vector devices; on raster devices an elliptical pen stamped
// along a digital line into a one-bit block overlay (outline at every step, the whole pen
// at the end point). Diagonals are split until a block's rectangle is at most 0.25 sq in.
#include "render/lines.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "base/msg.h"

namespace {

// d truncated to an int, kept within 10^9 either way so that absurd values cannot overflow
// it; NaN gives 0.
int bounded(double d) {
    return d == d ? static_cast<int>(std::clamp(d, -1.0e9, 1.0e9)) : 0;
}

// A width in 1/1000 inch as the record keeps it.
int thousandths(double w) {
    return bounded(w * 1000);
}

// Inches to dots, nearest.
int nearest(int res, double v) {
    return bounded(res * v + 0.5);
}

// Pen extent in dots, res x t + 1 truncated, at least 1 (and bounded for absurd widths).
int penext(int res, double t) {
    double v = res * t + 1;
    return v >= 1 ? static_cast<int>(std::min(v, 1.0e6)) : 1;
}

// Pen margin of a bit block, res x w / 2 + 1 truncated (bounded for absurd widths).
int margin(int res, double w) {
    double m = res * w * 0.5 + 1;
    return m == m ? static_cast<int>(std::clamp(m, 0.0, 1.0e8)) : 1;
}

// Mathematical remainder modulo 8 (a negative value gives 0..7 as well).
int mod8(int v) {
    return ((v % 8) + 8) % 8;
}

// The block lines are drawn into, when it is a live bit block.
Ovl *curblock() {
    Ovl *b = pen.curblk;
    return b && b->kind == 0 && !b->done && b->data ? b : nullptr;
}

// ORs the points of one pen table centred at block offset (a, b); dots outside are lost.
void stamp(const Ovl *blk, int a, int b, const int (*pts)[2], int n) {
    uint8_t *bits = static_cast<uint8_t *>(blk->data);
    for (int k = 0; k < n; k++) {
        long long r = static_cast<long long>(a) + pts[k][0];
        long long c = static_cast<long long>(b) + pts[k][1];
        if (r < 0 || r >= blk->nrows || c < 0 || c >= blk->ncols) continue;
        bits[c * blk->stride + r / 8] |= static_cast<uint8_t>(0x80 >> (r % 8));
    }
}

void outline(const Ovl *blk, int a, int b) {
    stamp(blk, a, b, pen.out, pen.nout);
}

// The digital line between two dot positions, drawn into the current block.
void digline(int r0, int c0, int r1, int c1) {
    const Ovl *blk = curblock();
    if (!blk) return;
    int a = r0 - blk->row0, b = c0 - blk->col0, a1 = r1 - blk->row0, b1 = c1 - blk->col0;
    int dr = std::abs(a1 - a), dc = std::abs(b1 - b);
    int sr = a1 >= a ? 1 : -1, sc = b1 >= b ? 1 : -1;
    int e = 0, f = 0;
    if (dr == dc) {
        while (a != a1) outline(blk, a, b), a += sr, b += sc;
    } else if (dr > dc) {
        while (a != a1) {
            outline(blk, a, b);
            if (e > f) f += dr - e, e = 0, b += sc;
            a += sr;
            e += dc;
        }
    } else {
        while (b != b1) {
            outline(blk, a, b);
            if (e > f) f += dc - e, e = 0, a += sr;
            b += sc;
            e += dr;
        }
    }
    stamp(blk, a1, b1, pen.pts, pen.npts);
}

// 1 when (i, j) is one of the pen points (held in increasing (i, j) order).
int inpen(int i, int j) {
    int lo = 0, hi = pen.npts;
    while (lo < hi) {
        int mid = (lo + hi) / 2;
        const int *p = pen.pts[mid];
        if (p[0] < i || (p[0] == i && p[1] < j))
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo < pen.npts && pen.pts[lo][0] == i && pen.pts[lo][1] == j;
}

// Pen points with a neighbour outside the pen, in pen order, at most OUTMAX.
void penoutline() {
    pen.nout = 0;
    for (int k = 0; k < pen.npts && pen.nout < OUTMAX; k++) {
        int i = pen.pts[k][0], j = pen.pts[k][1], inner = 1;
        for (int di = -1; di <= 1 && inner; di++)
            for (int dj = -1; dj <= 1 && inner; dj++)
                if ((di || dj) && !inpen(i + di, j + dj)) inner = 0;
        if (!inner) {
            pen.out[pen.nout][0] = i;
            pen.out[pen.nout][1] = j;
            pen.nout++;
        }
    }
}

// The fractions of the way from f towards t at which the segment enters and leaves the page
// widened by m inches on every side (enter > leave: it misses the page).
void crossing(const double f[2], const double t[2], double m, double &enter, double &leave) {
    const double hi[2] = {static_cast<double>(page.pagerows) / page.xres + m,
                          static_cast<double>(page.pagecols) / page.yres + m};
    enter = 0, leave = 1;
    for (int k = 0; k < 2; k++) {
        double d = t[k] - f[k];
        if (d == 0) {
            if (f[k] < -m || f[k] > hi[k]) enter = 2;
            continue;
        }
        double a = (-m - f[k]) / d, b = (hi[k] - f[k]) / d;
        enter = std::max(enter, std::min(a, b)), leave = std::min(leave, std::max(a, b));
    }
}

// Clips a segment to the page widened by m inches; 0 when none of it is that near the page.
// A segment wholly inside is left exactly as given; each cut end is measured from the other
// end, so a far-away end does not swamp the precision of the part that is drawn.
int clipseg(double &x0, double &y0, double &x1, double &y1, double m) {
    const double a[2] = {x0, y0}, b[2] = {x1, y1};
    if (!std::isfinite(b[0] - a[0]) || !std::isfinite(b[1] - a[1])) return 0;
    double ain, aout, bin, bout;
    crossing(a, b, m, ain, aout);
    crossing(b, a, m, bin, bout);
    if (!(ain <= aout) || !(bin <= bout)) return 0;
    if (ain > 0) x0 = b[0] + bout * (a[0] - b[0]), y0 = b[1] + bout * (a[1] - b[1]);
    if (bin > 0) x1 = a[0] + aout * (b[0] - a[0]), y1 = a[1] + aout * (b[1] - a[1]);
    return 1;
}

} // namespace

void penset(double w) {
    if (pen.built && w == pen.lastw) return;
    pen.built = 1;
    pen.lastw = w;
    double t = w - page.dotwidth;
    int dr = penext(page.xres, t), dc = penext(page.yres, t);
    pen.npts = 0;
    if (dr > 1 || dc > 1) {
        double q = static_cast<double>(page.xres) * page.yres * t;
        double R = std::floor(q * q + 1);
        double xr2 = static_cast<double>(page.xres) * page.xres;
        double yr2 = static_cast<double>(page.yres) * page.yres;
        for (int i = -(dr / 2); i <= dr / 2 && pen.npts < PENMAX; i++) {
            double a = dr % 2 ? 4.0 * i * i : (2.0 * i + 1) * (2.0 * i + 1);
            for (int j = -(dc / 2); j <= dc / 2 && pen.npts < PENMAX; j++) {
                double b = dc % 2 ? 4.0 * j * j : (2.0 * j + 1) * (2.0 * j + 1);
                if (a * yr2 + b * xr2 < R) {
                    pen.pts[pen.npts][0] = i;
                    pen.pts[pen.npts][1] = j;
                    pen.npts++;
                }
            }
        }
    }
    if (pen.npts == 0) {
        pen.pts[0][0] = pen.pts[0][1] = 0;
        pen.npts = 1;
    }
    penoutline();
}

int ovlblock(double w) {
    Ovl *o = ovlget();
    pen.curblk = o;
    if (!o) {
        if (scan.dropped <= 1) msg("*** Warning: failed to get overlay\n");
        return 1;
    }
    penset(w);
    int mr = margin(page.xres, w), mc = margin(page.yres, w);
    int fr = bbox.frow - mr, lr = bbox.lrow + mr, fc = bbox.fcol - mc, lc = bbox.lcol + mc;
    if (fr < 0 || fc < 0 || lc > page.pagecols) msg("*** Warning: bit block off page\n");
    int sr = mod8(fr), sc = mod8(fc);
    fr -= sr, fc -= sc;
    if (mod8(lr) > 0) lr += 8 - mod8(lr);
    if (mod8(lc) > 0) lc += 8 - mod8(lc);
    int stride = (lr - fr + 7) / 8;
    void *bits = std::calloc(static_cast<size_t>(stride) * static_cast<size_t>(lc - fc), 1);
    if (!bits) {
        msg("*** Warning: Bit block allocation error\n");
        ovlback(o); // the record goes back to the list: nothing is rendered from it
        pen.curblk = nullptr;
        return 3;
    }
    *o = Ovl{.kind = 0,
             .done = 0,
             .subrow = sr,
             .subcol = sc,
             .stride = stride,
             .row0 = fr,
             .col0 = fc,
             .nrows = lr - fr,
             .ncols = lc - fc,
             .data = bits};
    return 0;
}

int ovlline(int n, const int *rows, const int *cols, double w) {
    Ovl *o = ovlget();
    pen.curblk = o;
    if (!o) {
        if (scan.dropped <= 1) msg("*** Warning: failed to get overlay\n");
        return 1;
    }
    int *pts =
        n > 0 ? static_cast<int *>(std::calloc(2 * static_cast<size_t>(n), sizeof(int))) : nullptr;
    if (!pts) {
        msg("*** Warning: Overly line allocation error\n");
        ovlback(o);
        pen.curblk = nullptr;
        return 2;
    }
    std::memcpy(pts, rows, n * sizeof(int));
    std::memcpy(pts + n, cols, n * sizeof(int));
    int lo = std::min(0, *std::min_element(rows, rows + n));
    int hi = std::max(0, *std::max_element(rows, rows + n));
    *o = Ovl{.kind = 2,
             .done = 0,
             .subrow = 0,
             .subcol = 0,
             .stride = 0,
             .row0 = lo,
             .col0 = n,
             .nrows = hi - lo + 1,
             .ncols = thousandths(w),
             .data = pts};
    return 0;
}

int polydots(const int *rows, int n, const int *cols, double w) {
    if (n < 2) return 0;
    if (devtab.devline) return ovlline(n, rows, cols, w);
    if (!curblock()) return 0;
    penset(w);
    for (int i = 1; i < n; i++) digline(rows[i - 1], cols[i - 1], rows[i], cols[i]);
    return 0;
}

void linerest(Ovl *o) {
    const int n = o->col0;
    const int *pts = static_cast<const int *>(o->data);
    const double w = o->ncols * 0.001;
    const double m = std::min(std::fabs(w), 10.0) + 16.0 / std::min(page.xres, page.yres);
    std::vector<int> rows, cols;
    auto hand = [&] {
        if (rows.size() >= 2) devtab.devline(rows.size(), rows.data(), cols.data(), w);
        rows.clear(), cols.clear();
    };
    for (int i = 1; pts && i < n; i++) {
        double x0 = static_cast<double>(pts[i - 1]) / page.xres;
        double y0 = static_cast<double>(pts[n + i - 1]) / page.yres;
        double x1 = static_cast<double>(pts[i]) / page.xres;
        double y1 = static_cast<double>(pts[n + i]) / page.yres;
        if (!clipseg(x0, y0, x1, y1, m)) {
            hand();
            continue;
        }
        const int r0 = nearest(page.xres, x0), c0 = nearest(page.yres, y0);
        if (rows.empty() || rows.back() != r0 || cols.back() != c0) {
            hand(); // a cut start begins a piece of its own
            rows.push_back(r0), cols.push_back(c0);
        }
        rows.push_back(nearest(page.xres, x1)), cols.push_back(nearest(page.yres, y1));
    }
    hand();
    o->done = 1;
}

void drawseg(double x0, double y0, double x1, double y1, double w) {
    if (!std::isfinite(x0) || !std::isfinite(y0) || !std::isfinite(x1) || !std::isfinite(y1))
        return; // would split for ever
    // On a raster page a segment is cut into blocks: only the part near the page may be, or a
    // line to far-away coordinates costs a block per quarter square inch of the way there.
    if (!devtab.devline && page.xres > 0 && page.yres > 0 &&
        !clipseg(x0, y0, x1, y1,
                 std::min(std::fabs(w), 10.0) + 16.0 / std::min(page.xres, page.yres)))
        return;
    for (;;) {
        int r0 = nearest(page.xres, x0), c0 = nearest(page.yres, y0);
        int r1 = nearest(page.xres, x1), c1 = nearest(page.yres, y1);
        if (devtab.devline) {
            int rows[2] = {r0, r1}, cols[2] = {c0, c1};
            ovlline(2, rows, cols, w);
            return;
        }
        bbox = BBox{std::min(r0, r1), std::max(r0, r1), std::min(c0, c1), std::max(c0, c1)};
        if (std::fabs(x1 - x0) * std::fabs(y1 - y0) > 0.25) {
            // Halve the segment: first half now, then go on with the second.
            double xm = (x0 + x1) / 2, ym = (y0 + y1) / 2;
            drawseg(x0, y0, xm, ym, w);
            x0 = xm, y0 = ym;
            continue;
        }
        if (ovlblock(w) == 0) digline(r0, c0, r1, c1);
        return;
    }
}

void drawpoly(int n, const double *x, const double *y, double w) {
    for (int i = 1; i < n; i++) drawseg(x[i - 1], y[i - 1], x[i], y[i], w);
}
