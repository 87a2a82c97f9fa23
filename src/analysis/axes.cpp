// Panel frames built from solid rectangles and stroke text: axis lines, three tic lengths,
// frequency and time numbers and titles. The time tics are drawn one step ahead of the
// scan; the tic at time 0 belongs to the frame. All positions are device dots.
#include "analysis/axes.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "analysis/plot.h"
#include "analysis/scan.h"
#include "analysis/setup.h"
#include "base/params.h"
#include "render/core.h"
#include "render/text.h"
#include "sdinput/sdfile.h"

namespace {

const char *const tunitname[5] = {"ksec", "sec", "msec", "usec", "nsec"};
const double tunitfac[5] = {0.001, 1, 1000, 1000000, 1000000000};

// Sets the whole text state for one string.
void txtset(double upx, double upy, double weight, double size, int h, int v) {
    txtup(upx, upy);
    txtweight(weight);
    txtsize(size);
    txtjust(h, v);
    txtbox(0);
}

// A tic pair at column c on both sides of a vertical axis: L rows long at the left,
// starting at rright at the right.
void vtics(int c, int L, int rright) {
    ovlrect(ana.pltx0 - L, c - ax.axwy / 2, L, ax.axwy);
    ovlrect(rright, c - ax.axwy / 2, L, ax.axwy);
}

// The two vertical axis lines of a panel from column y, h columns high.
void vlines(int y, int h) {
    ovlrect(ana.pltx0 - ax.axwx / 2, y - ax.axwy / 2, ax.axwx, h + ax.axwy);
    ovlrect(ana.pltx0 + ana.pltw - ax.axwx / 2, y - ax.axwy / 2, ax.axwx, h + ax.axwy);
}

void energyaxis() {
    vlines(ana.enry, ana.enrh);
    int right = ana.pltx0 + ana.pltw - ax.axwx / 2;
    if (ax.tsdfile) {
        for (int c : {ana.enry, ana.enry + ana.enrh, ax.enzero}) vtics(c, ana.ticx, right);
        return;
    }
    float range = par.emin - par.emax;
    if (!(range < 0)) return; // an empty or inverted range has no 10 dB steps
    for (int i = 0; i < 100; i++) {
        float level = -10.0f * i;
        if (range > level) break;
        int o = static_cast<int>(ana.enrh - level * ana.enrh / range + 0.5);
        if (o < 0) continue;
        vtics(ana.enry + o, i % 2 == 0 ? ana.ticx : ana.tic75x, right);
    }
}

void freqaxis() {
    float range = std::fabs(plot.axhi - plot.axlo);
    if (!(range > 0)) return;
    vlines(ana.plty, ana.plth);
    double h = range / (par.ylen * 100.0); // compared as its truncation would be
    int m = h < 10 ? 1 : h < 20 ? 2 : h < 50 ? 5 : h < 100 ? 10 : h < 200 ? 20 : 50;
    int o = 100 * m;
    double k = std::ceil(plot.axlo / o);
    int H = static_cast<int>(m * k);
    int right = ana.pltx0 + ana.pltw - ax.axwx / 2;
    if (range / o > ana.plth + 1) return; // tics denser than the panel's dots: lines only
    for (double I = o * k - plot.axlo; I <= range; I += o, H += m) {
        int J = static_cast<int>(ana.plth / range * I + 0.5);
        if (J > ana.plth) continue;
        int L = H % 10 == 0 ? ana.ticx : H % 5 == 0 ? ana.tic75x : ana.tic50x;
        vtics(ana.plty + J, L, right);
    }
}

void waveaxis() {
    vlines(ana.wavy, ana.wavh);
    int right = ana.pltx0 + ana.pltw;
    vtics(ana.wavy, ana.tic50x, right);
    vtics(ana.wavy + ana.wavh, ana.tic50x, right);
    double z = (sd.wzero - wave.wmn) * ana.wavh / wave.wrn;
    if (std::isfinite(z) && std::fabs(z) < 1e9)
        vtics(ana.wavy + static_cast<int>(z), ana.tic50x, right);
}

// Frequency in Hz of the axis value m.
double axisfreq(double m) {
    if (plot.axtype == 1) return std::pow(2.0, m / 1000) * ana.flo;
    if (plot.axtype == 2) return (std::pow(10.0, m * plot.fpB) - plot.fpC) * plot.fpA;
    return m;
}

// Width and precision of the number for frequency B at numbering interval fint.
void freqformat(double B, int *width, int *prec) {
    int dec = plot.axdec;
    if (plot.axtype == 0) {
        *width = dec + 1, *prec = 0;
        if (par.fint >= 1000) return;
        if (par.fint >= 100)
            *width = dec + 3, *prec = 1;
        else
            *prec = par.fint >= 10 ? 2 : 3; // finer steps get the decimals to tell them apart
        return;
    }
    *width = dec + 1;
    *prec = dec;
    if (B > 0 && std::isfinite(B))
        *prec = std::clamp(dec + 3 - static_cast<int>(std::log10(B)), 0, dec);
}

} // namespace

