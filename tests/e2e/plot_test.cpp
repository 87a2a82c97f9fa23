// kavrel plotting real recordings as a user would: sox and a small writer make the files,
// Ghostscript renders the PostScript, and the picture read back must show the signal.
// At 75 pixels per inch one pixel is 4 device dots: time runs down, frequency to the right.
#include <gtest/gtest.h>

#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace {

struct Dir {
    std::string path;
    Dir() {
        char tmpl[] = "/tmp/kavrel-e2e-plot-XXXXXX";
        const char *d = mkdtemp(tmpl);
        path = d ? d : "/tmp";
    }
    ~Dir() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
};

// Runs a shell command in dir; its exit status.
int sh(const Dir &d, const std::string &cmd) {
    std::string full = "cd '" + d.path + "' && env -u KAVREL " + cmd;
    int st = std::system(full.c_str());
    return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
}

void wav16(const std::string &path, int rate, int n, const std::function<double(int)> &f) {
    FILE *fp = std::fopen(path.c_str(), "wb");
    ASSERT_NE(fp, nullptr);
    auto put = [fp](uint32_t v, int bytes) {
        for (int i = 0; i < bytes; i++) std::fputc((v >> (8 * i)) & 0xff, fp);
    };
    std::fputs("RIFF", fp);
    put(36 + 2 * n, 4);
    std::fputs("WAVEfmt ", fp);
    for (uint32_t v : {16u, 1u | (1u << 16)}) put(v, 4);
    put(rate, 4);
    put(rate * 2, 4);
    put(2 | (16 << 16), 4);
    std::fputs("data", fp);
    put(2 * n, 4);
    for (int i = 0; i < n; i++)
        put(static_cast<uint16_t>(static_cast<int16_t>(std::lround(f(i)))), 2);
    std::fclose(fp);
}

struct Picture {
    int w = 0, h = 0, ch = 1;
    std::vector<uint8_t> px;
    int at(int x, int y, int c = 0) const {
        if (x < 0 || y < 0 || x >= w || y >= h) return 255;
        return px[(static_cast<size_t>(y) * w + x) * ch + c];
    }
    // mean gray of column x over the rows of times t0..t1
    double colmean(int x, double t0, double t1) const;
};

// Row of time t (seconds) and column of frequency f (Hz) at the default layout, 1 s per page.
int ypix(double t) {
    return static_cast<int>((375 + 2550 * t) / 4);
}
int xpix(double f) {
    return static_cast<int>((300 + 1350 * f / 8000) / 4);
}

double Picture::colmean(int x, double t0, double t1) const {
    double s = 0;
    int n = 0;
    for (int y = ypix(t0); y <= ypix(t1); y++, n++) s += at(x, y);
    return n ? s / n : 255;
}

Picture readpng(const std::string &path, bool colour) {
    Picture p;
    png_image img{};
    img.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&img, path.c_str())) return p;
    img.format = colour ? PNG_FORMAT_RGB : PNG_FORMAT_GRAY;
    p.ch = colour ? 3 : 1;
    p.w = img.width;
    p.h = img.height;
    p.px.resize(PNG_IMAGE_SIZE(img));
    if (!png_image_finish_read(&img, nullptr, p.px.data(), 0, nullptr)) p.w = p.h = 0;
    return p;
}

// Plots wav (with options) to EPS and renders it at 75 pixels per inch.
Picture plotpng(const Dir &d, const std::string &wav, const std::string &opts = "",
                bool colour = false) {
    std::string cmd =
        std::string("'") + KAVREL_BIN + "' -Pps " + opts + " -o p.eps " + wav + " 2>err.txt";
    EXPECT_EQ(sh(d, cmd), 0);
    std::string dev = colour ? "png16m" : "pnggray";
    EXPECT_EQ(sh(d, "gs -q -dSAFER -dBATCH -dNOPAUSE -dEPSCrop -sDEVICE=" + dev +
                        " -r75 -sOutputFile=p.png p.eps"),
              0);
    Picture p = readpng(d.path + "/p.png", colour);
    EXPECT_GT(p.w, 500);
    return p;
}

// Middle of the darkest frequency band on average over times t0..t1, in Hz (a strong band
// is saturated over several columns, so the middle of the darkest run counts).
double darkestf(const Picture &p, double t0, double t1) {
    std::vector<double> m;
    for (double f = 100; f < 7900; f += 25) m.push_back(p.colmean(xpix(f), t0, t1));
    size_t k = std::min_element(m.begin(), m.end()) - m.begin();
    size_t a = k, b = k;
    while (a > 0 && m[a - 1] <= m[k] + 10) a--;
    while (b + 1 < m.size() && m[b + 1] <= m[k] + 10) b++;
    return 100 + 25 * (a + b) / 2.0;
}

TEST(PlotPicture, ToneIsADarkBandAtItsFrequency) {
    Dir d;
    ASSERT_EQ(sh(d, "sox -n -r 16000 -b 16 tone.wav synth 1 sine 1000 gain -6"), 0);
    Picture p = plotpng(d, "tone.wav");
    EXPECT_LT(p.colmean(xpix(1000), 0.1, 0.9), 80);
    for (double f : {300.0, 2500.0, 3500.0, 5500.0, 7500.0})
        EXPECT_GT(p.colmean(xpix(f), 0.1, 0.9), 200) << f;
    EXPECT_NEAR(darkestf(p, 0.1, 0.9), 1000, 80);
}

