// The analysis of samples in memory: the setup's derived numbers, worked out by hand from the
// parameters, the file's rate and length and the device's dots, the plots it refuses, the scan
// of the plotted samples, the FFT, the window shapes and the frequency numbers.
#include <bit>
#include <cmath>
#include <complex>
#include <random>

#include "analysis/anafix.h"
#include "analysis/fft.h"
#include "analysis/fftslice.h"
#include "analysis/window.h"
#include "render/gray.h"

TEST(Setup, WindowFftFrequencyRowsAndSpectrumSpacing) {
    // 1 s at 10 kHz on 8.5 in, 3.92 samples a row: a Blackman window of 3 x 10000 / 400, an FFT
    // of twice the power of two it needs; a spectrum every (300 + ftpi / 2) / ftpi rows, or as
    // many as make ftpw spectra a window when that is closer; pars, nwin, nfft, flo, fhi, kmin,
    // nk, fftskp, nlpc, what is said (bins of 39 Hz, Hamming windows twice as wide as rectangular)
    const std::tuple<const char *, int, int, float, float, int, int, int, int, const char *>
        cases[] = {{"", 75, 256, 0, 5000, 0, 128, 5, 0, ""},
                   {"window=1 nlpc=-3", 50, 128, 0, 5000, 0, 64, 5, 0, ""},
                   {"window=0 bandwidth=156.25", 64, 128, 0, 5000, 0, 64, 5, 0, ""},
                   {"window=5 nlpc=40", 25, 64, 0, 5000, 0, 32, 5, 40,
                    "WARNING: unknown window 5, rectangular window used\n"},
                   {"bandwidth=0", 4096, 8192, 0, 5000, 0, 4096, 16, 0, ""}, // 4096 / (64 x 3.92)
                   {"bandwidth=1 ftpw=0", 8192, 8192, 0, 5000, 0, 4096, 5, 0, ""}, // 30000 held
                   {"windwidth=0.02 nlpc=41", 200, 512, 0, 5000, 0, 256, 5, 40, ""},
                   {"mfft=10 ftpi=10", 75, 1024, 0, 5000, 0, 512, 30, 0, ""},
                   {"fmin=3000 fmax=3000 ftpi=127", 75, 256, 0, 5000, 0, 128, 2, 0, ""},
                   {"fmin=3000 fmax=1000 ftpi=0", 75, 256, 1000, 3000, 26, 51, 300, 0, ""},
                   {"nflim=0 ftpw=1", 75, 256, 0, 8000, 0, 205, 19, 0, ""}, // 75 / 3.92 rows
                   {"nflim=0 fmin=-500 fmax=1000", 75, 256, 0, 1000, 0, 26, 5, 0, ""},
                   {"fmin=1000 fmax=1010", 75, 256, 1000, 1010, 26, 1, 5, 0, ""},
                   {"foct=3 fmax=4000", 75, 256, 500, 4000, 13, 90, 5, 0, ""}, // 3 octaves down
                   {"nflim=0 fmax=20000 mfft=13", 75, 8192, 0, 5000, 0, 4096, 5, 0,
                    "WARNING(mem.wav): 16384 frequency rows, only 4096 shown\n"}};
    for (auto [pars, nwin, nfft, flo, fhi, kmin, nk, skip, nlpc, said] : cases) {
        silence(pars);
        MsgCap m;
        ASSERT_EQ(setup(), 0) << pars;
        EXPECT_EQ(std::tuple(m.text(), ana.nwin, ana.nfft, ana.nbins, ana.flo, ana.fhi, ana.kmin,
                             ana.nk, ana.fftskp, int(par.nlpc)),
                  std::tuple(said, nwin, nfft, nfft / 2 + 1, flo, fhi, kmin, nk, skip, nlpc))
            << pars;
        EXPECT_FLOAT_EQ(ana.lnr, par.foct > 0 ? std::log(fhi / flo) : 0) << pars;
    }
}

