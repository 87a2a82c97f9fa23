// The real-input FFT: bit for bit equal to the plain stage-by-stage arithmetic kept below, close
// to a double-precision DFT, the packed and unpacked layouts, and refusal of other lengths.
#include "analysis/fft.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <complex>
#include <cstring>
#include <numbers>
#include <random>
#include <vector>

// Every product and sum rounds on its own, as in the transform itself.
#if defined(__clang__)
#pragma clang fp contract(off)
#elif defined(__GNUC__)
#pragma GCC optimize("fp-contract=off")
#endif

namespace {

int bitrev(int i, int bits) {
    int r = 0;
    for (int b = 0; b < bits; b++) r = (r << 1) | ((i >> b) & 1);
    return r;
}

// The transform written out stage by stage, one value at a time, twiddles from cos and sin at
// every pair: the arithmetic the fast transform must reproduce exactly.
void plaingroup0(float *g, int a) {
    for (int k = 0; k < a; k++) {
        float g0 = g[k], g1 = g[a + k], g2 = g[2 * a + k], g3 = g[3 * a + k];
        g[k] = (g0 + g2) + (g1 + g3), g[a + k] = (g0 + g2) - (g1 + g3);
        g[2 * a + k] = g0 - g2, g[3 * a + k] = g1 - g3;
    }
}

void plaingroup1(float *g, int a) {
    const float r = 0.70710678118655f;
    for (int k = 0; k < a; k++) {
        float g0 = g[k], g1 = g[a + k], g2 = g[2 * a + k], g3 = g[3 * a + k];
        float m1 = r * (g3 + g1), o1 = r * (g1 - g3);
        g[3 * a + k] = g2 + m1, g[a + k] = m1 - g2, g[2 * a + k] = g0 - o1, g[k] = g0 + o1;
    }
}

void plainpair(float *E, float *J, int a, double theta) {
    float h = static_cast<float>(std::cos(theta)), m = static_cast<float>(std::sin(theta));
    float o = h * h - m * m, t = 2 * h * m, u = h * o - m * t, v = m * o + h * t;
    for (int k = 0; k < a; k++) {
        float e0 = E[k], e1 = E[a + k], e2 = E[2 * a + k], e3 = E[3 * a + k];
        float j0 = J[k], j1 = J[a + k], j2 = J[2 * a + k], j3 = J[3 * a + k];
        float H = u * e3 - v * j3, I = h * e1 - m * j1, K = o * e2 - t * j2;
        float M = u * j3 + v * e3, N = m * e1 + h * j1, P = t * e2 + o * j2;
        E[k] = (H + I) + (e0 + K), E[a + k] = (M + N) - (P + j0);
        E[2 * a + k] = (e0 - K) - (N - M), E[3 * a + k] = (I - H) - (j0 - P);
        J[k] = (e0 - K) + (N - M), J[a + k] = (I - H) + (j0 - P);
        J[2 * a + k] = (e0 + K) - (H + I), J[3 * a + k] = (M + N) + (P + j0);
    }
}

void plainorder(float *p, int n, int m) {
    for (int b = 1; (1 << b) < n / 2; b++)
        for (int lo = 1 << b, hi = (2 << b) - 1; lo < hi; lo++, hi--)
            std::swap(p[2 * lo + 1], p[2 * hi + 1]);
    for (int r = 0; r < n / 2; r++) {
        int q = bitrev(r, m - 1);
        if (r < q) std::swap(p[2 * r], p[2 * q]), std::swap(p[2 * r + 1], p[2 * q + 1]);
    }
    for (int r = 1; r < n / 2; r++) p[2 * r + 1] = -p[2 * r + 1];
}

void plainfft(float *p, int n) {
    int m = 0;
    while ((1 << m) < n) m++;
    int f0 = 1;
    if (m % 2) {
        for (int k = 0; k < n / 2; k++) {
            float a = p[k], b = p[k + n / 2];
            p[k] = a + b, p[k + n / 2] = a - b;
        }
        f0 = 2;
    }
    for (int s = 1; s <= m / 2; s++) {
        int d = f0 << (2 * s), a = n / d, q = 0;
        while ((1 << q) < d / 4) q++;
        plaingroup0(p, a);
        if (d > 4) plaingroup1(p + 4 * a, a);
        // Pairs: in each block 2^b .. 2^(b+1) - 1 of groups, evens upward with odds downward.
        std::vector<int> es, js;
        for (int lo = 2; lo < d / 4; lo *= 2)
            for (int e = lo, j = 2 * lo - 1; e < 2 * lo; e += 2, j -= 2)
                es.push_back(e), js.push_back(j);
        ASSERT_EQ(int(es.size()), (d / 4 + 1) / 2 - 1);
        for (int i = 1; i <= (d / 4 + 1) / 2 - 1; i++) {
            double theta = bitrev(i, q - 1) * 6.2831853071796 / d;
            plainpair(p + 4 * a * es[i - 1], p + 4 * a * js[i - 1], a, theta);
        }
    }
    plainorder(p, n, m);
}

std::vector<float> noise(int n, float scale, unsigned seed) {
    std::mt19937 gen(seed);
    std::uniform_real_distribution<float> u(-scale, scale);
    std::vector<float> x(n + 2);
    for (int i = 0; i < n; i++) x[i] = u(gen);
    return x;
}

// X_0 .. X_(n/2) of real x in double.
std::vector<std::complex<double>> dft(const std::vector<float> &x, int n) {
    std::vector<double> c(n), s(n);
    for (int i = 0; i < n; i++)
        c[i] = std::cos(2 * std::numbers::pi * i / n),
        s[i] = std::sin(2 * std::numbers::pi * i / n);
    std::vector<std::complex<double>> X(n / 2 + 1);
    for (int k = 0; k <= n / 2; k++) {
        double re = 0, im = 0;
        for (int j = 0, jk = 0; j < n; j++, jk = (jk + k) & (n - 1))
            re += x[j] * c[jk], im -= x[j] * s[jk];
        X[k] = {re, im};
    }
    return X;
}

} // namespace

