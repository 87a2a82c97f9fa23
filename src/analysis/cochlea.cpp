// Cochlear spectrograph: a scan of the plotted frames fixes the gray scale (no automatic
// gain), each frame's channels become one gray column reused while slices stay on that
// frame, and the frame scalar is traced in the energy panel.
#include "analysis/cochlea.h"

#include "analysis/axes.h"
#include "analysis/scan.h"
#include "analysis/setup.h"
#include "base/msg.h"
#include "base/opts.h"
#include "base/params.h"
#include "render/core.h"
#include "render/gray.h"
#include "sdinput/sdfile.h"
#include "sdinput/tsdfile.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace {

// Scales and the slice cache of the cochlear spectrograph.
struct Coch {
    float fwmn = 0, fwrn = 1;           // minimum and range of the channel values (gray scale)
    float tsmn = 0, tsmx = 0, tsrn = 1; // scalar range, kept over every plot of the process
    int enzero = 0;                     // energy-panel column of the scalar value 0
    int32_t tsdlast = -1;               // frame whose gray column gcol holds
    int32_t lastid = 0;                 // time-step file that tsdlast numbers a frame of
    int trpos = 0;                      // column offset of the previous scalar mark
    uint8_t gcol[4100] = {};            // gray column, row 0 at the bottom
};
Coch coch;

// Model output that is infinite, not a number, subnormal or beyond lim counts as 0.
float good(float v, float lim) {
    int c = std::fpclassify(v);
    if (c == FP_INFINITE || c == FP_NAN || c == FP_SUBNORMAL || std::fabs(v) > lim) return 0.0f;
    return v;
}

// Truncation of a frame number that stays defined for any quotient.
int32_t ftrunc(double q) {
    if (!(q < 2147483647.0)) return INT32_MAX;
    if (!(q > -2147483648.0)) return INT32_MIN;
    return static_cast<int32_t>(q);
}

// Displayed rows, bounded by the gray column (ovlgray reads one entry beyond them).
int rows() {
    return std::clamp(ana.nk, 0, static_cast<int>(sizeof coch.gcol) - 1);
}

// Gray level of one channel value under the scanned scale.
uint8_t chgray(float v) {
    float w = (good(v, 1e10f) - coch.fwmn) / coch.fwrn;
    if (w == 0.0f) w = 1e-38f;
    float y =
        par.darkness + par.contrast * 1.8f * (std::log(w) / std::log(par.floor) + 1.0f - 0.25f);
    double g = 255.0 * gresp(y);
    if (!(g >= 0.0)) return 0; // below 0, or undefined for w < 0
    if (g > 255.0) return 255;
    return static_cast<uint8_t>(g);
}

// Maps frame f's channels into gcol; row 0 at the bottom shows the last channel.
void framecol(const float *fr) {
    int nch = tsd.npts - 1, nk = rows();
    for (int i = 0; i < nk; i++) {
        int q = nch - ana.kmin - i; // position 0 is the zeroed scalar slot
        coch.gcol[i] = chgray(q >= 0 && q <= nch ? fr[q] : 0.0f);
    }
    coch.gcol[nk] = 0;
}

} // namespace

void fscnwav() {
    int32_t s0 = std::max(ftrunc(ana.tpg0 / tsd.tper), 0);
    int32_t s1 = std::min(ftrunc(ana.tend / tsd.tper), tsd.nstp);
    float mn = 0.0f, mx = 0.0f;
    double sum = 0.0;
    long count = 0;
    int nch = tsd.npts - 1;
    for (int32_t i = s0; i < s1; i++) {
        const float *fr = tsdframe(i);
        if (fr == nullptr) continue; // a missing frame has no values
        float s = good(tsd.tscal, 1e30f);
        coch.tsmx = std::max(coch.tsmx, s);
        coch.tsmn = std::min(coch.tsmn, s);
        for (int q = 1; q <= nch; q++) {
            float v = good(fr[q], 1e30f);
            if (v < mn)
                mn = v;
            else if (v > mx)
                mx = v;
            sum += v;
            count++;
        }
    }
    coch.tsrn = coch.tsmn < coch.tsmx ? coch.tsmx - coch.tsmn : 1.0f;
    coch.enzero = static_cast<int>(ana.enry - coch.tsmn * ana.enrh / coch.tsrn);
    ax.enzero = coch.enzero;
    coch.fwmn = mn;
    coch.fwrn = mx - mn > 0.0f ? mx - mn : 1.0f;
    if (opt.debugopt)
        msg("fscnwav: wmn=%.0f wmx=%.0f wrn=%.0f wdc=%.1f nstp=%d\n", mn, mx, coch.fwrn,
            count > 0 ? sum / count : 0.0, tsd.nstp);
}

void cochslice(double tr) {
    if (coch.lastid != tsd.fileid) { // a column of another file is never shown
        coch.lastid = tsd.fileid;
        coch.tsdlast = -1;
    }
    int32_t f = ftrunc((ana.tpg0 + tr) / tsd.tper);
    int nk = rows();
    if (f >= tsd.nstp || f < 0) {
        std::fill(coch.gcol, coch.gcol + nk + 1, 0);
    } else if (f != coch.tsdlast) {
        coch.tsdlast = f;
        const float *fr = tsdframe(f);
        if (fr)
            framecol(fr);
        else
            std::fill(coch.gcol, coch.gcol + nk + 1, 0); // missing: blank
    } else {
        tsdframe(f); // column kept; the scalar trace still follows this frame
    }
    if (par.prspec) ovlgray(coch.gcol, nk, ana.plty, ana.plth, 1);
}

void cochtrace(int j) {
    if (j == 0) coch.trpos = 0;
    float v = good(tsd.tscal, 1e30f);
    // scalars outside the scanned range stay inside the panel
    float yf = (v - coch.tsmn) * ana.enrh / coch.tsrn;
    int y = static_cast<int>(std::clamp(yf, 0.0f, static_cast<float>(std::max(ana.enrh, 0))));
    ovlrect(ana.pltx0 + j, ana.enry + std::min(y, coch.trpos), 1, std::abs(y - coch.trpos) + 1);
    coch.trpos = y;
}

void cochsum() {
    msg("Cochlear spectrograph           ");
    msg("stimulus file: %s \n", sd.sdname.c_str());
    msg("npts=%d, nstp=%d\n", tsd.npts, tsd.nstp);
    msg("frequency-to-place map:  a=%6.4f b=%6.4f c=%6.4f\n", tsd.ha, tsd.hb, tsd.hc);
    msg("sampling rate = %12.3f kHz        ", sd.srate / 1000);
    msg("ADC = %d bits (%ssigned)\n", wave.adcbits, wave.adcsgn ? "" : "un");
    msg("print rate    = %12.3f in/sec\n", ana.prt);
    msg("window width  = %8d samples", ana.nwin);
    msg(" = %8.3f msec\n", ana.nwin / sd.srate * 1000);
    msg("FFT width     = %8d samples", ana.nfft);
    msg(" = %8.3f msec\n", ana.nfft / sd.srate * 1000);
    msg("frequency range from %.0f to %.0f Hz\n", ana.flo, ana.fhi);
}
