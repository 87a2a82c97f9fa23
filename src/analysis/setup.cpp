// Analysis setup: the panel geometry, frequency and time ranges, window and FFT sizes, the
// spectrum spacing and the time-grid unit of one plot, in that order. A refused plot is
// reported to the caller, which draws nothing for the file and has the plot abandoned.
#include "analysis/setup.h"

#include "analysis/fftslice.h"
#include "analysis/plot.h"
#include "analysis/scan.h"
#include "analysis/window.h"
#include "base/msg.h"
#include "base/opts.h"
#include "base/outcome.h"
#include "base/outfile.h"
#include "base/params.h"
#include "base/stamp.h"
#include "render/core.h"
#include "sdinput/sdfile.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

int nearest(double v) {
    return static_cast<int>(v + 0.5);
}

// The plot cannot be drawn (the reason is written): it is to be given up.
int refused() {
    out.failed = 1;
    return ABANDON;
}

int badvalue(const char *name) {
    msg("ERROR(%s): bad value of %s\n", sd.sdname.c_str(), name);
    return refused();
}

// Every dot value of the panels, tics and page, in table order.
void geometry() {
    if (par.xllc > 32000.0f / ana.xres) {
        ana.pltx = ana.pltx0 = 32000;
    } else {
        ana.pltx = nearest(ana.xres * (par.xllc - plot.xpos));
        ana.pltx0 = nearest(par.xllc * ana.xres);
    }
    ana.plty = nearest(par.yllc * ana.yres);
    ana.plth = nearest(par.ylen * ana.yres);
    ana.wavy = nearest(par.wllc * ana.yres);
    ana.wavh = nearest(par.wlen * ana.yres);
    ana.enry = nearest(par.ellc * ana.yres);
    ana.enrh = nearest(par.elen * ana.yres);
    ana.ticy = nearest(par.ticsiz * ana.yres);
    ana.ticx = nearest(par.ticsiz * ana.xres);
    ana.tic75y = nearest(0.75 * par.ticsiz * ana.yres);
    ana.tic75x = nearest(0.75 * par.ticsiz * ana.xres);
    ana.tic50y = nearest(0.5 * par.ticsiz * ana.yres);
    ana.tic50x = nearest(0.5 * par.ticsiz * ana.xres);
    ana.pagex = nearest(par.xpage * ana.xres);
    ana.pagey = nearest(par.ypage * ana.yres);
    ana.pltw = nearest(par.xlen * ana.xres);
}

// Placements so far off the page that their dot values would not fit an int (a large
// xllc is caught by the 32000-row rule and then by the page length).
int checkplace() {
    const struct {
        const char *name;
        float v;
    } place[] = {{"xlen", par.xlen},  {"yllc", par.yllc},     {"ylen", par.ylen},
                 {"wllc", par.wllc},  {"wlen", par.wlen},     {"ellc", par.ellc},
                 {"elen", par.elen},  {"ticsiz", par.ticsiz}, {"xpage", par.xpage},
                 {"ypage", par.ypage}};
    if (!(par.xllc > -1000)) return badvalue("xllc");
    for (const auto &p : place)
        if (!(std::fabs(p.v) < 1000)) return badvalue(p.name);
    return 0;
}

// Values that would divide by zero, loop or make NaN further on.
int checkpars() {
    if (!(sd.srate > 0) || !std::isfinite(sd.srate)) {
        msg("ERROR(%s): no sampling rate\n", sd.sdname.c_str());
        return refused();
    }
    if (!(par.xlen > 0)) return badvalue("xlen");
    // a left edge beyond the page is a row the scan never reaches
    if (page.pagerows > 0 && ana.pltx0 >= page.pagerows) return badvalue("xllc");
    if (!(par.emax > par.emin)) return badvalue("emax");
    if (!(par.floor > 0) || par.floor == 1.0f) return badvalue("floor");
    return 0;
}

