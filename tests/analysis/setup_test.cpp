// Analysis setup: derived values worked out by hand, corrections of eeps and nlpc, and the
// plots the setup refuses (with their messages, leaving the plot abandoned).
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "analysis/anafix.h"
#include "base/opts.h"
#include "base/outfile.h"
#include "base/stamp.h"

namespace {

// One second of silence at rate r, a fresh plot on the test device.
void freshsetup(float r, float seconds = 1) {
    anaopen();
    anareset();
    memfile(std::vector<int32_t>(static_cast<size_t>(r * seconds), 0), r);
}

TEST(Setup, DerivesWindowFftAndFrequencyRange) {
    struct Case {
        const char *name;
        float srate;
        std::function<void()> set;
        int nwin, nfft, nbins;
        float flo, fhi, lnr;
    };
    const Case cases[] = {
        {"defaults at 10 kHz", 10000, [] {}, 75, 256, 129, 0, 5000, 0},
        {"bandwidth 0", 10000,
         [] {
             par.bandwidth = 0;
             par.windwidth = 0.01f;
         },
         4096, 8192, 4097, 0, 5000, 0},
        {"windwidth with bandwidth", 10000, [] { par.windwidth = 0.02f; }, 200, 512, 257, 0, 5000,
         0},
        {"fmin = fmax", 10000, [] { par.fmin = par.fmax = 3000; }, 75, 256, 129, 0, 5000, 0},
        {"reversed range", 10000,
         [] {
             par.fmin = 3000;
             par.fmax = 1000;
         },
         75, 256, 129, 1000, 3000, 0},
        {"foct 3", 16000,
         [] {
             par.foct = 3;
             par.fmin = 0;
             par.fmax = 4000;
         },
         120, 256, 129, 500, 4000, std::log(8.0f)},
        {"nflim off keeps fmax", 10000, [] { par.nflim = 0; }, 75, 256, 129, 0, 8000, 0},
        {"mfft 10", 10000, [] { par.mfft = 10; }, 75, 1024, 513, 0, 5000, 0},
        {"hamming", 10000, [] { par.window = 1; }, 50, 128, 65, 0, 5000, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        freshsetup(c.srate);
        c.set();
        ASSERT_EQ(setup(), 0);
        EXPECT_EQ(ana.nwin, c.nwin);
        EXPECT_EQ(ana.nfft, c.nfft);
        EXPECT_EQ(ana.nbins, c.nbins);
        EXPECT_FLOAT_EQ(ana.flo, c.flo);
        EXPECT_FLOAT_EQ(ana.fhi, c.fhi);
        EXPECT_NEAR(ana.lnr, c.lnr, 1e-6);
        float df = c.srate / c.nfft;
        EXPECT_EQ(ana.kmin, static_cast<int>(c.flo / df + 0.5));
        EXPECT_EQ(ana.nk, static_cast<int>((c.fhi - c.flo) / df + 0.5));
    }
}

TEST(Setup, DerivesGeometryAndClocks) {
    freshsetup(10000);
    ASSERT_EQ(setup(), 0);
    // 1.25 in, 1 in, 4.5 in, 6.25 in, 1 in, 5.75 in, 0.25 in, 8.5 in at 300 dots per inch
    EXPECT_EQ(ana.pltx, 375);
    EXPECT_EQ(ana.pltx0, 375);
    EXPECT_EQ(ana.plty, 300);
    EXPECT_EQ(ana.plth, 1350);
    EXPECT_EQ(ana.wavy, 1875);
    EXPECT_EQ(ana.wavh, 300);
    EXPECT_EQ(ana.enry, 1725);
    EXPECT_EQ(ana.enrh, 75);
    EXPECT_EQ(ana.ticx, 24);
    EXPECT_EQ(ana.tic75x, 18);
    EXPECT_EQ(ana.tic50x, 12);
    EXPECT_EQ(ana.pagex, 3300);
    EXPECT_EQ(ana.pagey, 2400);
    EXPECT_EQ(ana.pltw, 2550);
    // 1 s on 8.5 in: tom 0, t_ti 0.1; 0.1 and then 0.01 are too coarse, 0.005 fits
    EXPECT_FLOAT_EQ(ana.prt, 8.5f);
    EXPECT_EQ(ana.tom, 0);
    EXPECT_NEAR(ana.t_ti, 0.1, 1e-12);
    EXPECT_NEAR(ana.ttic, 0.005, 1e-12);
    EXPECT_FLOAT_EQ(ana.spp, 1.0f / 2550);
    EXPECT_FLOAT_EQ(ana.tsamp, 1e-4f);
    EXPECT_EQ(stamp.plotname, "mem.wav");

    freshsetup(10000);
    par.xllc = 200; // beyond 32000 dots: 32000, which no page holds
    MsgCap m;
    ASSERT_EQ(setup(), 1);
    EXPECT_EQ(ana.pltx, 32000);
    EXPECT_EQ(ana.pltx0, 32000);

    freshsetup(10000);
    plot.xpos = 1.0; // a second plot placed after the first on the same page
    ASSERT_EQ(setup(), 0);
    EXPECT_EQ(ana.pltx, 75);
    EXPECT_EQ(ana.pltx0, 375);
}

TEST(Setup, TimeRangeAndPaging) {
    struct Case {
        const char *name;
        float seconds, tmin, tmax, tpage;
        int newpage;
        float tpg0, tpg1, tpgstep, tend;
    };
    const Case cases[] = {
        {"whole file", 2.5f, 0, 0, 0, 1, 0, 2.5f, 0, 2.5f},
        {"pages of 1 s", 2.5f, 0, 0, 1, 1, 0, 1, 1, 2.5f},
        {"paging needs newpage", 2.5f, 0, 0, 1, 0, 0, 2.5f, 0, 2.5f},
        {"tmin and tmax", 2.5f, 0.5f, 1.5f, 0, 1, 0.5f, 1.5f, 0, 1.5f},
        {"tmax beyond the end", 1, 0, 3, 0, 1, 0, 3, 0, 3},
        {"short page", 2.5f, 2, 0, 1, 1, 2, 2.5f, 1, 2.5f},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        freshsetup(8000, c.seconds);
        par.tmin = c.tmin;
        par.tmax = c.tmax;
        par.tpage = c.tpage;
        par.newpage = c.newpage;
        ASSERT_EQ(setup(), 0);
        EXPECT_FLOAT_EQ(ana.tpg0, c.tpg0);
        EXPECT_FLOAT_EQ(ana.tpg1, c.tpg1);
        EXPECT_FLOAT_EQ(ana.tpgstep, c.tpgstep);
        EXPECT_FLOAT_EQ(ana.tend, c.tend);
        EXPECT_FLOAT_EQ(ana.prt, par.xlen / (c.tpg1 - c.tpg0));
    }
}

TEST(Setup, CorrectsEnergyRateAndLpcOrder) {
    struct Case {
        float seconds, eeps;
        int nlpc;
        float eepsafter;
        int nlpcafter;
    };
    // 8.5 s on 8.5 in is 1 in/s: 200 per inch is too many, 50 stays, 0.5 is too few
    const Case cases[] = {{8.5f, 200, 12, 10, 12},
                          {8.5f, 50, 40, 50, 40},
                          {8.5f, 0.5f, 41, 10, 40},
                          {8.5f, 100, -3, 100, 0}};
    for (const Case &c : cases) {
        freshsetup(1000, c.seconds);
        par.eeps = c.eeps;
        par.nlpc = static_cast<int8_t>(c.nlpc);
        ASSERT_EQ(setup(), 0);
        EXPECT_FLOAT_EQ(par.eeps, c.eepsafter) << c.eeps;
        EXPECT_EQ(par.nlpc, c.nlpcafter) << c.nlpc;
    }
}

TEST(Setup, SpacesSpectraByInchAndByWindow) {
    struct Case {
        int ftpi, ftpw, fftskp;
    };
    // 10 kHz, 1 s on 8.5 in: 3.92 samples per row, window 75
    const Case cases[] = {
        {64, 64, 5},  // (300 + 32) / 64 = 5 rows per spectrum; 64 per window would be closer
        {10, 64, 30}, // (300 + 5) / 10
        {64, 1, 19},  // one spectrum per window: 75 / 3.92
        {64, 0, 5},   // no limit per window
        {127, 64, 2}, // (300 + 63) / 127
        {0, 64, 300}, // at least one per inch
    };
    for (const Case &c : cases) {
        freshsetup(10000);
        par.ftpi = static_cast<int8_t>(c.ftpi);
        par.ftpw = static_cast<int8_t>(c.ftpw);
        ASSERT_EQ(setup(), 0);
        EXPECT_EQ(ana.fftskp, c.fftskp) << c.ftpi << " " << c.ftpw;
    }
}

TEST(Setup, KeepsDisplayedRowsWithinTheTables) {
    freshsetup(10000);
    par.nflim = 0;
    par.fmax = 20000;
    par.mfft = 13;
    MsgCap m;
    ASSERT_EQ(setup(), 0);
    EXPECT_EQ(ana.nk, 4096);
    EXPECT_FLOAT_EQ(ana.fhi, 4096 * 10000.0f / 8192);
    EXPECT_NE(m.text().find("only 4096 shown"), std::string::npos);

    freshsetup(10000);
    par.fmin = 1000;
    par.fmax = 1010; // narrower than a bin: still one row
    ASSERT_EQ(setup(), 0);
    EXPECT_EQ(ana.nk, 1);
}

TEST(Setup, RefusesPlotsItCannotDraw) {
    struct Case {
        const char *name;
        float srate;
        std::function<void()> set;
        const char *message;
    };
    const Case cases[] = {
        {"mfft 2", 10000, [] { par.mfft = 2; }, "window width is greater than FFT width\n"},
        {"tmin past the end", 10000, [] { par.tmin = 5; }, "invalid time range\n"},
        {"tmax before tmin", 10000,
         [] {
             par.tmin = 0.5f;
             par.tmax = 0.2f;
         },
         "invalid time range\n"},
        {"no rate", 0, [] {}, "ERROR(mem.wav): no sampling rate\n"},
        {"xlen 0", 10000, [] { par.xlen = 0; }, "ERROR(mem.wav): bad value of xlen\n"},
        {"plot right of the page", 10000, [] { par.xllc = 11.5f; },
         "ERROR(mem.wav): bad value of xllc\n"},
        {"plot far right", 10000, [] { par.xllc = 200; }, "ERROR(mem.wav): bad value of xllc\n"},
        {"plot far left", 10000, [] { par.xllc = -1e30f; }, "ERROR(mem.wav): bad value of xllc\n"},
        {"panel far up", 10000, [] { par.yllc = 1e30f; }, "ERROR(mem.wav): bad value of yllc\n"},
        {"energy far down", 10000, [] { par.ellc = -1e30f; },
         "ERROR(mem.wav): bad value of ellc\n"},
        {"tics of no size", 10000, [] { par.ticsiz = NAN; },
         "ERROR(mem.wav): bad value of ticsiz\n"},
        {"emax = emin", 10000, [] { par.emax = par.emin = -10; },
         "ERROR(mem.wav): bad value of emax\n"},
        {"floor 1", 10000, [] { par.floor = 1; }, "ERROR(mem.wav): bad value of floor\n"},
        {"floor 0", 10000, [] { par.floor = 0; }, "ERROR(mem.wav): bad value of floor\n"},
        {"foct without range", 10000,
         [] {
             par.foct = 2;
             par.nflim = 0;
             par.fmin = 0;
             par.fmax = -5;
         },
         "ERROR(mem.wav): bad value of foct\n"},
        {"fmin beyond reach", 10000,
         [] {
             par.nflim = 0;
             par.fmin = 1e30f;
         },
         "ERROR(mem.wav): bad value of fmin\n"},
        {"tmax far away", 10000, [] { par.tmax = 1e9f; }, "ERROR(mem.wav): bad value of tmax\n"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        freshsetup(10000);
        sd.srate = c.srate;
        c.set();
        MsgCap m;
        EXPECT_EQ(setup(), 1);
        EXPECT_EQ(m.text(), c.message);
        EXPECT_EQ(ses.plotopen, 0); // abandoned
        EXPECT_EQ(anadev.aborts, 1);
        EXPECT_EQ(out.failed, 1);
    }
}

TEST(Setup, DebugLinesWithTheOption) {
    freshsetup(10000);
    opt.debugopt = 1;
    MsgCap m;
    ASSERT_EQ(setup(), 0);
    EXPECT_EQ(m.text(), "tom=0, t_ti=0.100\nfftskp=5\n");
}

} // namespace
