// Axes on a capturing vector device: line widths, the time tic and number schedules, tic
// positions and lengths on every axis, number formats, the grid, and degenerate values.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <vector>

#include "analysis/plot.h"
#include "analysis/scan.h"
#include "analysis/setup.h"
#include "base/msg.h"
#include "base/outfile.h"
#include "base/params.h"
#include "analysis/axes.h"
#include "render/core.h"
#include "sdinput/sdfile.h"

namespace {

struct Rect {
    int r, c, nr, nc;
};
std::vector<Rect> rects;
int nlines = 0;

void caprect(int r, int c, int nr, int nc) {
    rects.push_back({r, c, nr, nc});
}
void capline(int, const int *, const int *, double) {
    nlines++;
}
void capclose(int) {}

int nearest(double v) {
    return static_cast<int>(v + 0.5);
}

// A 300-dot vector device that records what it is handed, and the analysis values of a
// page of `secs` seconds at the current parameters (as the setup derives them).
void openpage(double secs) {
    page = Page{.xres = 300,
                .yres = 300,
                .pagerows = 3150,
                .pagecols = 2400,
                .planes = 1,
                .dotwidth = static_cast<double>(1.0f / 300.0f)};
    devtab = DevTab{.devclose = capclose,
                    .devline = capline,
                    .devband = nullptr,
                    .devrect = caprect,
                    .devpage = nullptr,
                    .devret = nullptr,
                    .devimage = nullptr};
    devprep();
    rects.clear();
    nlines = 0;
    ana.xres = ana.yres = 300;
    ana.pltx = ana.pltx0 = nearest(par.xllc * 300);
    ana.plty = nearest(par.yllc * 300), ana.plth = nearest(par.ylen * 300);
    ana.wavy = nearest(par.wllc * 300), ana.wavh = nearest(par.wlen * 300);
    ana.enry = nearest(par.ellc * 300), ana.enrh = nearest(par.elen * 300);
    ana.ticx = ana.ticy = nearest(par.ticsiz * 300);
    ana.tic75x = ana.tic75y = nearest(0.75 * par.ticsiz * 300);
    ana.tic50x = ana.tic50y = nearest(0.5 * par.ticsiz * 300);
    ana.pltw = nearest(par.xlen * 300);
    ana.tpg0 = 0, ana.tpg1 = static_cast<float>(secs);
    ana.prt = par.xlen / ana.tpg1;
    ana.tom = static_cast<int>(std::log10(ana.prt));
    ana.t_ti = std::pow(0.1, ana.tom + 1);
    ana.spp = 1 / (300 * ana.prt);
    ana.fgridv = par.fgrid;
    ana.ttic = 0.01;
    axprime();
}

// Passes the whole page so every overlay reaches the device.
void passall() {
    rowto(ana.pltx0 + ana.pltw + 16);
    pageend();
}

void linearaxis(float lo, float hi) {
    plot.axtype = 0, plot.axdec = 0, plot.axlo = lo, plot.axhi = hi;
    ana.flo = lo, ana.fhi = hi;
}

class Axes : public ::testing::Test {
  protected:
    void SetUp() override {
        pardefaults();
        ax = ::Axes{};
        sd = Sd{};
        wave.wmn = -1000, wave.wrn = 2000, sd.wzero = 0;
        linearaxis(0, 8000);
    }
};

// The device gets overlays in the order the scan passes them, not as they were made.
void byplace(std::vector<Rect> &v) {
    std::sort(v.begin(), v.end(),
              [](const Rect &a, const Rect &b) { return a.r != b.r ? a.r < b.r : a.c < b.c; });
}

// Left tics of a vertical axis, bottom first: rects ending at pltx0, axwy columns tall.
std::vector<Rect> lefttics(int lo, int hi) {
    std::vector<Rect> out;
    for (const Rect &q : rects)
        if (q.r + q.nr == ana.pltx0 && q.nc == ax.axwy && q.c >= lo - 2 && q.c <= hi)
            out.push_back(q);
    std::sort(out.begin(), out.end(), [](const Rect &a, const Rect &b) { return a.c < b.c; });
    return out;
}

TEST_F(Axes, LineWidthFromTheAxisWeight) {
    struct Case {
        float axlnwd;
        int w;
    } cases[] = {{0.01f, 2}, {0.001f, 1}, {0.0f, 1}, {0.02f, 5}};
    for (const auto &c : cases) {
        par.axlnwd = c.axlnwd;
        openpage(1);
        axframe(2); // widths only
        EXPECT_EQ(ax.axwx, c.w) << c.axlnwd;
        EXPECT_EQ(ax.axwy, c.w) << c.axlnwd;
        passall();
        EXPECT_TRUE(rects.empty());
    }
}

TEST_F(Axes, TimeTicAndNumberSteps) {
    struct Case {
        double secs; // on the default 8.5 inches
        float xlen;
        int ticstep;
        double ticbase;
        int labstep;
        int tunit, tlabdec;
        double t;
        const char *text;
    } cases[] = {
        {2, 3.0f, 1, 0.1, 5, 1, 1, 0.5, "0.5"},       // 1.5 in/s
        {1, 2.0f, 5, 0.01, 2, 1, 1, 0.2, "0.2"},      // 2 in/s: v just below 5
        {0.085, 8.5f, 1, 0.001, 5, 2, 0, 0.004, "4"}, // 100 in/s: msec, no decimals
        {6, 3.0f, 1, 0.1, 10, 1, 1, 1.0, "1.0"},      // 0.5 in/s
        {1, 8.5f, 2, 0.01, 1, 1, 1, 0.1, "0.1"},      // the default page
    };
    for (const auto &c : cases) {
        par.xlen = c.xlen;
        openpage(c.secs);
        axframe(1);
        EXPECT_EQ(ax.ticstep, c.ticstep) << c.secs;
        EXPECT_NEAR(ax.ticbase, c.ticbase, 1e-12) << c.secs;
        EXPECT_EQ(ax.labstep, c.labstep) << c.secs;
        EXPECT_NEAR(ax.labiv, ana.t_ti * c.labstep, 1e-12) << c.secs;
        EXPECT_EQ(ax.tunit, c.tunit) << c.secs;
        EXPECT_EQ(ax.tlabdec, c.tlabdec) << c.secs;
        char text[32];
        timetext(c.t, text, sizeof text);
        EXPECT_STREQ(text, c.text) << c.secs;
        passall();
    }
}

TEST_F(Axes, FrequencyTicsEveryStepLongAndMedium) {
    struct Case {
        const char *what;
        int axtype;
        float lo, hi, ylen;
        int step; // axis units between tics
        int ntics;
    } cases[] = {
        {"linear 0..8000 on 4 in", 0, 0, 8000, 4.0f, 500, 17},
        {"linear 200..3000 on 4.5 in", 0, 200, 3000, 4.5f, 100, 29},
        {"octave, 3 octaves", 1, 0, 3000, 4.0f, 100, 31},
        {"place 0..10000", 2, 0, 10000, 4.5f, 500, 21},
    };
    for (const auto &c : cases) {
        par.ylen = c.ylen;
        par.fannot = 0, par.eaxis = 0, par.waxis = 0, par.taxis = 0;
        openpage(1);
        plot.axtype = c.axtype, plot.axlo = c.lo, plot.axhi = c.hi;
        axframe(1);
        passall();
        auto tics = lefttics(ana.plty, ana.plty + ana.plth);
        ASSERT_EQ(static_cast<int>(tics.size()), c.ntics) << c.what;
        int m = c.step / 100;
        int k0 = static_cast<int>(std::ceil(c.lo / c.step));
        float range = c.hi - c.lo;
        for (int i = 0; i < c.ntics; i++) {
            int k = k0 + i, H = m * k;
            int J = static_cast<int>(ana.plth / range * (c.step * k - c.lo) + 0.5);
            int L = H % 10 == 0 ? ana.ticx : H % 5 == 0 ? ana.tic75x : ana.tic50x;
            EXPECT_EQ(tics[i].c, ana.plty + J - ax.axwy / 2) << c.what << " tic " << i;
            EXPECT_EQ(tics[i].nr, L) << c.what << " tic " << i;
        }
        // the axis lines at both edges
        int lines = 0;
        for (const Rect &q : rects)
            if (q.nr == ax.axwx && q.nc == ana.plth + ax.axwy && q.c == ana.plty - ax.axwy / 2)
                lines++;
        EXPECT_EQ(lines, 2) << c.what;
    }
}

TEST_F(Axes, FrequencyNumberFormats) {
    struct Case {
        int axtype, axdec;
        float fint, flo;
        double m;
        const char *text;
    } cases[] = {
        {0, 0, 1000, 0, 0, "0"},          {0, 0, 1000, 0, 8000, "8"},
        {0, 0, 500, 0, 1500, "1.5"},      {0, 0, 500, 0, 0, "0.0"},
        {0, 0, 50, 0, 150, "0.15"}, // finer than 100 Hz: two decimals
        {0, 0, 5, 0, 1005, "1.005"},      {1, 3, 1000, 125, 0, "0.125"}, // octave axis from 125 Hz
        {1, 3, 1000, 125, 3000, "1.000"}, {1, 1, 1000, 100, 0, "0.1"},
        {1, 1, 1000, 100, 4000, "1.6"},   {1, 1, 1000, 100, 7000, "13"},
        {1, 0, 1000, 1000, 1000, "2"},
    };
    for (const auto &c : cases) {
        plot.axtype = c.axtype, plot.axdec = c.axdec;
        par.fint = c.fint;
        ana.flo = c.flo;
        char text[64];
        freqtext(c.m, text, sizeof text);
        EXPECT_STREQ(text, c.text) << c.axtype << " " << c.m;
    }
    // place axis: (10^(m fpB) - fpC) fpA
    plot.axtype = 2, plot.axdec = 3;
    plot.fpA = 165.4f, plot.fpB = 0.00021f, plot.fpC = 0.88f;
    char text[64];
    freqtext(5000, text, sizeof text);
    double B = (std::pow(10.0, 5000 * static_cast<double>(plot.fpB)) - plot.fpC) * plot.fpA;
    char want[64];
    snprintf(want, sizeof want, "%.3f", B / 1000); // about 1.8 kHz: three decimals
    EXPECT_STREQ(text, want);
}

TEST_F(Axes, TimeTicsOneStepAheadLongEveryTenthUnit) {
    par.xlen = 3.0f; // 1.5 in/s: tics every 0.1 s
    openpage(2);
    par.tannot = 1;
    axframe(1);
    for (int j = 0; j < ana.pltw; j++) {
        taxstep(j);
        rowadv(1);
    }
    taxstep(ana.pltw);
    passall();
    std::vector<Rect> below;
    for (const Rect &q : rects)
        if (q.nr == ax.axwx && q.c + q.nc == ana.plty && q.r >= ana.pltx0) below.push_back(q);
    byplace(below);
    ASSERT_EQ(below.size(), 20u);
    for (int k = 1; k <= 20; k++) {
        const Rect &q = below[k - 1];
        int row = ana.pltx0 + static_cast<int>(k * 0.1 / ana.spp + 0.5) - ax.axwx / 2;
        int L = k % 10 == 0 ? ana.ticy : k % 5 == 0 ? ana.tic75y : ana.tic50y;
        EXPECT_EQ(q.r, row) << k;
        EXPECT_EQ(q.nc, L) << k;
    }
    EXPECT_NEAR(ax.lastlab, 2.0, 1e-9); // numbers every 0.5 s up to the page end
}

TEST_F(Axes, GridDotsEveryTticAndEveryFgrid) {
    openpage(1);
    ana.ttic = 0.05;
    axframe(2);
    for (int j = 0; j < ana.pltw; j++) {
        gridstep(j);
        rowadv(1);
    }
    passall();
    byplace(rects);
    // 1 s in steps of 0.05 s: 20 columns (t = 0 .. 0.95) of 9 dots (0, 1000, .. 8000 Hz)
    ASSERT_EQ(rects.size(), 20u * 9u);
    for (int g = 0; g < 20; g++)
        for (int f = 0; f < 9; f++) {
            const Rect &q = rects[g * 9 + f];
            int j = static_cast<int>(g * 0.05 / ana.spp + 0.5);
            EXPECT_EQ(q.r, ana.pltx0 + j) << g << " " << f;
            EXPECT_EQ(q.c, ana.plty + static_cast<int>(f * 1000.0 * ana.plth / 8000 + 0.5));
            EXPECT_EQ(q.nr, 1);
            EXPECT_EQ(q.nc, 1);
        }
}

TEST_F(Axes, EnergyAndWaveformTics) {
    par.faxis = 0, par.taxis = 0, par.fannot = 0;
    openpage(1);
    axframe(1);
    passall();
    auto en = lefttics(ana.enry, ana.enry + ana.enrh);
    ASSERT_EQ(en.size(), 5u); // -40, -30, -20, -10, 0 dB from the bottom
    for (int i = 0; i < 5; i++) {
        EXPECT_EQ(en[4 - i].c, ana.enry + nearest(ana.enrh - i * ana.enrh / 4.0) - ax.axwy / 2)
            << i;
        EXPECT_EQ(en[4 - i].nr, i % 2 ? ana.tic75x : ana.ticx) << i;
    }
    auto wv = lefttics(ana.wavy, ana.wavy + ana.wavh);
    ASSERT_EQ(wv.size(), 3u); // bottom, top and the zero level in the middle
    EXPECT_EQ(wv[0].c, ana.wavy - ax.axwy / 2);
    EXPECT_EQ(wv[1].c, ana.wavy + ana.wavh / 2 - ax.axwy / 2);
    EXPECT_EQ(wv[2].c, ana.wavy + ana.wavh - ax.axwy / 2);

    // a time-step file: tics at the bottom, the top and the zero column only
    ax.tsdfile = 1;
    openpage(1);
    ax.enzero = ana.enry + 10;
    axframe(1);
    passall();
    en = lefttics(ana.enry, ana.enry + ana.enrh);
    ASSERT_EQ(en.size(), 3u);
    EXPECT_EQ(en[1].c, ana.enry + 10 - ax.axwy / 2);
    for (const Rect &q : en) EXPECT_EQ(q.nr, ana.ticx);
}

TEST_F(Axes, NothingLeftOfThePageAndTitlesOnlyWhereTheyFit) {
    par.xllc = 0.05f; // the tics would start left of the page
    openpage(1);
    axframe(1);
    passall();
    EXPECT_TRUE(rects.empty());
    EXPECT_EQ(nlines, 0);

    auto strokes = [](float xllc, int flabel) {
        par.xllc = xllc, par.flabel = flabel;
        openpage(1);
        axframe(1);
        passall();
        return nlines;
    };
    EXPECT_GT(strokes(1.25f, 1), strokes(1.25f, 0)); // room for the title
    EXPECT_EQ(strokes(0.2f, 1), strokes(0.2f, 0));   // its anchor would lie left of labsiz
}

TEST_F(Axes, DegenerateValuesNeitherHangNorDraw) {
    char *msgs = nullptr;
    size_t msglen = 0;
    msgfp = open_memstream(&msgs, &msglen);
    auto strokes = [] {
        openpage(1);
        axframe(1);
        for (int j = 0; j <= ana.pltw; j++) gridstep(j), taxstep(j), rowadv(1);
        passall();
        return nlines;
    };
    par.fannot = 0;
    int nonumbers = strokes();
    par.fannot = 1;
    EXPECT_GT(strokes(), nonumbers);
    auto t0 = std::chrono::steady_clock::now();
    for (float fint : {0.0f, -100.0f, 1e-6f}) {
        par.fint = fint;
        EXPECT_EQ(strokes(), nonumbers) << fint;
        EXPECT_EQ(ax.maxlabw, 0) << fint;
    }
    par.fint = 1000;
    auto gridrects = [](float fgrid) {
        par.fgrid = fgrid;
        par.taxis = 0, par.faxis = 0, par.eaxis = 0, par.waxis = 0;
        openpage(1);
        for (int j = 0; j <= ana.pltw; j++) gridstep(j), rowadv(1);
        passall();
        return rects.size();
    };
    EXPECT_GT(gridrects(1000), 0u);
    for (float fgrid : {0.0f, -5.0f, 1e-6f}) EXPECT_EQ(gridrects(fgrid), 0u) << fgrid;
    pardefaults();
    // an absurd axis range, an empty energy range, a zero waveform range
    linearaxis(0, 1e30f);
    par.emin = par.emax = 0;
    wave.wrn = 0;
    strokes();
    par.emin = 10;
    strokes();
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(5));
    fclose(msgfp);
    msgfp = stderr;
    EXPECT_EQ(std::string(msgs, msglen), ""); // no overlay was refused on the way
    free(msgs);
}

} // namespace
