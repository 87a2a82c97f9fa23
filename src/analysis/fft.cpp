// Real-input FFT: an optional radix-2 stage, radix-4 stages, then reordering into the packed
// layout. Every value is rounded to float exactly as the plain stage-by-stage form rounds it, so
// the spectra (and the gray levels drawn from them) do not depend on the speed-ups: twiddles are
// cached, four or eight values go through each operation at once, and the three reordering
// passes are one blocked bit reversal. The stages work in static scratch buffers, so it is not
// reentrant.
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

// Bit reversal of 14-bit pair numbers; shifted right, it serves every shorter length.
uint16_t rev14[NMAX / 2];
bool revready = false;

alignas(64) float scratch[NMAX];
alignas(64) float planes[NMAX + 4]; // real parts, then imaginary parts (one spare at the end)

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

void revfill() {
    for (int r = 0; r < NMAX / 2; r++) rev14[r] = static_cast<uint16_t>(revbits(r, MMAX - 1));
    revready = true;
}

// Group 0: sums and differences of the quarters.
template <class T> inline __attribute__((always_inline)) void bf0(T &g0, T &g1, T &g2, T &g3) {
    T s02 = g0 + g2, s13 = g1 + g3, d02 = g0 - g2, d13 = g1 - g3;
    g0 = s02 + s13, g1 = s02 - s13, g2 = d02, g3 = d13;
}

// Group 1: the 45-degree rotation.
template <class T>
inline __attribute__((always_inline)) void bf1(T &g0, T &g1, T &g2, T &g3, const T &r) {
    T m1 = r * (g3 + g1), o1 = r * (g1 - g3);
    T n0 = g0 + o1, n1 = m1 - g2, n2 = g0 - o1, n3 = g2 + m1;
    g0 = n0, g1 = n1, g2 = n2, g3 = n3;
}

template <class T> struct Tw6 { T h, m, o, t, u, v; };

// A pair of groups (e, j) sharing one angle.
template <class T>
inline __attribute__((always_inline)) void bfp(T &e0, T &e1, T &e2, T &e3, T &j0, T &j1, T &j2,
                                               T &j3, const Tw6<T> &w) {
    T H = w.u * e3 - w.v * j3, I = w.h * e1 - w.m * j1, K = w.o * e2 - w.t * j2;
    T M = w.u * j3 + w.v * e3, N = w.m * e1 + w.h * j1, P = w.t * e2 + w.o * j2;
    T hi = H + I, ek = e0 + K, emk = e0 - K, nm = N - M, mn = M + N, pj = P + j0;
    T ih = I - H, jp = j0 - P;
    e0 = hi + ek, e1 = mn - pj, e2 = emk - nm, e3 = ih - jp;
    j0 = emk + nm, j1 = ih + jp, j2 = ek - hi, j3 = mn + pj;
}

const float R45 = 0.70710678118655f;

// The stages of span a >= 4 hold a values of k in each quarter and treat them alike: W at a
// time, in vectors of W floats (8 where the span allows it and the processor has the wide
// vector unit, else 4). The same operations on the same values in the same order: the same
// floats.
template <class V> constexpr int W = sizeof(V) / sizeof(float);
// Wide vectors pass through these only inlined, so no call's convention is at stake.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpsabi"
template <class V> inline __attribute__((always_inline)) V ldw(const float *p) {
    V x;
    std::memcpy(&x, p, sizeof x);
    return x;
}
template <class V> inline __attribute__((always_inline)) void stw(float *p, const V &x) {
    std::memcpy(p, &x, sizeof x);
}

// Group 0 of a stage of span a, from src to dst (which may be the same).
template <class V>
inline __attribute__((always_inline)) void grp0w(const float *src, float *dst, int a) {
    for (int k = 0; k < a; k += W<V>) {
        V q0 = ldw<V>(src + k), q1 = ldw<V>(src + a + k), q2 = ldw<V>(src + 2 * a + k);
        V q3 = ldw<V>(src + 3 * a + k);
        bf0(q0, q1, q2, q3);
        stw(dst + k, q0), stw(dst + a + k, q1), stw(dst + 2 * a + k, q2), stw(dst + 3 * a + k, q3);
    }
}

