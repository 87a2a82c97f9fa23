// The PostScript output of kavrel as a user gets it: pages of a paged plot each shown in
// the same frame, drawings made before any file, an abandoned plot, read back by Ghostscript.
#include <gtest/gtest.h>

#include "testkit.h"
#include <png.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace {

// Runs a shell command in dir; returns its exit status.
int sh(const std::string &dir, const std::string &cmd) {
    std::string full = "cd " + dir + " && " + cmd;
    int st = std::system(full.c_str());
    return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
}

int count(const std::string &s, const std::string &what) {
    int n = 0;
    for (size_t p = s.find(what); p != std::string::npos; p = s.find(what, p + 1)) n++;
    return n;
}

struct Gray {
    int w = 0, h = 0;
    std::vector<uint8_t> px;
    // mean over the box x0..x1, y0..y1 (pixels, inclusive)
    double mean(int x0, int x1, int y0, int y1) const {
        double s = 0;
        int n = 0;
        for (int y = y0; y <= y1; y++)
            for (int x = x0; x <= x1; x++) s += px[static_cast<size_t>(y) * w + x], n++;
        return n ? s / n : -1;
    }
};

Gray readgray(const std::string &path) {
    Gray g;
    png_image im{};
    im.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&im, path.c_str())) return g;
    im.format = PNG_FORMAT_GRAY;
    g.px.resize(PNG_IMAGE_SIZE(im));
    if (png_image_finish_read(&im, nullptr, g.px.data(), 0, nullptr))
        g.w = im.width, g.h = im.height;
    return g;
}

const std::string gs = "gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=pnggray -r72 ";
const std::string bin = KAVREL_BIN;

TEST(PostScriptOutput, EveryPageOfAPagedPlotIsShownInTheSameFrame) {
    std::string d = scratchdir("e2e-ps");
    ASSERT_EQ(sh(d, "sox -n -r 16000 -b 16 -c 1 tone.wav synth 2 sine 1000"), 0);
    writefile(d + "/paged.spc", "tpage=1\nsdfile tone.wav\n");
    ASSERT_EQ(sh(d, bin + " -q -Pps -o paged.eps paged.spc 2>err.txt"), 0);
    std::string doc = readfile(d + "/paged.eps");
    EXPECT_EQ(count(doc, "showpage\n"), 2);
    EXPECT_EQ(count(doc, "%%Page: 2 2\n"), 1);
    EXPECT_EQ(doc.substr(doc.size() - 15), "showpage\n%%EOF\n");
    // printed on letter paper: a page point (x, y) of the plot is pixel (18 + 0.24 column,
    // 18 + 0.24 row); the 1 kHz row of the spectrogram is column 300 + 1350 / 8
    ASSERT_EQ(sh(d, gs + "-sPAPERSIZE=letter -sOutputFile=p%d.png paged.eps"), 0);
    Gray p1 = readgray(d + "/p1.png"), p2 = readgray(d + "/p2.png");
    ASSERT_EQ(p1.w, 612);
    ASSERT_EQ(p2.w, 612);
    for (const Gray *p : {&p1, &p2}) {
        EXPECT_LT(p->mean(128, 133, 150, 700), 80);  // the tone's band, the whole page long
        EXPECT_GT(p->mean(300, 310, 150, 700), 200); // 5 kHz: light
    }
    // the second page sets its coordinates up again: its frame lies where the first's does
    EXPECT_LT(std::abs(p1.mean(80, 420, 100, 730) - p2.mean(80, 420, 100, 730)), 1.0);
    size_t diff = 0;
    for (int y = 100; y < 730; y++)
        for (int x = 80; x < 420; x++)
            diff += std::abs(p1.px[y * 612 + x] - p2.px[y * 612 + x]) > 128;
    EXPECT_LT(diff, 200u); // the spectrogram panels coincide (time numbers aside)
    sh(d, "rm -rf " + d);
}

TEST(PostScriptOutput, DrawingBeforeAnyFileIsTitledWithTheRunName) {
    std::string d = scratchdir("e2e-ps");
    writefile(d + "/sketch.spc", "plot 1 1 5 5\n");
    ASSERT_EQ(sh(d, bin + " -Pps -o sk.eps sketch 2>err.txt"), 0);
    std::string doc = readfile(d + "/sk.eps");
    EXPECT_EQ(doc.substr(0, 40), "%!PS-Adobe-2.0 EPSF-2.0\n%%Title: sketch\n");
    EXPECT_NE(doc.find("\n300 300 M 1200 1200 L 6 S\nshowpage\n%%EOF\n"), std::string::npos);
    // the line runs from (1, 1) to (5, 5) inches of the landscape page: down and right
    ASSERT_EQ(sh(d, gs + "-dEPSCrop -sOutputFile=x.png sk.eps"), 0);
    Gray g = readgray(d + "/x.png");
    ASSERT_EQ(g.w, 576);
    for (int t : {100, 216, 340}) {
        EXPECT_LT(g.mean(t - 1, t + 1, t - 1, t + 1), 128) << t;
        EXPECT_GT(g.mean(t + 20, t + 25, t - 1, t + 1), 250) << t;
    }
    sh(d, "rm -rf " + d);
}

TEST(PostScriptOutput, AbandonedPlotLeavesOnlyTheEndMark) {
    std::string d = scratchdir("e2e-ps");
    ASSERT_EQ(sh(d, "sox -n -r 8000 -b 16 -c 1 short.wav synth 0.5 sine 440"), 0);
    writefile(d + "/late.spc", "tmin=5\nsdfile short.wav\n");
    EXPECT_EQ(sh(d, bin + " -Pps -o late.eps late.spc 2>err.txt"), 1);
    EXPECT_NE(readfile(d + "/err.txt").find("invalid time range\n"), std::string::npos);
    EXPECT_EQ(readfile(d + "/late.eps"), "%%EOF\n");
    sh(d, "rm -rf " + d);
}

} // namespace