TEST(PlotPicture, ToneSwitchingOnIsDarkOnlyAfterwards) {
    Dir d;
    wav16(d.path + "/on.wav", 16000, 16000,
          [](int i) { return i < 8000 ? 0 : 12000 * std::sin(2 * M_PI * 1000 * i / 16000.0); });
    Picture p = plotpng(d, "on.wav", "grid=0"); // no grid dots on the 1 kHz row
    EXPECT_GT(p.colmean(xpix(1000), 0.05, 0.45), 200);
    EXPECT_LT(p.colmean(xpix(1000), 0.55, 0.95), 80);
    // the edge lies within a window length of 0.5 s
    int first = -1;
    for (int y = ypix(0.3); y < ypix(0.7) && first < 0; y++)
        if (p.at(xpix(1000), y) < 128) first = y;
    EXPECT_NEAR(first, ypix(0.5), 3);
}

TEST(PlotPicture, SilenceIsAFlatTraceAndTheBottomEnergyLine) {
    Dir d;
    wav16(d.path + "/quiet.wav", 16000, 16000, [](int) { return 0; });
    Picture p = plotpng(d, "quiet.wav");
    int lo = 9999, hi = -1;
    for (int y = ypix(0.1); y < ypix(0.9); y++) {
        int dark = 0;
        // waveform panel, columns 1875..2175
        for (int x = 1875 / 4 - 1; x < 2175 / 4 - 1; x++)
            if (p.at(x, y) < 128) {
                lo = std::min(lo, x);
                hi = std::max(hi, x);
                dark++;
            }
        ASSERT_GT(dark, 0) << y;
        // energy panel, columns 1725..1800: only the bottom line is inked
        EXPECT_LT(p.at(1725 / 4, y), 128) << y;
        for (int x = 1725 / 4 + 2; x < 1800 / 4 - 1; x++)
            ASSERT_GT(p.at(x, y), 200) << x << " " << y;
    }
    EXPECT_LE(hi - lo, 1);
    // and the spectrogram stays white
    for (double f : {500.0, 2500.0, 6500.0}) EXPECT_GT(p.colmean(xpix(f), 0.1, 0.9), 240) << f;
}

TEST(PlotPicture, ChirpRises) {
    Dir d;
    ASSERT_EQ(sh(d, "sox -n -r 16000 -b 16 chirp.wav synth 1 sine 300-3000 gain -6"), 0);
    Picture p = plotpng(d, "chirp.wav");
    double f[5];
    for (int i = 0; i < 5; i++) f[i] = darkestf(p, 0.1 + 0.2 * i, 0.12 + 0.2 * i);
    for (int i = 1; i < 5; i++) EXPECT_GT(f[i], f[i - 1] + 100) << i;
    EXPECT_LT(f[0], 1200);
    EXPECT_GT(f[4], 2000);
}

TEST(PlotPicture, ColourOptionGivesTheColourScale) {
    Dir d;
    ASSERT_EQ(sh(d, "sox -n -r 16000 -b 16 tone.wav synth 1 sine 1000 gain -6"), 0);
    for (bool colour : {false, true}) {
        Picture p = plotpng(d, "tone.wav", colour ? "-c" : "", true);
        int coloured = 0;
        for (int y = ypix(0.1); y < ypix(0.9); y += 7)
            for (int x = xpix(0); x < xpix(8000); x += 3) {
                int r = p.at(x, y, 0), g = p.at(x, y, 1), b = p.at(x, y, 2);
                coloured += std::max({std::abs(r - g), std::abs(g - b), std::abs(r - b)}) > 40;
            }
        if (colour)
            EXPECT_GT(coloured, 50);
        else
            EXPECT_EQ(coloured, 0);
    }
}

TEST(PlotPicture, AnnotationsOfAParameterFileOnThePlotPage) {
    Dir d;
    wav16(d.path + "/quiet.wav", 16000, 16000, [](int) { return 0; });
    FILE *f = std::fopen((d.path + "/a.spc").c_str(), "w");
    ASSERT_NE(f, nullptr);
    // a thick line across the white spectrogram at 4 kHz, after the plot, on its page
    std::fputs("newpage=0\nsdfile quiet.wav\npltlwt=2\nplot 2 3.25 9 3.25\n", f);
    std::fclose(f);
    Picture p = plotpng(d, "a.spc");
    EXPECT_LT(p.colmean(xpix(4000), 0.2, 0.8), 100);
    EXPECT_GT(p.colmean(xpix(3500), 0.2, 0.8), 240);
    // one page only
    std::string eps;
    FILE *e = std::fopen((d.path + "/p.eps").c_str(), "rb");
    ASSERT_NE(e, nullptr);
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, e)) > 0) eps.append(buf, n);
    std::fclose(e);
    EXPECT_NE(eps.find("%%Page: 1 1"), std::string::npos);
    EXPECT_EQ(eps.find("%%Page: 2"), std::string::npos);
}

TEST(PlotPicture, UnreadableFileFailsTheRun) {
    Dir d;
    FILE *f = std::fopen((d.path + "/b.spc").c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fputs("fmax=4000\ntmax=0.5\nsdfile missing.wav\n", f);
    std::fclose(f);
    std::string cmd = std::string("'") + KAVREL_BIN + "' -Pps -o p.eps b.spc 2>err.txt";
    EXPECT_EQ(sh(d, cmd), 1);
}

} // namespace
