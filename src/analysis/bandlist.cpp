// Third-octave band listing: for every computed spectrum, the window's sample range and the
// levels of 15 bands from 200 to 5000 Hz, from a transform of its own (no pre-emphasis, the
// level kept). A band is written when a bin crosses its upper edge, so skipped bands show
// the sum they had.
#include "analysis/bandlist.h"

#include "analysis/fft.h"
#include "analysis/fftslice.h"
#include "analysis/scan.h"
#include "analysis/setup.h"
#include "analysis/window.h"
#include "base/msg.h"
#include "base/params.h"
#include "sdinput/sdfile.h"

#include <cmath>

namespace {

const float equaledge[16] = {177,  223,  281,  354,  445,  561,  707,  891,
                             1122, 1414, 1782, 2245, 2828, 3564, 4490, 5657};
const float ansiedge[16] = {180,  224,  280,  355,  450,  560,  710,  900,
                            1120, 1400, 1800, 2240, 2800, 3550, 4500, 5600};

void level(double s) {
    msg("%4.0f", s < 1e-40 ? -400.0 : 10.0 * std::log10(s));
}

// Power of bin k of the packed transform; the Nyquist bin sits in x[1].
float binpow(const float *x, int k, int n) {
    if (k == n / 2) return x[1] * x[1];
    return x[2 * k] * x[2 * k] + x[2 * k + 1] * x[2 * k + 1];
}

// Levels of the bands that the bins of x cover, as the bins cross their edges.
void bands(const float *x) {
    const float *edge = par.toba ? ansiedge : equaledge;
    float df = sd.srate / ana.nfft;
    int l = 0;
    double s = 0.0;
    float e = 0.0f;
    for (int k = 1; k <= ana.nbins - 1; k++) {
        float p = binpow(x, k, ana.nfft);
        e = k * df;
        if (l < 15 && e >= edge[l]) {
            if (e < edge[l + 1]) {
                s += p;
            } else {
                level(s);
                l++;
                s = p;
            }
        }
    }
    if (e >= edge[0] && e < edge[15]) level(s); // the band the spectrum ends in
}

} // namespace

void bandhead() {
    msg(";%s third-octave bands, window-width=%.1f ms\n", par.toba ? "ANSI" : "EQUAL",
        ana.nwin * 1000 / sd.srate);
    msg(";   I1      I2      250         500         1000        2000        4000    \n");
    msg(";==========================================================================\n");
}

void bandline(int j) {
    if (ana.fftskp <= 0 || j % ana.fftskp != 0) return;
    msg("%7ld %7ld", static_cast<long>(wave.spos - ana.nwin), static_cast<long>(wave.spos));
    float *x = fsl.spec;
    if (x && wave.sbuf && ana.nwin <= ana.nfft && ana.nfft <= SPECMAX - 2) {
        for (int i = 0; i < ana.nwin; i++)
            x[i] = (static_cast<float>(wave.sbuf[i]) - sd.wzero) * win.wtab[i];
        for (int i = ana.nwin; i < ana.nfft; i++) x[i] = 0.0f;
        if (rfft(x, ana.nfft) == 0) bands(x);
    }
    msg("\n");
}
