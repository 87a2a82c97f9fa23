// The samples of a plot: one scan of the plotted range before drawing, then a window of
// nwin samples that slides along with the time slices. Indices outside the file read as
// trunc(wzero) through the reader, so a window may start before the first sample.
#include "analysis/scan.h"

#include "analysis/axes.h"
#include "analysis/fftslice.h"
#include "analysis/setup.h"
#include "base/msg.h"
#include "base/opts.h"
#include "base/params.h"
#include "render/core.h"
#include "sdinput/sdblock.h"
#include "sdinput/sdfile.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// First sample of the plotted range or page: trunc(srate x t) within 0..nsamp.
int32_t sampat(float t) {
    double s = static_cast<double>(sd.srate * t);
    if (!(s > 0)) return 0;
    if (s > sd.nsamp) return sd.nsamp;
    return static_cast<int32_t>(s);
}

// ADC word length and signedness: the bits parameter, or a guess from the data.
void adcguess(float range) {
    if (par.bits >= 8 && par.bits <= 16) {
        wave.adcbits = par.bits;
        wave.adcsgn = par.sign;
    } else if (range > 4096 || wave.wdc > 4096) {
        wave.adcbits = 16;
        wave.adcsgn = 1;
    } else if (range > 256 || wave.wdc > 256) {
        wave.adcbits = 12;
        wave.adcsgn = wave.wdc < 1024;
    } else {
        wave.adcbits = 8;
        wave.adcsgn = wave.wdc < 64;
    }
}

// Samples first .. first + n - 1 into out: in runs from the block reader, else one by one.
void sampspan(int32_t first, int n, int32_t *out) {
    if (getsamp == blkget) {
        blkspan(first, n, out);
        return;
    }
    for (int k = 0; k < n; k++) out[k] = getsamp(static_cast<int32_t>(int64_t{first} + k));
}

// Adds n samples to the extremes, sum and sum of squares. The sums are kept in doubles one
// sample at a time; while they hold whole numbers below 2^53 every step is exact, so a run of
// 16-bit samples may be summed in integers first and added at once, to the same values.
// Integer work only, so a wider vector unit, where the processor has one, gives the same sums.
__attribute__((target_clones("avx2", "default"))) void
runsums(const int32_t *v, int n, int32_t &vmin, int32_t &vmax, double &sum, double &sumsq) {
    int32_t lo = vmin, hi = vmax;
    for (int k = 0; k < n; k++) lo = std::min(lo, v[k]), hi = std::max(hi, v[k]);
    vmin = lo, vmax = hi;
    const double exact = 9007199254740992.0, most = 32768.0 * 32768.0 * n; // 2^53
    if (lo >= -32768 && hi <= 32768 && std::fabs(sum) + 32768.0 * n <= exact &&
        sumsq + most <= exact) {
        // each square is at most 2^30, so it fits 32 bits
        int64_t isum = 0;
        uint64_t isq = 0;
        for (int k = 0; k < n; k++) {
            isum += v[k];
            isq += static_cast<uint32_t>(v[k] * v[k]);
        }
        sum += static_cast<double>(isum);
        sumsq += static_cast<double>(isq);
    } else {
        for (int k = 0; k < n; k++) {
            sum += v[k];
            sumsq += static_cast<double>(v[k]) * v[k];
        }
    }
}

// The least and greatest of n > 0 samples.
__attribute__((target_clones("avx2", "default"))) void extremes(const int32_t *v, int n,
                                                                int32_t &lo, int32_t &hi) {
    int32_t a = v[0], b = v[0];
    for (int i = 1; i < n; i++) a = std::min(a, v[i]), b = std::max(b, v[i]);
    lo = a, hi = b;
}

} // namespace

