// The screen device: draws rectangles, polylines and gray lines on a Surface (and on the
// window's while mirror is set), clears each new page at its first band, and in kavrel
// writes the finished picture as PNG to the -o file.
#include "devices/screen.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "base/msg.h"
#include "base/opts.h"
#include "base/outfile.h"
#include "devices/strip.h"
#include "render/core.h"

static const Rgb black{0, 0, 0};

// Pixels changed since the last flush: x0..x1-1, y0..y1-1 (empty when x1 <= x0).
static struct { int x0, y0, x1, y1; } dirty;

static void touch(int x0, int y0, int x1, int y1) {
    if (dirty.x1 <= dirty.x0) {
        dirty = {x0, y0, x1, y1};
        return;
    }
    dirty = {std::min(dirty.x0, x0), std::min(dirty.y0, y0), std::max(dirty.x1, x1),
             std::max(dirty.y1, y1)};
}

// Hands the changed rectangle, clipped to the surface, to the window.
static void flush() {
    Surface *s = scr.drawdc;
    if (scr.mirror && scr.flush && s && dirty.x1 > dirty.x0) {
        int x0 = std::max(dirty.x0, 0), y0 = std::max(dirty.y0, 0);
        int x1 = std::min(dirty.x1, s->w), y1 = std::min(dirty.y1, s->h);
        if (x1 > x0 && y1 > y0) scr.flush(x0, y0, x1 - x0, y1 - y0);
    }
    dirty = {0, 0, 0, 0};
}

// Pixel of a device position: rows left to right and columns bottom to top on the screen,
// turned a quarter on the printed page.
static void pixel(int row, int col, int *x, int *y) {
    if (scr.rotated) {
        *x = col;
        *y = row;
    } else {
        *x = row;
        *y = scr.bmh - col;
    }
}

// The surfaces every mark goes to.
static int targets(Surface **out) {
    int n = 0;
    if (scr.drawdc) out[n++] = scr.drawdc;
    if (scr.mirror && scr.windc) out[n++] = scr.windc;
    return n;
}

void mkpalette() {
    scr.palette[0] = {255, 255, 255};
    scr.palette[255] = black;
    for (int i = 1; i < 255; i++) {
        if (!opt.coloropt) {
            uint8_t v = static_cast<uint8_t>((254 - i) * 255 / 253);
            scr.palette[i] = {v, v, v};
        } else if (i < 127) {
            scr.palette[i] = {0, static_cast<uint8_t>(2 * i), static_cast<uint8_t>(255 - 2 * i)};
        } else {
            int red = 2 * (i - 127);
            scr.palette[i] = {static_cast<uint8_t>(red), static_cast<uint8_t>(255 - red), 0};
        }
    }
}

// A surface known to be all white, nothing drawn on it since: a fresh picture, or kavrel's
// picture since the last clearing (the window's may be painted by others). Every mark resets it.
static const Surface *white;

static void clearpage() {
    Surface *t[2];
    for (int k = targets(t) - 1; k >= 0; k--)
        if (t[k] != white) surffill(*t[k], 0, 0, t[k]->w, t[k]->h, scr.palette[0]);
    white = scr.mirror ? nullptr : scr.drawdc;
    touch(0, 0, 1 << 30, 1 << 30);
}

// Fills device rows row..row+nrows and columns col..col+ncols, mapped to pixels; the
// surface leaves out the right and bottom edges as the window system does.
static void fillcells(int row, int col, int nrows, int ncols, Rgb c) {
    int x0, y0, x1, y1;
    pixel(row, col, &x0, &y0);
    pixel(row + nrows, col + ncols, &x1, &y1);
    Surface *t[2];
    for (int k = targets(t) - 1; k >= 0; k--)
        surffill(*t[k], std::min(x0, x1), std::min(y0, y1), std::max(x0, x1), std::max(y0, y1), c);
    touch(std::min(x0, x1), std::min(y0, y1), std::max(x0, x1), std::max(y0, y1));
}

// Selects a black pen for a line width in inches, unless that width is in use already.
static void setpen(double w) {
    if (w == scr.penw) return;
    scr.curpen = DrawPen{static_cast<int>(w * page.xres + 0.5), black};
    Surface *t[2];
    for (int k = targets(t) - 1; k >= 0; k--) surfpen(*t[k], scr.curpen);
    scr.penw = w;
}

static void scrclose(int) {
    flush();
    scr.bandno = 0;
    Surface *t[2];
    for (int k = targets(t) - 1; k >= 0; k--) surfpen(*t[k], scr.oldpen);
    if (!scr.savepng || !scr.drawdc) return;
    if (out.outfile) {
        if (!surfpng(*scr.drawdc, out.outfile)) {
            // a failed write is reported when the output file is closed
            if (!ferror(out.outfile)) msg("can't write the picture to %s\n", out.outname.c_str());
            out.failed = 1;
        }
    } else if (!out.outlost && scr.savehint) {
        msg("Plot drawn but not saved; to save it as a PNG picture: kavrel -o plot.png ...\n");
    }
}

