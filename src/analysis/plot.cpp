// The plot command: opens one file, runs the setup and the scan, builds the frequency axis
// and the row positions, then draws page after page, one time slice per row. A plot the
// setup or a page driver refuses ends here: its files are closed, nothing more is drawn and
// the caller is told how the run's plot is to end.
#include "analysis/plot.h"

#include "analysis/axes.h"
#include "analysis/bandlist.h"
#include "analysis/cochlea.h"
#include "analysis/fftslice.h"
#include "analysis/progress.h"
#include "analysis/scan.h"
#include "analysis/setup.h"
#include "base/msg.h"
#include "base/opts.h"
#include "base/outcome.h"
#include "base/outfile.h"
#include "base/params.h"
#include "base/stamp.h"
#include "render/core.h"
#include "render/gray.h"
#include "render/text.h"
#include "sdinput/sdfile.h"
#include "sdinput/tsdfile.h"

#include <algorithm>
#include <cmath>

namespace {

float clampf(double v, float lo, float hi) {
    if (!(v >= lo)) return lo; // NaN and -inf too
    return v > hi ? hi : static_cast<float>(v);
}

// Place-axis range: the map of fmin..fmax when that is a range, else the whole cochlea.
void placerange() {
    if (par.fmin > 0 && par.fmax > par.fmin) {
        plot.axlo = clampf(fplace(par.fmin), 0, 10000);
        plot.axhi = clampf(fplace(par.fmax), 0, 10000);
    } else {
        plot.axlo = 0;
        plot.axhi = 10000;
    }
}

// Frequency of displayed row i of the analysed range.
float rowfreq(int i) {
    return ana.flo + i * (ana.fhi - ana.flo) / ana.nk;
}

// The frequency axis of a sampled-data file and its row positions.
void freqaxis() {
    int nk = ana.nk;
    if (par.fpma > 0 && par.fpmb > 0) {
        plot.fpA = 1000 * par.fpma;
        plot.fpB = par.fpmb * 100 / 10000;
        plot.fpC = par.fpmc;
        placerange();
        // positions relative to the axis range, finite and within the panel
        double span = plot.axhi - plot.axlo;
        for (int i = 0; i <= nk; i++) {
            double p = span > 0 ? (fplace(rowfreq(i)) - plot.axlo) / span : 0;
            plot.graypos[i] = clampf(p, 0, 1);
        }
        plot.axtype = 2;
        plot.axdec = 3;
    } else if (ana.lnr > 0) {
        for (int i = 0; i <= nk; i++)
            plot.graypos[i] =
                clampf(std::log(static_cast<double>(rowfreq(i) / ana.flo)) / ana.lnr, 0, 1);
        plot.axlo = 0;
        plot.axhi = 1000 * ana.lnr / std::log(2.0);
        plot.axtype = 1;
        int n = static_cast<int>(ana.flo + 0.5);
        plot.axdec = n % 1000 == 0 ? 0 : n % 100 == 0 ? 1 : n % 10 == 0 ? 2 : 3;
    } else {
        for (int i = 0; i <= nk; i++) plot.graypos[i] = static_cast<float>(i * (1.0 / nk));
        plot.axlo = ana.flo;
        plot.axhi = ana.fhi;
        plot.axtype = 0;
        plot.axdec = 0;
    }
}

// The place axis of a time-step file; its rows are the channels.
void tsdaxis() {
    plot.fpA = 1000 * std::clamp(tsd.ha, 0.0f, 1.0f);
    plot.fpB = std::clamp(tsd.hb, 0.0f, 1.0f) * 100 / 10000;
    plot.fpC = std::clamp(tsd.hc, 0.0f, 1.0f);
    placerange();
    plot.axtype = 2;
    plot.axdec = 3;
    int nch = tsd.npts - 1;
    float u = nch >= 2 ? 10000.0f / nch : 10000.0f;
    ana.kmin = static_cast<int>(plot.axlo / u + 0.5);
    ana.nk = static_cast<int>(plot.axhi / u + 0.5) - ana.kmin + 1;
    ana.nk = std::clamp(ana.nk, 1, GRAYPOSMAX - 2);
    ana.fgridv = 1000;
    ana.flo = placef(plot.axlo);
    ana.fhi = placef(plot.axhi);
    for (int i = 0; i <= ana.nk; i++) plot.graypos[i] = static_cast<float>(i) / ana.nk;
}

// Appends the record of the panels just set up (nothing when 64 are held).
void appendrec() {
    if (plot.nplotrec >= PLOTRECMAX) return;
    PlotRec &r = plot.plotrec[plot.nplotrec++];
    r.sdname = sd.sdname;
    r.channel = sd.chan;
    r.axtype = plot.axtype;
    r.left = ana.pltx0;
    r.bottom = ana.plty;
    r.right = ana.pltx0 + ana.pltw;
    r.top = ana.plty + ana.plth;
    r.wavbot = ana.wavy;
    r.wavtop = ana.wavy + ana.wavh;
    r.nfft = ana.nfft;
    r.nwin = ana.nwin;
    r.tpg0 = ana.tpg0;
    r.tpg1 = ana.tpg1;
    r.flo = ana.flo;
    r.fhi = ana.fhi;
    r.lnr = ana.lnr;
    r.fpA = plot.fpA;
    r.fpB = plot.fpB;
    r.fpC = plot.fpC;
    r.maxpow = static_cast<float>(fsl.maxpow);
    r.srate = sd.srate;
}

// The file name and the run's date and time at the foot of the first page.
void datestamp() {
    txtup(0, 1);
    txtweight(par.lablwt);
    txtsize(par.labsiz);
    txtbox(0);
    if (par.date > 1) {
        txtjust(1, 3);
        txtdraw(0.1, 0.1, stamp.plotname);
    }
    std::string when = stamp.rundate;
    while (!when.empty() && (when.back() == '\n' || when.back() == '\r')) when.pop_back();
    txtjust(3, 3);
    txtdraw(10.4, 0.1, when);
}

// Page start common to both drivers; 1 when the page is refused: the plot is then ended.
int pagestart(int cochlear, int first) {
    if (ana.pltx < 0) {
        msg("ERROR(%s): x=%.1f and xllc=%.1f\n", sd.sdname.c_str(), plot.xpos, par.xllc);
        out.failed = 1;
        return 1;
    }
    if (ana.nwin <= 0) {
        msg("invalid window width %d\n", ana.nwin);
        out.failed = 1;
        return 1;
    }
    if (opt.verbose) cochlear ? cochsum() : fftsum();
    // xpos is 0 on every page after a page end: the stamp goes on the first one only
    if (par.date && plot.xpos == 0 && first) datestamp();
    wavprime();
    axframe(1);
    if (!cochlear && par.wrfile) bandhead();
    plot.xpos = plot.xpos + static_cast<double>(ana.pltx) / ana.xres;
    return 0;
}

// Page n of total of either spectrograph; 1 when it was refused.
int drawpage(int cochlear, int first, int n, int total) {
    progclear(); // the page's messages start on a line of their own
    if (pagestart(cochlear, first)) return 1;
    progshow(n, total);
    double tc = 0, tr = 0; // slice clock and read clock, seconds from the page start
    int h = static_cast<int>(ana.spp * sd.srate + 0.5);
    for (int j = 0; j < ana.pltw; j++) {
        if (plot.nplotrec > 0)
            plot.plotrec[plot.nplotrec - 1].maxpow = static_cast<float>(fsl.maxpow);
        if (cochlear) {
            cochslice(tr);
        } else {
            if (par.prspec) specslice(j);
            if (par.wrfile) bandline(j);
        }
        if (par.taxis) taxstep(j);
        if (par.grid) gridstep(j);
        if (par.prwave) wavslice(j, ana.nwin, h);
        if (par.prenrg) cochlear ? cochtrace(j) : enrslice(j, ana.nwin);
        rowadv(1);
        plot.xpos = plot.xpos + 1.0 / ana.xres;
        tc = tc + ana.spp;
        // the read clock follows the slice clock: rounding never accumulates
        h = static_cast<int>((tc - tr) * sd.srate + 0.5);
        wavadv(h, ana.nwin);
        tr = tr + h * ana.tsamp;
    }
    if (par.taxis) taxstep(ana.pltw);
    axframe(1);
    axframe(2);
    plot.xpos = plot.xpos + static_cast<double>(ana.tic50x) / ana.xres;
    return 0;
}

// Pages until the range is drawn, the last one shorter at the same time scale.
Outcome pageloop(int cochlear) {
    const int total = ana.npages;
    for (int k = 0; k < total; k++) {
        if (k > 0) {
            plotclear();
            plot.xpos = 0;
        }
        if (drawpage(cochlear, k == 0, k + 1, total)) return progclear(), ENDPLOT;
        if (par.newpage) pageend();
        if (k + 1 < total && pagebounds(k + 1))
            ana.pltw =
                static_cast<int>(ana.xres * (ana.tend - ana.tpg0) * par.xlen / ana.tpgstep + 0.5);
    }
    progclear();
    return GOON;
}

// Setup, scan, frequency axis and row positions, then the pages of either spectrograph of
// the open file; a plot the setup cannot draw on any device is skipped, a refused one given up.
Outcome drawplot(int cochlear) {
    if (const int s = setup()) return s == ABANDON ? ABANDON : GOON;
    scnwav();
    if (cochlear) {
        fscnwav();
        tsdaxis();
    } else {
        freqaxis();
    }
    setgraypos(plot.graypos);
    appendrec();
    return pageloop(cochlear);
}

// Class 2: the cochlear spectrograph of a time-step file beside its stimulus waveform.
Outcome plottsd() {
    if (tsdopen() <= 0) {
        msg("ERROR :  can't open %s\n", sd.sdname.c_str());
        return ABANDON;
    }
    sd.sdname = tsd.stimname;
    sdformat(sd.sdname);
    if (!sdopen()) {
        msg("ERROR : can't open stimulus file %s\n", sd.sdname.c_str());
        sdclose();
        tsdclose();
        return ABANDON;
    }
    const Outcome o = drawplot(1);
    tsdclose();
    sdclose();
    return o;
}

// Any other class: the FFT spectrograph of a sampled-data file. A file that cannot be read
// ends its plot with the reason said, never a plot of silence.
Outcome plotsdf() {
    const char *why = !sdopen()       ? "can't open file %s\n"
                      : sd.nsamp <= 0 ? "no samples in %s\n"
                                      : nullptr;
    if (why) {
        msg(why, sd.sdname.c_str());
        out.failed = 1;
        sdclose();
        return ENDPLOT;
    }
    const Outcome o = drawplot(0);
    sdclose();
    return o;
}

} // namespace

double fplace(double f) {
    return std::log10(f / plot.fpA + plot.fpC) / plot.fpB;
}

double placef(double place) {
    double e = std::clamp(plot.fpB * place, -30.0, 30.0);
    return plot.fpA * (std::pow(10.0, e) - plot.fpC);
}

void plotclear() {
    for (int i = 0; i < plot.nplotrec; i++) plot.plotrec[i] = PlotRec{};
    plot.nplotrec = 0;
}

Outcome plotcmd(int kind) {
    plot.xpos = 0;
    ax.tsdfile = kind == 2;
    return kind == 2 ? plottsd() : plotsdf();
}

void pageeject() {
    if (plot.xpos > 0) pageend();
}