void scnwav() {
    int32_t s0 = sampat(ana.tpg0);
    double s1d = static_cast<double>(sd.srate * ana.tend);
    int32_t s1 = s1d > sd.nsamp ? sd.nsamp : (s1d > 0 ? static_cast<int32_t>(s1d) : 0);
    int32_t vmin = 0, vmax = 0;
    double sum = 0, sumsq = 0;
    if (getsamp) {
        int32_t run[4096];
        sampspan(s0, 1, &vmin);
        vmax = vmin;
        for (int32_t i = s0; i < s1; i += 4096) {
            const int m = static_cast<int>(std::min<int64_t>(4096, int64_t{s1} - i));
            sampspan(i, m, run);
            runsums(run, m, vmin, vmax, sum, sumsq);
        }
    }
    double var = 0;
    wave.wdc = 0;
    if (s1 > s0) {
        wave.wdc = static_cast<float>(sum / (s1 - s0));
        var = sumsq / (s1 - s0) - static_cast<double>(wave.wdc) * wave.wdc;
    }
    wave.wvar = 2.0 * ana.nwin * var;
    float fmin = static_cast<float>(vmin), fmax = static_cast<float>(vmax);
    float range = fmax - fmin;
    adcguess(range);
    if (par.aswv) {
        wave.wmn = fmin;
        wave.wmx = fmax;
        wave.wrn = range > 0 ? range : 1;
    } else {
        wave.wrn = std::ldexp(1.0f, wave.adcbits);
        wave.wmn = wave.adcsgn ? -0.5f * wave.wrn : 0.0f;
        wave.wmx = wave.wmn + wave.wrn;
    }
    sd.wzero = wave.adcsgn ? 0.0f : std::ldexp(1.0f, wave.adcbits - 1);
    wave.wlast = sd.wzero;
    if (opt.debugopt)
        msg("scnwav: wmn=%.0f wmx=%.0f wrn=%.0f wdc=%.1f ns=%ld\n", wave.wmn, wave.wmx, wave.wrn,
            wave.wdc, static_cast<long>(s1));
}

void wavprime() {
    std::memset(fsl.gcol, 0, std::min<size_t>(ana.nk + 1, sizeof fsl.gcol));
    int n = std::clamp(ana.nwin, 0, static_cast<int>(SBUFMAX));
    int32_t fill = static_cast<int32_t>(par.rmdc ? wave.wdc : sd.wzero);
    for (int i = 0; i < n; i++) wave.sbuf[i] = fill;
    wave.spos = sampat(ana.tpg0) - n / 2;
    wavadv(n, n);
    axprime();
}

void wavadv(int h, int n) {
    if (n <= 0 || h <= 0 || !getsamp) return;
    int32_t *b = wave.sbuf;
    if (h > n) {
        // the samples in between are never analysed; skipping them reads the same window
        wave.spos += h - n;
        sampspan(wave.spos, n, b);
        wave.spos += n;
    } else {
        std::memmove(b, b + h, (n - h) * sizeof *b);
        sampspan(wave.spos, h, b + n - h);
        wave.spos += h;
    }
}

void wavslice(int j, int n, int h) {
    int a = std::max((n - h) / 2, 0);
    int b = std::min(a + h, n);
    float lo = wave.wlast, hi = wave.wlast;
    if (a < b) {
        // int to float never reverses an order, so the extremes of the samples as floats
        // are the extremes of the samples made floats
        int32_t ilo, ihi;
        extremes(wave.sbuf + a, b - a, ilo, ihi);
        lo = std::min(lo, static_cast<float>(ilo));
        hi = std::max(hi, static_cast<float>(ihi));
        wave.wlast = static_cast<float>(wave.sbuf[b - 1]);
    }
    float y = par.invwav ? wave.wmx - hi : lo - wave.wmn;
    ovlrect(ana.pltx0 + j, ana.wavy + static_cast<int>(y * ana.wavh / wave.wrn), 1,
            static_cast<int>(ana.wavh * (hi - lo) / wave.wrn) + 1);
}

void enrslice(int j, int n) {
    if (j == 0) {
        wave.ivl = par.eeps > 0 ? 1 / par.eeps : 0.01;
        wave.acc = 0;
        double fs = std::ldexp(1.0, wave.adcbits - 1);
        wave.ref = fs * fs * n;
    } else if (j < wave.next) {
        ovlrect(ana.pltx0 + j, ana.enry, 1, 1);
        return;
    }
    double e = 0;
    for (int i = 0; i < n; i++) {
        double d = wave.sbuf[i] - sd.wzero;
        e += d * d;
    }
    double r = e / wave.ref;
    float level = par.emin;
    if (r >= 1e-9) {
        double l = 10 * std::log10(r);
        level = l < par.emin ? par.emin : std::fmin(l, static_cast<double>(par.emax));
    }
    wave.acc = wave.acc + wave.ivl;
    wave.next = static_cast<int>(wave.acc / ana.spp + 0.5);
    ovlrect(ana.pltx0 + j, ana.enry, 1,
            static_cast<int>((level - par.emin) * ana.enrh / (par.emax - par.emin)) + 1);
}
