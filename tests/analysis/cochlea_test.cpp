// Cochlear spectrograph: the frame scan's scales, the channel rows of a slice and their gray
// levels, frame reuse, blank slices past the last frame, the scalar trace and the summary.
#include "analysis/cochlea.h"
#include "analysis/scan.h"
#include "analysis/setup.h"
#include "base/msg.h"
#include "base/opts.h"
#include "base/params.h"
#include "analysis/axes.h"
#include "render/core.h"
#include "render/gray.h"
#include "sdinput/sdfile.h"
#include "sdinput/tsdfile.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

// A little-endian time-step file: frames[k][0] is the scalar, then the channels.
void writetsd(const std::string &path, float tstep, int nstep,
              const std::vector<std::vector<float>> &frames) {
    std::vector<unsigned char> b(868, 0);
    auto put = [&](size_t off, uint32_t v, int n) {
        for (int i = 0; i < n; i++) b[off + i] = (v >> (8 * i)) & 0xff;
    };
    auto putf = [&](size_t off, float f) {
        uint32_t u;
        std::memcpy(&u, &f, 4);
        put(off, u, 4);
    };
    put(0, 0x74736400u, 4);
    put(4, 868, 2);
    put(12, 1, 2);
    std::memcpy(b.data() + 16, "stim.wav", 9);
    putf(96, tstep);
    putf(108, 0.5f), putf(112, 0.25f), putf(116, 0.75f);
    put(140, nstep, 4);
    put(148, frames.size(), 4);
    put(154, frames.empty() ? 2 : frames[0].size(), 2);
    for (const auto &f : frames)
        for (float v : f) {
            b.resize(b.size() + 4);
            putf(b.size() - 4, v);
        }
    FILE *fp = std::fopen(path.c_str(), "wb");
    std::fwrite(b.data(), 1, b.size(), fp);
    std::fclose(fp);
}

// The gray level of the relative value w under the cochlear mapping with gresp(y) = y.
int wantgray(double w) {
    double y = par.darkness + par.contrast * 1.8 * (std::log(w) / std::log(par.floor) + 0.75);
    double g = 255.0 * y;
    return !(g >= 0) ? 0 : g > 255 ? 255 : static_cast<int>(g);
}

class CochTest : public ::testing::Test {
  protected:
    std::string dir;
    char *mbuf = nullptr;
    size_t mlen = 0;
    void SetUp() override {
        char tmpl[] = "/tmp/cochtestXXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir = tmpl;
        msgfp = open_memstream(&mbuf, &mlen);
        pardefaults();
        gray = Gray{};
        ana = Ana{};
        ana.tpg0 = 0, ana.tend = 1;
        ana.enry = 100, ana.enrh = 50, ana.pltx0 = 10, ana.plty = 200, ana.plth = 300;
        coch = Coch{};
        scan.bitmask[0] = 0x80; // lets the display list take records
        clearovl();
    }
    void TearDown() override {
        clearovl();
        tsdclose();
        std::fclose(msgfp);
        msgfp = stderr;
        std::free(mbuf);
        std::system(("rm -rf " + dir).c_str());
    }
    void clearovl() {
        for (int i = 0; i < scan.novl; i++) std::free(scan.ovllist[i]->data);
        scan.novl = 0;
    }
    void open(const std::string &name, float tstep, int nstep,
              const std::vector<std::vector<float>> &frames) {
        std::string path = dir + "/" + name;
        writetsd(path, tstep, nstep, frames);
        sd.sdname = path;
        ASSERT_EQ(tsdopen(), 1);
    }
    std::string messages() {
        std::fflush(msgfp);
        return mbuf ? std::string(mbuf, mlen) : std::string();
    }
};

