// kavrel writing a 1 kHz tone through every device but PostScript, each output read back:
// the screen picture as PNG, the metafile by Inkscape, PCL and imPRESS by small decoders.
// The tone is a dark band at the 1 kHz row; the paper around it stays light.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "rasterread.h"
#include "pngread.h"

namespace {

std::string dir;

std::string get(const std::string &path) {
    std::string s;
    FILE *f = std::fopen(path.c_str(), "rb");
    if (!f) return s;
    char b[65536];
    size_t n;
    while ((n = std::fread(b, 1, sizeof b, f)) > 0) s.append(b, n);
    std::fclose(f);
    return s;
}

struct Res {
    int status;
    std::string err;
};

// Runs kavrel in the scratch directory through the shell; tail redirects standard output.
Res kavrel(const std::string &args, const std::string &tail = "> .stdout") {
    std::string cmd =
        "cd " + dir + " && env -u KAVREL " + KAVREL_BIN + " " + args + " 2> .stderr " + tail;
    int st = std::system(cmd.c_str());
    return {WIFEXITED(st) ? WEXITSTATUS(st) : -1, get(dir + "/.stderr")};
}

bool have(const char *tool) {
    return std::system((std::string("command -v ") + tool + " > /dev/null 2>&1").c_str()) == 0;
}

// Mean gray (0 black .. 255 white) of a w x h block of the picture.
double meangray(const Picture &p, int x, int y, int w, int h) {
    double s = 0;
    for (int j = y; j < y + h; j++)
        for (int i = x; i < x + w; i++) s += p.gray(i, j);
    return s / (w * h);
}

// Fraction of inked dots of a block of rows by columns.
double density(const RasterPage &pg, int row, int col, int nrows, int ncols) {
    int n = 0;
    for (int r = row; r < row + nrows; r++)
        for (int c = col; c < col + ncols; c++) n += pg.at(r, c);
    return double(n) / (nrows * ncols);
}

class Devices : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        char tmpl[] = "/tmp/kavrel-e2e-dev-XXXXXX";
        dir = mkdtemp(tmpl) ? tmpl : "/tmp";
        std::string cmd = "cd " + dir + " && sox -n -r 16000 -b 16 -c 1 tone.wav synth 1.0 " +
                          "sine 1000 vol 0.5 > /dev/null 2>&1";
        if (std::system(cmd.c_str()) != 0) dir.clear();
    }
    void SetUp() override {
        if (dir.empty()) GTEST_SKIP() << "sox could not make the tone";
    }
};

} // namespace

// Page geometry of the default plot: spectrogram from 1.25 to 9.75 inches along the page,
// 0 to 8 kHz over 1 to 5.5 inches up it.
constexpr double kTimeMid = 5.5, kTone = 1.0 + 4.5 / 8, kQuiet = 1.0 + 4.5 * 4.5 / 8;

TEST_F(Devices, ScreenPictureIsSavedAsPngWithOutputFile) {
    Res r = kavrel("-o x.png tone.wav");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err.find("not saved"), std::string::npos);
    Picture p = readpng(dir + "/x.png");
    ASSERT_EQ(p.w, 1680);
    ASSERT_EQ(p.h, 1226);
    int x = int(kTimeMid * 160), tone = 1226 - int(kTone * 153), quiet = 1226 - int(kQuiet * 153);
    EXPECT_LT(meangray(p, x - 50, tone - 3, 100, 6), 60) << "dark band at 1 kHz";
    EXPECT_GT(meangray(p, x - 50, quiet - 3, 100, 6), 230) << "light at 4.5 kHz";
    EXPECT_EQ(meangray(p, 0, 0, 100, 40), 255) << "white paper";
    // the frame: a black line across the bottom of the spectrogram and up its left side
    int bottom = 0, left = 0;
    for (int y = 1226 - 160; y < 1226 - 146; y++) {
        int n = 0;
        for (int i = 250; i < 1500; i++) n += p.gray(i, y) == 0;
        bottom = std::max(bottom, n);
    }
    for (int i = 190; i < 210; i++) {
        int n = 0;
        for (int y = 1226 - 820; y < 1226 - 170; y++) n += p.gray(i, y) == 0;
        left = std::max(left, n);
    }
    EXPECT_EQ(bottom, 1250);
    EXPECT_EQ(left, 650);

    // colour: the quiet panel is blue, the tone red
    r = kavrel("-c -o c.png tone.wav");
    EXPECT_EQ(r.status, 0) << r.err;
    Picture c = readpng(dir + "/c.png");
    ASSERT_EQ(c.w, 1680);
    const unsigned char *q = c.at(x, quiet), *t = c.at(x, tone);
    EXPECT_GT(q[2], 200) << "blue";
    EXPECT_LT(q[0], 30);
    EXPECT_GT(t[0], 200) << "red";
    EXPECT_LT(t[2], 30);
}

TEST_F(Devices, ScreenPlotWithoutOutputFileSaysHowToSaveIt) {
    Res r = kavrel("tone.wav");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.err.find("Plot drawn but not saved"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("kavrel -o plot.png"), std::string::npos);
    EXPECT_EQ(get(dir + "/.stdout"), "") << "nothing on standard output";
}

