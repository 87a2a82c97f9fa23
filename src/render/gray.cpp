// Gray lines: copies of a spectrogram slice as overlays, and their rasterisation into one
// band row with a first-order error diffusion carried per column from line to line.
#include "render/gray.h"

#include <cstdlib>
#include <cstring>

#include "base/msg.h"

void ovlgray(const uint8_t *vals, int count, int col0, int ncols, int nrows) {
    if (ncols <= 0 || nrows <= 0 || count < 0 || !vals) return;
    Ovl *o = ovlget();
    if (!o) return;
    // One byte more than the values: devices that interpolate read value count.
    void *copy = std::malloc(static_cast<size_t>(count) + 1);
    if (!copy) {
        msg("*** Warning: gray line allocation error\n");
        ovlback(o);
        return;
    }
    std::memcpy(copy, vals, static_cast<size_t>(count) + 1);
    *o = Ovl{.kind = 3,
             .done = 0,
             .subrow = scan.bandrow,
             .subcol = 0,
             .stride = count,
             .row0 = scan.currow,
             .col0 = col0,
             .nrows = nrows,
             .ncols = ncols,
             .data = copy};
    ovlgraybit(scan.novl - 1, 1);
}

void setgraypos(const float *pos) {
    gray.graypos = pos;
}

double gresp(double x) {
    return x * (x * (gray.c2 * x + gray.c1) + gray.c0);
}

namespace {

// Level constants of the multi-plane writers: full-scale E and the offset added first.
void levels(int planes, int &E, int &offset) {
    offset = 0;
    switch (planes) {
    case 2: E = 3; break;
    case 4: E = 12, offset = 21; break;
    case 8: E = 254; break;
    default: E = 1; break;
    }
}

// Writes level f as the dot of band row r in column col; returns the carry left.
int graydot(int col, int r, int f) {
    int planes = scan.bufplanes;
    uint8_t *p = scan.bandbuf + static_cast<size_t>(col) * planes;
    uint8_t bit = static_cast<uint8_t>(0x80 >> r);
    if (planes == 8) {
        p[r] = static_cast<uint8_t>((f * 254 + 128) / 256 + 1);
        return 0;
    }
    if (planes == 2 || planes == 4) {
        int E, offset;
        levels(planes, E, offset);
        f += offset;
        for (int k = 0; k < planes; k++) {
            int t = (1 << (planes - 1 - k)) * 256 / E;
            if (f >= t) {
                p[k] |= bit;
                f -= t;
            }
        }
        return f;
    }
    if (f >= 256) {
        p[0] |= bit;
        f -= 256;
    }
    return f;
}

} // namespace

void grayrow(const Ovl *l, int r) {
    const uint8_t *v = static_cast<const uint8_t *>(l->data);
    const float *pos = gray.graypos;
    int count = l->stride;
    if (!v || r < 0 || r > 7 || (count > 1 && !pos)) return;
    int n = l->ncols;
    if (l->col0 + static_cast<long long>(n) > scan.bufcols) n = scan.bufcols - l->col0;
    int i = 1;
    for (int k = 0; k < n; k++) {
        int col = l->col0 + k;
        // A line of one column has no position step: it sits at position 0.
        float g = n > 1 ? static_cast<float>(k) / static_cast<float>(n - 1) : 0.0f;
        while (i < count && pos[i] < g) i++;
        if (col < 0) continue; // left of the page: nothing drawn, no carry touched
        int f;
        if (i < count) {
            float diff = pos[i] - pos[i - 1];
            float h = diff > 0 ? (pos[i] - g) / diff : 0.0f;
            f = static_cast<int>(v[i] * (1 - h) + v[i - 1] * h + scan.dither[col]);
        } else {
            f = v[i - 1] + scan.dither[col];
        }
        scan.dither[col] = static_cast<uint8_t>(graydot(col, r, f));
    }
}