TEST_F(CochTest, FrameScanSetsScalesFromEveryChannelOfThePlottedFrames) {
    const float inf = INFINITY;
    // frame period 1/128 s; frames 0..9; channels 1..3, the last one included in the scan
    std::vector<std::vector<float>> fr(10, {0, 1, 2, 3});
    fr[2] = {-4, -3, 1, 2};
    fr[3] = {6, 0, 1, 7};
    fr[4] = {inf, NAN, 1e31f, -1e-41f}; // bad values count as 0
    fr[8] = {50, -90, 0, 90};           // outside the plotted range
    const float T = 0.0078125f;
    open("s.tsd", T, 1, fr);
    ana.tpg0 = 2 * T, ana.tend = 7.5f * T; // frames 2 .. 6
    opt.debugopt = 1;
    fscnwav();
    opt.debugopt = 0;
    EXPECT_FLOAT_EQ(coch.fwmn, -3);
    EXPECT_FLOAT_EQ(coch.fwrn, 10);
    EXPECT_FLOAT_EQ(coch.tsmn, -4);
    EXPECT_FLOAT_EQ(coch.tsmx, 6);
    EXPECT_FLOAT_EQ(coch.tsrn, 10);
    EXPECT_EQ(coch.enzero, static_cast<int>(100 + 4.0f * 50 / 10));
    EXPECT_EQ(ax.enzero, coch.enzero);
    // mean of the 15 channel values scanned: (-3+1+2) + (0+1+7) + 0 + (1+2+3) x 2 = 20
    EXPECT_EQ(messages(), "fscnwav: wmn=-3 wmx=7 wrn=10 wdc=1.3 nstp=10\n");

    // the scalar range is kept over plots; an all-equal channel range is 1
    std::vector<std::vector<float>> flat(4, {1, 5, 5, 5});
    open("t.tsd", 1e-3f, 10, flat);
    ana.tpg0 = 0, ana.tend = 1;
    fscnwav();
    EXPECT_FLOAT_EQ(coch.fwmn, 0);
    EXPECT_FLOAT_EQ(coch.fwrn, 5);
    EXPECT_FLOAT_EQ(coch.tsmn, -4);
    EXPECT_FLOAT_EQ(coch.tsmx, 6);
    std::vector<std::vector<float>> zero(4, {0, 0, 0, 0});
    open("z.tsd", 1e-3f, 10, zero);
    fscnwav();
    EXPECT_FLOAT_EQ(coch.fwrn, 1);
}

TEST_F(CochTest, RowsShowEveryChannelLastChannelAtTheBottom) {
    par.contrast = 0.2f;
    // five channels valued 10 x position; the scan gives minimum 0 and range 50
    std::vector<std::vector<float>> fr(2, {9, 10, 20, 30, 40, 50});
    open("r.tsd", 1e-3f, 1, fr);
    fscnwav();
    struct Case {
        int kmin, nk;
        std::vector<double> w; // relative value of each row, bottom first
    };
    const Case cases[] = {
        {0, 6, {1.0, 0.8, 0.6, 0.4, 0.2, 1e-38}}, // full range: the top row is slot 0
        {0, 5, {1.0, 0.8, 0.6, 0.4, 0.2}},
        {2, 2, {0.6, 0.4}},
        {4, 1, {0.2}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.kmin * 10 + c.nk);
        ana.kmin = c.kmin, ana.nk = c.nk;
        coch.tsdlast = -1;
        std::memset(coch.gcol, 77, sizeof coch.gcol);
        cochslice(0.0);
        for (int i = 0; i < c.nk; i++)
            EXPECT_NEAR(coch.gcol[i], wantgray(c.w[i]), 1) << "row " << i;
        EXPECT_EQ(coch.gcol[c.nk], 0); // the value beyond the rows that ovlgray copies
        if (c.nk > 1) { EXPECT_LT(coch.gcol[c.nk - 1], coch.gcol[0]); }
    }
}

