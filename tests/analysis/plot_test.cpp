// Whole plots of recordings and time-step files on the recording device: how the plot command
// ends, the tone's row, the panels' tics and marks, the pages, the band listing, the axis
// titles and the cochlear spectrograph.
#include <algorithm>
#include <map>

#include "analysis/anafix.h"
#include "render/text.h"
#include "sdinput/sdfix.h"

// A path in the folder of the program's recordings, removed at its end.
static std::string at(const std::string &name) {
    static Scratch s("ana");
    return s / name;
}

// A 16-bit recording at 8 kHz made by sox: by default 0.5 s of 1 kHz at half full scale.
static std::string wav(const std::string &synth = "0.5 sine 1000 vol 0.5") {
    EXPECT_TRUE(sox(at(""), "-n -r 8000 -b 16 t.wav synth " + synth));
    return at("t.wav");
}

// A time-step file naming stim in the byte order be: 50 frames of 10 ms, frame k with the
// scalar k - 10 and 8 channels, all -5 but channel ridge + k % 3 at 10.
static void writetsd(const std::string &path, const std::string &stim, int be, int ridge) {
    Bytes w = tsdfile(
        be, 9, 50, [ridge](int k, int q) { return q ? q == ridge + k % 3 ? 10 : -5 : k - 10.f; });
    w.at(96, f32(1e-3f), 4).at(108, f32(0.1654f), 4).at(112, f32(0.021f), 4);
    writefile(path, w.at(116, f32(0.88f), 4).b.replace(16, stim.size(), stim)); // 10 steps of 1 ms
}

TEST(Plot, OutcomesMessagesAndPages) {
    std::string tone = wav(), gone = at("gone.wav"), nostim = at("n.tsd");
    writetsd(nostim, at("none"), 0, 1);
    // file, kind, pars, outcome, what is said, rows of each page
    const std::tuple<std::string, int, const char *, Outcome, std::string, std::vector<int>>
        cases[] = {
            {tone, 1, "", GOON, "", {2550}},
            {tone, 1, "tpage=0.2", GOON, "", {2550, 2550, 1275}}, // the last shorter
            {tone, 1, "mfft=2", ABANDON, "window width is greater than FFT width\n", {}},
            {tone, 1, "xllc=-1", ENDPLOT, "ERROR(" + tone + "): x=0.0 and xllc=-1.0\n", {}},
            {tone, 1, "bandwidth=100000", ENDPLOT, "invalid window width 0\n", {}},
            {gone, 1, "fmax=4000", ENDPLOT, "can't open file " + gone + "\n", {}},
            {gone, 2, "", ABANDON, "ERROR :  can't open " + gone + "\n", {}},
            {nostim, 2, "", ABANDON, "ERROR : can't open stimulus file " + at("none") + "\n", {}}};
    for (const auto &[path, kind, pars, outcome, said, pages] : cases) {
        fresh(pars);
        MsgCap m;
        EXPECT_EQ(plotfile(path, kind), outcome) << pars << " " << path;
        EXPECT_EQ(m.text(), said);
        if (outcome != ABANDON) { EXPECT_EQ(out.failed, outcome != GOON) << pars; }
        std::vector<int> rows;
        for (size_t i = 0, p = 0; p < rec.pages.size(); p++)
            for (rows.push_back(0); i < rec.pages[p]; i++) rows.back() += rec.imgs[i].nrows;
        EXPECT_EQ(rows, pages) << pars << " " << path;
    }
}

