// Image-strip sampling of gray lines for the file devices that draw them as small images.
// The position mapping is continuous over 0..1 (0 maps to value 0); the interpolation holds
// the last value from position n - 1 on, so nothing past the n values is ever read.
// Every strip of a plot has the same cell count, value count and positions, so the value
// pairs and weights of its sample points are kept and only the values change per strip.
#include "devices/strip.h"

#include <algorithm>
#include <cstring>
#include <vector>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

double grayidx(double x, int n, const float *P) {
    if (n <= 0) return x * -0.5;
    // smallest i in 1..n with P[i] > x; P ascends, so a binary search finds the same i
    const float *hit =
        std::upper_bound(P + 1, P + n + 1, x, [](double v, float e) { return v < e; });
    int i = static_cast<int>(hit - P);
    if (i > n) return x * (n - 0.5);
    double diff = static_cast<double>(P[i]) - P[i - 1];
    double frac = diff > 0 ? (x - P[i - 1]) / diff : 0.0;
    return (n - 0.5) * ((i - 1) + frac) / n;
}

int stripcells(int w, int n, int res) {
    if (res <= 0) res = 1;
    int f = static_cast<int>((w / res) * 100.0 + 0.5);
    if (f < n) f = n;
    if (f > w / 2) f = w;
    return f;
}

namespace {

// The 2f + 1 sample points of f cells (start of cell m at 2m, its middle at 2m + 1, its end
// at 2m + 2): the darkness there is data[lo] * wlo + data[hi] * whi, the linear
// interpolation at the point's fractional index, a clamped end as one value of weight 1.
struct Point {
    int lo, hi;
    double wlo, whi;
};
struct StripPlan {
    int f = -1, n = -1;
    std::vector<float> P; // the positions the plan was made for
    std::vector<Point> pt;
    std::vector<std::pair<int, int>> span; // the least and greatest value index each cell reads
    // When both ends of the spans rise with the cell: the cells inside values a..b are
    // from[a] .. upto[b] - 1 (from[i]: the first cell reading nothing below i; upto[i]: the
    // first cell reading something above i).
    bool rising = false;
    std::vector<int> from, upto;
};
StripPlan plan;

// Sample point j of the plan at fractional index p.
void planpoint(int j, double p, int n) {
    int k = !(p > 0) ? 0 : p >= n - 1 ? n - 1 : static_cast<int>(p);
    plan.pt[j] = p > 0 && p < n - 1 ? Point{k, k + 1, 1 - (p - k), p - k} : Point{k, k, 1, 0};
}

// Makes the plan for f cells over n values at positions P, unless it is the one in hand.
void makeplan(int f, int n, const float *P) {
    // the same bytes are the same positions (a NaN or -0 that differs only makes a new plan)
    if (plan.f == f && plan.n == n &&
        std::memcmp(plan.P.data(), P, plan.P.size() * sizeof(float)) == 0)
        return;
    plan.f = f, plan.n = n;
    plan.P.assign(P, P + n + 1);
    size_t pts = 2 * static_cast<size_t>(f) + 1;
    plan.pt.resize(pts);
    double d = f - 1;
    for (int m = 0; m < f; m++) {
        // a single cell sits at position 0
        double x0 = f > 1 ? m / d : 0, x2 = f > 1 ? (m + 0.5) / d : 0;
        planpoint(2 * m, grayidx(x0, n, P), n);
        planpoint(2 * m + 1, grayidx(x2, n, P), n);
    }
    planpoint(2 * f, grayidx(f > 1 ? f / d : 0, n, P), n);
    plan.span.resize(f);
    for (int m = 0; m < f; m++) {
        const Point *q = &plan.pt[2 * m];
        plan.span[m] = {std::min({q[0].lo, q[1].lo, q[2].lo}),
                        std::max({q[0].hi, q[1].hi, q[2].hi})};
    }
    plan.rising = true;
    for (int m = 1; m < f; m++)
        if (plan.span[m].first < plan.span[m - 1].first ||
            plan.span[m].second < plan.span[m - 1].second)
            plan.rising = false;
    plan.from.resize(n + 1), plan.upto.resize(n + 1);
    for (int i = 0, m = 0, u = 0; i <= n; i++) {
        while (m < f && plan.span[m].first < i) m++;
        while (u < f && plan.span[u].second <= i) u++;
        plan.from[i] = m, plan.upto[i] = u;
    }
}

// Bit i of eq (i < n - 1): values i and i + 1 are equal. Sixteen compared at once where the
// processor can.
void equalnext(const uint8_t *v, int n, std::vector<uint64_t> &eq) {
    eq.assign(static_cast<size_t>(n + 63) / 64 + 1, 0);
    int i = 0;
#ifdef __SSE2__
    for (; i + 16 < n; i += 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i *>(v + i)),
                      b = _mm_loadu_si128(reinterpret_cast<const __m128i *>(v + i + 1));
        const uint64_t bits = static_cast<uint16_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(a, b)));
        eq[i / 64] |= bits << (i % 64);
    }