// Group 1 (the 45-degree group) of a stage of span a.
template <class V> inline __attribute__((always_inline)) void grp1w(float *g, int a) {
    float *g1 = g + a, *g2 = g + 2 * a, *g3 = g + 3 * a;
    const V r = V{} + R45;
    for (int k = 0; k < a; k += W<V>) {
        V q0 = ldw<V>(g + k), q1 = ldw<V>(g1 + k), q2 = ldw<V>(g2 + k), q3 = ldw<V>(g3 + k);
        bf1(q0, q1, q2, q3, r);
        stw(g + k, q0), stw(g1 + k, q1), stw(g2 + k, q2), stw(g3 + k, q3);
    }
}

// The pair (e, j) of pair number i in a stage of span a.
template <class V>
inline __attribute__((always_inline)) void pairw(float *p, int a, int i, int e, int j) {
    Tw6<V> w{V{} + tw.h[i], V{} + tw.m[i], V{} + tw.o[i],
             V{} + tw.t[i], V{} + tw.u[i], V{} + tw.v[i]};
    float *E = p + 4 * a * e, *J = p + 4 * a * j;
    for (int k = 0; k < a; k += W<V>) {
        V e0 = ldw<V>(E + k), e1 = ldw<V>(E + a + k), e2 = ldw<V>(E + 2 * a + k);
        V e3 = ldw<V>(E + 3 * a + k), j0 = ldw<V>(J + k), j1 = ldw<V>(J + a + k);
        V j2 = ldw<V>(J + 2 * a + k), j3 = ldw<V>(J + 3 * a + k);
        bfp(e0, e1, e2, e3, j0, j1, j2, j3, w);
        stw(E + k, e0), stw(E + a + k, e1), stw(E + 2 * a + k, e2), stw(E + 3 * a + k, e3);
        stw(J + k, j0), stw(J + a + k, j1), stw(J + 2 * a + k, j2), stw(J + 3 * a + k, j3);
    }
}

typedef float v8 __attribute__((vector_size(32)));

// Group 0 alone: the first stage of even powers of two.
__attribute__((target_clones("avx2", "default"))) void grp0v(const float *src, float *dst, int a) {
    a % 8 ? grp0w<v4>(src, dst, a) : grp0w<v8>(src, dst, a);
}

// A radix-4 stage of d / 4 groups of span a >= 4.
__attribute__((target_clones("avx2", "default"))) void stagev(float *p, int d, int a) {
    const bool wide = a % 8 == 0;
    wide ? grp0w<v8>(p, p, a) : grp0w<v4>(p, p, a);
    if (d > 4) wide ? grp1w<v8>(p + 4 * a, a) : grp1w<v4>(p + 4 * a, a);
    int np = d / 8;
    for (int b = 1, i = 1; i < np; b++)
        for (int end = 1 << b; i < end; i++) {
            const int e = 2 * i, j = 3 * (1 << b) - 1 - 2 * i;
            wide ? pairw<v8>(p, a, i, e, j) : pairw<v4>(p, a, i, e, j);
        }
}
#pragma GCC diagnostic pop

// One pair of groups of span 1 (four adjacent values each).
void pair1(float *p, int i, int e, int j) {
    Tw6<float> w{tw.h[i], tw.m[i], tw.o[i], tw.t[i], tw.u[i], tw.v[i]};
    float *E = p + 4 * e, *J = p + 4 * j;
    bfp(E[0], E[1], E[2], E[3], J[0], J[1], J[2], J[3], w);
}

