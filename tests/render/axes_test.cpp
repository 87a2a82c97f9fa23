// Axes on the recording vector device: line widths, the time tic and number schedules, tic
// positions and lengths on every axis, number formats, the grid, and degenerate values.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>

#include "analysis/plot.h"
#include "analysis/scan.h"
#include "analysis/setup.h"
#include "driver/params.h"
#include "recdev.h"
#include "render/axes.h"
#include "sdinput/sdfile.h"

namespace {
using Rects = std::vector<std::vector<int>>; // row, col, nrows, ncols

int dots(double inches) {
    return static_cast<int>(inches * 300 + 0.5);
}

// A 300-dot vector page with the analysis values of `secs` seconds at the current
// parameters, as the setup derives them.
void openpage(double secs, double ttic = 0.01) {
    recopen(1);
    ana.xres = ana.yres = 300;
    ana.pltx = ana.pltx0 = dots(par.xllc), ana.pltw = dots(par.xlen);
    ana.plty = dots(par.yllc), ana.plth = dots(par.ylen);
    ana.wavy = dots(par.wllc), ana.wavh = dots(par.wlen);
    ana.enry = dots(par.ellc), ana.enrh = dots(par.elen);
    ana.ticx = ana.ticy = dots(par.ticsiz);
    ana.tic75x = ana.tic75y = dots(0.75 * par.ticsiz);
    ana.tic50x = ana.tic50y = dots(0.5 * par.ticsiz);
    ana.tpg0 = 0, ana.tpg1 = static_cast<float>(secs);
    ana.prt = par.xlen / ana.tpg1;
    ana.tom = static_cast<int>(std::log10(ana.prt));
    ana.t_ti = std::pow(0.1, ana.tom + 1);
    ana.spp = 1 / (300 * ana.prt);
    ana.fgridv = par.fgrid, ana.ttic = ttic;
    axprime();
}

// Draws the frame (and the time or grid steps of every slice), passes the page and
// returns the rectangles sorted by place.
Rects drawpage(double secs, int stage = 1, int steps = 0, double ttic = 0.01) {
    openpage(secs, ttic);
    if (stage) axframe(stage);
    for (int j = 0; j <= (steps ? ana.pltw : -1); j++) {
        if (steps & 1) taxstep(j);
        if ((steps & 2) && j < ana.pltw) gridstep(j);
        rowadv(1);
    }
    rowto(ana.pltx0 + ana.pltw + 16), pageend();
    Rects out;
    for (const RecCall &c : rec.calls)
        if (c.op == 'r') out.push_back(c.args);
    std::sort(out.begin(), out.end());
    return out;
}

// Left tics of the vertical axis over columns lo..hi, bottom first.
Rects lefttics(const Rects &all, int lo, int hi) {
    Rects out;
    for (auto &q : all)
        if (q[0] + q[2] == ana.pltx0 && q[3] == ax.axwy && q[1] >= lo - 2 && q[1] <= hi)
            out.push_back(q);
    std::sort(out.begin(), out.end(), [](auto &a, auto &b) { return a[1] < b[1]; });
    return out;
}

class AxesPage : public ::testing::Test {
  protected:
    void SetUp() override {
        pardefaults();
        ax = ::Axes{}, sd = Sd{};
        wave.wmn = -1000, wave.wrn = 2000, sd.wzero = 0;
        plot.axtype = 0, plot.axdec = 0, plot.axlo = ana.flo = 0, plot.axhi = ana.fhi = 8000;
    }
};
} // namespace

TEST_F(AxesPage, FrameLinesHaveTheAxisWeightAndOnlyWhatFitsOnThePageIsDrawn) {
    for (auto [axlnwd, w] : {std::pair{0.01f, 2}, {0.001f, 1}, {0.0f, 1}, {0.02f, 5}}) {
        par.axlnwd = axlnwd;
        EXPECT_TRUE(drawpage(1, 2).empty()); // widths only
        EXPECT_EQ(std::pair(ax.axwx, ax.axwy), std::pair(w, w)) << axlnwd;
    }
    par.axlnwd = 0.01f, par.xllc = 0.05f; // the tics would start left of the page
    EXPECT_TRUE(drawpage(1).empty());
    EXPECT_EQ(rec.count('l'), 0);
    auto strokes = [](float xllc, int flabel) {
        par.xllc = xllc, par.flabel = flabel;
        return drawpage(1), rec.count('l');
    };
    EXPECT_GT(strokes(1.25f, 1), strokes(1.25f, 0)); // room for the title
    EXPECT_EQ(strokes(0.2f, 1), strokes(0.2f, 0));   // its anchor would lie left of labsiz
}

