// Stroke text: strings laid out along the up vector's baseline in font units (21 to the
// capital height), framed on request, their strokes drawn with polydots; on a raster device
// the whole string goes into one bit block around its box.
#include "render/text.h"

#include <algorithm>
#include <cmath>

#include "base/msg.h"
#include "render/core.h"
#include "render/font.h"
#include "render/lines.h"

namespace {

// Text state, kept until changed.
struct Txt {
    double upx = 0.0, upy = 1.0; // unit up vector; the baseline runs along (upy, -upx)
    double size = 0.2;           // capital height in inches (21 font units)
    double weight = 1.0;         // stroke width = size x weight x 0.1 inch
    int hjust = 1;               // 0/1 start, 2 middle, 3 end
    int vjust = 4;               // font level through the anchor (4: baseline)
    int box = 1;                 // frame the string
};
Txt txt;

const double hfactor[4] = {0, 0, 0.5, 1};      // by horizontal code
const int vlevel[6] = {0, 20, 12, 0, -9, -16}; // by vertical code, above the centre line

enum { STROKEMAX = 99 };

// Inches to dots, truncated; bounded so that absurd positions cannot overflow an int.
int dots(int res, double v) {
    double d = res * v;
    return d == d ? static_cast<int>(std::clamp(d, -1.0e9, 1.0e9)) : 0;
}

// Collected points of the stroke being drawn.
struct Stroke {
    int rows[STROKEMAX], cols[STROKEMAX];
    int n = 0;
};

// Draws the collected points and starts again (from the last point when asked).
void strokeflush(Stroke &s, double lw, int keeplast) {
    polydots(s.rows, s.n, s.cols, lw);
    if (keeplast && s.n > 0) {
        s.rows[0] = s.rows[s.n - 1];
        s.cols[0] = s.cols[s.n - 1];
        s.n = 1;
    } else {
        s.n = 0;
    }
}

// Draws glyph c with its origin at (ox, oy) dots; (A, C) is one unit along the baseline,
// (B, D) one unit up.
void glyph(int c, double ox, double oy, double A, double B, double C, double D, double lw) {
    Stroke s;
    for (int k = fontstart[c]; k < fontstart[c + 1]; k++) {
        int v = fontpairs[2 * (k - 1)], u = fontpairs[2 * (k - 1) + 1];
        if (u == 255) {
            if (v == 1) strokeflush(s, lw, 0);
            if (v == 7) break;
            continue;
        }
        v -= 127, u -= 127;
        s.rows[s.n] = dots(1, ox + A * u + B * v);
        s.cols[s.n] = dots(1, oy + C * u + D * v);
        if (++s.n == STROKEMAX) strokeflush(s, lw, 1);
    }
    strokeflush(s, lw, 0);
}

} // namespace

void txtup(double a, double b) {
    double len = std::sqrt(a * a + b * b);
    if (!(len > 0) || !std::isfinite(len)) {
        msg("*** Warning: Invalid character orientation\n");
        return;
    }
    txt.upx = a / len;
    txt.upy = b / len;
}

void txtweight(double w) {
    txt.weight = w;
}
void txtsize(double inches) {
    txt.size = inches;
}
void txtbox(int flag) {
    txt.box = flag;
}

// Codes outside the tables are clamped to the nearest valid one.
void txtjust(int h, int v) {
    txt.hjust = std::clamp(h, 0, 3);
    txt.vjust = std::clamp(v, 0, 5);
}

double txtwidth(const std::string &s) {
    int units = 0;
    for (unsigned char c : s)
        if (c >= 32 && c <= 126) units += fontadv[c];
    return units * txt.size / 21;
}

int txtdraw(double x, double y, const std::string &s) {
    double W = txtwidth(s);
    if (!(W > 0)) return 0;
    double bx = txt.upy, by = -txt.upx, nx = txt.upx, ny = txt.upy, size = txt.size;
    double h = hfactor[std::clamp(txt.hjust, 0, 3)];
    double m = vlevel[std::clamp(txt.vjust, 0, 5)];
    double lift = (-9 - m) / 21 * size;
    double px = x + (-h * W) * bx + lift * nx, py = y + (-h * W) * by + lift * ny;
    // Box corners: descender depth below the baseline, box top above it.
    double dd = -7.0 / 21 * size, dt = 29.0 / 21 * size;
    double cx[4] = {px + dd * nx, px + W * bx + dd * nx, px + W * bx + dt * nx, px + dt * nx};
    double cy[4] = {py + dd * ny, py + W * by + dd * ny, py + W * by + dt * ny, py + dt * ny};
    int rows[5], cols[5];
    for (int k = 0; k < 4; k++) rows[k] = dots(page.xres, cx[k]), cols[k] = dots(page.yres, cy[k]);
    rows[4] = rows[0], cols[4] = cols[0];
    bbox = BBox{*std::min_element(rows, rows + 4), *std::max_element(rows, rows + 4),
                *std::min_element(cols, cols + 4), *std::max_element(cols, cols + 4)};
    double lw = size * txt.weight * 0.1;
    if (!devtab.devline) {
        int rc = ovlblock(lw);
        if (rc) return rc;
    }
    if (txt.box) polydots(rows, 5, cols, lw);
    double g = size / 21;
    double A = g * txt.upy * page.xres, C = -g * txt.upx * page.yres;
    double B = g * txt.upx * page.xres, D = g * txt.upy * page.yres;
    double penx = dots(page.xres, px), peny = dots(page.yres, py);
    for (unsigned char c : s) {
        if (c < 32 || c > 126) continue;
        double ox = penx + fontleft[c] * A + 9 * B, oy = peny + fontleft[c] * C + 9 * D;
        glyph(c, ox, oy, A, B, C, D, lw);
        penx += fontadv[c] * A;
        peny += fontadv[c] * C;
    }
    return 0;
}
