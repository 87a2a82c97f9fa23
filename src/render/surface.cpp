// Software drawing context: the window system's effects that the screen device relies on,
// over an RGB buffer. Thin lines are stepped like the window system's (end point left out);
// wider pens paint every pixel within half the width of the segment, which gives round ends.
#include "render/surface.h"

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <png.h>
#include <sys/mman.h>
#include <vector>

#ifndef MADV_COLLAPSE
#define MADV_COLLAPSE 25 // the system's value; older C libraries do not name it
#endif

// A fresh picture's pages fault in one by one on first touch, which costs more than drawing
// the plot on this kind of machine: the buffer of a large picture is asked for in 2 MiB pages.
// The request is sized so that the allocator maps whole large pages, which the system aligns
// to them; the advice covers the small pages the buffer spans, the allocator's header included.
static void bigpages(std::vector<uint8_t> &px, size_t n) {
    constexpr size_t big = size_t{2} << 20, small = 4096;
    if (n < big / 2 || px.capacity() >= n) return;
    std::vector<uint8_t>().swap(px);
    px.reserve((n + small + big - 1) / big * big - small);
    const uintptr_t a = reinterpret_cast<uintptr_t>(px.data());
    const uintptr_t lo = a & ~(small - 1), hi = (a + px.capacity() + small - 1) & ~(small - 1);
    madvise(reinterpret_cast<void *>(lo), hi - lo, MADV_HUGEPAGE);
    if (lo % big == 0) madvise(reinterpret_cast<void *>(lo), big, MADV_COLLAPSE);
}

// The index of colour c in pal, added when new; -1 when a 257th colour would be needed.
static int palfind(SurfPalette &pal, Rgb c) {
    const uint32_t key = 1u << 24 | c.r << 16 | c.g << 8 | c.b;
    if (key == pal.last) return pal.lastidx;
    uint32_t h = (key * 2654435761u) >> 22;
    while (pal.keys[h] != 0 && pal.keys[h] != key) h = (h + 1) & 1023;
    if (pal.keys[h] == 0) {
        if (pal.cols.size() == 256) return -1;
        pal.keys[h] = key, pal.at[h] = static_cast<uint8_t>(pal.cols.size());
        pal.cols.push_back(c);
    }
    pal.last = key, pal.lastidx = pal.at[h];
    return pal.lastidx;
}

// The surface's pixels as RGB from here on: its palette is full.
static void unindex(Surface &s) {
    const size_t n = static_cast<size_t>(s.w) * s.h;
    std::vector<uint8_t> rgb(n * 3);
    for (size_t i = 0; i < n; i++) {
        const Rgb c = s.pal.cols[s.px[i]];
        rgb[3 * i] = c.r, rgb[3 * i + 1] = c.g, rgb[3 * i + 2] = c.b;
    }
    s.px.swap(rgb);
    s.indexed = 0;
    s.pal = SurfPalette{};
}

// Where colour c is an index of the surface's palette: 1 with its index in k; 0 on an RGB
// surface (which a full palette makes this one).
static int asindex(Surface &s, Rgb c, uint8_t &k) {
    if (!s.indexed) return 0;
    const int i = palfind(s.pal, c);
    if (i < 0) return unindex(s), 0;
    k = static_cast<uint8_t>(i);
    return 1;
}

void surfinit(Surface &s, int w, int h, Rgb c, int indexed) {
    s.w = std::max(w, 0);
    s.h = std::max(h, 0);
    s.indexed = indexed;
    s.pal = SurfPalette{};
    const size_t n = static_cast<size_t>(s.w) * s.h * (indexed ? 1 : 3);
    bigpages(s.px, n);
    uint8_t k = 0;
    s.px.assign(n, asindex(s, c, k) ? k : c.r);
    s.pen = DrawPen{};
    s.curx = s.cury = 0;
    if (!indexed && (c.g != c.r || c.b != c.r)) surffill(s, 0, 0, s.w, s.h, c);
}

DrawPen surfpen(Surface &s, DrawPen p) {
    DrawPen old = s.pen;
    s.pen = p;
    return old;
}

void surfmove(Surface &s, int x, int y) {
    s.curx = x;
    s.cury = y;
}

void surfpixel(Surface &s, int x, int y, Rgb c) {
    if (x < 0 || y < 0 || x >= s.w || y >= s.h) return;
    uint8_t k;
    if (asindex(s, c, k)) return (void)(s.px[static_cast<size_t>(y) * s.w + x] = k);
    uint8_t *p = &s.px[(static_cast<size_t>(y) * s.w + x) * 3];
    p[0] = c.r;
    p[1] = c.g;
    p[2] = c.b;
}

Rgb surfget(const Surface &s, int x, int y) {
    if (x < 0 || y < 0 || x >= s.w || y >= s.h) return {255, 255, 255};
    if (s.indexed) return s.pal.cols[s.px[static_cast<size_t>(y) * s.w + x]];
    const uint8_t *p = &s.px[(static_cast<size_t>(y) * s.w + x) * 3];
    return {p[0], p[1], p[2]};
}