TEST_F(Devices, MetafileIsDrawnByInkscape) {
    // a 4-inch spectrogram keeps the reader's work down
    Res r = kavrel("-Pemf -o x.emf xlen=4 tone.wav");
    ASSERT_EQ(r.status, 0) << r.err;
    std::string f = get(dir + "/x.emf");
    ASSERT_GT(f.size(), 164u);
    auto le = [&](size_t at) {
        return uint32_t(uint8_t(f[at]) | uint8_t(f[at + 1]) << 8 | uint8_t(f[at + 2]) << 16 |
                        uint32_t(uint8_t(f[at + 3])) << 24);
    };
    EXPECT_EQ(le(16), 1100u);
    EXPECT_EQ(le(20), 800u);
    EXPECT_EQ(le(48), f.size()) << "header rewritten with the final size";
    if (!have("inkscape")) GTEST_SKIP() << "inkscape is not installed";
    std::string cmd = "cd " + dir + " && inkscape x.emf --export-type=png " +
                      "--export-filename=emf.png --export-background=white > /dev/null 2>&1";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    Picture p = readpng(dir + "/emf.png");
    ASSERT_GT(p.w, 0);
    double px = p.w / 11.0, py = p.h / 8.0; // pixels per inch of the picture
    EXPECT_NEAR(px, py, 0.5);
    int x = int(3.25 * px), tone = p.h - int(kTone * py), quiet = p.h - int(kQuiet * py);
    EXPECT_LT(meangray(p, x - 40, tone - 2, 80, 4), 60) << "dark band at 1 kHz";
    EXPECT_GT(meangray(p, x - 40, quiet - 2, 80, 4), 230) << "light at 4.5 kHz";
    EXPECT_GT(meangray(p, 0, 0, 60, 30), 250) << "white paper";
}

TEST_F(Devices, MetafileRefusesAPipe) {
    Res r = kavrel("-Pemf tone.wav", "| wc -c > .count");
    EXPECT_NE(r.err.find("nothing written"), std::string::npos) << r.err;
    EXPECT_EQ(std::atoi(get(dir + "/.count").c_str()), 0);
    std::string cmd = "cd " + dir + " && { env -u KAVREL " + KAVREL_BIN +
                      " -Pemf tone.wav 2> /dev/null; echo $? > .status; } | cat > /dev/null";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    EXPECT_EQ(get(dir + "/.status"), "1\n") << "the run failed";
}

TEST_F(Devices, RasterPrintersCarryTheSamePlot) {
    ASSERT_EQ(kavrel("-Plj3 -o x.pcl tone.wav").status, 0);
    ASSERT_EQ(kavrel("-Pip -o x.imp tone.wav").status, 0);
    ASSERT_EQ(kavrel("-Plj -o y.pcl tone.wav").status, 0);
    Raster lj = readpcl(get(dir + "/x.pcl")), ip = readimp(get(dir + "/x.imp"));
    Raster lj1 = readpcl(get(dir + "/y.pcl"));
    ASSERT_EQ(lj.err, "");
    ASSERT_EQ(ip.err, "");
    ASSERT_EQ(lj1.err, "");
    EXPECT_EQ(lj.res, 300);
    EXPECT_EQ(lj1.res, 150);
    ASSERT_EQ(lj.pages.size(), 1u);
    ASSERT_EQ(ip.pages.size(), 1u);
    ASSERT_EQ(lj1.pages.size(), 1u);
    EXPECT_TRUE(ip.docend);
    EXPECT_EQ(lj.pages[0].lines.size(), 3144u) << "393 bands of 8 rows";
    struct {
        const RasterPage *pg;
        int res;
    } pages[] = {{&lj.pages[0], 300}, {&ip.pages[0], 300}, {&lj1.pages[0], 150}};
    for (auto c : pages) {
        int r = c.res, row = int(kTimeMid * r) - r / 4;
        EXPECT_GT(density(*c.pg, row, int(kTone * r) - r / 50, r / 2, r / 25), 0.8) << r;
        EXPECT_LT(density(*c.pg, row, int(kQuiet * r) - r / 50, r / 2, r / 25), 0.05) << r;
        EXPECT_LT(density(*c.pg, 0, 0, r / 2, r), 0.001) << r << ": clean margin";
    }
    // away from the spectrogram the two 300-dot pages are the same dot for dot: frame, tics,
    // waveform, energy and text are not dithered
    int differ = 0, ink = 0;
    for (int row = 0; row < 3150; row++)
        for (int col = 0; col < 2400; col++) {
            bool panel = row >= 375 && row < 2935 && col >= 300 && col <= 1650;
            if (panel) continue;
            differ += lj.pages[0].at(row, col) != ip.pages[0].at(row, col);
            ink += ip.pages[0].at(row, col);
        }
    EXPECT_EQ(differ, 0);
    EXPECT_GT(ink, 100000);
}

TEST_F(Devices, PictureThatCannotBeWrittenFailsTheRun) {
    if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
    Res r = kavrel("-o /dev/full tone.wav");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("error writing output file /dev/full"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("libpng"), std::string::npos) << "one message, ours";
}