#endif
    for (; i + 1 < n; i++) eq[i / 64] |= uint64_t{v[i] == v[i + 1]} << (i % 64);
}

// The first i in from .. end - 1 whose bit in eq is `want`, or end.
int nextbit(const std::vector<uint64_t> &eq, int from, int end, int want) {
    for (int i = from; i < end;) {
        uint64_t w = eq[i / 64] ^ (want ? 0 : ~uint64_t{0});
        w &= ~uint64_t{0} << (i % 64);
        if (w) return std::min(i / 64 * 64 + __builtin_ctzll(w), end);
        i = (i / 64 + 1) * 64;
    }
    return end;
}

} // namespace

void stripfill(int f, int n, const uint8_t *data, const float *P, uint8_t *dark) {
    if (f <= 0) return;
    if (n <= 0) {
        std::memset(dark, 0, f);
        return;
    }
    makeplan(f, n, P);
    const Point *pt = plan.pt.data();
    auto at = [data](const Point &q) { return data[q.lo] * q.wlo + data[q.hi] * q.whi; };
    double v0 = 0;
    bool held = false; // v0 holds cell m's start, the end of cell m - 1
    auto mean = [&](int m) {
        if (!held) v0 = at(pt[2 * m]);
        double v2 = at(pt[2 * m + 1]), v1 = at(pt[2 * m + 2]);
        dark[m] = static_cast<uint8_t>(static_cast<int>((v0 + v1 + v2) / 3 + 0.5));
        v0 = v1;
        held = true;
    };
    // A cell whose points all read one value d takes d: the weights of each point sum to 1
    // within a few ulps, so the mean is d within 1e-12, and d + 0.5 + that truncates to d.
    if (plan.rising) {
        // the cells inside each run of two or more equal values at once, the cells between
        // one by one (a cell reading one value alone is the mean as well)
        static std::vector<uint64_t> eq;
        equalnext(data, n, eq);
        int m = 0;
        for (int a = nextbit(eq, 0, n - 1, 1), b; a < n - 1; a = nextbit(eq, b, n - 1, 1)) {
            b = nextbit(eq, a, n - 1, 0); // values a .. b are equal
            const int m0 = std::max(plan.from[a], m), m1 = plan.upto[b];
            if (m1 <= m0) continue;
            for (; m < m0; m++) mean(m);
            std::memset(dark + m0, data[a], m1 - m0);
            m = m1, held = false;
        }
        for (; m < f; m++) mean(m);
        return;
    }
    static std::vector<int> same;
    same.resize(n);
    runends(data, n, same.data());
    for (int m = 0; m < f; m++) {
        const auto [lo, hi] = plan.span[m];
        if (same[lo] >= hi) {
            dark[m] = data[lo];
            held = false;
        } else {
            mean(m);
        }
    }
}

void runends(const uint8_t *v, int n, int *last) {
    if (n <= 0) return;
    last[n - 1] = n - 1;
    for (int i = n - 2; i >= 0; i--) last[i] = v[i] == v[i + 1] ? last[i + 1] : i;
}

void stripcolour(int g, int *red, int *green, int *blue) {
    *red = g >= 128 ? 2 * g - 256 : 0;
    *blue = g < 128 ? 255 - 2 * g : 0;
    *green = 255 - *red - *blue;
}