void freqtext(double m, char *text, int size) {
    double B = axisfreq(m);
    int width, prec;
    freqformat(B, &width, &prec);
    snprintf(text, size, "%*.*f", width, prec, B / 1000);
}

void timetext(double t, char *text, int size) {
    snprintf(text, size, ax.tlabdec ? "%.1f" : "%.0f", t * tunitfac[ax.tunit]);
}

namespace {

void freqnumbers() {
    float range = std::fabs(plot.axhi - plot.axlo);
    if (!(range > 0)) return;
    double x = par.xllc - (par.annsiz / 2.0 + par.ticsiz);
    if (x < par.annsiz) return;
    ax.maxlabw = 0;
    if (!(par.fint > 0)) return;
    double m = std::ceil(plot.axlo / par.fint) * par.fint;
    // more numbers than the panel has dots would only pile up on each other
    if (!(m <= plot.axhi) || (plot.axhi - m) / par.fint > ana.plth + 1) return;
    txtset(0, 1, par.annlwt, par.annsiz, 3, 3);
    for (; m <= plot.axhi; m += par.fint) {
        int u = static_cast<int>((m - plot.axlo) * ana.plth / range + 0.5);
        if (u > ana.plth) continue;
        char text[64];
        freqtext(m, text, sizeof text);
        txtdraw(x, (ana.plty + u) / static_cast<double>(page.yres), text);
        ax.maxlabw = std::max(ax.maxlabw, txtwidth(text));
    }
}

// A title reading upward at ytitlex, centred on y.
void vtitle(double y, const char *text) {
    if (par.labsiz > ax.ytitlex || y < par.labsiz) return;
    txtset(-1, 0, par.lablwt, par.labsiz, 2, 5);
    txtdraw(ax.ytitlex, y, text);
}

void titles() {
    if (par.flabel)
        vtitle(par.yllc + par.ylen / 2.0, plot.axtype == 2 ? "place, kHz" : "frequency, kHz");
    if (par.tlabel) {
        double x = par.xllc + par.xlen / 2.0;
        double y = ax.tlaby - (par.tannot ? 2.0 * par.annsiz : 0.0);
        if (!(x < par.labsiz || y < par.labsiz)) {
            char text[32];
            snprintf(text, sizeof text, "time, %s", tunitname[ax.tunit]);
            txtset(0, 1, par.lablwt, par.labsiz, 2, 1);
            txtdraw(x, y, text);
        }
    }
    if (par.elabel) vtitle(par.ellc + par.elen / 2.0, ax.tsdfile ? "wnr" : "energy");
    if (par.wlabel) vtitle(par.wllc + par.wlen / 2.0, "waveform");
}

// The time number for t seconds from the page start, below the time axis.
void timenumber(double t) {
    if (!par.tannot) return;
    ax.lastlab = t;
    double x = par.xllc + par.xlen / (ana.tpg1 - ana.tpg0) * t;
    double y = ax.tlaby;
    if (!std::isfinite(x) || x < par.annsiz || y < par.annsiz) return;
    char text[64];
    timetext(t, text, sizeof text);
    txtset(0, 1, par.annlwt, par.annsiz, 2, 1);
    txtdraw(x, y, text);
}

// Tic and number schedules of the time axis, from the print rate and the tic interval.
void timescale() {
    ax.tlaby = par.yllc - (par.taxis ? par.ticsiz : 0.0f) - par.annsiz / 2.0;
    ax.tunit = std::clamp((ana.tom + 5) / 3, 0, 4);
    ax.tlabdec = ana.tom % 3 == 0 ? 1 : 0;
    // the tic interval is held in single precision: at 2 in/s v falls just below 5
    float pt = ana.prt * static_cast<float>(ana.t_ti);
    double v = 1 / static_cast<double>(pt);
    ax.ticstep = v < 1 ? 1 : v < 2 ? 2 : v < 5 ? 5 : 1;
    ax.ticbase = v < 5 ? ana.t_ti / 10 : ana.t_ti;
    double w = 5 * par.annsiz / static_cast<double>(pt);
    ax.labstep = w < 1 ? 1 : w < 2 ? 2 : w < 5 ? 5 : 10;
    ax.labiv = ana.t_ti * ax.labstep;
}

void linewidths() {
    ax.axwx = par.axlnwd < page.dotwidth ? 1 : xdots(par.axlnwd - page.dotwidth) + 1;
    ax.axwy = par.axlnwd < page.dotwidth ? 1 : ydots(par.axlnwd - page.dotwidth) + 1;
}

} // namespace

