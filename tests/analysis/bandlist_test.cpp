// Third-octave band listing: the header of both edge sets, one line per computed spectrum,
// the number of levels at the usual rates, empty bands, and levels against a direct DFT.
#include "analysis/bandlist.h"
#include "analysis/fftslice.h"
#include "analysis/scan.h"
#include "analysis/setup.h"
#include "analysis/window.h"
#include "base/msg.h"
#include "base/params.h"
#include "sdinput/sdfile.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <numbers>
#include <string>
#include <vector>

namespace {

class BandTest : public ::testing::Test {
  protected:
    char *mbuf = nullptr;
    size_t mlen = 0;
    std::vector<int32_t> samples = std::vector<int32_t>(SBUFMAX, 0);
    std::vector<float> specbuf = std::vector<float>(SPECMAX, 0.0f);
    void SetUp() override {
        msgfp = open_memstream(&mbuf, &mlen);
        pardefaults();
        ana = Ana{};
        wave.sbuf = samples.data();
        fsl.spec = specbuf.data();
        sd.wzero = 0;
    }
    void TearDown() override {
        std::fclose(msgfp);
        msgfp = stderr;
        std::free(mbuf);
        wave.sbuf = nullptr;
        fsl.spec = nullptr;
    }
    // The analysis of one window: rate, window and FFT length, spectra every fftskp rows.
    void analysis(float srate, int nwin, int nfft, int fftskp = 1) {
        sd.srate = srate;
        ana.nwin = nwin, ana.nfft = nfft, ana.nbins = nfft / 2 + 1, ana.fftskp = fftskp;
        winset(nwin, par.window);
        wave.spos = 5000 + nwin;
    }
    // The window's samples: a tone of frequency f (or random noise when f is 0) around wzero.
    void fill(double f, double amp, unsigned seed = 1) {
        std::srand(seed);
        for (int i = 0; i < ana.nwin; i++) {
            double v = f > 0 ? amp * std::sin(2 * std::numbers::pi * f * i / sd.srate + 0.5)
                             : amp * (std::rand() / (RAND_MAX + 1.0) - 0.5);
            samples[i] = static_cast<int32_t>(std::lround(v + sd.wzero));
        }
    }
    std::string take() {
        std::fflush(msgfp);
        std::string m = mbuf ? std::string(mbuf, mlen) : std::string();
        std::fseek(msgfp, 0, SEEK_SET);
        mlen = 0;
        return m;
    }
    // One band line: its two sample indices and its levels.
    struct Line {
        long i1 = 0, i2 = 0;
        std::vector<double> lev;
        bool ok = false;
    };
    Line parse(const std::string &s) {
        Line l;
        if (s.size() < 16 || s.back() != '\n' || (s.size() - 16) % 4 != 0) return l;
        l.i1 = std::stol(s.substr(0, 7));
        l.i2 = std::stol(s.substr(8, 7));
        for (size_t p = 15; p + 4 < s.size(); p += 4) l.lev.push_back(std::stod(s.substr(p, 4)));
        l.ok = s[7] == ' ';
        return l;
    }
};

TEST_F(BandTest, HeaderNamesTheEdgeSetAndWindowWidth) {
    struct Case {
        int toba;
        float srate;
        int nwin;
        const char *first;
    };
    const Case cases[] = {
        {1, 10000, 75, ";ANSI third-octave bands, window-width=7.5 ms\n"},
        {0, 16000, 120, ";EQUAL third-octave bands, window-width=7.5 ms\n"},
        {1, 8000, 1000, ";ANSI third-octave bands, window-width=125.0 ms\n"},
    };
    for (const Case &c : cases) {
        par.toba = c.toba;
        analysis(c.srate, c.nwin, 2048);
        bandhead();
        EXPECT_EQ(
            take(),
            std::string(c.first) +
                ";   I1      I2      250         500         1000        2000        4000    \n"
                ";==========================================================================\n");
    }
}

TEST_F(BandTest, OneLinePerComputedSpectrum) {
    analysis(10000, 75, 256, 3);
    fill(0, 2000);
    std::string all;
    for (int j = 0; j < 8; j++) {
        bandline(j);
        std::string s = take();
        if (j % 3 != 0) {
            EXPECT_EQ(s, "") << j;
            continue;
        }
        Line l = parse(s);
        ASSERT_TRUE(l.ok) << s;
        EXPECT_EQ(l.i1, 5000);
        EXPECT_EQ(l.i2, 5075);
        EXPECT_EQ(l.lev.size(), 15u);
    }
}

TEST_F(BandTest, LevelsPerLineFollowTheNyquistFrequency) {
    struct Case {
        float srate;
        int nfft;
        int toba;
        size_t levels;
        bool firstempty; // band 0 written before any bin reached it
    };
    const Case cases[] = {
        {20000, 512, 1, 15, false}, {20000, 512, 0, 15, false}, {10000, 256, 1, 15, false},
        {10000, 256, 0, 15, false}, {8000, 256, 1, 14, false},  {8000, 256, 0, 14, false},
        {10000, 64, 1, 15, true},   {10000, 64, 0, 15, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::to_string(int(c.srate)) + " nfft " + std::to_string(c.nfft) +
                     (c.toba ? " ANSI" : " EQUAL"));
        par.toba = c.toba;
        analysis(c.srate, 64, c.nfft);
        fill(0, 4000);
        bandline(0);
        Line l = parse(take());
        ASSERT_TRUE(l.ok);
        ASSERT_EQ(l.lev.size(), c.levels);
        EXPECT_EQ(l.lev[0] == -400, c.firstempty);
        for (size_t i = 1; i < l.lev.size(); i++) EXPECT_GT(l.lev[i], 0) << i;
    }
}

TEST_F(BandTest, EmptyBandsAreMinus400) {
    struct Case {
        const char *what;
        float srate, wzero;
        int nfft, toba;
        const char *levels; // after the sample indices
    };
    const Case cases[] = {
        {"window at wzero", 10000, 0, 256, 1, nullptr},
        {"window at wzero 2048", 16000, 2048, 1024, 0, nullptr},
        // df 178.125 Hz: the first bin is in the EQUAL band 0 (from 177 Hz), below ANSI's
        {"first bin below ANSI band 0", 11400, 0, 64, 1, "-400"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        par.toba = c.toba;
        sd.wzero = c.wzero;
        analysis(c.srate, 64, c.nfft);
        if (c.levels)
            fill(0, 4000);
        else
            fill(1000, 0); // every sample equals wzero
        bandline(0);
        Line l = parse(take());
        ASSERT_TRUE(l.ok);
        if (c.levels) {
            EXPECT_EQ(l.lev[0], -400);
            par.toba = 0; // the same spectrum under the EQUAL edges fills band 0
            bandline(0);
            Line e = parse(take());
            ASSERT_TRUE(e.ok);
            EXPECT_GT(e.lev[0], 0);
        } else {
            for (double v : l.lev) EXPECT_EQ(v, -400);
        }
    }
}

TEST_F(BandTest, ToneLevelsMatchADirectTransform) {
    const double equal[16] = {177,  223,  281,  354,  445,  561,  707,  891,
                              1122, 1414, 1782, 2245, 2828, 3564, 4490, 5657};
    const double ansi[16] = {180,  224,  280,  355,  450,  560,  710,  900,
                             1120, 1400, 1800, 2240, 2800, 3550, 4500, 5600};
    struct Case {
        float srate;
        int nwin, nfft, toba, window;
        float wzero;
        bool hfemph;
        double tone;
        int band; // where its highest level must be
    };
    const Case cases[] = {
        {16000, 400, 1024, 1, 2, 0, true, 1000, 7},   {16000, 400, 1024, 0, 2, 0, true, 1000, 7},
        {20000, 1000, 2048, 1, 1, 0, false, 1000, 7}, {12000, 600, 2048, 1, 0, 2048, true, 1000, 7},
        {10000, 200, 256, 1, 2, 0, true, 5000, 14}, // at Nyquist: the last bin counts
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::to_string(int(c.srate)) + " window " + std::to_string(c.window) +
                     " tone " + std::to_string(int(c.tone)));
        par.toba = c.toba, par.window = c.window, par.hfemph = c.hfemph, par.rmdc = 1;
        sd.wzero = c.wzero;
        analysis(c.srate, c.nwin, c.nfft);
        fill(c.tone, 8000);
        bandline(0);
        Line l = parse(take());
        ASSERT_TRUE(l.ok);
        ASSERT_EQ(l.lev.size(), 15u);
        // the bands of a direct DFT of the windowed samples, each bin in the band it lies in
        const double *edge = c.toba ? ansi : equal;
        double df = c.srate / c.nfft;
        std::vector<double> sum(15, 0.0);
        for (int k = 1; k <= c.nfft / 2; k++) {
            double re = 0, im = 0;
            for (int i = 0; i < c.nwin; i++) {
                double x = (samples[i] - c.wzero) * double(win.wtab[i]);
                re += x * std::cos(2 * std::numbers::pi * k * i / c.nfft);
                im -= x * std::sin(2 * std::numbers::pi * k * i / c.nfft);
            }
            double e = k * df;
            for (int b = 0; b < 15; b++)
                if (e >= edge[b] && e < edge[b + 1]) sum[b] += re * re + im * im;
        }
        int best = 0;
        double top = 10 * std::log10(*std::max_element(sum.begin(), sum.end()));
        for (int b = 0; b < 15; b++) {
            double want = sum[b] < 1e-40 ? -400 : 10 * std::log10(sum[b]);
            // printed rounded to whole dB; far below the peak single precision has no digits
            if (want > top - 80)
                EXPECT_NEAR(l.lev[b], want, 0.51) << "band " << b;
            else
                EXPECT_LT(l.lev[b], top - 60) << "band " << b;
            if (l.lev[b] > l.lev[best]) best = b;
        }
        EXPECT_EQ(best, c.band);
    }
}

} // namespace
