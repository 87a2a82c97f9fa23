// The plot command on real WAV files drawn on the test device: pages and their rows, the
// frequency axes and row positions, plot records, refused plots and files that cannot be opened.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <numeric>
#include <utility>

#include "analysis/anafix.h"
#include "base/outfile.h"
#include "base/stamp.h"

namespace {

// A plot of a fresh WAV file of the given length (a quiet 500 Hz tone) after set().
void plotwav(float seconds, const std::function<void()> &set, int rate = 8000) {
    static std::string dir = scratchdir("ana");
    std::string path = dir + "/t.wav";
    writewav(path, rate, static_cast<int>(seconds * rate),
             [rate](int i) { return 3000 * std::sin(2 * M_PI * 500 * i / rate); });
    anaopen();
    anareset();
    set();
    sd.sdname = path;
    sdformat(path);
    plotcmd(1);
}

// Rows covered by the gray lines of each page.
std::vector<int> pagerows() {
    std::vector<int> rows;
    size_t from = 0;
    for (size_t end : anadev.pagebreaks) {
        int n = 0;
        for (size_t i = from; i < end; i++) n += anadev.imgs[i].nrows;
        rows.push_back(n);
        from = end;
    }
    return rows;
}

TEST(PlotCommand, PagesAtOneTimeScaleWithAShorterLast) {
    struct Case {
        const char *name;
        std::function<void()> set;
        std::vector<int> rows;
    };
    const Case cases[] = {
        {"tpage 1 on 2.5 s", [] { par.tpage = 1; }, {2550, 2550, 1275}},
        {"tpage 0", [] {}, {2550}},
        {"tpage 1 on 2 s of 2.5",
         [] {
             par.tpage = 1;
             par.tmax = 2;
         },
         {2550, 2550}},
        {"tpage 1 from 0.5 s",
         [] {
             par.tpage = 1;
             par.tmin = 0.5f;
         },
         {2550, 2550}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        MsgCap m;
        plotwav(2.5f, c.set);
        EXPECT_EQ(pagerows(), c.rows);
        // the gray lines of a page tile its rows from the plot's left edge
        size_t from = 0;
        for (size_t end : anadev.pagebreaks) {
            std::vector<std::pair<int, int>> spans;
            for (size_t i = from; i < end; i++)
                spans.push_back({anadev.imgs[i].row, anadev.imgs[i].nrows});
            std::sort(spans.begin(), spans.end());
            int row = 375;
            for (auto [r, n] : spans) {
                ASSERT_EQ(r, row);
                row += n;
            }
            from = end;
        }
    }
    // without newpage nothing ends the page: the driver's close does
    MsgCap m;
    plotwav(2.5f, [] {
        par.tpage = 1;
        par.newpage = 0;
    });
    EXPECT_TRUE(anadev.pagebreaks.empty());
}

TEST(PlotCommand, ReadClockFollowsTheSliceClock) {
    // 11025 samples per second on 2550 rows is 4.32 samples per row: rounding each row's
    // advance would read 4 x 2550 = 10200 samples; the read clock reads 11025
    MsgCap m;
    plotwav(
        1, [] { par.newpage = 0; }, 11025);
    int32_t start = 0 - ana.nwin / 2 + ana.nwin;
    EXPECT_NEAR(wave.spos - start, 11025, 1);
}

TEST(PlotCommand, BuildsTheFrequencyAxis) {
    struct Case {
        const char *name;
        std::function<void()> set;
        int axtype, axdec;
    };
    const Case cases[] = {
        {"linear", [] {}, 0, 0},
        {"octave from 125 Hz",
         [] {
             par.foct = 4;
             par.fmin = 125;
         },
         1, 3},
        {"octave from 100 Hz",
         [] {
             par.foct = 4;
             par.fmin = 100;
             par.fmax = 1600;
         },
         1, 1},
        {"octave from 1000 Hz",
         [] {
             par.fmin = 1000;
             par.foct = 1;
             par.fmax = 2000;
         },
         1, 0},
        {"octave from 250 Hz",
         [] {
             par.fmin = 250;
             par.foct = 3;
             par.fmax = 2000;
         },
         1, 2},
        {"octave below a reversed range",
         [] {
             par.fmin = 200;
             par.foct = 2;
             par.fmax = 0;
             par.nflim = 0;
         },
         1, 2},
        {"place, full range",
         [] {
             par.fpma = 0.1654f;
             par.fpmb = 0.021f;
         },
         2, 3},
        {"place, fmin 100",
         [] {
             par.fpma = 0.1654f;
             par.fpmb = 0.021f;
             par.fpmc = 0.88f;
             par.fmin = 100;
         },
         2, 3},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        MsgCap m;
        plotwav(0.2f, c.set);
        EXPECT_EQ(plot.axtype, c.axtype);
        EXPECT_EQ(plot.axdec, c.axdec);
        int nk = ana.nk;
        for (int i = 0; i <= nk; i++) {
            ASSERT_TRUE(std::isfinite(plot.graypos[i])) << i;
            ASSERT_GE(plot.graypos[i], 0.0f) << i;
            ASSERT_LE(plot.graypos[i], 1.0f) << i;
            if (i > 0) { ASSERT_GE(plot.graypos[i], plot.graypos[i - 1]) << i; }
        }
        if (c.axtype == 0) {
            EXPECT_FLOAT_EQ(plot.axlo, ana.flo);
            EXPECT_FLOAT_EQ(plot.axhi, ana.fhi);
            EXPECT_FLOAT_EQ(plot.graypos[nk / 2], (nk / 2) * (1.0f / nk));
        } else if (c.axtype == 1) {
            EXPECT_FLOAT_EQ(plot.axlo, 0);
            EXPECT_NEAR(plot.axhi, 1000 * std::log2(ana.fhi / ana.flo), 0.01);
            EXPECT_FLOAT_EQ(plot.graypos[nk], 1.0f);
        } else {
            EXPECT_FLOAT_EQ(plot.fpA, 1000 * par.fpma);
            EXPECT_FLOAT_EQ(plot.fpB, par.fpmb * 100 / 10000);
            // the row of f lies where the axis puts f
            float f = ana.flo + 10 * (ana.fhi - ana.flo) / nk;
            double want = (std::log10(f / plot.fpA + plot.fpC) / plot.fpB - plot.axlo) /
                          (plot.axhi - plot.axlo);
            EXPECT_NEAR(plot.graypos[10], want, 1e-5);
        }
    }
    // the full place range with fpmc 0: row 0 (0 Hz) sits at the bottom, not at minus infinity
    MsgCap m;
    plotwav(0.2f, [] {
        par.fpma = 0.1654f;
        par.fpmb = 0.021f;
    });
    EXPECT_FLOAT_EQ(plot.axlo, 0);
    EXPECT_FLOAT_EQ(plot.axhi, 10000);
    EXPECT_FLOAT_EQ(plot.graypos[0], 0);
}

TEST(PlotCommand, KeepsPlotRecordsOfThePage) {
    MsgCap m;
    plotwav(0.5f, [] { par.newpage = 0; });
    ASSERT_EQ(plot.nplotrec, 1);
    const PlotRec &r = plot.plotrec[0];
    EXPECT_EQ(r.sdname, sd.sdname);
    EXPECT_EQ(r.axtype, 0);
    EXPECT_EQ(r.left, 375);
    EXPECT_EQ(r.right, 375 + 2550);
    EXPECT_EQ(r.bottom, 300);
    EXPECT_EQ(r.top, 300 + 1350);
    EXPECT_EQ(r.wavbot, 1875);
    EXPECT_EQ(r.wavtop, 2175);
    EXPECT_EQ(r.nwin, 60);
    EXPECT_EQ(r.nfft, 128);
    EXPECT_FLOAT_EQ(r.srate, 8000);
    EXPECT_FLOAT_EQ(r.tpg1, 0.5f);
    EXPECT_GT(r.maxpow, 0); // written while the slices were drawn
    EXPECT_FLOAT_EQ(r.maxpow, static_cast<float>(fsl.maxpow));

    // later pages clear the records of the pages before them
    plotwav(2.5f, [] { par.tpage = 1; });
    EXPECT_EQ(plot.nplotrec, 0);

    // at most 64 records
    plotwav(0.2f, [] { par.newpage = 0; });
    std::string name = sd.sdname;
    for (int i = 0; i < 70; i++) {
        sd.sdname = name;
        sdformat(name);
        ses.plotopen = 1;
        plotcmd(1);
    }
    EXPECT_EQ(plot.nplotrec, 64);
    plotclear();
    EXPECT_EQ(plot.nplotrec, 0);
    EXPECT_TRUE(plot.plotrec[0].sdname.empty());
}

TEST(PlotCommand, RefusedPlotDrawsNothingMore) {
    struct Case {
        const char *name;
        std::function<void()> set;
        const char *message;
        int aborts, closes;
    };
    const Case cases[] = {
        {"window wider than FFT", [] { par.mfft = 2; }, "window width is greater than FFT width\n",
         1, 0},
        {"invalid time range", [] { par.tmin = 9; }, "invalid time range\n", 1, 0},
        {"plot left of the page", [] { par.xllc = -1; }, "x=0.0 and xllc=-1.0\n", 0, 1},
        {"no window", [] { par.bandwidth = 100000; }, "invalid window width 0\n", 0, 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        MsgCap m;
        plotwav(0.5f, c.set);
        EXPECT_NE(m.text().find(c.message), std::string::npos) << m.text();
        EXPECT_TRUE(anadev.imgs.empty());
        EXPECT_TRUE(anadev.rects.empty());
        EXPECT_EQ(anadev.aborts, c.aborts);
        EXPECT_EQ(anadev.closes, c.closes);
        EXPECT_EQ(out.failed, 1);
        EXPECT_EQ(ses.plotopen, 0);
    }
}

TEST(PlotCommand, UnopenableFilePlotsSilenceAndFails) {
    // first a loud file, so that a stale reader would show its samples
    MsgCap m;
    plotwav(0.5f, [] { par.newpage = 0; });
    anaopen();
    anareset();
    par.newpage = 0;
    par.fmax = 4000;
    par.tmax = 0.5f;
    sd.sdname = "/nonexistent/gone.wav";
    sd.sdtype = SD_WAV;
    plotcmd(1);
    EXPECT_EQ(out.failed, 1);
    EXPECT_FLOAT_EQ(sd.srate, 8000);
    ASSERT_FALSE(anadev.imgs.empty());
    // a silent signal: every column of every slice is as light as silence maps
    for (const AnaDev::Img &g : anadev.imgs)
        for (uint8_t v : g.vals) ASSERT_EQ(v, g.vals[0]);
    // the waveform marks are flat: one dot high, all in one column of the panel
    std::vector<int> cols;
    for (const AnaDev::Rect &r : anadev.rects)
        if (r.nrows == 1 && r.col >= 1875 && r.col <= 2175 && r.row >= 375 && r.row < 375 + 2550) {
            EXPECT_EQ(r.ncols, 1);
            cols.push_back(r.col);
        }
    // (the last band's marks reach the device only when the page ends)
    ASSERT_GT(cols.size(), 2550u - 16);
    EXPECT_EQ(std::count(cols.begin(), cols.end(), cols[0]), static_cast<long>(cols.size()));

    // with fmax 0 there is no rate at all
    anaopen();
    anareset();
    par.fmax = 0;
    sd.sdname = "/nonexistent/gone.wav";
    MsgCap m2;
    plotcmd(1);
    EXPECT_NE(m2.text().find("ERROR(/nonexistent/gone.wav): no sampling rate\n"),
              std::string::npos);
    EXPECT_TRUE(anadev.imgs.empty());
}

TEST(PlotCommand, DateStampOnTheFirstPage) {
    MsgCap m;
    int lines[3];
    for (int date = 0; date < 3; date++) {
        stamp.rundate = "Sun Dec  6 01:02:48 2026\n";
        plotwav(0.5f, [date] { par.date = static_cast<int8_t>(date); });
        lines[date] = anadev.lines;
    }
    // the date adds strokes, the file name more
    EXPECT_GT(lines[1], lines[0]);
    EXPECT_GT(lines[2], lines[1]);
    EXPECT_EQ(stamp.plotname, sd.sdname);
    // only the first page of a paged plot is stamped
    plotwav(2.5f, [] { par.tpage = 1; });
    int unstamped = anadev.lines;
    plotwav(2.5f, [] {
        par.tpage = 1;
        par.date = 1;
    });
    EXPECT_EQ(anadev.lines - unstamped, lines[1] - lines[0]);
}

} // namespace