TEST_F(CochTest, GrayMappingOfValuesAtTheScaleEdges) {
    std::vector<std::vector<float>> fr(1, {0, 0, 0, 0, 0});
    open("g.tsd", 1e-3f, 1, fr);
    struct Case {
        const char *what;
        float v;
        float fwmn, fwrn;
        float darkness, contrast;
        double w; // relative value the row must show; below 0: white
    };
    // a darkness of 17 lifts the lightest rows above 0, so that they can be told apart
    const Case cases[] = {
        {"value equal to fwmn", -10, -10, 20, 17, 0.5f, 1e-38},
        {"value 1e12 counts as 0", 1e12f, -10, 20, 0.5f, 0.2f, 0.5},
        {"value 0", 0, -10, 20, 0.5f, 0.2f, 0.5},
        {"infinite value counts as 0", INFINITY, -10, 20, 0.5f, 0.2f, 0.5},
        {"value 1e9 kept", 1e9f, -1e9f, 4e9f, 0.5f, 0.2f, 0.5},
        {"value below the scale is white", -30, -10, 20, 17, 0.5f, -1},
    };
    ana.kmin = 0, ana.nk = 4;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        par.darkness = c.darkness, par.contrast = c.contrast;
        coch.fwmn = c.fwmn, coch.fwrn = c.fwrn;
        coch.tsdlast = -1;
        tsd.fbuf.assign(5, c.v); // the frame as the reader holds it, every channel v
        tsd.fcur = 0;
        cochslice(0.0);
        if (c.w < 0)
            EXPECT_EQ(coch.gcol[0], 0);
        else
            EXPECT_NEAR(coch.gcol[0], wantgray(c.w), 1);
        EXPECT_EQ(coch.gcol[0], coch.gcol[3]);
    }
    par.darkness = 17;
    EXPECT_GT(wantgray(1e-38), 100);
    par.darkness = 0.5f, par.contrast = 0.2f;
    EXPECT_NE(wantgray(0.5), wantgray(0.25)); // the 1e9 case is not the value 0
    EXPECT_LT(wantgray(0.5), 255);            // nor the 1e12 case a full-scale value
}

TEST_F(CochTest, FrameReusedForTheSlicesItCovers) {
    // 1 ms frames, 0.25 ms per slice: each frame covers four slices and is read once
    std::vector<std::vector<float>> fr;
    for (int k = 0; k < 10; k++) fr.push_back({100.0f + k, 0, 1.0f + k, 2.0f * k});
    open("f.tsd", 1e-4f, 10, fr);
    fscnwav();
    ana.kmin = 0, ana.nk = 3;
    par.prspec = 1;
    int reads = 0;
    std::vector<int> slices(10, 0);
    for (int j = 0; j < 48; j++) {
        tsd.tscal = -1; // a read of the file puts the frame's scalar back
        cochslice((j + 0.5) * 0.00025);
        if (tsd.tscal != -1) reads++;
        if (j < 40) {
            int k = j / 4;
            slices[k]++;
            EXPECT_EQ(coch.tsdlast, k) << j;
            EXPECT_EQ(coch.gcol[1], wantgray((1.0 + k - coch.fwmn) / coch.fwrn)) << j;
        } else { // past the last frame: blank, the last frame's column left behind
            for (int i = 0; i <= 3; i++) EXPECT_EQ(coch.gcol[i], 0) << j;
        }
        ASSERT_EQ(scan.novl, 1); // one gray line of one row per slice
        const Ovl *o = scan.ovllist[0];
        EXPECT_EQ(o->kind, 3);
        EXPECT_EQ(o->col0, 200);
        EXPECT_EQ(o->ncols, 300);
        EXPECT_EQ(o->nrows, 1);
        EXPECT_EQ(std::memcmp(o->data, coch.gcol, 4), 0);
        clearovl();
    }
    EXPECT_EQ(reads, 10);
    for (int k = 0; k < 10; k++) EXPECT_EQ(slices[k], 4);
    par.prspec = 0;
    cochslice(0.0);
    EXPECT_EQ(scan.novl, 0); // prspec off: no gray line
}