static void scrline(int n, const int *rows, const int *cols, double w) {
    white = nullptr;
    setpen(w);
    Surface *t[2];
    int nt = targets(t);
    for (int i = 1; i < n; i++) {
        setpen(w);
        int xa, ya, xb, yb;
        pixel(rows[i - 1], cols[i - 1], &xa, &ya);
        pixel(rows[i], cols[i], &xb, &yb);
        int r = scr.curpen.width / 2 + 1; // round ends reach half the pen beyond the points
        touch(std::min(xa, xb) - r, std::min(ya, yb) - r, std::max(xa, xb) + r + 1,
              std::max(ya, yb) + r + 1);
        for (int k = 0; k < nt; k++) {
            surfmove(*t[k], xa, ya);
            surfline(*t[k], xb, yb);
            surfpixel(*t[k], xb, yb, black); // the line leaves out its end point
        }
    }
}

// Value of band row i (0..7) of column c in the band format of the page's planes.
static int bandval(const uint8_t *buf, int c, int i) {
    int np = page.planes;
    if (np == 8) return buf[c * 8 + i];
    if (np <= 1) return buf[c] & (0x80 >> i) ? 255 : 0;
    int v = 0;
    for (int k = 0; k < np; k++)
        if (buf[c * np + k] & (0x80 >> i)) v |= 1 << (np - 1 - k);
    return v == (1 << np) - 1 ? 255 : v;
}

static void scrband(const uint8_t *buf, int len) {
    if (scr.bandno == 0) clearpage();
    white = nullptr;
    int np = std::max(page.planes, 1);
    Surface *t[2];
    int nt = targets(t);
    for (int c = 0; c < len / np; c++) {
        for (int i = 0; i < 8; i++) {
            int v = bandval(buf, c, i);
            if (!v) continue;
            int x, y;
            pixel(scr.bandno * 8 + i, c, &x, &y);
            for (int k = 0; k < nt; k++) surfpixel(*t[k], x, y, scr.palette[v]);
            touch(x, y, x + 1, y + 1);
        }
    }
    scr.bandno++;
    flush();
}

static void scrrect(int row, int col, int nrows, int ncols) {
    white = nullptr;
    fillcells(row, col, nrows, ncols, scr.palette[255]);
}

static void scrpage() {
    flush();
    scr.bandno = 0;
}

static void scrret() {}

// Where a value or position at real index u is read: (1 - f) of entry i and f of entry j; at
// or beyond the last entry j = i and f = 0, which gives the entry itself exactly.
struct Tap {
    int i, j;
    double w0, w1; // 1 - f and f
    double at(const uint8_t *v) const { return w0 * v[i] + w1 * v[j]; }
    double at(const float *v) const { return w0 * v[i] + w1 * v[j]; }
};

static Tap tap(double u, int k) {
    if (u >= k - 1) return {k - 1, k - 1, 1, 0};
    if (u < 0) u = 0;
    int i = static_cast<int>(u);
    double f = u - i;
    return {i, i + 1, 1 - f, f};
}

// The cells of a gray line depend only on its value count, its columns and the plot's value
// positions, the same for every line of a plot: each cell's three taps and its column edges
// (cell j spans edge[j]..edge[j + 1]), made once for them.
static struct {
    int k = -1, col = 0, ncols = 0, m = 0;
    std::vector<float> pos;
    std::vector<Tap> taps;                 // 3 per cell
    std::vector<int> edge;                 // m + 1
    std::vector<std::pair<int, int>> span; // the least and greatest value index a cell reads
    int lo = 0, hi = 0;                    // the columns the drawn cells cover
    std::vector<uint8_t> lev;
    std::vector<int> same; // per line: the last index of the run of values equal to value i
} plan;

static bool planfits(int col, int ncols, int k, int m, const float *pos) {
    return plan.k == k && plan.col == col && plan.ncols == ncols && plan.m == m &&
           std::equal(pos, pos + k, plan.pos.begin());
}

static void mkplan(int col, int ncols, int k, int m, const float *pos) {
    plan.k = k, plan.col = col, plan.ncols = ncols, plan.m = m;
    plan.pos.assign(pos, pos + k);
    plan.taps.resize(3 * static_cast<size_t>(m));
    plan.edge.resize(static_cast<size_t>(m) + 1);
    plan.span.clear();
    plan.same.resize(static_cast<size_t>(k));
    plan.lo = 1 << 30, plan.hi = -(1 << 30);
    double s = (k - 0.5) / std::max(m - 1, 1);
    for (int j = 0; j < m; j++) {
        Tap *t = &plan.taps[3 * static_cast<size_t>(j)];
        t[0] = tap(j * s, k), t[1] = tap((j + 0.5) * s, k), t[2] = tap((j + 1) * s, k);
        // a cell ends where the next begins: both come from the position at (j + 1) * s
        int y0 = m == 1 ? col : static_cast<int>(col + ncols * t[0].at(pos) + 0.5);
        int y1 = j == m - 1 ? col + ncols : static_cast<int>(col + ncols * t[2].at(pos) + 0.5);
        plan.edge[j] = y0, plan.edge[j + 1] = y1;
        plan.span.emplace_back(std::min({t[0].i, t[1].i, t[2].i}),
                               std::max({t[0].j, t[1].j, t[2].j}));
        if (y1 > y0) plan.lo = std::min(plan.lo, y0), plan.hi = std::max(plan.hi, y1);
    }
    plan.lev.assign(static_cast<size_t>(std::max(plan.hi - plan.lo, 0)), 0);
}

