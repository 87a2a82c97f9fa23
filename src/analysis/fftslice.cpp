// FFT speech spectrograph slices. Every fftskp-th slice analyses the sample window (FFT
// power, or the all-pole model spectrum when nlpc > 0), maps the displayed bins to gray
// with a gain between the waveform's level and the slice's own, and adds one gray line.
#include "analysis/fftslice.h"

#include "analysis/fft.h"
#include "analysis/scan.h"
#include "analysis/setup.h"
#include "analysis/window.h"
#include "base/msg.h"
#include "base/params.h"
#include "render/gray.h"
#include "sdinput/sdfile.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

// The window as floats into spec: first difference, or the level removed.
void winsamples(float *x, int n) {
    const int32_t *s = wave.sbuf;
    if (par.hfemph) {
        x[0] = static_cast<float>(s[0]);
        for (int i = 1; i < n; i++) x[i] = static_cast<float>(s[i] - s[i - 1]);
    } else {
        float z = par.rmdc ? wave.wdc : sd.wzero;
        for (int i = 0; i < n; i++) x[i] = s[i] - z;
    }
}

// Levinson-Durbin on r[0 .. p]: the predictor a[0 .. p] and the residual energy, 0 on failure.
float levinson(const float *r, float *a, int p) {
    std::fill(a, a + p + 1, 0.0f);
    a[0] = 1;
    if (r[0] <= 0) return 0;
    float k = -r[1] / r[0];
    a[1] = k;
    float err = r[1] * k + r[0];
    if (!(err > 0)) {
        // a zero residual would divide by zero in the next order: the model is empty
        a[1] = 0;
        return 0;
    }
    for (int i = 2; i <= p; i++) {
        float g = 0;
        for (int u = 0; u < i; u++) g += a[u] * r[i - u];
        k = -g / err;
        for (int u = 1; u <= i / 2; u++) {
            float lo = a[u], hi = a[i - u];
            a[u] = lo + k * hi;
            a[i - u] = hi + k * lo;
        }
        a[i] = k;
        err = g * k + err;
        if (!(err > 0)) {
            std::fill(a, a + p + 1, 0.0f);
            a[0] = 1;
            return 0;
        }
    }
    return err;
}

// The bins shown as rows: ks .. ke - 1 (the other rows lie outside the spectrum).
void shownbins(int &ks, int &ke) {
    const int nk = std::max(ana.nk, 0);
    const int i0 = std::clamp(-ana.kmin, 0, nk), i1 = std::clamp(ana.nbins - ana.kmin, i0, nk);
    ks = ana.kmin + i0, ke = ana.kmin + i1;
}

// Computes bin k's power into x[k] by power(k) for every bin in order, and sums the shown
// bins' powers (in order, in double) into fsl.shown as it goes: the sum's additions, each
// waiting for the last, overlap the powers' work.
template <class Power> void powers(const float *x, Power power) {
    int ks, ke;
    shownbins(ks, ke);
    double sum = 0;
    int k = 0;
    for (; k < std::min(ks, ana.nbins); k++) power(k);
    for (; k < ke; k++) power(k), sum += x[k];
    for (; k < ana.nbins; k++) power(k);
    fsl.shown = sum;
}

} // namespace

void fftpow() {
    float *x = fsl.spec;
    int n = ana.nwin, nfft = ana.nfft;
    winsamples(x, n);
    for (int i = 0; i < n; i++) x[i] = x[i] * win.wtab[i];
    std::fill(x + n, x + nfft, 0.0f);
    rfft(x, nfft);
    rfftunp(x, nfft);
    powers(x, [x](int k) {
        float re = x[2 * k], im = x[2 * k + 1];
        x[k] = re * re + im * im;
        if (x[k] > fsl.maxpow) fsl.maxpow = x[k];
    });
    std::fill(x + ana.nbins, x + nfft, 0.0f);
}

void lpcpow() {
    float *x = fsl.spec;
    int n = ana.nwin, nfft = ana.nfft, p = par.nlpc;
    float r[41], a[41];
    winsamples(x, n);
    for (int i = 0; i <= p; i++) {
        float acc = 0;
        for (int u = 0; u < n - i; u++) acc += x[u] * x[u + i];
        r[i] = acc;
    }
    float err = levinson(r, a, p);
    std::copy(a, a + p + 1, x);
    std::fill(x + p + 1, x + nfft, 0.0f);
    rfft(x, nfft);
    rfftunp(x, nfft);
    powers(x, [x, err](int k) {
        float re = x[2 * k], im = x[2 * k + 1];
        float g = re * re + im * im;
        x[k] = g > 0 ? err / g : err;
    });
    std::fill(x + ana.nbins, x + nfft, 0.0f);
}

