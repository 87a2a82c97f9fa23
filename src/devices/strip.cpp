// Image-strip sampling of gray lines for the file devices that draw them as small images.
// The position mapping is continuous over 0..1 (0 maps to value 0); the interpolation holds
// the last value from position n - 1 on, so nothing past the n values is ever read.
#include "devices/strip.h"

#include <algorithm>

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

// Darkness at fractional index p: linear between neighbouring values, clamped to the ends.
static double darkat(double p, int n, const uint8_t *data) {
    if (!(p > 0)) return data[0];
    if (p >= n - 1) return data[n - 1];
    int k = static_cast<int>(p);
    return data[k] * (1 - (p - k)) + data[k + 1] * (p - k);
}

int stripdark(int m, int f, int n, const uint8_t *data, const float *P) {
    if (n <= 0 || f <= 0) return 0;
    double x0 = 0, x1 = 0, x2 = 0; // a single cell sits at position 0
    if (f > 1) {
        double d = f - 1;
        x0 = m / d;
        x1 = (m + 1) / d;
        x2 = (m + 0.5) / d;
    }
    double v0 = darkat(grayidx(x0, n, P), n, data);
    double v1 = darkat(grayidx(x1, n, P), n, data);
    double v2 = darkat(grayidx(x2, n, P), n, data);
    return static_cast<int>((v0 + v1 + v2) / 3 + 0.5);
}

void stripcolour(int g, int *red, int *green, int *blue) {
    *red = g >= 128 ? 2 * g - 256 : 0;
    *blue = g < 128 ? 255 - 2 * g : 0;
    *green = 255 - *red - *blue;
}
