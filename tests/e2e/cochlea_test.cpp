// kavrel plots a cochlear model's time-step file beside its stimulus: the output is read
// back by Ghostscript and the picture checked for the moving ridge of the strongest channel,
// the frame-scalar trace and the three tics of the "wnr" panel.
#include <gtest/gtest.h>

#include "testkit.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

// The model output of the test: nch channels, frames every 10 ms for one second, the
// strongest channel moving from 10 to 50, the frame scalar rising from -2 to 8.
constexpr int nch = 60, nframe = 100;
constexpr double period = 0.01;
double ridgech(int k) {
    return 10 + 40.0 * k / (nframe - 1);
}
double scalar(int k) {
    return -2 + 10.0 * k / (nframe - 1);
}

// A big- or little-endian time-step file naming stim as its stimulus.
void writetsd(const std::string &path, const std::string &stim, int be) {
    std::vector<unsigned char> b(868, 0);
    auto put = [&](size_t off, uint32_t v, int n) {
        for (int i = 0; i < n; i++) b[off + (be ? n - 1 - i : i)] = (v >> (8 * i)) & 0xff;
    };
    auto putf = [&](size_t off, float f) {
        uint32_t u;
        std::memcpy(&u, &f, 4);
        put(off, u, 4);
    };
    put(0, 0x74736400u, 4);
    put(4, 868, 2);
    put(12, 2, 2);
    std::memcpy(b.data() + 16, stim.c_str(), stim.size() + 1);
    putf(96, 1e-4f);
    putf(108, 0.165f), putf(112, 0.021f), putf(116, 0.88f);
    put(140, 100, 4);
    put(148, nframe, 4);
    put(154, nch + 1, 2);
    for (int k = 0; k < nframe; k++) {
        std::vector<float> fr(nch + 1);
        fr[0] = static_cast<float>(scalar(k));
        for (int q = 1; q <= nch; q++) {
            double d = (q - ridgech(k)) / 2.0;
            fr[q] = static_cast<float>(100 * std::exp(-d * d));
        }
        for (float v : fr) {
            b.resize(b.size() + 4);
            putf(b.size() - 4, v);
        }
    }
    FILE *f = std::fopen(path.c_str(), "wb");
    std::fwrite(b.data(), 1, b.size(), f);
    std::fclose(f);
}

// Runs a command line in the shell; its exit status.
int sh(const std::string &cmd) {
    int st = std::system(cmd.c_str());
    return WIFEXITED(st) ? WEXITSTATUS(st) : 128;
}

// A gray picture read from a binary PGM file.
struct Pgm {
    int w = 0, h = 0;
    std::vector<unsigned char> px;
    int at(int x, int y) const { return x < 0 || y < 0 || x >= w || y >= h ? 255 : px[y * w + x]; }
};

Pgm readpgm(const std::string &path) {
    Pgm p;
    std::string s = readfile(path);
    size_t at = 2;
    auto number = [&]() { // next header number, past blanks and comment lines
        while (at < s.size() && (std::isspace(static_cast<unsigned char>(s[at])) || s[at] == '#'))
            if (s[at] == '#')
                at = s.find('\n', at);
            else
                at++;
        size_t end = at;
        while (end < s.size() && std::isdigit(static_cast<unsigned char>(s[end]))) end++;
        int v = end > at ? std::stoi(s.substr(at, end - at)) : 0;
        at = end;
        return v;
    };
    if (s.compare(0, 2, "P5") != 0) return p;
    p.w = number(), p.h = number();
    int maxv = number();
    size_t off = at + 1;
    if (maxv != 255 || s.size() < off + size_t(p.w) * p.h) return Pgm{};
    p.px.assign(s.begin() + off, s.begin() + off + size_t(p.w) * p.h);
    return p;
}

// The picture is rendered at 150 dpi on the portrait letter page that the landscape plot
// is rotated onto: device row r (time, 1/300 in) runs down, column c (place) to the right.
constexpr int dpi = 150;
int pxx(double col) {
    return static_cast<int>((75 + col) * dpi / 300.0);
}
int pxy(double row) {
    return static_cast<int>((75 + row) * dpi / 300.0);
}

// Default panels in dots: spectrogram columns 300..1650 from row 375, 2550 rows for 1 s;
// energy panel columns 1725..1800.
constexpr int pltx0 = 375, pltw = 2550, plty = 300, plth = 1350, enry = 1725, enrh = 75;