TEST(Setup, PanelsInDotsAndTheClocks) {
    recyres = 200; // rows at 300 dots per inch, columns at 200
    silence("");
    ASSERT_EQ(setup(), 0);
    recyres = 300;
    EXPECT_EQ((std::vector{ana.pltx, ana.pltx0, ana.plty, ana.plth, ana.wavy, ana.wavh, ana.enry,
                           ana.enrh, ana.ticy, ana.ticx, ana.tic75y, ana.tic75x, ana.tic50y,
                           ana.tic50x, ana.pagex, ana.pagey, ana.pltw}),
              (std::vector{375, 375, 200, 900, 1250, 200, 1150, 50, 16, 24, 12, 18, 8, 12, 3300,
                           1600, 2550}));
    EXPECT_FLOAT_EQ(ana.spp, 1.0f / 2550); // 1 s on 8.5 in
    EXPECT_NEAR(ana.ttic, 0.005, 1e-12);   // 0.1 and 0.01 are too coarse for 0.118 s per inch
    openplot = [] { return 1; };           // no device: no plot, a failed run
    EXPECT_EQ(setup(), 1);
    EXPECT_EQ(out.failed, 1);
}

TEST(Setup, TimeRangePagingPrintRateAndTimeNumbers) {
    // 1 to 100 energy values an inch stay, others become 10; time numbers in sec, msec or usec
    // by the print rate's order of magnitude; seconds of the file, pars, tpg0, tpg1, tpgstep,
    // tend, eeps, a time and its number
    const std::tuple<float, const char *, float, float, float, float, float, double, const char *>
        cases[] = {{2.5f, "", 0, 2.5f, 0, 2.5f, 200, 0.5, "0.5"}, // 3.4 in/s
                   {2.5f, "tpage=1", 0, 1, 1, 2.5f, 200, 1, "1.0"},
                   {2.5f, "tpage=1 newpage=0", 0, 2.5f, 0, 2.5f, 200, 2, "2.0"},
                   {2.5f, "tmin=2 tpage=1", 2, 2.5f, 1, 2.5f, 200, 0.05, "50"}, // 17 in/s
                   {4.25f, "", 0, 4.25f, 0, 4.25f, 200, 2, "2.0"}, // 2 in/s: 100 an inch
                   {1, "tmin=-1 tmax=0.0425", 0, 0.0425f, 0, 0.0425f, 200, 0.004, "4"},
                   {1, "tmax=0.00425", 0, 0.00425f, 0, 0.00425f, 20000, 0.001, "1.0"}, // 2000 in/s
                   {1, "tmax=0.000425", 0, 0.000425f, 0, 0.000425f, 200000, 1e-5, "10"},
                   {1000, "", 0, 1000, 0, 1000, 0.085f, 100, "100"}}; // 0.0085 in/s
    for (auto [seconds, pars, tpg0, tpg1, tpgstep, tend, eeps, t, want] : cases) {
        silence(pars, 1000, seconds);
        ASSERT_EQ(setup(), 0) << pars;
        axframe(1);
        char text[64];
        timetext(t, text, sizeof text);
        EXPECT_EQ(std::tuple(ana.tpg0, ana.tpg1, ana.tpgstep, ana.tend, std::string(text)),
                  std::tuple(tpg0, tpg1, tpgstep, tend, want))
            << pars;
        EXPECT_FLOAT_EQ(ana.prt, 8.5f / (tpg1 - tpg0)) << pars;
        EXPECT_FLOAT_EQ(par.eeps, eeps) << pars;
    }
}