void surffill(Surface &s, int left, int top, int right, int bottom, Rgb c) {
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, s.w);
    bottom = std::min(bottom, s.h);
    if (right <= left || bottom <= top) return;
    uint8_t k;
    if (asindex(s, c, k)) {
        for (int y = top; y < bottom; y++)
            std::memset(&s.px[static_cast<size_t>(y) * s.w + left], k, right - left);
        return;
    }
    uint8_t *p0 = &s.px[(static_cast<size_t>(top) * s.w + left) * 3];
    const size_t row = static_cast<size_t>(s.w) * 3, len = static_cast<size_t>(right - left) * 3;
    if (c.g == c.r && c.b == c.r) { // a gray: whole rows at once, the full width in one piece
        if (len == row)
            std::memset(p0, c.r, row * (bottom - top));
        else
            for (int y = top; y < bottom; y++) std::memset(p0 + (y - top) * row, c.r, len);
        return;
    }
    for (int y = top; y < bottom; y++) {
        uint8_t *p = p0 + (y - top) * row;
        for (int x = left; x < right; x++, p += 3) p[0] = c.r, p[1] = c.g, p[2] = c.b;
    }
}

// Rows i0.. of surfrows on an indexed surface, columns l..r-1: a row's index is the one found
// for its level before while that still holds the level's colour. A gray line's rows are a
// few pixels long: stored byte by byte, not by a call each. Returns the first row not drawn:
// i1, or the row whose colour found the palette full (the surface is RGB from there on).
__attribute__((optimize("no-tree-loop-distribute-patterns"))) static int
indexrows(Surface &s, int l, int r, int top, const uint8_t *lev, int i0, int i1, const Rgb *pal) {
    uint8_t *const px = s.px.data() + l;
    const size_t w = static_cast<size_t>(s.w);
    const int len = r - l;
    int last = -1; // the level of the row before, and its index k
    uint8_t k = 0;
    for (int i = i0; i < i1; i++) {
        const int v = lev[i];
        if (!v) continue;
        if (v != last) {
            k = s.levidx[v];
            if (k >= s.pal.cols.size() || !(s.pal.cols[k] == pal[v])) {
                if (!asindex(s, pal[v], k)) return i;
                s.levidx[v] = k;
            }
            last = v;
        }
        uint8_t *q = px + (top + i) * w;
        for (int x = 0; x < len; x++) q[x] = k;
    }
    return i1;
}

void surfrows(Surface &s, int left, int right, int top, const uint8_t *lev, int n, const Rgb *pal) {
    const int l = std::max(left, 0), r = std::min(right, s.w);
    int i0 = std::max(-top, 0);
    const int i1 = std::min(n, s.h - top);
    if (r <= l) return;
    if (s.indexed) i0 = indexrows(s, l, r, top, lev, i0, i1, pal);
    const size_t stride = static_cast<size_t>(s.w) * 3;
    uint8_t *p = s.px.data() + static_cast<size_t>(l) * 3;
    for (int i = i0; i < i1; i++) {
        if (!lev[i]) continue;
        const Rgb c = pal[lev[i]];
        uint8_t *q = p + static_cast<size_t>(top + i) * stride;
        for (int x = l; x < r; x++, q += 3) q[0] = c.r, q[1] = c.g, q[2] = c.b;
    }
}

// One-pixel line from (x0, y0) towards (x1, y1), stepping along the major axis; the end
// point is not drawn, so joined segments touch each pixel once.
static void thinline(Surface &s, int x0, int y0, int x1, int y1) {
    long dx = std::labs(static_cast<long>(x1) - x0), dy = std::labs(static_cast<long>(y1) - y0);
    int sx = x1 > x0 ? 1 : -1, sy = y1 > y0 ? 1 : -1;
    long n = std::max(dx, dy);
    for (long i = 0; i < n; i++) {
        long ox = dx >= dy ? i : (2 * i * dx + dy) / (2 * dy);
        long oy = dx >= dy ? (2 * i * dy + dx) / (2 * dx) : i;
        surfpixel(s, static_cast<int>(x0 + sx * ox), static_cast<int>(y0 + sy * oy), s.pen.colour);
    }
}

// Pixels whose centres lie within width / 2 of the segment. An odd width centres the
// segment on pixel centres, an even one on pixel corners, so a level line of width w is
// exactly w pixels thick.
static void wideline(Surface &s, int x0, int y0, int x1, int y1) {
    double r = s.pen.width / 2.0, off = s.pen.width % 2 ? 0.5 : 0.0;
    double ax = x0 + off, ay = y0 + off, bx = x1 + off, by = y1 + off;
    int left = std::max(static_cast<int>(std::floor(std::min(ax, bx) - r)) - 1, 0);
    int right = std::min(static_cast<int>(std::ceil(std::max(ax, bx) + r)) + 1, s.w);
    int top = std::max(static_cast<int>(std::floor(std::min(ay, by) - r)) - 1, 0);
    int bottom = std::min(static_cast<int>(std::ceil(std::max(ay, by) + r)) + 1, s.h);
    double vx = bx - ax, vy = by - ay, len2 = vx * vx + vy * vy;
    for (int y = top; y < bottom; y++) {
        for (int x = left; x < right; x++) {
            double px = x + 0.5 - ax, py = y + 0.5 - ay;
            double t = len2 > 0 ? std::clamp((px * vx + py * vy) / len2, 0.0, 1.0) : 0.0;
            double ex = px - t * vx, ey = py - t * vy;
            if (ex * ex + ey * ey <= r * r) surfpixel(s, x, y, s.pen.colour);
        }
    }
}