// Centre (in device columns) of the dark band among columns c0..c1 over the picture rows of
// device rows r0..r1: the middle of the columns at least half as dark as the darkest.
double ridge(const Pgm &p, int r0, int r1, int c0, int c1) {
    std::vector<double> dark(p.w + 1, 0.0);
    int x0 = pxx(c0), x1 = pxx(c1);
    for (int y = pxy(r0); y <= pxy(r1); y++)
        for (int x = x0; x <= x1; x++) dark[x] += 255 - p.at(x, y);
    int best = x0;
    for (int x = x0; x <= x1; x++)
        if (dark[x] > dark[best]) best = x;
    int lo = best, hi = best;
    while (lo > x0 && dark[lo - 1] >= dark[best] / 2) lo--;
    while (hi < x1 && dark[hi + 1] >= dark[best] / 2) hi++;
    return (lo + hi + 1) / 2.0 * 300.0 / dpi - 75; // back to device columns
}

class CochleaE2e : public ::testing::Test {
  protected:
    std::string dir;
    void SetUp() override {
        dir = scratchdir("e2e-cochlea");
        ASSERT_FALSE(dir.empty());
        ASSERT_EQ(sh("sox -n -r 16000 -b 16 -c 1 " + dir +
                     "/stim.wav synth 1 sine 300-3000 vol 0.5 2>/dev/null"),
                  0);
    }
    void TearDown() override { sh("rm -rf " + dir); }
    // Plots the file with kavrel and renders the result; the picture (empty on failure).
    Pgm plotted(const std::string &file, const std::string &name, std::string *err) {
        std::string eps = dir + "/" + name + ".eps", pgm = dir + "/" + name + ".pgm";
        int st = sh("cd " + dir + " && " + KAVREL_BIN + " -Pps -o " + eps + " " + file +
                    " </dev/null 2>" + dir + "/" + name + ".err");
        *err = readfile(dir + "/" + name + ".err");
        if (st != 0) return Pgm{};
        if (sh("gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=pgmraw -r" + std::to_string(dpi) +
               " -sPAPERSIZE=letter -o " + pgm + " " + eps + " >/dev/null 2>&1") != 0)
            return Pgm{};
        return readpgm(pgm);
    }
};

TEST_F(CochleaE2e, RidgeFollowsTheStrongestChannelInBothByteOrders) {
    for (int be : {0, 1}) {
        SCOPED_TRACE(be ? "big-endian" : "little-endian");
        std::string name = be ? "be" : "le";
        writetsd(dir + "/" + name + ".tsd", dir + "/stim.wav", be);
        std::string err;
        Pgm p = plotted(name + ".tsd", name, &err);
        ASSERT_GT(p.w, 0) << err;
        EXPECT_NE(err.find("Cochlear spectrograph"), std::string::npos) << err;
        EXPECT_NE(err.find("npts=61, nstp=100\n"), std::string::npos) << err;
        double last = 1e9;
        for (int k : {5, 25, 50, 75, 95}) {
            SCOPED_TRACE(k);
            // device rows inside frame k; gray-line row i shows channel nch - i, and the image
            // strip puts value i of the nk = nch + 1 at i / (nk - 0.5) of the panel
            int r = pltx0 + static_cast<int>((k + 0.3) * period * pltw);
            double got = ridge(p, r, r + 6, plty + 6, plty + plth - 6); // inside the edge lines
            double row = (got - plty) / plth * (nch + 1 - 0.5);
            EXPECT_NEAR(row, nch - ridgech(k), 0.3);
            EXPECT_LT(got, last); // the ridge moves down the place axis
            last = got;
        }
    }
}

TEST_F(CochleaE2e, WnrPanelShowsTheScalarTraceAndItsThreeTics) {
    writetsd(dir + "/m.tsd", dir + "/stim.wav", 0);
    std::string err;
    Pgm p = plotted("m.tsd", "m", &err);
    ASSERT_GT(p.w, 0) << err;
    for (int k : {5, 30, 60, 90}) {
        SCOPED_TRACE(k);
        int r = pltx0 + static_cast<int>((k + 0.5) * period * pltw);
        double got = ridge(p, r, r + 2, enry + 2, enry + enrh - 2);
        double want = enry + static_cast<int>((scalar(k) + 2) * enrh / 10);
        EXPECT_NEAR(got, want, 3.0);
    }
    // tics left of the plot at the panel's bottom and top and at the scalar 0
    const int enzero = enry + 2 * enrh / 10;
    int tic = pltx0 - 10;
    struct Case {
        int col;
        bool dark;
    };
    const Case tics[] = {{enry, true},
                         {enzero, true},
                         {enry + enrh, true},
                         {enry + 56, false}, // where the energy panel has its -10 dB tic
                         {enry + 38, false}};
    for (const Case &c : tics) {
        SCOPED_TRACE(c.col);
        int darkest = 255;
        for (int dx = -1; dx <= 1; dx++)
            darkest = std::min(darkest, p.at(pxx(c.col) + dx, pxy(tic)));
        if (c.dark)
            EXPECT_LT(darkest, 128);
        else
            EXPECT_GT(darkest, 200);
    }
}