TEST_F(AxesPage, TimeTicsAndNumbersStepByThePrintRate) {
    struct {
        double secs;
        float xlen;
        int ticstep;
        double ticbase;
        int labstep, tunit, tlabdec;
        double t;
        const char *text;
    } cases[] = {
        {2, 3.0f, 1, 0.1, 5, 1, 1, 0.5, "0.5"},       // 1.5 in/s
        {1, 2.0f, 5, 0.01, 2, 1, 1, 0.2, "0.2"},      // 2 in/s: v just below 5
        {0.085, 8.5f, 1, 0.001, 5, 2, 0, 0.004, "4"}, // 100 in/s: msec, no decimals
        {6, 3.0f, 1, 0.1, 10, 1, 1, 1.0, "1.0"},      // 0.5 in/s
        {1, 8.5f, 2, 0.01, 1, 1, 1, 0.1, "0.1"},      // the default page
    };
    for (auto &c : cases) {
        par.xlen = c.xlen;
        drawpage(c.secs);
        EXPECT_EQ(std::vector<int>({ax.ticstep, ax.labstep, ax.tunit, ax.tlabdec}),
                  std::vector<int>({c.ticstep, c.labstep, c.tunit, c.tlabdec}))
            << c.secs;
        EXPECT_NEAR(ax.ticbase, c.ticbase, 1e-12) << c.secs;
        EXPECT_NEAR(ax.labiv, ana.t_ti * c.labstep, 1e-12) << c.secs;
        char text[32];
        timetext(c.t, text, sizeof text);
        EXPECT_STREQ(text, c.text) << c.secs;
    }
    // taxstep at 1.5 in/s over 2 s: a tic every 0.1 s, long every 1 s, medium every 0.5 s
    par.xlen = 3.0f, par.tannot = 1;
    Rects below;
    for (auto &q : drawpage(2, 1, 1))
        if (q[2] == ax.axwx && q[1] + q[3] == ana.plty && q[0] >= ana.pltx0) below.push_back(q);
    ASSERT_EQ(below.size(), 20u);
    for (int k = 1; k <= 20; k++) {
        EXPECT_EQ(below[k - 1][0],
                  ana.pltx0 + static_cast<int>(k * 0.1 / ana.spp + 0.5) - ax.axwx / 2);
        EXPECT_EQ(below[k - 1][3], k % 10 == 0  ? ana.ticy
                                   : k % 5 == 0 ? ana.tic75y
                                                : ana.tic50y)
            << k;
    }
    EXPECT_NEAR(ax.lastlab, 2.0, 1e-9); // numbers every 0.5 s up to the page end
}

TEST_F(AxesPage, FrequencyTicsEveryStepLongAndMediumOnEveryAxisType) {
    struct {
        int axtype;
        float lo, hi, ylen;
        int step, ntics; // axis units between tics
    } cases[] = {{0, 0, 8000, 4.0f, 500, 17},
                 {0, 200, 3000, 4.5f, 100, 29},
                 {1, 0, 3000, 4.0f, 100, 31},
                 {2, 0, 10000, 4.5f, 500, 21}};
    for (auto &c : cases) {
        par.ylen = c.ylen, par.fannot = 0, par.eaxis = 0, par.waxis = 0, par.taxis = 0;
        plot.axtype = c.axtype, plot.axlo = c.lo, plot.axhi = c.hi;
        Rects all = drawpage(1), tics = lefttics(all, ana.plty, ana.plty + ana.plth);
        ASSERT_EQ(static_cast<int>(tics.size()), c.ntics) << c.axtype << " " << c.lo;
        for (int i = 0, k0 = static_cast<int>(std::ceil(c.lo / c.step)); i < c.ntics; i++) {
            int k = k0 + i, H = c.step / 100 * k;
            int J = static_cast<int>(ana.plth / (c.hi - c.lo) * (c.step * k - c.lo) + 0.5);
            EXPECT_EQ(tics[i][1], ana.plty + J - ax.axwy / 2) << c.axtype << " tic " << i;
            EXPECT_EQ(tics[i][2], H % 10 == 0 ? ana.ticx : H % 5 == 0 ? ana.tic75x : ana.tic50x);
        }
        EXPECT_EQ(std::count_if(all.begin(), all.end(),
                                [](auto &q) {
                                    return q[2] == ax.axwx && q[3] == ana.plth + ax.axwy &&
                                           q[1] == ana.plty - ax.axwy / 2;
                                }),
                  2); // the axis lines at both edges
    }
}