TEST(Plot, ToneIsTheDarkestRowOfEverySpectrum) {
    std::string tone = wav();
    // pars, the tone's row (8 kHz: 62.5 Hz per bin of 128, 15.625 of 512) and its place on the
    // panel: one octave of three up; log10(1000 / 165.4) / 0.00021 of 10000 on the place axis
    // clang-format off
    const std::tuple<const char *, int, float> cases[] = {
        {"", 16, 0.25f}, {"window=1", 16, 0.25f}, {"window=0 bandwidth=125 mfft=9", 64, 0.25f},
        {"nlpc=12", 16, 0.25f}, {"hfemph=0 rmdc=1", 16, 0.25f}, {"fmin=500 fmax=2000", 8, 1 / 3.0f},
        {"foct=3 fmax=4000", 8, 1 / 3.0f}, {"fpma=0.1654 fpmb=0.021", 16, 0.372125f}};
    // clang-format on
    for (auto [pars, row, pos] : cases) {
        fresh(pars + std::string(" darkness=0")); // no row at full scale
        ASSERT_EQ(plotfile(tone), GOON);
        EXPECT_NEAR(plot.graypos[row], pos, 1e-5) << pars;
        std::ranges::sort(rec.imgs, {}, &Rec::Img::row);
        ASSERT_EQ(rec.imgs.size(), 510u) << pars; // a spectrum every 5 rows of 2550
        for (int k = 0; k < 510; k++) {
            const Rec::Img &g = rec.imgs[k];
            ASSERT_EQ((std::tuple{g.row, g.col, g.nrows, g.ncols, g.vals.size()}),
                      (std::tuple{375 + 5 * k, 300, 5, 1350, size_t(ana.nk)}));
            if (k < 10 || k >= 500) continue; // windows reaching beyond the file
            ASSERT_EQ(std::max_element(g.vals.begin(), g.vals.end()) - g.vals.begin(), row) << k;
        }
    }
}

TEST(Plot, TicsMarksTitlesAndRecordOfASquareWave) {
    std::string list = "; rate=8000\n", sq = at("sq.txt"); // 0.5 s of 100 Hz at half full scale
    for (int i = 0; i < 4000; i++) list += i / 40 % 2 ? "-16384\n" : "16384\n";
    writefile(sq, list);
    fresh("eeps=100"); // 0.5 s on 8.5 in: 51 rows per 0.01 s
    ASSERT_EQ(plotfile(sq), GOON);
    std::set<std::array<int, 4>> tics, want;
    std::map<int, int> energy, wave; // marks by their width
    for (const auto &r : rec.rects) {
        auto [row, col, nr, nc] = r;
        if (row + nr == 375 || (col + nc == 300 && nr == 2 && row >= 374))
            tics.insert(r); // left of the panels and below the spectrogram, its left edge too
        if (col == 1725 && nr == 1) energy[(row - 375) % 51 ? -nc : nc]++;
        if (col >= 1875 && nr == 1) wave[nc]++;
    }
    // 0 to 4000 Hz every 100 Hz on 1350 dots, every 0.01 s from 0, long every tenth, medium
    // every fifth; every 10 dB of the energy panel's 40 on 75 dots, long every 20; the
    // waveform's bottom, zero and top, short
    for (int k = 0; k <= 50; k++) {
        int L = k % 10 == 0 ? 24 : k % 5 == 0 ? 18 : 12, E = k % 2 ? 18 : 24;
        if (k <= 40) want.insert({375 - L, 300 + int(1350 * k / 40.0 + 0.5) - 1, L, 2});
        want.insert({374 + 51 * k, 300 - L, 2, L});
        if (k <= 4) want.insert({375 - E, 1724 + int(75.5 - 18.75 * k), E, 2});
        if (k <= 2) want.insert({363, 1874 + 150 * k, 12, 2});
    }
    EXPECT_EQ(tics, want);
    // -6 dB: 34 of the energy panel's 40 dB on 75 dots every 0.01 s, the first window half
    // silent (-9 dB), a dot in between; the waveform a dot at the top or bottom of its panel
    // but at the 99 edges, across it, and from its middle to the first sample
    EXPECT_EQ(energy, (std::map<int, int>{{-1, 2500}, {59, 1}, {64, 49}}));
    EXPECT_EQ(wave, (std::map<int, int>{{1, 2450}, {151, 1}, {301, 99}}));
    const PlotRec &r = plot.plotrec[0];
    EXPECT_EQ(std::tuple(plot.nplotrec, r.sdname, r.left, r.right, r.bottom, r.top, r.wavbot,
                         r.wavtop, r.nwin, r.nfft, r.tpg1, r.fhi, r.srate),
              std::tuple(1, sq, 375, 2925, 300, 1650, 1875, 2175, 60, 128, 0.5f, 4000.0f, 8000.0f));
    auto strokes = [&](const std::string &pars) {
        fresh(pars);
        EXPECT_EQ(plotfile(sq), GOON);
        return static_cast<int>(rec.lines.size());
    };
    int all = rec.lines.size(),
        none = strokes("flabel=0 elabel=0 wlabel=0 tlabel=0 fannot=0 tannot=0");
    // the titles, and the numbers 0 to 4 kHz and 0 to 500 ms every 50 ms, drawn on their own
    rec = Rec{};
    double y = 0.5;
    txtsize(par.labsiz), txtbox(0);
    for (const char *t : {"frequency, kHz", "energy", "waveform", "time, msec"})
        txtdraw(5, y += 0.3, t);
    for (int n : {0, 1, 2, 3, 4, 0, 50, 100, 150, 200, 250, 300, 350, 400, 450, 500})
        txtsize(par.annsiz), txtdraw(5, y += 0.3, std::to_string(n));
    pageend();
    EXPECT_EQ(all - none, static_cast<int>(rec.lines.size()));
    // 0.2 in left of the panel leave no room for the titles of the vertical axes
    EXPECT_EQ(strokes("xllc=0.2"), strokes("xllc=0.2 flabel=0 elabel=0 wlabel=0"));
}

