// The cursor read-out. Clicks map back to device dots of the last run (rows left to right,
// columns bottom to top) and from there through the record of the panels under the pointer.
#include "winshell/readout.h"

#include <cmath>
#include <cstdio>

#include "analysis/fftslice.h"
#include "analysis/setup.h"
#include "devices/screen.h"
#include "render/core.h"
#include "sdinput/cursor.h"
#include "sdinput/sdfile.h"

namespace {

std::string fmt(const char *f, double v) {
    char b[64];
    std::snprintf(b, sizeof b, f, v);
    return b;
}

std::string padded(std::string s) {
    if (s.size() < READOUTW) s.append(READOUTW - s.size(), ' ');
    return s;
}

// The pointer as a device position; 0 when no plot has set a resolution yet.
int pagepos(int x, int y, int *r, int *c) {
    if (page.xres <= 0 || page.yres <= 0) return 0;
    *r = x;
    *c = scr.bmh - y;
    return 1;
}

// Level of spectrum value v in dB below the loudest power of the record.
double level(double v, double maxpow) {
    if (v < 1e-9) return -999.0;
    return 20 * std::log10(v / std::max(static_cast<double>(maxpow), 1e-9));
}

} // namespace

std::string fmttime(double t) {
    if (t < 0.00001) return fmt("%4.2f us", t * 1000000);
    if (t < 0.0001) return fmt("%4.1f us", t * 1000000);
    if (t < 0.001) return fmt("%4.0f us", t * 1000000);
    if (t < 0.01) return fmt("%4.2f ms", t * 1000);
    if (t < 0.1) return fmt("%4.1f ms", t * 1000);
    if (t < 1) return fmt("%4.0f ms", t * 1000);
    if (t < 10) return fmt("%4.2f s", t);
    if (t < 100) return fmt("%4.1f s", t);
    if (t < 1000000) return fmt("%4.0f s", t);
    return "INF";
}

std::string fmtfreq(double f) {
    if (f > 1e12) return "INF";
    if (f > 1000000) return fmt("%4.2f MHz", f / 1000000);
    if (f > 100000) return fmt("%4.0f kHz", f / 1000);
    if (f > 10000) return fmt("%4.1f kHz", f / 1000);
    if (f > 1000) return fmt("%4.2f kHz", f / 1000);
    if (f > 100) return fmt("%4.0f Hz", f);
    if (f > 10) return fmt("%4.1f Hz", f);
    return fmt("%4.2f Hz", f);
}

double freqat(double q, const PlotRec &r) {
    if (r.axtype == 1) return r.flo * std::exp(r.lnr * q);
    if (r.axtype == 2) {
        double x0 = std::log10(r.flo / r.fpA + r.fpC) / r.fpB;
        double x1 = std::log10(r.fhi / r.fpA + r.fpC) / r.fpB;
        double x = x0 + q * (x1 - x0);
        return r.fpA * (std::pow(10.0, r.fpB * x) - r.fpC);
    }
    return r.flo + q * (r.fhi - r.flo);
}

const PlotRec *findrec(int r) {
    for (int i = 0; i < plot.nplotrec; i++) {
        const PlotRec &p = plot.plotrec[i];
        if (p.right > p.left && p.top > p.bottom && r >= p.left && r <= p.right) return &p;
    }
    return nullptr;
}

float curspec(const char *name, double t, double f, float rate, int window, int points,
              int channel) {
    if (!curopen(name, rate, channel) || !getsamp || !(rate > 0)) return 0;
    ana.nwin = window;
    ana.nfft = points;
    return specval(static_cast<int32_t>(t * rate + 0.5), points * f / rate);
}

int tclick(int x, int y, std::string *text) {
    int r, c;
    if (!pagepos(x, y, &r, &c)) return 0;
    const PlotRec *p = findrec(r);
    if (!p) {
        char b[96];
        std::snprintf(b, sizeof b, " (x,y) = (%3.2f in, %3.2f in)",
                      static_cast<double>(r) / page.xres, static_cast<double>(c) / page.yres);
        *text = padded(b);
        return 1;
    }
    double t =
        p->tpg0 + static_cast<double>(r - p->left) / (p->right - p->left) * (p->tpg1 - p->tpg0);
    const std::string ts = fmttime(t);
    char b[160];
    if (c >= p->bottom && c <= p->top) {
        double f = freqat(static_cast<double>(c - p->bottom) / (p->top - p->bottom), *p);
        float v = curspec(p->sdname.c_str(), t, f, p->srate, p->nwin, p->nfft, p->channel);
        std::snprintf(b, sizeof b, " (t,f,v) = (%s, %s, %.1f dB) ", ts.c_str(), fmtfreq(f).c_str(),
                      level(v, p->maxpow));
    } else if (c >= p->wavbot && c <= p->wavtop) {
        int s = cursamp(p->sdname.c_str(), t, p->srate, p->channel);
        std::snprintf(b, sizeof b, " (t,v) = (%s, %d) ", ts.c_str(), s);
    } else {
        std::snprintf(b, sizeof b, " t = %s ", ts.c_str());
    }
    *text = padded(b);
    return 1;
}

int sclick(int x, int y, std::string *text, const PlotRec **rec) {
    int r, c;
    *rec = nullptr;
    if (!pagepos(x, y, &r, &c)) return 0;
    *rec = findrec(r);
    *text = padded(*rec ? "sdf = " + (*rec)->sdname + " " : "");
    return 1;
}