inline __attribute__((always_inline)) void tr4(v4 &a, v4 &b, v4 &c, v4 &d) {
    v4 t0 = __builtin_shufflevector(a, b, 0, 4, 1, 5);
    v4 t1 = __builtin_shufflevector(a, b, 2, 6, 3, 7);
    v4 t2 = __builtin_shufflevector(c, d, 0, 4, 1, 5);
    v4 t3 = __builtin_shufflevector(c, d, 2, 6, 3, 7);
    a = __builtin_shufflevector(t0, t2, 0, 1, 4, 5);
    b = __builtin_shufflevector(t0, t2, 2, 3, 6, 7);
    c = __builtin_shufflevector(t1, t3, 0, 1, 4, 5);
    d = __builtin_shufflevector(t1, t3, 2, 3, 6, 7);
}

// Real and imaginary parts of four pairs held in two vectors.
inline v4 evens(v4 a, v4 b) {
    return __builtin_shufflevector(a, b, 0, 2, 4, 6);
}
inline v4 odds(v4 a, v4 b) {
    return __builtin_shufflevector(a, b, 1, 3, 5, 7);
}

// Pairs i .. i+3 of span 1, all in one block: e rises by 2 and j falls by 2 per pair, so the
// groups are transposed into vectors of the four pairs' quarters.
void pair1x4(float *p, int i, int e, int j) {
    Tw6<v4> w{ld(tw.h + i), ld(tw.m + i), ld(tw.o + i), ld(tw.t + i), ld(tw.u + i), ld(tw.v + i)};
    float *E = p + 4 * e, *J = p + 4 * j;
    v4 e0 = ld(E), e1 = ld(E + 8), e2 = ld(E + 16), e3 = ld(E + 24);
    v4 j0 = ld(J), j1 = ld(J - 8), j2 = ld(J - 16), j3 = ld(J - 24);
    tr4(e0, e1, e2, e3);
    tr4(j0, j1, j2, j3);
    bfp(e0, e1, e2, e3, j0, j1, j2, j3, w);
    tr4(e0, e1, e2, e3);
    tr4(j0, j1, j2, j3);
    st(E, e0), st(E + 8, e1), st(E + 16, e2), st(E + 24, e3);
    st(J, j0), st(J - 8, j1), st(J - 16, j2), st(J - 24, j3);
}