TEST(Rfft, EqualsThePlainStageOrderBitForBit) {
    struct Case {
        float scale;
        unsigned seed;
    } cases[] = {{1.0f, 1}, {32768.0f, 2}, {1e-3f, 3}, {1e6f, 4}};
    for (int pass = 0; pass < 2; pass++)
        for (const Case &c : cases)
            for (int n = 2; n <= 32768; n *= 2) {
                std::vector<float> fast = noise(n, c.scale, c.seed + n), plain = fast;
                ASSERT_EQ(rfft(fast.data(), n), 0) << n;
                plainfft(plain.data(), n);
                ASSERT_EQ(std::memcmp(fast.data(), plain.data(), n * sizeof(float)), 0)
                    << "n " << n << " scale " << c.scale;
            }
}

TEST(Rfft, UnpackedResultMatchesDoubleDft) {
    for (int n = 8; n <= 8192; n *= 2) {
        std::vector<float> x = noise(n, 1.0f, 100 + n), p = x;
        double norm = 0;
        for (int i = 0; i < n; i++) norm += double(x[i]) * x[i];
        ASSERT_EQ(rfft(p.data(), n), 0);
        rfftunp(p.data(), n);
        EXPECT_EQ(p[1], 0.0f);
        EXPECT_EQ(p[n + 1], 0.0f);
        std::vector<std::complex<double>> X = dft(x, n);
        // Rounding error of a float FFT grows with log2 n and the signal's norm.
        double tol = 2 * FLT_EPSILON * std::log2(n) * std::sqrt(norm), worst = 0;
        for (int k = 0; k <= n / 2; k++)
            worst = std::max(worst, std::abs(std::complex<double>(p[2 * k], p[2 * k + 1]) - X[k]));
        EXPECT_LT(worst, tol) << "n " << n;
    }
}

TEST(Rfft, PackedLayoutOfKnownSignals) {
    for (int n = 8; n <= 8192; n *= 2) {
        std::vector<float> imp(n, 0.0f), cs(n);
        imp[0] = 1.0f;
        for (int j = 0; j < n; j++)
            cs[j] = static_cast<float>(std::cos(2 * std::numbers::pi * 3 * j / n));
        ASSERT_EQ(rfft(imp.data(), n), 0);
        ASSERT_EQ(rfft(cs.data(), n), 0);
        for (int i = 0; i < n; i++) {
            // Impulse: every X_k is 1. Cosine at bin 3: only the real part of X_3, n / 2.
            EXPECT_NEAR(imp[i], i < 2 || i % 2 == 0 ? 1.0 : 0.0, 1e-6) << "n " << n << " i " << i;
            EXPECT_NEAR(cs[i], i == 6 ? n / 2.0 : 0.0, 1e-6 * n) << "n " << n << " i " << i;
        }
    }
}

// A ramp x_j = j + 1 has X_0 = n(n + 1)/2, X_(n/2) = -n/2, X_k = -n/2 + i n/2 cot(pi k / n):
// n = 8 runs the radix-2 stage and the 45-degree group, n = 16 the pair (2, 3) at pi / 8.
TEST(Rfft, RampAtTheSmallestStageShapes) {
    for (int n : {8, 16}) {
        std::vector<float> p(n);
        for (int j = 0; j < n; j++) p[j] = j + 1.0f;
        ASSERT_EQ(rfft(p.data(), n), 0);
        EXPECT_NEAR(p[0], n * (n + 1) / 2.0, 1e-5);
        EXPECT_NEAR(p[1], -n / 2.0, 1e-5);
        for (int k = 1; k < n / 2; k++) {
            EXPECT_NEAR(p[2 * k], -n / 2.0, 1e-5) << "n " << n << " k " << k;
            EXPECT_NEAR(p[2 * k + 1], n / 2.0 / std::tan(std::numbers::pi * k / n), 1e-5)
                << "n " << n << " k " << k;
        }
    }
}

TEST(Rfft, RefusesOtherLengthsAndLeavesDataAlone) {
    for (int n : {12, 65536, 0, 1, 3, 6, 100, -8, 131072}) {
        std::vector<float> p = noise(65536, 1.0f, 7), before = p;
        EXPECT_EQ(rfft(p.data(), n), 1) << n;
        EXPECT_EQ(p, before) << n;
    }
}