// The analysed frequency range.
void freqrange() {
    ana.flo = par.fmin >= 0 ? par.fmin : 0;
    ana.fhi = par.fmax;
    ana.fgridv = par.fgrid;
    if (par.nflim) {
        float q = sd.srate * 0.5;
        ana.flo = std::fmin(std::fmax(ana.flo, 0.0f), q);
        ana.fhi = std::fmin(std::fmax(par.fmax, 0.0f), q);
    }
    if (ana.fhi == ana.flo) {
        ana.flo = 0;
        ana.fhi = sd.srate * 0.5;
    } else if (ana.fhi < ana.flo) {
        float t = ana.flo;
        ana.flo = ana.fhi;
        ana.fhi = t;
    }
    ana.lnr = 0;
    if (par.foct > 0) {
        float r = std::pow(2.0, static_cast<double>(par.foct));
        if (ana.flo <= 0) ana.flo = ana.fhi / r;
        if (ana.fhi <= 0) ana.fhi = ana.flo * r;
        ana.lnr = std::log(static_cast<double>(ana.fhi / ana.flo));
    }
}

// an hour in half-second pages is 7,200
constexpr int MAXPAGES = 10000;

float pagestart(int k) {
    return static_cast<float>(ana.tfirst + k * static_cast<double>(ana.tpgstep));
}

// Pages of tpage each over the plotted range; 1 when a page would hold less than a sample
// or the range more pages than anyone would print (said).
int pagecount() {
    const double n = std::ceil((ana.tend - static_cast<double>(ana.tfirst)) / ana.tpgstep);
    if (ana.tpgstep * static_cast<double>(sd.srate) < 1) {
        msg("ERROR(%s): bad value of tpage: a page holds less than one sample\n",
            sd.sdname.c_str());
        return 1;
    }
    if (!(n <= MAXPAGES)) {
        msg("ERROR(%s): bad value of tpage: %.0f pages, more than %d\n", sd.sdname.c_str(), n,
            MAXPAGES);
        return 1;
    }
    // a page whose start rounds up to the end is no page
    int k = static_cast<int>(n);
    while (k > 1 && !(ana.tend > pagestart(k - 1))) k--;
    ana.npages = k;
    return 0;
}

// Plotted range, paging and print rate.
int timerange() {
    float d = sd.nsamp / sd.srate;
    ana.tpg0 = std::fmin(std::fmax(par.tmin, 0.0f), d);
    ana.tend = par.tmax > 0 ? par.tmax : d;
    if (ana.tend <= ana.tpg0) {
        msg("invalid time range\n");
        return refused();
    }
    // sample positions are 32-bit, as the file's length is: a range past them cannot be read
    if (!(ana.tend * static_cast<double>(sd.srate) < 2.0e9)) return badvalue("tmax");
    ana.tfirst = ana.tpg0;
    ana.npages = 1;
    if (par.tpage > 0 && par.newpage) {
        ana.tpgstep = par.tpage;
        ana.tpg1 = std::fmin(ana.tpg0 + par.tpage, ana.tend);
        if (pagecount()) return refused();
    } else {
        ana.tpgstep = 0;
        ana.tpg1 = ana.tend;
    }
    ana.prt = ana.tpg1 > ana.tpg0 ? par.xlen / (ana.tpg1 - ana.tpg0) : 1.0f;
    // a rate so high or low that a row covers no time, or more samples than an int holds
    double rowsamp = sd.srate / (ana.xres * static_cast<double>(ana.prt));
    if (!(ana.prt > 0) || !std::isfinite(ana.prt) || !(rowsamp < 1e9))
        return badvalue(ana.tpgstep > 0 ? "tpage" : "tmax");
    ana.tom = static_cast<int>(std::log10(static_cast<double>(ana.prt)));
    ana.t_ti = std::pow(0.1, ana.tom + 1);
    if (opt.debugopt) msg("tom=%d, t_ti=%.3f\n", ana.tom, ana.t_ti);
    return 0;
}