void axframe(int stage) {
    linewidths();
    if (stage != 1) return;
    if (ana.pltx - ana.ticx < 0 || !(par.eaxis || par.faxis || par.taxis || par.waxis)) {
        rowto(ana.pltx0);
        return;
    }
    timescale();
    if (par.fannot) freqnumbers();
    ax.ytitlex = par.xllc - (ax.maxlabw + par.ticsiz + par.annsiz + par.labsiz / 2.0);
    titles();
    timenumber(0);
    if (par.eaxis) energyaxis();
    if (par.faxis) freqaxis();
    if (par.waxis) waveaxis();
    if (par.taxis) {
        int r = ana.pltx0 - ax.axwx / 2;
        ovlrect(r, ana.plty - ana.ticy, ax.axwx, ana.ticy);
        ovlrect(r, ana.plty + ana.plth, ax.axwx, ana.ticy);
        ovlrect(r, ana.plty - ax.axwy / 2, ax.axwx + ana.pltw, ax.axwy);
        ovlrect(r, ana.plty - ax.axwy / 2 + ana.plth, ax.axwx + ana.pltw, ax.axwy);
    }
    rowto(ana.pltx0);
}

void axprime() {
    ax.ticcount = 0;
    ax.nextticT = 0;
    ax.nexttic = 0;
    ax.gridT = 0;
    ax.nextgrid = 0;
}

void taxstep(int j) {
    if (j != ax.nexttic) return;
    float span = ana.tpg1 - ana.tpg0;
    if (par.tannot) {
        double e = ax.lastlab + ax.labiv;
        if ((j + 1) * ana.spp >= ax.lastlab && e <= span + ana.spp) timenumber(e);
    }
    ax.nextticT += ax.ticstep * ax.ticbase;
    ax.ticcount = static_cast<int8_t>((ax.ticcount + ax.ticstep) % 10);
    ax.nexttic = static_cast<int>(ax.nextticT / ana.spp + 0.5);
    int L = ax.ticcount == 0 ? ana.ticy : ax.ticcount == 5 ? ana.tic75y : ana.tic50y;
    if (ax.nextticT <= ana.spp * ax.axwx / 2 + span) {
        int r = ana.pltx0 + ax.nexttic - ax.axwx / 2;
        ovlrect(r, ana.plty - L, ax.axwx, L);
        ovlrect(r, ana.plty + ana.plth, ax.axwx, L);
    }
}

void gridstep(int j) {
    if (j != ax.nextgrid) return;
    float range = std::fabs(plot.axhi - plot.axlo);
    float fg = ana.fgridv;
    if (!(range > 0) || !(fg > 0)) return;
    int dr = (ax.axwx - 1) / 2 + 1, dc = (ax.axwy - 1) / 2 + 1;
    double v = std::ceil(plot.axlo / fg) * fg;
    // a grid finer than the panel's dots would be one solid line of overlays
    if (v <= plot.axhi && (plot.axhi - v) / fg <= ana.plth + 1) {
        for (; v <= plot.axhi; v += fg) {
            int o = static_cast<int>((v - plot.axlo) * ana.plth / range + 0.5);
            if (o > ana.plth) continue;
            ovlrect(ana.pltx0 + j - dr / 2, ana.plty + o - dc / 2, dr, dc);
        }
    }
    ax.gridT += ana.ttic;
    ax.nextgrid = static_cast<int>(ax.gridT / ana.spp + 0.5);
}