namespace {

// Gray level 0..255 of gained power v: the log of v over the log of the floor, darkness and
// contrast, then the tone curve.
uint8_t levelof(double v, double lnf) {
    double l = v > 0 ? 1 + std::log(v) / lnf : -1;
    double y = par.darkness + par.contrast * 1.5 * (l - 0.3);
    double t = 255 * gresp(y);
    return t > 255 ? 255 : (t >= 0 ? static_cast<uint8_t>(t) : 0);
}

// About where the level reaches k: the tone curve solved for k / 255 by Newton's method from
// y (the last root; updated), taken back through the log. 0 when that fails. Only a starting
// point for the search, which decides by levelof itself.
double nearlevel(int k, double &y, double lnf) {
    const double want = k / 255.0;
    for (int i = 0; i < 60; i++) {
        const double g = gresp(y) - want, dg = (3 * gray.c2 * y + 2 * gray.c1) * y + gray.c0;
        if (!(dg > 0) || !std::isfinite(g)) return 0;
        const double step = g / dg;
        y -= step;
        if (!(std::fabs(step) > 1e-15 * (1 + std::fabs(y)))) break;
    }
    const double v = std::exp(((y - par.darkness) / (par.contrast * 1.5) + 0.3 - 1) * lnf);
    return v > 0 && v <= DBL_MAX ? v : 0;
}

// Where levelof steps up, for plots where it rises with v (a floor above 1, contrast above 0):
// at[k] is the least positive double whose level is k or more. Found by bisection over the
// bit patterns of the finite positive doubles, and kept only when levelof agrees at each
// threshold and one ulp either side; then a level is a table look-up, not a log.
struct Levels {
    double floor = NAN, darkness = 0, contrast = 0, c0 = 0, c1 = 0, c2 = 0; // made for these
    int ok = 0;
    uint8_t zero = 0;          // the level of v <= 0 and NaN
    double lnf = 0;            // log of the floor
    double at[256] = {};       // at[1..255]; infinity for a level never reached
    uint8_t first[32768] = {}; // the level at the start of each sixteenth of an octave
};
Levels lv;

double bitsof(uint64_t u) {
    double d;
    std::memcpy(&d, &u, 8);
    return d;
}

// levelof(v) through the thresholds: a search among them.
uint8_t levelsearch(double v) {
    if (!(v > 0)) return lv.zero;
    int k = 0;
    for (int step = 128; step > 0; step >>= 1)
        if (lv.at[k + step] <= v) k += step;
    return static_cast<uint8_t>(k);
}

// The same from the level at the start of v's sixteenth of an octave, stepped up past the
// thresholds up to v: a level is about a fortieth of an octave, so rarely more than two.
inline __attribute__((always_inline)) uint8_t levelat(double v) {
    if (!(v > 0)) return lv.zero;
    if (v > DBL_MAX) return levelof(v, lv.lnf); // an infinite power has no threshold
    uint64_t u;
    std::memcpy(&u, &v, 8);
    int k = lv.first[u >> 48];
    while (k < 255 && lv.at[k + 1] <= v) k++;
    return static_cast<uint8_t>(k);
}

void mklevels(double lnf) {
    lv = Levels{par.floor, par.darkness, par.contrast, gray.c0, gray.c1, gray.c2};
    lv.lnf = lnf;
    lv.zero = levelof(0, lnf);
    if (!(par.floor > 1) || !(par.contrast > 0)) return;
    const uint64_t top = 0x7FEFFFFFFFFFFFFFull; // the largest finite double
    std::vector<uint64_t> steps;
    double y = 0;
    for (int k = 1; k < 256; k++) {
        lv.at[k] = INFINITY;
        if (levelof(bitsof(top), lnf) < k) continue;
        uint64_t lo = 0, hi = top; // lo is 0 or levelof(lo) < k; levelof(hi) >= k
        // narrowed from the estimate by steps that double, when there is one
        const double near = nearlevel(k, y, lnf);
        uint64_t at;
        std::memcpy(&at, &near, 8);
        const bool above = near > 0 && levelof(near, lnf) >= k;
        for (uint64_t d = 1024; near > 0; d *= 2) {
            if (above) {
                hi = at, at = hi > d ? hi - d : 0;
                if (at == 0 || levelof(bitsof(at), lnf) < k) {
                    lo = at;
                    break;
                }
            } else {
                lo = at, at = top - lo > d ? lo + d : top;
                if (levelof(bitsof(at), lnf) >= k) {
                    hi = at;
                    break;
                }
            }
        }
        while (hi - lo > 1) {
            uint64_t mid = lo + (hi - lo) / 2;
            (levelof(bitsof(mid), lnf) >= k ? hi : lo) = mid;
        }
        lv.at[k] = bitsof(hi);
        if (k > 1 && lv.at[k] < lv.at[k - 1]) return; // the level does not rise with v
        steps.push_back(hi);
    }
    for (int b = 0, k = levelsearch(bitsof(1)); b < 32768; b++) { // the buckets in order
        while (k < 255 && lv.at[k + 1] <= bitsof(b ? uint64_t(b) << 48 : 1)) k++;
        lv.first[b] = static_cast<uint8_t>(k);
    }
    lv.ok = 1;
    for (uint64_t u : steps)
        for (uint64_t w : {u - 1, u, u + 1})
            if (w > 0 && w <= top && levelat(bitsof(w)) != levelof(bitsof(w), lnf)) lv.ok = 0;
}

} // namespace