TEST_F(AxesPage, FrequencyNumbersTakeTheirAxisFormat) {
    struct {
        int axtype, axdec;
        float fint, flo;
        double m;
        const char *text;
    } cases[] = {
        {0, 0, 1000, 0, 0, "0"},        {0, 0, 1000, 0, 8000, "8"},
        {0, 0, 500, 0, 1500, "1.5"},    {0, 0, 500, 0, 0, "0.0"},
        {0, 0, 50, 0, 150, "0.15"},     {0, 0, 5, 0, 1005, "1.005"},
        {1, 3, 1000, 125, 0, "0.125"},  {1, 3, 1000, 125, 3000, "1.000"}, // octaves from 125 Hz
        {1, 1, 1000, 100, 0, "0.1"},    {1, 1, 1000, 100, 4000, "1.6"},
        {1, 1, 1000, 100, 7000, "13"},  {1, 0, 1000, 1000, 1000, "2"},
        {2, 3, 1000, 0, 5000, "1.710"}, // place: (10^(5000 x 0.00021) - 0.88) 165.4 Hz
    };
    plot.fpA = 165.4f, plot.fpB = 0.00021f, plot.fpC = 0.88f;
    for (auto &c : cases) {
        plot.axtype = c.axtype, plot.axdec = c.axdec, par.fint = c.fint, ana.flo = c.flo;
        char text[64];
        freqtext(c.m, text, sizeof text);
        EXPECT_STREQ(text, c.text) << c.axtype << " " << c.m;
    }
}

TEST_F(AxesPage, GridDotsEveryTticAndEveryFgrid) {
    // 1 s in steps of 0.05 s: 20 columns (t = 0 .. 0.95) of 9 dots (0, 1000, .. 8000 Hz)
    Rects grid = drawpage(1, 2, 2, 0.05);
    ASSERT_EQ(grid.size(), 20u * 9u);
    for (int g = 0; g < 20; g++)
        for (int f = 0; f < 9; f++)
            EXPECT_EQ(grid[g * 9 + f],
                      (std::vector<int>{
                          ana.pltx0 + static_cast<int>(g * 0.05 / ana.spp + 0.5),
                          ana.plty + static_cast<int>(f * 1000.0 * ana.plth / 8000 + 0.5), 1, 1}))
                << g << " " << f;
}

TEST_F(AxesPage, EnergyAndWaveformTics) {
    par.faxis = 0, par.taxis = 0, par.fannot = 0;
    Rects en = lefttics(drawpage(1), ana.enry, ana.enry + ana.enrh);
    ASSERT_EQ(en.size(), 5u); // -40, -30, -20, -10, 0 dB from the bottom
    for (int i = 0; i < 5; i++) {
        EXPECT_EQ(en[4 - i][1],
                  ana.enry + dots((ana.enrh - i * ana.enrh / 4.0) / 300) - ax.axwy / 2);
        EXPECT_EQ(en[4 - i][2], i % 2 ? ana.tic75x : ana.ticx) << i;
    }
    Rects wv = lefttics(drawpage(1), ana.wavy, ana.wavy + ana.wavh); // bottom, zero level, top
    ASSERT_EQ(wv.size(), 3u);
    for (int i = 0; i < 3; i++) EXPECT_EQ(wv[i][1], ana.wavy + i * ana.wavh / 2 - ax.axwy / 2);
    ax.tsdfile = 1; // a time-step file: tics at the bottom, the top and the zero column only
    openpage(1);
    ax.enzero = ana.enry + 10;
    axframe(1);
    rowto(ana.pltx0 + ana.pltw + 16), pageend();
    en.clear();
    for (const RecCall &c : rec.calls)
        if (c.op == 'r') en.push_back(c.args);
    en = lefttics(en, ana.enry, ana.enry + ana.enrh);
    ASSERT_EQ(en.size(), 3u);
    EXPECT_EQ(en[1][1], ana.enry + 10 - ax.axwy / 2);
    for (auto &q : en) EXPECT_EQ(q[2], ana.ticx);
}

TEST_F(AxesPage, DegenerateValuesNeitherHangNorDrawNorRefuseOverlays) {
    MsgCap cap;
    auto strokes = [] { return drawpage(1, 1, 3), rec.count('l'); };
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
    par.fint = 1000, par.taxis = 0, par.faxis = 0, par.eaxis = 0, par.waxis = 0;
    for (float fgrid : {1000.0f, 0.0f, -5.0f, 1e-6f}) {
        par.fgrid = fgrid;
        EXPECT_EQ(drawpage(1, 0, 2).empty(), fgrid < 1) << fgrid;
    }
    pardefaults(); // an absurd axis range, an empty energy range, a zero waveform range
    plot.axhi = ana.fhi = 1e30f, par.emin = par.emax = 0, wave.wrn = 0;
    strokes();
    par.emin = 10;
    strokes();
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(5));
    EXPECT_EQ(cap.text(), "");
}