void surfline(Surface &s, int x, int y) {
    if (s.pen.width > 1)
        wideline(s, s.curx, s.cury, x, y);
    else
        thinline(s, s.curx, s.cury, x, y);
    surfmove(s, x, y);
}

// libpng's own handlers would print to standard error; the caller reports instead.
static void pngfail(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}
static void pngwarn(png_structp, png_const_charp) {}

// The pixels as palette indices when there are at most 256 colours, as in every plot the
// screen device draws: a third of the bytes to compress. Empty when there are more.
static std::vector<uint8_t> indexed(const Surface &s, SurfPalette &pal) {
    const size_t n = static_cast<size_t>(s.w) * s.h;
    std::vector<uint8_t> idx;
    bigpages(idx, n);
    idx.resize(n);
    const uint8_t *px = s.px.data();
    const size_t w = static_cast<size_t>(s.w);
    for (size_t y = 0; y < static_cast<size_t>(s.h); y++) {
        const uint8_t *row = px + 3 * w * y;
        uint8_t *out = &idx[w * y];
        // a row the same as the one above (a gray band is many rows tall) has its indices
        if (y > 0 && std::memcmp(row, row - 3 * w, 3 * w) == 0) {
            std::memcpy(out, out - w, w);
            continue;
        }
        for (size_t x = 0; x < w;) {
            // eight pixels each the same as the one before (24 bytes equal those a pixel back),
            if (x > 0 && x + 8 <= w && std::memcmp(row + 3 * x, row + 3 * x - 3, 24) == 0) {
                std::memset(out + x, out[x - 1], 8);
                x += 8;
                continue;
            }
            // or the same as the eight above
            if (y > 0 && x + 8 <= w && std::memcmp(row + 3 * x, row + 3 * x - 3 * w, 24) == 0) {
                std::memcpy(out + x, out + x - w, 8);
                x += 8;
                continue;
            }
            // else the eight one by one
            for (const size_t end = std::min(x + 8, w); x < end; x++) {
                const int k = palfind(pal, Rgb{row[3 * x], row[3 * x + 1], row[3 * x + 2]});
                if (k < 0) return {};
                out[x] = static_cast<uint8_t>(k);
            }
        }
    }
    return idx;
}

// The PNG file of w x h pixels in rows: palette indices into cols, or RGB when cols is empty.
static int pngwrite(FILE *fp, int w, int h, const uint8_t *rows,
                    const std::vector<png_color> &cols) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, pngfail, pngwarn);
    if (!png) return 0;
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return 0;
    }
    png_init_io(png, fp);
    png_set_IHDR(png, info, w, h, 8, cols.empty() ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_PALETTE,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!cols.empty()) png_set_PLTE(png, info, cols.data(), static_cast<int>(cols.size()));
    // every index comes from the palette written: the library's check of each pixel is moot
    png_set_check_for_invalid_index(png, 0);
    // the pixels are what matters, not the last byte of compression: a fast level with a
    // smaller match table than the default (faster here); palette indices unfiltered (a
    // predictor saves little on them and costs a pass), colours with the row above as the
    // predictor, which suits plots of long flat stretches
    png_set_compression_level(png, 1);
    png_set_compression_mem_level(png, 5);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, cols.empty() ? PNG_FILTER_UP : PNG_FILTER_NONE);
    png_write_info(png, info);
    const size_t row = static_cast<size_t>(w) * (cols.empty() ? 3 : 1);
    for (int y = 0; y < h; y++) png_write_row(png, const_cast<png_bytep>(rows + y * row));
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return 1;
}

int surfpng(const Surface &s, FILE *fp) {
    if (!fp || s.w <= 0 || s.h <= 0) return 0;
    // an RGB surface's colours are looked up now, when there are few enough
    SurfPalette made;
    const std::vector<uint8_t> idx = s.indexed ? std::vector<uint8_t>{} : indexed(s, made);
    const SurfPalette &pal = s.indexed ? s.pal : made;
    std::vector<png_color> cols;
    if (s.indexed || !idx.empty())
        for (const Rgb &c : pal.cols) cols.push_back(png_color{c.r, c.g, c.b});
    const uint8_t *rows = idx.empty() ? s.px.data() : idx.data();
    return pngwrite(fp, s.w, s.h, rows, cols) && fflush(fp) == 0 && !ferror(fp);
}