void graymap() {
    const int nk = std::max(ana.nk, 0);
    int ks, ke;
    shownbins(ks, ke);
    const float *p = fsl.spec;
    double m3 = nk > 0 ? 3 * fsl.shown / nk : 0;
    double g = wave.wvar != 0 && m3 != 0 ? std::pow(wave.wvar / m3, par.agcsp) / wave.wvar : 100;
    if (lv.floor != par.floor || lv.darkness != par.darkness || lv.contrast != par.contrast ||
        lv.c0 != gray.c0 || lv.c1 != gray.c1 || lv.c2 != gray.c2)
        mklevels(std::log(static_cast<double>(par.floor)));
    const double lnf = lv.lnf;
    // the rows outside the spectrum are 0, which adds nothing to the sum (never -0) and has
    // one level
    uint8_t *gc = fsl.gcol;
    const int k0 = ana.kmin; // row i shows bin k0 + i
    const double off = 0.0 * g;
    std::memset(gc, lv.ok ? levelat(off) : levelof(off, lnf), nk);
    if (lv.ok)
        for (int k = ks; k < ke; k++) gc[k - k0] = levelat(p[k] * g);
    else
        for (int k = ks; k < ke; k++) gc[k - k0] = levelof(p[k] * g, lnf);
}

void specslice(int j) {
    if (ana.fftskp <= 0 || j % ana.fftskp != 0) return;
    if (par.nlpc > 0)
        lpcpow();
    else
        fftpow();
    graymap();
    ovlgray(fsl.gcol, ana.nk, ana.plty, ana.plth, std::min(ana.fftskp, ana.pltw - j));
}

void fftsum() {
    msg("FFT speech spectrograph           ");
    msg("speech filename: %s \n", sd.sdname.c_str());
    msg("sampling rate = %12.3f kHz        ", sd.srate / 1000);
    msg("ADC = %d bits (%ssigned)\n", wave.adcbits, wave.adcsgn ? "" : "un");
    msg("print rate    = %12.3f in/sec\n", ana.prt);
    msg("file length   = %8ld samples", static_cast<long>(sd.nsamp));
    msg(" = %8.3f sec\n", sd.nsamp / sd.srate);
    msg("window width  = %8d samples", ana.nwin);
    msg(" = %8.3f msec\n", ana.nwin / sd.srate * 1000);
    msg("FFT width     = %8d samples", ana.nfft);
    msg(" = %8.3f msec\n", ana.nfft / sd.srate * 1000);
    msg("frequency range from %.0f to %.0f Hz\n", ana.flo, ana.fhi);
}

float specval(int32_t s, double x) {
    anabufs();
    // the cursor read-out sets nwin and nfft; anything else than a real window reads 0
    if (ana.nfft < 8 || ana.nfft > 8192 || (ana.nfft & (ana.nfft - 1)) || ana.nwin < 1 ||
        ana.nwin > ana.nfft)
        return 0;
    ana.nbins = ana.nfft / 2 + 1;
    s = std::clamp(s, 0, sd.nsamp);
    wave.spos = s - ana.nwin / 2;
    wavadv(ana.nwin, ana.nwin);
    fftpow();
    if (!(x > 0)) x = 0;
    if (x > ana.nbins - 1) x = ana.nbins - 1;
    int n = std::min(static_cast<int>(x), ana.nbins - 2);
    const float *p = fsl.spec;
    return p[n] + (p[n + 1] - p[n]) * (x - n);
}