TEST(Setup, RefusesPlotsItCannotDrawWithTheReason) {
    auto refused = [](const char *pars, const std::string &said) {
        silence(pars);
        MsgCap m;
        EXPECT_EQ(setup(), ABANDON) << pars;
        EXPECT_EQ(m.text(), said);
        EXPECT_EQ(out.failed, 1) << pars;
    };
    refused("tmin=5", "invalid time range\n"); // no rate, too wide a window: the plot tests
    // refused by the name of the first value
    std::istringstream named("xlen=0;xllc=11;xllc=200;xllc=-1e30;yllc=1e30;ticsiz=1000;"
                             "emax=-10 emin=-10;floor=1;floor=0;foct=2 nflim=0 fmax=-5;"
                             "fmin=1e30 nflim=0;fmax=1e8 nflim=0;tmax=1e9");
    for (std::string p; std::getline(named, p, ';');)
        refused(p.c_str(), "ERROR(mem.wav): bad value of " + p.substr(0, p.find('=')) + "\n");
}

TEST(Scan, AdcRangeZeroLevelMeanAndVariance) {
    // pars, amplitude and level of a square wave, ADC bits and sign, wmn, wmx, wrn, wzero
    const std::tuple<const char *, int, int, int, int, float, float, float, float> cases[] = {
        {"aswv=0", 2049, 0, 16, 1, -32768, 32768, 65536, 0}, // a range above 4096
        {"aswv=0", 2048, 0, 12, 1, -2048, 2048, 4096, 0},
        {"aswv=0", 100, 1024, 12, 0, 0, 4096, 4096, 2048},
        {"aswv=0", 10, 64, 8, 0, 0, 256, 256, 128},
        {"aswv=0 bits=10 sign=0", 10, 0, 10, 0, 0, 1024, 1024, 512},
        {"aswv=0 bits=7 sign=0", 10, 0, 8, 1, -128, 128, 256, 0},
        {"", 100, 0, 8, 1, -100, 100, 200, 0}, // the data's own range
        {"", 0, 7, 8, 1, 7, 7, 1, 0}};
    for (auto [pars, amp, dc, bits, sgn, wmn, wmx, wrn, wzero] : cases) {
        silence(pars, 1000);
        for (int i = 0; i < 1000; i++) memsamps[i] = dc + (i % 2 ? amp : -amp);
        ASSERT_EQ(setup(), 0);
        scnwav();
        EXPECT_EQ(std::tuple(int(wave.adcbits), int(wave.adcsgn), wave.wdc, wave.wmn, wave.wmx,
                             wave.wrn, sd.wzero, wave.wlast),
                  std::tuple(bits, sgn, float(dc), wmn, wmx, wrn, wzero, wzero))
            << pars << " " << amp << " " << dc;
        EXPECT_EQ(wave.wvar, 2 * 7.0 * amp * amp) << amp; // 2 x nwin x the variance
    }
}

TEST(Scan, MeanAndVarianceAreSummedOneSampleAtATimeInDoubles) {
    // near full scale for 300 s at 30 kHz the sum of squares passes 2^53, where doubles round;
    // a list's values may lie far outside 16 bits; a level shift moves the mean
    std::mt19937 rng(53);
    const std::tuple<float, int, int> cases[] = {{30000, 300, 0}, {8000, 2, 1}, {8000, 20, 2}};
    for (auto [rate, secs, kind] : cases) {
        silence("aswv=0", rate, secs);
        for (int32_t &v : memsamps) {
            const int32_t r = static_cast<int32_t>(rng() % 16), u = static_cast<int32_t>(rng());
            v = kind == 0   ? (u % 2 ? 32767 - r : -32768 + r)
                : kind == 1 ? u % 2000001
                            : 7000 + u % 10001;
        }
        double sum = 0, sumsq = 0;
        for (int32_t v : memsamps) sum += v, sumsq += static_cast<double>(v) * v;
        ASSERT_EQ(setup(), 0);
        scnwav();
        const float mean = static_cast<float>(sum / memsamps.size());
        EXPECT_EQ(wave.wdc, mean) << kind;
        EXPECT_EQ(wave.wvar,
                  2.0 * ana.nwin * (sumsq / memsamps.size() - static_cast<double>(mean) * mean))
            << kind;
    }
}

