// Spectrum slices: their schedule and widths, FFT and LPC spectra of known windows, the
// gray mapping with its gain, the analysis summary and the cursor's spectrum value.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "analysis/anafix.h"
#include "render/gray.h"

namespace {

// A plot on in-memory samples, set up and scanned.
void slicesetup(
    std::vector<int32_t> s, float rate, const std::function<void()> &set = [] {}) {
    anaopen();
    anareset();
    set();
    memfile(std::move(s), rate);
    ASSERT_EQ(setup(), 0);
    scnwav();
}

std::vector<const Ovl *> graylines() {
    std::vector<const Ovl *> v;
    for (int i = 0; i < scan.novl; i++)
        if (scan.ovllist[i]->kind == 3) v.push_back(scan.ovllist[i]);
    return v;
}

TEST(SpectrumSlice, EveryFftskpSliceCoversItsRows) {
    slicesetup(std::vector<int32_t>(10000, 0), 10000);
    ana.fftskp = 5;
    ana.pltw = 12;
    for (int j = 0; j < 12; j++) {
        specslice(j);
        rowadv(1);
    }
    auto g = graylines();
    ASSERT_EQ(g.size(), 3u);
    int rows[] = {0, 5, 10}, widths[] = {5, 5, 2};
    for (int i = 0; i < 3; i++) {
        EXPECT_EQ(g[i]->row0, rows[i]);
        EXPECT_EQ(g[i]->nrows, widths[i]);
        EXPECT_EQ(g[i]->stride, ana.nk);
        EXPECT_EQ(g[i]->col0, 300);
        EXPECT_EQ(g[i]->ncols, 1350);
    }
}

TEST(SpectrumSlice, SilenceMapsToTheFloorOfTheScale) {
    struct Case {
        const char *name;
        int nlpc;
    };
    for (Case c : {Case{"fft", 0}, Case{"lpc 12", 12}}) {
        SCOPED_TRACE(c.name);
        slicesetup(std::vector<int32_t>(10000, 0), 10000, [&] {
            par.nlpc = static_cast<int8_t>(c.nlpc);
            par.hfemph = 0;
            par.darkness = 1.5f;
            par.contrast = 0.5f;
        });
        wavprime();
        double before = fsl.maxpow;
        c.nlpc ? lpcpow() : fftpow();
        for (int k = 0; k < ana.nfft; k++) ASSERT_EQ(fsl.spec[k], 0.0f) << k;
        EXPECT_EQ(fsl.maxpow, before);
        graymap();
        // gain 100, every L = -1: y = 1.5 - 1.95 x 0.5 = 0.525
        for (int i = 0; i < ana.nk; i++) ASSERT_EQ(fsl.gcol[i], 133) << i;
    }
}

TEST(SpectrumSlice, FftPowerOfKnownWindows) {
    struct Case {
        const char *name;
        int hfemph, rmdc;
        int32_t value;
        float want; // every P[k]
    };
    // a constant window, rectangular: pre-emphasis leaves one impulse of the first value,
    // and removing the mean leaves nothing
    const Case cases[] = {
        {"pre-emphasis", 1, 0, 100, 100.0f * 100},
        {"mean removed", 0, 1, 100, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        slicesetup(std::vector<int32_t>(10000, c.value), 10000, [&] {
            par.hfemph = static_cast<int8_t>(c.hfemph);
            par.rmdc = static_cast<int8_t>(c.rmdc);
            par.window = 0;
        });
        std::fill(wave.sbuf, wave.sbuf + ana.nwin, c.value);
        fftpow();
        for (int k = 0; k < ana.nbins; k++)
            ASSERT_NEAR(fsl.spec[k], c.want, 1e-3 * c.want + 1e-6) << k;
        for (int k = ana.nbins; k < ana.nfft; k++) ASSERT_EQ(fsl.spec[k], 0.0f);
    }
    // a cosine on bin 8 of a rectangular window of 64 of 64: power (64 x 1000 / 2)^2 there
    slicesetup(std::vector<int32_t>(10000, 0), 10000, [] {
        par.hfemph = 0;
        par.window = 0;
        par.mfft = 6;
        par.windwidth = 0.0064f;
    });
    ASSERT_EQ(ana.nwin, 64);
    for (int i = 0; i < 64; i++)
        wave.sbuf[i] = static_cast<int32_t>(std::lround(1000 * std::cos(2 * M_PI * 8 * i / 64)));
    fsl.maxpow = 0;
    fftpow();
    EXPECT_NEAR(fsl.spec[8], 32000.0f * 32000, 32000.0f * 32000 * 1e-3);
    EXPECT_LT(fsl.spec[7], 1e3);
    EXPECT_LT(fsl.spec[9], 1e3);
    EXPECT_DOUBLE_EQ(fsl.maxpow, fsl.spec[8]);
}

TEST(SpectrumSlice, LpcModelsTheResonanceOfItsWindow) {
    // a decaying resonance at 1 kHz sampled at 10 kHz: the all-pole spectrum peaks there
    std::vector<int32_t> s(10000);
    for (int i = 0; i < 10000; i++)
        s[i] = static_cast<int32_t>(
            std::lround(8000 * std::pow(0.995, i % 500) * std::sin(2 * M_PI * 1000 * i / 10000.0)));
    slicesetup(s, 10000, [] {
        par.nlpc = 4;
        par.hfemph = 0;
    });
    wave.spos = 100;
    wavadv(ana.nwin, ana.nwin);
    double before = fsl.maxpow;
    lpcpow();
    int peak = 0;
    for (int k = 0; k < ana.nbins; k++)
        if (fsl.spec[k] > fsl.spec[peak]) peak = k;
    float df = 10000.0f / ana.nfft;
    EXPECT_NEAR(peak * df, 1000, df);
    EXPECT_GT(fsl.spec[peak], 100 * fsl.spec[ana.nbins - 1]);
    EXPECT_EQ(fsl.maxpow, before); // the model's powers do not count
}

TEST(GrayMapping, GainFollowsAgcspAndRowsBeyondTheSpectrumAreEmpty) {
    slicesetup(std::vector<int32_t>(10000, 0), 10000, [] {
        par.contrast = 0.2f;
        par.agcsp = 1;
    });
    wave.wvar = 50;
    ana.kmin = 0;
    ana.nk = 3;
    // one row at three times the slice's mean: L = 1 there; the others are empty (L = -1)
    fsl.spec[0] = 3;
    fsl.spec[1] = fsl.spec[2] = 0;
    graymap();
    EXPECT_EQ(fsl.gcol[0], 181); // 255 x (0.5 + 0.2 x 1.5 x 0.7)
    EXPECT_EQ(fsl.gcol[1], 28);  // 255 x (0.5 - 0.2 x 1.5 x 1.3)
    EXPECT_EQ(fsl.gcol[2], 28);
    // agcsp 0: the waveform's level sets the gain: 1 / wvar; v = 50 / 50 at row 0
    par.agcsp = 0;
    fsl.spec[0] = 50;
    graymap();
    EXPECT_EQ(fsl.gcol[0], 181);
    // rows past the last bin read power 0, and nothing past spec is read
    ana.kmin = ana.nbins - 1;
    fsl.spec[ana.nbins - 1] = 50;
    fsl.spec[ana.nbins] = 1e9f; // not a bin
    graymap();
    EXPECT_EQ(fsl.gcol[0], 181);
    EXPECT_EQ(fsl.gcol[1], 28);
    EXPECT_EQ(fsl.gcol[2], 28);
    // the device's tone curve applies before the scaling
    gray.c0 = 0.5;
    graymap();
    EXPECT_EQ(fsl.gcol[0], 90); // 255 x 0.71 x 0.5
    gray.c0 = 1;
}

TEST(FftSummary, LinesAsWritten) {
    slicesetup(std::vector<int32_t>(32000, 0), 16000);
    sd.sdname = "talk.wav";
    wave.adcbits = 16;
    wave.adcsgn = 1;
    MsgCap m;
    fftsum();
    EXPECT_EQ(m.text(), "FFT speech spectrograph           speech filename: talk.wav \n"
                        "sampling rate =       16.000 kHz        ADC = 16 bits (signed)\n"
                        "print rate    =        4.250 in/sec\n"
                        "file length   =    32000 samples =    2.000 sec\n"
                        "window width  =      120 samples =    7.500 msec\n"
                        "FFT width     =      256 samples =   16.000 msec\n"
                        "frequency range from 0 to 8000 Hz\n");
    wave.adcsgn = 0;
    wave.adcbits = 12;
    MsgCap m2;
    fftsum();
    EXPECT_NE(m2.text().find("ADC = 12 bits (unsigned)\n"), std::string::npos);
}

TEST(CursorSpectrum, InterpolatesBetweenBinsOfTheWindowAtTheSample) {
    std::vector<int32_t> s(10000);
    for (int i = 0; i < 10000; i++)
        s[i] = i >= 5000 ? static_cast<int32_t>(std::lround(1000 * std::cos(2 * M_PI * 8 * i / 64)))
                         : 0;
    slicesetup(s, 10000, [] {
        par.hfemph = 0;
        par.window = 0;
        par.mfft = 6;
        par.windwidth = 0.0064f;
    });
    float quiet = specval(1000, 8.0);
    float p8 = specval(8000, 8.0);
    float p9 = specval(8000, 9.0);
    float half = specval(8000, 8.5);
    EXPECT_EQ(quiet, 0.0f);
    EXPECT_GT(p8, 1e8f);
    EXPECT_NEAR(half, (p8 + p9) / 2, p8 * 1e-6);
    // beyond the last bin or before the first: the edge values, never past spec
    EXPECT_FLOAT_EQ(specval(8000, 1e6), fsl.spec[ana.nbins - 1]);
    EXPECT_FLOAT_EQ(specval(8000, -3), fsl.spec[0]);
    // a window the read-out cannot have: 0
    ana.nwin = 0;
    EXPECT_EQ(specval(8000, 8.0), 0.0f);
}

} // namespace