// Window length and table, energy rate, LPC order, FFT length.
int windowfft() {
    ana.wfac = winfac(par.window);
    float x;
    if (par.bandwidth <= 0)
        x = 4096;
    else if (par.windwidth > 0)
        x = par.windwidth * sd.srate;
    else
        x = ana.wfac * sd.srate / par.bandwidth;
    x = std::fmin(std::fmax(x, 0.0f), 8192.0f);
    ana.nwin = static_cast<int>(x);
    if (par.eeps / ana.prt < 1 || par.eeps / ana.prt > 100) par.eeps = 10 * ana.prt;
    winset(ana.nwin, par.window);
    if (par.nlpc < 0) par.nlpc = 0;
    if (par.nlpc > 40) par.nlpc = 40;
    if (par.mfft > 0) {
        ana.nfft = par.mfft < 14 ? 1 << par.mfft : 8192;
    } else {
        int p = 1;
        while (p < ana.nwin) p <<= 1;
        ana.nfft = ana.nwin <= 1 ? 2 : 2 * p;
    }
    if (ana.nfft < 8) ana.nfft = 8;
    if (ana.nfft > 8192) ana.nfft = 8192;
    if (par.nlpc >= ana.nfft) par.nlpc = ana.nfft - 1; // the model's coefficients fill one FFT
    if (ana.nwin > ana.nfft) {
        msg("window width is greater than FFT width\n");
        return refused();
    }
    return 0;
}

// Displayed bins, kept within the gray column and row tables.
void bins() {
    ana.nbins = ana.nfft / 2 + 1;
    float df = sd.srate / ana.nfft;
    ana.kmin = static_cast<int>(ana.flo / df + 0.5);
    ana.nk = static_cast<int>((ana.fhi - ana.flo) / df + 0.5);
    if (ana.nk > NKMAX) {
        msg("WARNING(%s): %d frequency rows, only %d shown\n", sd.sdname.c_str(), ana.nk, NKMAX);
        ana.nk = NKMAX;
        ana.fhi = ana.flo + static_cast<int>(NKMAX) * df;
    }
    if (ana.nk < 1) ana.nk = 1;
}

// Row clock, spectrum spacing, time-grid unit.
int spacing() {
    ana.spp = 1 / (ana.xres * ana.prt);
    ana.tsamp = 1 / sd.srate;
    int f = par.ftpi < 1 ? 1 : par.ftpi;
    int cpi = (ana.xres + f / 2) / f;
    float q = par.ftpw * ana.spp * sd.srate;
    if (q > 0 && cpi > 0 && ana.nwin / cpi >= q)
        ana.fftskp = static_cast<int>(ana.nwin / q);
    else
        ana.fftskp = cpi;
    if (opt.debugopt) msg("fftskp=%d\n", ana.fftskp);
    if (ana.fftskp < 1) return badvalue(cpi < 1 ? "ftpi" : "ftpw");
    double s = ana.xres * ana.spp;
    ana.ttic = 0.1;
    while (ana.ttic > 0.5 * s) ana.ttic *= 0.1;
    while (ana.ttic > 0.05 * s) ana.ttic *= 0.5;
    return 0;
}

} // namespace

// The analysis buffers, allocated once for the process.
int anabufs() {
    if (wave.sbuf && fsl.spec) return 0;
    if (!wave.sbuf) wave.sbuf = static_cast<int32_t *>(std::calloc(SBUFMAX, sizeof(int32_t)));
    if (!fsl.spec) fsl.spec = static_cast<float *>(std::calloc(SPECMAX, sizeof(float)));
    if (wave.sbuf && fsl.spec) return 0;
    msg("memory allocation error!\n");
    return 1;
}

int plotready() {
    if (!openplot || openplot() != 0) return 1;
    ana.xres = xdots(1.0);
    ana.yres = ydots(1.0);
    return 0;
}

int setup() {
    if (anabufs()) return refused();
    stamp.plotname = sd.sdname;
    if (plotready() != 0 || ana.xres <= 0 || ana.yres <= 0) {
        out.failed = 1; // the device said why; the run goes on without this plot
        return 1;
    }
    if (checkplace()) return ABANDON;
    geometry();
    if (checkpars()) return ABANDON;
    // without the Nyquist limit any fmin or fmax reaches the bins, which count in an int
    if (!par.nflim && !(std::fabs(par.fmin) < 1e8)) return badvalue("fmin");
    if (!par.nflim && !(std::fabs(par.fmax) < 1e8)) return badvalue("fmax");
    freqrange();
    if (par.foct > 0 && !(ana.lnr > 0 && std::isfinite(ana.lnr))) return badvalue("foct");
    if (timerange() || windowfft()) return ABANDON;
    bins();
    return spacing();
}

int pagebounds(int k) {
    ana.tpg0 = pagestart(k);
    ana.tpg1 = pagestart(k + 1);
    if (!(ana.tpg1 >= ana.tend)) return 0;
    ana.tpg1 = ana.tend;
    return 1;
}