TEST_F(CochTest, AnotherFileNeverShowsTheCachedColumn) {
    ana.kmin = 0, ana.nk = 2;
    open("a.tsd", 1e-3f, 1, {{0, 0, 10}, {0, 10, 0}});
    fscnwav();
    cochslice(0.0);
    std::vector<uint8_t> a(coch.gcol, coch.gcol + 2);
    open("b.tsd", 1e-3f, 1, {{7, 10, 0}, {8, 0, 10}});
    fscnwav();
    cochslice(0.0); // frame 0 again, of another file
    EXPECT_EQ(coch.gcol[0], a[1]);
    EXPECT_EQ(coch.gcol[1], a[0]);
    EXPECT_NE(a[0], a[1]);
    // the same file plotted again keeps the column (the reader's cache is process-wide)
    sd.sdname = dir + "/b.tsd";
    ASSERT_EQ(tsdopen(), 1);
    std::memset(coch.gcol, 5, 3);
    tsd.tscal = -1;
    cochslice(0.0);
    EXPECT_EQ(coch.gcol[0], 5);
    EXPECT_EQ(tsd.tscal, 7); // but the scalar trace follows the frame shown
}

TEST_F(CochTest, ScalarTraceJoinsSuccessiveMarks) {
    std::vector<std::vector<float>> fr = {{-10, 1}, {10, 1}, {0, 1}, {5e30f, 1}, {30, 1}};
    const float T = 0.0009765625f;
    open("t.tsd", T, 1, fr);
    ana.tend = 3.5f * T; // the scan covers frames 0..2: scalars -10..10
    fscnwav();
    ana.kmin = 0, ana.nk = 1;
    struct Case {
        int frame;
        int y;          // mark, columns above enry
        int col, ncols; // the joining segment
    };
    // enrh 50 over the range 20: (v + 10) x 2.5
    const Case cases[] = {{0, 0, 100, 1},  {1, 50, 100, 51}, {2, 25, 125, 26},
                          {3, 25, 125, 1}, {4, 50, 125, 26}, {1, 50, 150, 1}};
    for (int j = 0; j < 6; j++) {
        SCOPED_TRACE(j);
        const Case &c = cases[j];
        tsdframe(c.frame);
        cochtrace(j);
        EXPECT_EQ(coch.trpos, c.y);
        ASSERT_EQ(scan.novl, 1);
        const Ovl *o = scan.ovllist[0];
        EXPECT_EQ(o->kind, 1);
        EXPECT_EQ(o->row0, 10 + j);
        EXPECT_EQ(o->nrows, 1);
        EXPECT_EQ(o->col0, c.col);
        EXPECT_EQ(o->ncols, c.ncols);
        clearovl();
    }
    // a new page starts the trace at the panel's bottom again
    tsdframe(2);
    cochtrace(0);
    EXPECT_EQ(scan.ovllist[0]->col0, 100);
    EXPECT_EQ(scan.ovllist[0]->ncols, 26);
}

TEST_F(CochTest, SummaryLines) {
    open("s.tsd", 1e-4f, 10, std::vector<std::vector<float>>(7, {0, 1, 2}));
    sd.sdname = "stim.wav";
    sd.srate = 16000;
    wave.adcbits = 12, wave.adcsgn = 0;
    ana.prt = 8.5f, ana.nwin = 120, ana.nfft = 256, ana.flo = 100.4f, ana.fhi = 7999.6f;
    cochsum();
    EXPECT_EQ(messages(), "Cochlear spectrograph           stimulus file: stim.wav \n"
                          "npts=3, nstp=7\n"
                          "frequency-to-place map:  a=0.5000 b=0.2500 c=0.7500\n"
                          "sampling rate =       16.000 kHz        ADC = 12 bits (unsigned)\n"
                          "print rate    =        8.500 in/sec\n"
                          "window width  =      120 samples =    7.500 msec\n"
                          "FFT width     =      256 samples =   16.000 msec\n"
                          "frequency range from 100 to 8000 Hz\n");
}

} // namespace