// Palette index of value v on the gray scale.
static int scalelev(int v) {
    return static_cast<int>(v * 253.0 / 255 + 0.5) + 1;
}

// Palette index of cell j: the mean of its three values on the gray scale. A cell whose taps
// all read one value v takes v's index from the table: the weights of a tap sum to 1 within an
// ulp, and v * 253 / 255 lies at least 1/510 from the rounding point, so the sum's error of
// some 1e-13 never moves it.
static int cellidx(int j, const uint8_t *vals) {
    const auto [lo, hi] = plan.span[static_cast<size_t>(j)];
    if (plan.same[static_cast<size_t>(lo)] >= hi) return scalelev(vals[lo]);
    const Tap *t = &plan.taps[3 * static_cast<size_t>(j)];
    return static_cast<int>((t[0].at(vals) + t[1].at(vals) + t[2].at(vals)) / 3 * 253 / 255 + 0.5) +
           1;
}

// An upright gray line drawn a pixel row at a time (column c is pixel row bmh - c - 1): each
// row's colour found first, later cells over earlier ones, as cell by cell. A cell is a few
// pixels tall: stored byte by byte, not by a call each.
__attribute__((optimize("no-tree-loop-distribute-patterns"))) static void
imagerows(int row, int nrows, const uint8_t *vals) {
    if (plan.hi <= plan.lo) return;
    uint8_t *lev = plan.lev.data();
    std::memset(lev, 0, plan.lev.size());
    for (int j = 0; j < plan.m; j++) {
        const int y0 = plan.edge[j], y1 = plan.edge[j + 1];
        if (y1 <= y0) continue;
        const uint8_t c = static_cast<uint8_t>(cellidx(j, vals));
        for (uint8_t *q = lev + (plan.hi - y1), *e = lev + (plan.hi - y0); q < e; q++) *q = c;
    }
    Surface *t[2];
    for (int k = targets(t) - 1; k >= 0; k--)
        surfrows(*t[k], row, row + nrows, scr.bmh - plan.hi, lev, plan.hi - plan.lo, scr.palette);
    touch(row, scr.bmh - plan.hi, row + nrows, scr.bmh - plan.lo);
}

// A gray line as a stack of cells across its columns, 100 per whole inch (at least one per
// value, one per pixel when that would be more than half the pixels). One cell covers all.
static void scrimage(int row, int col, int nrows, int ncols, int k, const uint8_t *vals,
                     const float *pos) {
    int m = 100 * (ncols / std::max(page.yres, 1));
    if (m < k) m = k;
    if (m > ncols / 2) m = ncols;
    if (m <= 0 || k <= 0 || !vals || !pos) return;
    white = nullptr;
    if (!planfits(col, ncols, k, m, pos)) mkplan(col, ncols, k, m, pos);
    runends(vals, k, plan.same.data()); // for cellidx
    if (nrows > 0 && !scr.rotated) return imagerows(row, nrows, vals);
    for (int j = 0; j < m; j++) {
        int y0 = plan.edge[j], y1 = plan.edge[j + 1];
        if (y1 > y0) fillcells(row, y0, nrows, y1 - y0, scr.palette[cellidx(j, vals)]);
    }
}

void scropen() {
    page.pagerows = scr.bmw;
    page.pagecols = scr.bmh;
    page.planes = 8;
    page.xres = static_cast<int>(scr.bmw / 10.5 + 0.5);
    page.yres = static_cast<int>(scr.bmh * 0.125 + 0.5);
    page.dotwidth = 2.0 / (page.xres + page.yres);
    devtab = DevTab{.devclose = scrclose,
                    .devline = scrline,
                    .devband = scrband,
                    .devrect = scrrect,
                    .devpage = scrpage,
                    .devret = scrret,
                    .devimage = scrimage};
    mkpalette();
    // a turned page is bmh pixels wide and bmw tall
    int w = scr.rotated ? scr.bmh : scr.bmw, h = scr.rotated ? scr.bmw : scr.bmh;
    white = nullptr;
    if (scr.drawdc && (scr.drawdc->w != w || scr.drawdc->h != h))
        surfinit(*scr.drawdc, w, h, scr.palette[0], scr.indexed), white = scr.drawdc;
    scr.curpen = DrawPen{0, black};
    if (scr.drawdc) scr.oldpen = surfpen(*scr.drawdc, scr.curpen);
    if (scr.mirror && scr.windc) surfpen(*scr.windc, scr.curpen);
    scr.penw = 0;
    scr.bandno = 0;
    clearpage();
}