TEST(BandListing, HeaderAndTheToneBand) {
    // 45 periods in a window of 256: the tone is one bin, power (16384 x 256 / 2)^2, 126 dB;
    // the level shift lies in the 0 Hz bin, which no band lists. 229 periods in 8192: 223.6 Hz,
    // just above the edge of 223 Hz of the second equal band, (16384 x 8192 / 2)^2 or 157 dB
    const std::string tone = "0.5 sine 1406.25 vol 0.5 dcshift 0.1",
                      low = "2.5 sine 223.6328125 vol 0.5";
    // synth, toba, pars, band, level, header, the first window's samples
    const std::tuple<std::string, int, const char *, int, int, const char *, const char *> cases[] =
        {{tone, 1, "bandwidth=31.25 mfft=8", 9, 126, "ANSI third-octave bands, window-width=32.0",
          "   -128     128"},
         {tone, 0, "bandwidth=31.25 mfft=8", 8, 126, "EQUAL third-octave bands, window-width=32.0",
          "   -128     128"},
         {low, 0, "bandwidth=0.9765625 mfft=13", 1, 157,
          "EQUAL third-octave bands, window-width=1024.0", "  -4096    4096"}};
    for (const auto &[synth, toba, pars, band, db, head, first] : cases) {
        std::string path = wav(synth);
        fresh("wrfile=1 window=0 ftpw=0 toba=" + std::to_string(toba) + " " + pars);
        MsgCap m;
        ASSERT_EQ(plotfile(path), GOON);
        std::vector<std::string> l;
        std::istringstream in(m.text());
        for (std::string line; std::getline(in, line);) l.push_back(line);
        ASSERT_EQ(l.size(), 3 + 510u); // a line per spectrum
        EXPECT_EQ(l[0], std::string(";") + head + " ms");
        EXPECT_EQ(l[1],
                  ";   I1      I2      250         500         1000        2000        4000    ");
        EXPECT_EQ(l[2], ";" + std::string(74, '='));
        EXPECT_EQ(l[3].substr(0, 15), first);       // the first window centred on 0
        const std::string &mid = l[3 + 255];        // the window in the middle of the file
        ASSERT_EQ(mid.size(), 15 + 14 * 4u) << mid; // bands up to 4 kHz
        for (int b = 0; b < 14; b++) {
            int v = std::stoi(mid.substr(15 + 4 * b, 4));
            EXPECT_TRUE(b == band ? v == db : v < 60) << mid;
        }
    }
}

