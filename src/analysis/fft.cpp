// Real-input FFT: an optional radix-2 stage, radix-4 stages in place, then reordering into the
// packed layout. Every value is rounded to float exactly as the plain stage-by-stage form would
// round it, so the spectra (and the gray levels drawn from them) do not depend on the speed-ups:
// twiddles are cached, four values go through each operation at once, and the three reordering
// passes are one gather.
#include "analysis/fft.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

typedef float v4 __attribute__((vector_size(16)));

constexpr int MMAX = 15, NMAX = 1 << MMAX, TWMAX = NMAX / 8;

// Twiddles of pair i (h, m, o, t, u, v), one array each so four pairs load as one vector.
// The angle of pair i is the same at every stage that has it, so one table serves all.
struct Twid {
    float h[TWMAX], m[TWMAX], o[TWMAX], t[TWMAX], u[TWMAX], v[TWMAX];
    int count = 1; // entries 1 .. count-1 are filled
};
Twid tw;

// Reordering gather of the current length: destination pair r takes its real part from
// pair re[r] and its (negated) imaginary part from pair im[r].
struct Perm {
    uint16_t re[NMAX / 2], im[NMAX / 2];
    int m = 0;
};
Perm perm;

alignas(64) float scratch[NMAX];

inline v4 ld(const float *p) {
    v4 x;
    std::memcpy(&x, p, sizeof x);
    return x;
}
inline void st(float *p, v4 x) {
    std::memcpy(p, &x, sizeof x);
}
inline v4 bc(float x) {
    return v4{x, x, x, x};
}

int revbits(int i, int bits) {
    int r = 0;
    for (int b = 0; b < bits; b++) r = (r << 1) | ((i >> b) & 1);
    return r;
}

// Fills the twiddle table up to pair n - 1, with the cos and sin of the same double angle.
void twfill(int n) {
    for (int i = tw.count; i < n; i++) {
        double th = revbits(i, MMAX - 3) * 6.2831853071796 / NMAX;
        float h = static_cast<float>(std::cos(th)), m = static_cast<float>(std::sin(th));
        float o = h * h - m * m, t = 2 * h * m;
        tw.h[i] = h, tw.m[i] = m, tw.o[i] = o, tw.t[i] = t;
        tw.u[i] = h * o - m * t, tw.v[i] = m * o + h * t;
    }
    if (n > tw.count) tw.count = n;
}

// The reordering passes as one permutation: block reversal of the imaginary parts, then
// bit reversal of the pairs.
void permfill(int m) {
    int np = 1 << (m - 1);
    for (int r = 0; r < np; r++) {
        int s = revbits(r, m - 1);
        perm.re[r] = static_cast<uint16_t>(s);
        perm.im[r] = static_cast<uint16_t>(s < 2 ? s : s ^ (std::bit_floor(unsigned(s)) - 1));
    }
    perm.m = m;
}

// Group 0: sums and differences of the quarters.
template <class T> inline void bf0(T &g0, T &g1, T &g2, T &g3) {
    T s02 = g0 + g2, s13 = g1 + g3, d02 = g0 - g2, d13 = g1 - g3;
    g0 = s02 + s13, g1 = s02 - s13, g2 = d02, g3 = d13;
}

// Group 1: the 45-degree rotation.
template <class T> inline void bf1(T &g0, T &g1, T &g2, T &g3, T r) {
    T m1 = r * (g3 + g1), o1 = r * (g1 - g3);
    T n0 = g0 + o1, n1 = m1 - g2, n2 = g0 - o1, n3 = g2 + m1;
    g0 = n0, g1 = n1, g2 = n2, g3 = n3;
}

template <class T> struct Tw6 { T h, m, o, t, u, v; };

// A pair of groups (e, j) sharing one angle.
template <class T> inline void bfp(T *e, T *j, const Tw6<T> &w) {
    T H = w.u * e[3] - w.v * j[3], I = w.h * e[1] - w.m * j[1], K = w.o * e[2] - w.t * j[2];
    T M = w.u * j[3] + w.v * e[3], N = w.m * e[1] + w.h * j[1], P = w.t * e[2] + w.o * j[2];
    T hi = H + I, ek = e[0] + K, emk = e[0] - K, nm = N - M, mn = M + N, pj = P + j[0];
    T ih = I - H, jp = j[0] - P;
    e[0] = hi + ek, e[1] = mn - pj, e[2] = emk - nm, e[3] = ih - jp;
    j[0] = emk + nm, j[1] = ih + jp, j[2] = ek - hi, j[3] = mn + pj;
}

const float R45 = 0.70710678118655f;

// Group 0 or 1 of a stage of span a >= 4, four values of k at a time.
void grpv(float *g, int a, int one) {
    for (int k = 0; k < a; k += 4) {
        v4 q[4] = {ld(g + k), ld(g + a + k), ld(g + 2 * a + k), ld(g + 3 * a + k)};
        if (one)
            bf1(q[0], q[1], q[2], q[3], bc(R45));
        else
            bf0(q[0], q[1], q[2], q[3]);
        for (int c = 0; c < 4; c++) st(g + c * a + k, q[c]);
    }
}