// The last stage (span 1, d = n): groups of four adjacent values.
__attribute__((target_clones("avx2", "default"))) void lastspan1(float *p, int d) {
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

// The first stage of odd powers of two: sums and differences of the two halves (n >= 8).
__attribute__((target_clones("avx2", "default"))) void radix2(const float *src, float *dst, int n) {
    const int h = n / 2;
    for (int k = 0; k < h; k += 4) {
        v4 a = ld(src + k), b = ld(src + h + k);
        st(dst + k, a + b), st(dst + h + k, a - b);
    }
}

// The three reordering passes in one: pair r takes its real part from pair rev(r) and its
// imaginary part, negated, from pair rev(n/2 - r) (the block reversal of the imaginary parts,
// seen through the bit reversal, maps r to n/2 - r); x[0] and x[1] stay. For short lengths.
void reorder(const float *w, float *x, int m) {
    int np = 1 << (m - 1), sh = MMAX - m;
    x[0] = w[0], x[1] = w[1];
    for (int r = 1; r < np; r++) {
        int s = rev14[r] >> sh;
        x[2 * r] = w[2 * s];
        x[2 * (np - r) + 1] = -w[2 * s + 1];
    }
}

// One block of the bit reversal into planes below: the 16 pairs (c, M, t) of the quarters c,
// with middle bits M = rev(mid), go to (rev(t), mid, rev(c)), a 4 x 4 transpose.
inline __attribute__((always_inline)) void revblock(const float *w, float *re, float *im, int q,
                                                    int mid, int sh) {
    int o = 8 * (rev14[mid] >> sh);
    const float *w1 = w + 2 * q, *w2 = w + 4 * q, *w3 = w + 6 * q;
    v4 a0 = ld(w + o), b0 = ld(w + o + 4), a1 = ld(w1 + o), b1 = ld(w1 + o + 4);
    v4 a2 = ld(w2 + o), b2 = ld(w2 + o + 4), a3 = ld(w3 + o), b3 = ld(w3 + o + 4);
    v4 r0 = evens(a0, b0), r1 = evens(a1, b1), r2 = evens(a2, b2), r3 = evens(a3, b3);
    v4 i0 = odds(a0, b0), i1 = odds(a1, b1), i2 = odds(a2, b2), i3 = odds(a3, b3);
    // Rows in the order 0, 2, 1, 3 make column t the destination row rev(t), in order.
    tr4(r0, r2, r1, r3);
    tr4(i0, i2, i1, i3);
    float *dr = re + 4 * mid, *di = im + 4 * mid;
    st(dr, r0), st(dr + q, r1), st(dr + 2 * q, r2), st(dr + 3 * q, r3);
    st(di, -i0), st(di + q, -i1), st(di + 2 * q, -i2), st(di + 3 * q, -i3);
}

// Bit reversal of the np = 2^L pairs of w (L >= 4) into two planes, re[r] = w_re[rev(r)] and
// im[r] = -w_im[rev(r)]. Blocks mid and mid + half read the two halves of the same cache lines,
// so they go together.
__attribute__((target_clones("avx2", "default"))) void revplanes(const float *w, float *re,
                                                                 float *im, int L) {
    int q = 1 << (L - 2), sh = MMAX - 1 - (L - 4), nmid = 1 << (L - 4);
    if (nmid == 1) return revblock(w, re, im, q, 0, sh);
    for (int mid = 0; mid < nmid / 2; mid++) {
        revblock(w, re, im, q, mid, sh);
        revblock(w, re, im, q, mid + nmid / 2, sh);
    }
}

// Interleaves the planes into the packed layout: x[2r] = re[r], x[2r + 1] = im[np - r].
__attribute__((target_clones("avx2", "default"))) void interleave(const float *re, const float *im,
                                                                  float *x, int np) {
    for (int r = 0; r < np; r += 4) {
        v4 a = ld(re + r), b = ld(im + np - r - 3);
        b = __builtin_shufflevector(b, b, 3, 2, 1, 0);
        st(x + 2 * r, __builtin_shufflevector(a, b, 0, 4, 1, 5));
        st(x + 2 * r + 4, __builtin_shufflevector(a, b, 2, 6, 3, 7));
    }
    x[1] = -im[0]; // the real X_(n/2), not negated
}

// Lengths 2 and 4: one stage each, in place.
void rfftsmall(float *p, int n) {
    if (n == 2) {
        float a = p[0], b = p[1];
        p[0] = a + b, p[1] = a - b;
        return;
    }
    bf0(p[0], p[1], p[2], p[3]);
    p[3] = -p[3];
}

} // namespace

// The first stage moves the data into the scratch buffer, the others work there in place,
// and the reordering brings it back.
int rfft(float *x, int n) {
    if (n < 2 || n > NMAX || (n & (n - 1)) != 0)
        return 1; // a power of two, without a popcount call
    if (n <= 4) return rfftsmall(x, n), 0;
    int m = std::countr_zero(unsigned(n)), f0 = m % 2 ? 2 : 1;
    float *w = scratch;
    if (f0 == 2)
        radix2(x, w, n);
    else
        grp0v(x, w, n / 4); // the first radix-4 stage, d = 4, is group 0 alone
    twfill(n / 8);
    for (int s = f0 == 2 ? 1 : 2; s <= m / 2; s++) {
        int d = f0 << (2 * s), a = n / d;
        if (a == 1)
            lastspan1(w, d);
        else
            stagev(w, d, a);
    }
    if (!revready) revfill();
    if (m < 5)
        reorder(w, x, m);
    else
        revplanes(w, planes, planes + n / 2, m - 1), interleave(planes, planes + n / 2, x, n / 2);
    return 0;
}

void rfftunp(float *x, int n) {
    x[n] = x[1];
    x[1] = 0;
    x[n + 1] = 0;
}