TEST_F(CochleaE2e, EnergyTitleIsWnrForTimeStepFiles) {
    writetsd(dir + "/t.tsd", dir + "/stim.wav", 0);
    std::string err;
    Pgm tsdp = plotted("t.tsd", "t", &err);
    ASSERT_GT(tsdp.w, 0) << err;
    Pgm wavp = plotted("stim.wav", "w", &err);
    ASSERT_GT(wavp.w, 0) << err;
    // extent along the panel of the dark strokes of the title left of the energy panel
    auto extent = [](const Pgm &p) {
        int lo = 1 << 30, hi = -1;
        for (int y = pxy(150); y <= pxy(340); y++)
            for (int x = pxx(1680); x <= pxx(1900); x++)
                if (p.at(x, y) < 128) lo = std::min(lo, x), hi = std::max(hi, x);
        return hi - lo;
    };
    int wnr = extent(tsdp), energy = extent(wavp);
    EXPECT_GT(wnr, 5);
    EXPECT_LT(wnr * 3, energy * 2); // "wnr" is half as long as "energy"
}

TEST_F(CochleaE2e, MissingStimulusEndsThePlot) {
    writetsd(dir + "/n.tsd", dir + "/nosuch.wav", 0);
    std::string err;
    int st = sh("cd " + dir + " && " + KAVREL_BIN + " -Pps -o n.eps n.tsd </dev/null 2>n.err");
    err = readfile(dir + "/n.err");
    EXPECT_EQ(st, 1);
    std::string msg = "ERROR : can't open stimulus file " + dir + "/nosuch.wav\n";
    ASSERT_NE(err.find(msg), std::string::npos) << err;
    EXPECT_EQ(err.find(msg, err.find(msg) + 1), std::string::npos) << err;
    EXPECT_EQ(err.find("Cochlear spectrograph"), std::string::npos) << err;
}

TEST_F(CochleaE2e, BandListingFollowsTheSweep) {
    std::string err;
    int st = sh("cd " + dir + " && " + KAVREL_BIN +
                " -Pps -o w.eps wrfile=1 stim.wav </dev/null 2>w.err");
    err = readfile(dir + "/w.err");
    ASSERT_EQ(st, 0) << err;
    size_t at = err.find(";ANSI third-octave bands, window-width=7.5 ms\n");
    ASSERT_NE(at, std::string::npos) << err;
    std::vector<std::vector<int>> lines; // I1, I2, then the levels
    size_t p = err.find('\n', err.find(";====", at)) + 1;
    while (p < err.size() && err[p] != ';') {
        size_t e = err.find('\n', p);
        if (e == std::string::npos) break;
        std::string l = err.substr(p, e - p);
        p = e + 1;
        ASSERT_EQ(l.size(), 15u + 15 * 4) << l;
        std::vector<int> v = {std::stoi(l.substr(0, 7)), std::stoi(l.substr(8, 7))};
        for (size_t q = 15; q < l.size(); q += 4) v.push_back(std::stoi(l.substr(q, 4)));
        lines.push_back(v);
    }
    ASSERT_GT(lines.size(), 100u);
    auto loudest = [](const std::vector<int> &v) {
        return static_cast<int>(std::max_element(v.begin() + 2, v.end()) - v.begin()) - 2;
    };
    for (size_t i = 0; i < lines.size(); i++) {
        EXPECT_EQ(lines[i][1] - lines[i][0], 120); // the window's 7.5 ms at 16 kHz
        if (i > 0) { EXPECT_GT(lines[i][0], lines[i - 1][0]); }
    }
    // the sweep rises from 300 to 3000 Hz: from the 315 Hz band to the 3150 Hz band
    EXPECT_NEAR(loudest(lines[lines.size() / 20]), 2, 1);
    EXPECT_NEAR(loudest(lines[lines.size() * 19 / 20]), 12, 1);
    int prev = 0, falls = 0;
    for (const auto &v : lines) {
        falls += loudest(v) < prev - 1;
        prev = loudest(v);
    }
    EXPECT_EQ(falls, 0);
}

} // namespace
