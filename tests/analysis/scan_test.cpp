// The waveform scan, the sliding sample window and the waveform and energy marks.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "analysis/anafix.h"
#include "base/opts.h"

namespace {

// A plot set up on in-memory samples.
void memsetup(
    std::vector<int32_t> s, float rate, const std::function<void()> &set = [] {}) {
    anaopen();
    anareset();
    set();
    memfile(std::move(s), rate);
    ASSERT_EQ(setup(), 0);
}

std::vector<int32_t> sine(int n, double amp, double dc, double period = 50) {
    std::vector<int32_t> s(n);
    for (int i = 0; i < n; i++)
        s[i] = static_cast<int32_t>(std::lround(dc + amp * std::sin(2 * M_PI * i / period)));
    return s;
}

TEST(WaveScan, GuessesTheAdcAndSetsTheDisplayRange) {
    struct Case {
        const char *name;
        std::vector<int32_t> s;
        std::function<void()> set;
        int bits, sgn;
        float wmn, wmx, wrn, wzero;
    };
    const Case cases[] = {
        {"16-bit speech", sine(1000, 10000, 0), [] { par.aswv = 0; }, 16, 1, -32768, 32768, 65536,
         0},
        {"8-bit unsigned", sine(1000, 100, 128), [] { par.aswv = 0; }, 8, 0, 0, 256, 256, 128},
        {"8-bit signed", sine(1000, 100, 0), [] { par.aswv = 0; }, 8, 1, -128, 128, 256, 0},
        {"12-bit unsigned", sine(1000, 1000, 2048), [] { par.aswv = 0; }, 12, 0, 0, 4096, 4096,
         2048},
        {"12-bit signed", sine(1000, 1000, 0), [] { par.aswv = 0; }, 12, 1, -2048, 2048, 4096, 0},
        {"bits given", sine(1000, 10, 0),
         [] {
             par.aswv = 0;
             par.bits = 10;
             par.sign = 0;
         },
         10, 0, 0, 1024, 1024, 512},
        {"aswv: the data's range", sine(1000, 100, 0), [] {}, 8, 1, -100, 100, 200, 0},
        {"aswv on a constant", std::vector<int32_t>(1000, 7), [] {}, 8, 1, 7, 7, 1, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        memsetup(c.s, 1000, c.set);
        scnwav();
        EXPECT_EQ(wave.adcbits, c.bits);
        EXPECT_EQ(wave.adcsgn, c.sgn);
        EXPECT_FLOAT_EQ(wave.wmn, c.wmn);
        EXPECT_FLOAT_EQ(wave.wmx, c.wmx);
        EXPECT_FLOAT_EQ(wave.wrn, c.wrn);
        EXPECT_FLOAT_EQ(sd.wzero, c.wzero);
        EXPECT_FLOAT_EQ(wave.wlast, c.wzero);
    }
}

TEST(WaveScan, MeanAndVarianceOfThePlottedRangeOnly) {
    // 0.5 s of 100, then 0.5 s of 300: the second half alone has no variance
    std::vector<int32_t> s(1000, 100);
    for (int i = 500; i < 1000; i++) s[i] = 300;
    memsetup(s, 1000);
    scnwav();
    EXPECT_FLOAT_EQ(wave.wdc, 200);
    EXPECT_DOUBLE_EQ(wave.wvar, 2.0 * ana.nwin * 10000);
    memsetup(s, 1000, [] { par.tmin = 0.5f; });
    scnwav();
    EXPECT_FLOAT_EQ(wave.wdc, 300);
    EXPECT_DOUBLE_EQ(wave.wvar, 0);
    MsgCap m;
    opt.debugopt = 1;
    scnwav();
    EXPECT_EQ(m.text(), "scnwav: wmn=300 wmx=300 wrn=1 wdc=300.0 ns=1000\n");
}

TEST(SampleWindow, PrimesCentredOnThePageAndSlides) {
    std::vector<int32_t> s(40000);
    for (int i = 0; i < 40000; i++) s[i] = i + 1;
    struct Case {
        float tmin;
        int first; // sample index in sbuf[0] after priming
    };
    for (Case c : {Case{0, -37}, Case{1, 9963}}) {
        memsetup(s, 10000, [&] {
            par.tmin = c.tmin;
            par.tmax = 2;
        });
        scnwav();
        ASSERT_EQ(ana.nwin, 75);
        wavprime();
        for (int i = 0; i < 75; i++) {
            int idx = c.first + i;
            ASSERT_EQ(wave.sbuf[i], idx < 0 ? 0 : idx + 1) << i; // before the file: trunc(wzero)
        }
        EXPECT_EQ(wave.spos, c.first + 75);
        // h within the window keeps the newest n - h samples; beyond it skips the rest
        struct Step {
            int h, first;
        };
        int at = c.first;
        for (Step st : {Step{3, 3}, Step{75, 75}, Step{200, 200}, Step{1, 1}}) {
            wavadv(st.h, 75);
            at += st.first;
            for (int i = 0; i < 75; i++) ASSERT_EQ(wave.sbuf[i], at + i < 0 ? 0 : at + i + 1);
        }
        wavadv(0, 75); // nothing
        EXPECT_EQ(wave.sbuf[0], at + 1);
    }
}

TEST(WavePanel, MarksJoinTheMiddleSamplesToThePreviousMark) {
    memsetup(sine(2000, 1000, 0), 1000, [] {
        par.aswv = 0;
        par.bits = 12;
        par.sign = 1;
    });
    scnwav();
    ASSERT_FLOAT_EQ(wave.wrn, 4096);
    struct Case {
        std::vector<int32_t> win;
        int h, invwav;
        int col, ncols;
    };
    // window of 8 with h 2: samples 3 and 4 drawn, joined to the last one drawn (wzero first)
    const Case cases[] = {
        {{9, 9, 9, 400, 800, 9, 9, 9}, 2, 0, 1875 + 150, 800 * 300 / 4096 + 1},
        {{9, 9, 9, -400, -410, 9, 9, 9},
         2,
         0,
         1875 + static_cast<int>((-410 + 2048) * 300.0f / 4096),
         static_cast<int>(300 * 1210.0f / 4096) + 1},
        {{9, 9, 9, 100, 100, 9, 9, 9},
         2,
         1,
         1875 + static_cast<int>((2048 - 100) * 300.0f / 4096),
         static_cast<int>(300 * 510.0f / 4096) + 1},
    };
    ana.nwin = 8;
    for (const Case &c : cases) {
        std::copy(c.win.begin(), c.win.end(), wave.sbuf);
        par.invwav = static_cast<int8_t>(c.invwav);
        int before = scan.novl;
        wavslice(7, 8, c.h);
        ASSERT_EQ(scan.novl, before + 1);
        const Ovl *o = scan.ovllist[scan.novl - 1];
        EXPECT_EQ(o->row0, 375 + 7);
        EXPECT_EQ(o->nrows, 1);
        EXPECT_EQ(o->col0, c.col);
        EXPECT_EQ(o->ncols, c.ncols);
        EXPECT_FLOAT_EQ(wave.wlast, static_cast<float>(c.win[4]));
    }
}

TEST(EnergyPanel, LevelsOnScheduleAndDotsBetween) {
    memsetup(std::vector<int32_t>(2000, 0), 1000, [] {
        par.aswv = 0;
        par.bits = 16;
        par.sign = 1;
    });
    scnwav();
    int n = ana.nwin;
    auto bar = [&](int j) {
        int before = scan.novl;
        enrslice(j, n);
        EXPECT_EQ(scan.novl, before + 1);
        const Ovl *o = scan.ovllist[scan.novl - 1];
        EXPECT_EQ(o->row0, 375 + j);
        EXPECT_EQ(o->col0, 1725);
        return o->ncols;
    };
    // silence: a one-dot bar
    std::fill(wave.sbuf, wave.sbuf + n, 0);
    EXPECT_EQ(bar(0), 1);
    // values every 1 / eeps s (200 per second is 47 per inch at 4.25 in/s: kept)
    ASSERT_FLOAT_EQ(par.eeps, 200);
    int next = static_cast<int>(static_cast<double>(1 / 200.0f) / ana.spp + 0.5);
    EXPECT_EQ(wave.next, next);
    EXPECT_EQ(next, 6);
    // a level above emax: the full height plus one
    std::fill(wave.sbuf, wave.sbuf + n, 32767);
    par.emax = -1;
    for (int j = 1; j < next; j++) EXPECT_EQ(bar(j), 1);
    EXPECT_EQ(bar(next), 75 + 1);
    par.emax = 0;
    // a window at -20 dB below full scale: half of the 40 dB panel
    std::fill(wave.sbuf, wave.sbuf + n, 3277);
    EXPECT_EQ(
        bar(wave.next),
        static_cast<int>((10 * std::log10(3277.0 * 3277 / (32768.0 * 32768)) + 40) * 75 / 40) + 1);
}

} // namespace