TEST(Cochlea, RidgeSummaryAndRecordInBothByteOrders) {
    std::string stim = wav();
    // 50 frames, or none (a file cut after its header)
    for (auto [be, ridge, frames] : {std::tuple{0, 3, 50}, {1, 5, 50}, {0, 3, 0}}) {
        writetsd(at("c.tsd"), stim, be, ridge);
        if (!frames) writefile(at("c.tsd"), readfile(at("c.tsd")).substr(0, 868));
        fresh();
        opt.verbose = opt.debugopt = 1;
        MsgCap m;
        ASSERT_EQ(plotfile(at("c.tsd"), 2), GOON);
        // channels -5 and 10, 7 of 8 at -5: their mean -25 / 8; none: no mean
        EXPECT_EQ(m.times(frames ? "fscnwav: wmn=-5 wmx=10 wrn=15 wdc=-3.1 nstp=50\n"
                                 : "fscnwav: wmn=0 wmx=0 wrn=1 wdc=0.0 nstp=0\n"),
                  1);
        // the place map 165.4 x (10^(0.00021 x place) - 0.88) over places 0 to 10000; 0.5 s of
        // 8 kHz on 8.5 in, a Blackman window of 3 x 8000 / 400
        EXPECT_EQ(m.times("Cochlear spectrograph           stimulus file: " + stim +
                          " \nnpts=9, nstp=" + std::to_string(frames) +
                          "\nfrequency-to-place map:  a=0.1654 b=0.0210 c=0.8800\n"
                          "sampling rate =        8.000 kHz        ADC = 16 bits (signed)\n"
                          "print rate    =       17.000 in/sec\n"
                          "window width  =       60 samples =    7.500 msec\n"
                          "FFT width     =      128 samples =   16.000 msec\n"
                          "frequency range from 20 to 20677 Hz\n"),
                  1);
        const PlotRec &r = plot.plotrec[0];
        EXPECT_EQ(std::tuple(plot.nplotrec, r.axtype, r.fpA, r.fpC, int(r.flo), int(r.fhi)),
                  std::tuple(1, 2, 165.4f, 0.88f, 19, 20677));
        EXPECT_FLOAT_EQ(r.fpB, 0.00021f);
        // the scalar's 0 in the energy panel, on the scale of the scanned frames, 0 to 48 (0.5 s
        // / 0.01 s falls short of 50 in single precision): -10 to 38
        EXPECT_EQ(ax.enzero, static_cast<int>(ana.enry + 10.0f * ana.enrh / 48)) << ana.enry;
        // values -5 and 10 on the scanned scale from -5 over 15, the last channel at the bottom
        // and the scalar's slot, 0, at the top: 255 x (0.5 + 0.5 x 1.8 x (log 1/3 / log 100 +
        // 0.75)) there; no frames, blank columns. Row j shows frame j / 51 (51 rows a 10 ms
        // frame), whose scalar the energy panel marks on that scale, the last one at its top.
        ASSERT_EQ(rec.imgs.size(), 2550u); // a column every row
        for (const Rec::Img &g : rec.imgs) {
            const int j = g.row - 375, f = j / 51;
            // a frame's first row may fall in the frame before, its mark joins the one before
            if (j % 51 < 2) continue;
            std::vector<uint8_t> want(9, 0);
            if (frames) want[8 - ridge - f % 3] = 255, want[8] = 244;
            ASSERT_EQ(g.vals, want) << g.row;
            const std::array<int, 4> mark{
                g.row, ana.enry + std::min(int(f * ana.enrh / 48.0f), ana.enrh), 1, 1};
            if (frames) { EXPECT_EQ(rec.rects.count(mark), 1u) << g.row; }
        }
    }
}