// The pair (e, j) of pair number i in a stage of span a >= 4.
void pairv(float *p, int a, int i, int e, int j) {
    Tw6<v4> w{bc(tw.h[i]), bc(tw.m[i]), bc(tw.o[i]), bc(tw.t[i]), bc(tw.u[i]), bc(tw.v[i])};
    float *E = p + 4 * a * e, *J = p + 4 * a * j;
    for (int k = 0; k < a; k += 4) {
        v4 qe[4], qj[4];
        for (int c = 0; c < 4; c++) qe[c] = ld(E + c * a + k), qj[c] = ld(J + c * a + k);
        bfp(qe, qj, w);
        for (int c = 0; c < 4; c++) st(E + c * a + k, qe[c]), st(J + c * a + k, qj[c]);
    }
}

// One pair of groups of span 1 (four adjacent values each).
void pair1(float *p, int i, int e, int j) {
    Tw6<float> w{tw.h[i], tw.m[i], tw.o[i], tw.t[i], tw.u[i], tw.v[i]};
    bfp(p + 4 * e, p + 4 * j, w);
}

inline void tr4(v4 &a, v4 &b, v4 &c, v4 &d) {
    v4 t0 = __builtin_shufflevector(a, b, 0, 4, 1, 5),
       t1 = __builtin_shufflevector(a, b, 2, 6, 3, 7);
    v4 t2 = __builtin_shufflevector(c, d, 0, 4, 1, 5),
       t3 = __builtin_shufflevector(c, d, 2, 6, 3, 7);
    a = __builtin_shufflevector(t0, t2, 0, 1, 4, 5),
    b = __builtin_shufflevector(t0, t2, 2, 3, 6, 7);
    c = __builtin_shufflevector(t1, t3, 0, 1, 4, 5),
    d = __builtin_shufflevector(t1, t3, 2, 3, 6, 7);
}

// Pairs i .. i+3 of span 1, all in one block: e rises by 2 and j falls by 2 per pair, so the
// groups are transposed into vectors of the four pairs' quarters.
void pair1x4(float *p, int i, int e, int j) {
    Tw6<v4> w{ld(tw.h + i), ld(tw.m + i), ld(tw.o + i), ld(tw.t + i), ld(tw.u + i), ld(tw.v + i)};
    v4 qe[4], qj[4];
    for (int c = 0; c < 4; c++) qe[c] = ld(p + 4 * (e + 2 * c)), qj[c] = ld(p + 4 * (j - 2 * c));
    tr4(qe[0], qe[1], qe[2], qe[3]);
    tr4(qj[0], qj[1], qj[2], qj[3]);
    bfp(qe, qj, w);
    tr4(qe[0], qe[1], qe[2], qe[3]);
    tr4(qj[0], qj[1], qj[2], qj[3]);
    for (int c = 0; c < 4; c++) st(p + 4 * (e + 2 * c), qe[c]), st(p + 4 * (j - 2 * c), qj[c]);
}

// The last stage (span 1, d = n): groups of four adjacent values.
void stage1(float *p, int d) {
    bf0(p[0], p[1], p[2], p[3]);
    if (d > 4) bf1(p[4], p[5], p[6], p[7], R45);
    int np = d / 8; // pairs are i = 1 .. np-1
    for (int b = 1, i = 1; i < np; b++) {
        for (int end = 1 << b; i < end; i++) {
            if (i % 4 == 0 && i + 4 <= end) {
                pair1x4(p, i, 2 * i, 3 * (1 << b) - 1 - 2 * i);
                i += 3;
            } else
                pair1(p, i, 2 * i, 3 * (1 << b) - 1 - 2 * i);
        }
    }
}

// A radix-4 stage of d / 4 groups of span a >= 4.
void stagev(float *p, int d, int a) {
    grpv(p, a, 0);
    if (d > 4) grpv(p + 4 * a, a, 1);
    int np = d / 8;
    for (int b = 1, i = 1; i < np; b++)
        for (int end = 1 << b; i < end; i++) pairv(p, a, i, 2 * i, 3 * (1 << b) - 1 - 2 * i);
}

// The first stage of odd powers of two: sums and differences of the two halves.
void stage2(float *p, int n) {
    int h = n / 2;
    if (h < 4) {
        for (int k = 0; k < h; k++) {
            float a = p[k], b = p[k + h];
            p[k] = a + b, p[k + h] = a - b;
        }
        return;
    }
    for (int k = 0; k < h; k += 4) {
        v4 a = ld(p + k), b = ld(p + h + k);
        st(p + k, a + b), st(p + h + k, a - b);
    }
}

// The three reordering passes as one gather through the scratch buffer.
void reorder(float *p, int m) {
    int np = 1 << (m - 1);
    if (perm.m != m) permfill(m);
    for (int r = 1; r < np; r++) {
        scratch[2 * r] = p[2 * perm.re[r]];
        scratch[2 * r + 1] = -p[2 * perm.im[r] + 1];
    }
    std::memcpy(p + 2, scratch + 2, (2 * np - 2) * sizeof(float));
}

} // namespace

int rfft(float *x, int n) {
    if (n < 2 || n > NMAX || !std::has_single_bit(unsigned(n))) return 1;
    int m = std::countr_zero(unsigned(n)), f0 = 1;
    if (m % 2) stage2(x, n), f0 = 2;
    twfill(n / 8);
    for (int s = 1; s <= m / 2; s++) {
        int d = f0 << (2 * s), a = n / d;
        if (a == 1)
            stage1(x, d);
        else
            stagev(x, d, a);
    }
    reorder(x, m);
    return 0;
}

void rfftunp(float *x, int n) {
    x[n] = x[1];
    x[1] = 0;
    x[n + 1] = 0;
}