TEST(GrayMap, LevelsAreTheLogFormulaAtEveryStepAndBesideIt) {
    // with no waveform variance the gain is 100: level of power p is the formula at 100 p
    auto formula = [](double v) {
        double l = v > 0 ? 1 + std::log(v) / std::log(double(par.floor)) : -1;
        double t = 255 * gresp(par.darkness + par.contrast * 1.5 * (l - 0.3));
        return t > 255 ? 255 : (t >= 0 ? int(t) : 0);
    };
    std::vector<float> spec(4100);
    // the defaults, the 300-dpi printer's tone curve, a dark low-contrast plot, a floor below 1
    // (the level falls as the power rises) and no contrast
    const std::tuple<const char *, double, double, double> cases[] = {
        {"", 1, 0, 0},
        {"", 0.739, -0.973, 1.233},
        {"darkness=1.2 contrast=0.3", 1, 0, 0},
        {"floor=0.5", 1, 0, 0},
        {"contrast=0", 1, 0, 0}};
    for (auto [pars, c0, c1, c2] : cases) {
        silence(pars);
        gray.c0 = c0, gray.c1 = c1, gray.c2 = c2;
        std::vector<float> p = {0, -1, NAN, INFINITY, 1e-45f, 3e38f};
        // the least power of each level, found by halving the float range, and its neighbours
        for (int k = 1; k < 256; k++) {
            uint32_t lo = 0, hi = 0x7F7FFFFF;
            if (formula(100.0 * std::bit_cast<float>(hi)) < k) continue;
            while (hi - lo > 1)
                (formula(100.0 * std::bit_cast<float>(lo + (hi - lo) / 2)) >= k ? hi : lo) =
                    lo + (hi - lo) / 2;
            for (uint32_t u : {hi - 1, hi, hi + 1}) p.push_back(std::bit_cast<float>(u));
        }
        wave.wvar = 0, ana.kmin = 0, ana.nk = int(p.size()), ana.nbins = ana.nk;
        std::copy(p.begin(), p.end(), spec.begin());
        fsl.spec = spec.data();
        graymap();
        for (size_t i = 0; i < p.size(); i++)
            ASSERT_EQ(fsl.gcol[i], formula(100.0 * p[i])) << pars << " power " << p[i];
    }
    gray.c0 = 1, gray.c1 = gray.c2 = 0, fsl.spec = nullptr;
}

TEST(GrayMap, TheGainSumIsTheShownBinsPowersAddedInOrder) {
    // the rows of the plot from bin kmin on, those outside the spectrum left out: their sum as
    // the transform (or the all-pole model) leaves it for the gain
    std::mt19937 rng(3);
    for (const char *pars : {"", "nlpc=12", "fmin=3000 fmax=1000", "nflim=0 fmin=-500 fmax=1000",
                             "foct=3 fmax=4000"}) {
        silence(pars);
        ASSERT_EQ(setup(), 0) << pars;
        for (int i = 0; i < ana.nwin; i++) wave.sbuf[i] = int32_t(rng() % 20001) - 10000;
        par.nlpc > 0 ? lpcpow() : fftpow();
        double sum = 0;
        for (int k = ana.kmin; k < ana.kmin + ana.nk; k++)
            if (k >= 0 && k < ana.nbins) sum += fsl.spec[k];
        EXPECT_EQ(fsl.shown, sum) << pars;
    }
}

TEST(Rfft, EqualsTheTransformInDoubleAtEveryLength) {
    for (int n = 2; n <= 32768; n *= 2) {
        std::vector<float> x(n + 2);
        for (int i = 0; i < n; i++) x[i] = std::rand() / (RAND_MAX / 2.0f) - 1;
        std::vector<float> p = x;
        ASSERT_EQ(rfft(p.data(), n), 0);
        rfftunp(p.data(), n); // X_0 .. X_(n/2) as (re, im) pairs
        for (int k = 0; k <= n / 2; k += n <= 1024 ? 1 : n / 64) { // every bin, or 33 of them
            std::complex<double> X = 0;
            for (int j = 0; j < n; j++)
                X += double(x[j]) * std::polar(1.0, -2 * M_PI * (j * k % n) / n);
            EXPECT_LT(std::abs(std::complex<double>(p[2 * k], p[2 * k + 1]) - X),
                      3e-7 * std::log2(n) * std::sqrt(n))
                << n << " " << k;
        }
    }
}

