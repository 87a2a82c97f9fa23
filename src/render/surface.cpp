// Software drawing context: the window system's effects that the screen device relies on,
// over an RGB buffer. Thin lines are stepped like the window system's (end point left out);
// wider pens paint every pixel within half the width of the segment, which gives round ends.
#include "render/surface.h"

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdlib>
#include <png.h>

void surfinit(Surface &s, int w, int h, Rgb c) {
    s.w = std::max(w, 0);
    s.h = std::max(h, 0);
    s.px.assign(static_cast<size_t>(s.w) * s.h * 3, 0);
    s.pen = DrawPen{};
    s.curx = s.cury = 0;
    surffill(s, 0, 0, s.w, s.h, c);
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
    uint8_t *p = &s.px[(static_cast<size_t>(y) * s.w + x) * 3];
    p[0] = c.r;
    p[1] = c.g;
    p[2] = c.b;
}

Rgb surfget(const Surface &s, int x, int y) {
    if (x < 0 || y < 0 || x >= s.w || y >= s.h) return {255, 255, 255};
    const uint8_t *p = &s.px[(static_cast<size_t>(y) * s.w + x) * 3];
    return {p[0], p[1], p[2]};
}

void surffill(Surface &s, int left, int top, int right, int bottom, Rgb c) {
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, s.w);
    bottom = std::min(bottom, s.h);
    for (int y = top; y < bottom; y++) {
        uint8_t *p = &s.px[(static_cast<size_t>(y) * s.w + left) * 3];
        for (int x = left; x < right; x++, p += 3) p[0] = c.r, p[1] = c.g, p[2] = c.b;
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

int surfpng(const Surface &s, FILE *fp) {
    if (!fp || s.w <= 0 || s.h <= 0) return 0;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, pngfail, pngwarn);
    if (!png) return 0;
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return 0;
    }
    png_init_io(png, fp);
    png_set_IHDR(png, info, s.w, s.h, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < s.h; y++)
        png_write_row(png, const_cast<png_bytep>(&s.px[static_cast<size_t>(y) * s.w * 3]));
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return fflush(fp) == 0 && !ferror(fp);
}
