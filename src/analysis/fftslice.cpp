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
#include <cmath>

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

// Power of displayed row i: bins outside the spectrum count as 0.
float rowpow(int i) {
    int k = ana.kmin + i;
    return k >= 0 && k < ana.nbins ? fsl.spec[k] : 0.0f;
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
    for (int k = 0; k < ana.nbins; k++) {
        float re = x[2 * k], im = x[2 * k + 1];
        x[k] = re * re + im * im;
        if (x[k] > fsl.maxpow) fsl.maxpow = x[k];
    }
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
    for (int k = 0; k < ana.nbins; k++) {
        float re = x[2 * k], im = x[2 * k + 1];
        float g = re * re + im * im;
        x[k] = g > 0 ? err / g : err;
    }
    std::fill(x + ana.nbins, x + nfft, 0.0f);
}

void graymap() {
    int nk = ana.nk;
    double sum = 0;
    for (int i = 0; i < nk; i++) sum += rowpow(i);
    double m3 = nk > 0 ? 3 * sum / nk : 0;
    double g = wave.wvar != 0 && m3 != 0 ? std::pow(wave.wvar / m3, par.agcsp) / wave.wvar : 100;
    double lnf = std::log(static_cast<double>(par.floor));
    for (int i = 0; i < nk; i++) {
        double v = rowpow(i) * g;
        double l = v > 0 ? 1 + std::log(v) / lnf : -1;
        double y = par.darkness + par.contrast * 1.5 * (l - 0.3);
        double t = 255 * gresp(y);
        fsl.gcol[i] = t > 255 ? 255 : (t >= 0 ? static_cast<uint8_t>(t) : 0);
    }
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