TEST(Rfft, RefusesLengthsThatAreNotPowersOfTwoUpTo32768) {
    std::vector<float> x(70000, 1.0f);
    for (int n : {-4, 0, 1, 3, 6, 24, 1000, 65536}) EXPECT_EQ(rfft(x.data(), n), 1) << n;
    EXPECT_EQ(x, std::vector<float>(70000, 1.0f));
}

TEST(Window, DefinedValuesOfEachShape) {
    // centred on nwin / 2 in steps of 360 / (nwin - 1) degrees: 0.42 + 0.5 cos + 0.08 cos 2x
    // (Blackman), 0.54 + 0.46 cos (Hamming); nwin, window, index, value
    const std::tuple<int, int, int, float> cases[] = {
        {5, 2, 0, 0},     {5, 2, 1, 0.34f}, {5, 2, 2, 1},     {5, 2, 4, 0},      {4, 2, 0, 0.13f},
        {4, 2, 1, 0.13f}, {4, 2, 2, 1},     {4, 2, 3, 0.13f}, {5, 1, 0, 0.08f},  {5, 1, 1, 0.54f},
        {5, 1, 3, 0.54f}, {4, 1, 0, 0.31f}, {2, 2, 0, 1},     {1, 2, 0, 1},      {1, 1, 0, 1},
        {300, 0, 299, 1}, {5, 3, 3, 1},     {5, -1, 0, 1},    {9000, 0, 8191, 1}};
    for (auto [nwin, window, i, want] : cases) {
        std::fill(std::begin(win.wtab), std::end(win.wtab), -5.0f);
        MsgCap m;
        winset(nwin, window);
        EXPECT_NEAR(win.wtab[i], want, 1e-6) << nwin << " " << window << " " << i;
        if (nwin < WTABMAX) { EXPECT_EQ(win.wtab[nwin], -5.0f) << "past nwin " << nwin; }
        EXPECT_EQ(m.times("WARNING: unknown window"), window < 0 || window > 2); // rectangular
    }
}

TEST(Axes, FrequencyNumberTexts) {
    // axis type and decimals, fint, flo, axis value, text; place: (10^(m fpB) - fpC) fpA
    // clang-format off
    const std::tuple<int, int, float, float, double, const char *> cases[] = {
        {0, 0, 1000, 0, 0, "0"}, {0, 0, 1000, 0, 8000, "8"}, {0, 0, 500, 0, 1500, "1.5"},
        {0, 0, 500, 0, 0, "0.0"}, {0, 0, 50, 0, 150, "0.15"}, {0, 0, 5, 0, 1005, "1.005"},
        {1, 3, 1000, 125, 0, "0.125"}, {1, 3, 1000, 125, 3000, "1.000"}, {1, 1, 1000, 100, 0, "0.1"},
        {1, 1, 1000, 100, 4000, "1.6"}, {1, 1, 1000, 100, 7000, "13"}, {1, 0, 1000, 1000, 1000, "2"},
        {2, 3, 1000, 0, 0, "0.020"}, {2, 3, 1000, 0, 5000, "1.710"}, {2, 3, 1000, 0, 9000, "12.69"}};
    // clang-format on
    plot.fpA = 165.4f, plot.fpB = 0.00021f, plot.fpC = 0.88f;
    for (auto [axtype, axdec, fint, flo, m, want] : cases) {
        plot.axtype = axtype, plot.axdec = axdec, par.fint = fint, ana.flo = flo;
        char text[64];
        freqtext(m, text, sizeof text);
        EXPECT_STREQ(text, want) << axtype << " " << m;
    }
}
