// PostScript device: exact bytes of small documents worked out by hand, the image-strip
// sampling shared with the metafile, and a hand-built page rendered by Ghostscript.
#include <gtest/gtest.h>
#include <png.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "devices/ps.h"
#include "base/opts.h"
#include "base/outfile.h"
#include "base/stamp.h"
#include "devices/strip.h"
#include "render/core.h"

namespace {

// Runs one document (open, the drawing ops, close) into memory and returns its bytes.
std::string psdoc(const std::function<void()> &draw) {
    char *buf = nullptr;
    size_t len = 0;
    FILE *mem = open_memstream(&buf, &len);
    out.outfile = mem;
    out.outlost = 0;
    psopen();
    draw();
    devtab.devclose(1);
    out.outfile = nullptr;
    fclose(mem);
    std::string s(buf, len);
    free(buf);
    return s;
}

const char *const fixeddate = "Sun Dec  6 01:02:48 2026\n";

std::string header(const std::string &title) {
    return "%!PS-Adobe-2.0 EPSF-2.0\n"
           "%%Title: " +
           title +
           "\n"
           "%%Creator: KAVREL version 2.52 \n"
           "%%CreationDate: Sun Dec  6 01:02:48 2026\n"
           "%%BoundingBox: 18 18 594 774\n"
           "%%Pages: 1\n"
           "%%EndComments\n"
           "/vs_str 1 string def\n"
           "/VS {\n"
           "    translate 8 exch true [1 0 0 1 0 0]\n"
           "    {currentfile vs_str readhexstring pop}\n"
           "    imagemask\n"
           "} def\n"
           "/GS {\n"
           "    {currentfile gs_str readhexstring pop}\n"
           "    false 1 colorimage\n"
           "} def\n"
           "/CS {\n"
           "    {currentfile gs_str readhexstring pop}\n"
           "    false 3 colorimage\n"
           "} def\n"
           "/M /moveto load def\n"
           "/L /rlineto load def\n"
           "/R {moveto rlineto rlineto rlineto fill} bind def\n"
           "/S {setlinewidth stroke} bind def\n"
           "%%EndPrologue\n"
           "%%BeginSetup\n"
           "18 774 translate 270 rotate % landscape\n"
           "0.240000 0.240000 scale\n"
           "0 setgray 1 setlinejoin 1 setlinecap\n"
           "%%EndSetup\n"
           "%%Page: 1 1\n";
}

class PsDoc : public ::testing::Test {
  protected:
    void SetUp() override {
        stamp.rundate = fixeddate;
        stamp.plotname = "talk.wav";
        opt.coloropt = 0;
    }
    void TearDown() override { opt.coloropt = 0; }
};

TEST_F(PsDoc, EmptyPlotIsOnlyTheEndMark) {
    struct Case {
        const char *what;
        std::function<void()> draw;
    } cases[] = {
        {"nothing drawn", [] {}},
        {"one-point polyline",
         [] {
             int r = 5, c = 6;
             devtab.devline(1, &r, &c, 0.01);
         }},
        {"page end without marks", [] { devtab.devpage(); }},
    };
    for (const auto &c : cases) EXPECT_EQ(psdoc(c.draw), "%%EOF\n") << c.what;
    // a vector device on a 300-dot landscape page
    EXPECT_EQ(page.dotwidth, 0.0033333334140479565);
    EXPECT_EQ(page.pagerows, 3150);
    EXPECT_EQ(page.pagecols, 2400);
    EXPECT_TRUE(devtab.devband == nullptr && devtab.devimage && devtab.devpage && devtab.devret);
}

TEST_F(PsDoc, RectangleAfterTheHeaderAndShownAtClose) {
    std::string out = psdoc([] { devtab.devrect(100, 200, 5, 7); });
    EXPECT_EQ(out, header("talk.wav") + "-5 0 0 7 5 0 100 200 R\nshowpage\n%%EOF\n");
    // the header is written once per document, with the title of the moment it is written
    stamp.plotname = "later.wav";
    out = psdoc([] {
        devtab.devrect(0, 0, 1, 1);
        stamp.plotname = "ignored.wav";
        devtab.devrect(1, 2, 3, 4);
    });
    EXPECT_EQ(out, header("later.wav") + "-1 0 0 1 1 0 0 0 R\n-3 0 0 4 3 0 1 2 R\n" +
                       "showpage\n%%EOF\n");
    // a name of the full 255 characters is written whole
    stamp.plotname = std::string(255, 'n');
    out = psdoc([] { devtab.devrect(0, 0, 1, 1); });
    EXPECT_EQ(out, header(std::string(255, 'n')) + "-1 0 0 1 1 0 0 0 R\nshowpage\n%%EOF\n");
}

TEST_F(PsDoc, PolylinePiecesBrokenBefore64Characters) {
    // 10 points 10 dots apart: "0 0 M " (6) then "10 10 L " (8) pieces; 6 + 7 x 8 = 62, so
    // the eighth piece starts a new line
    std::vector<int> rows, cols;
    for (int i = 0; i < 10; i++) rows.push_back(10 * i), cols.push_back(10 * i);
    std::string out = psdoc([&] { devtab.devline(10, rows.data(), cols.data(), 0.01); });
    std::string l8;
    for (int i = 0; i < 7; i++) l8 += "10 10 L ";
    EXPECT_EQ(out,
              header("talk.wav") + "0 0 M " + l8 + "\n10 10 L 10 10 L 3 S\n" + "showpage\n%%EOF\n");

    // a long polyline with pieces of varying length: no line over 64 characters of
    // pieces, every line ends after a complete piece, "S" ends the last line
    rows.clear(), cols.clear();
    for (int i = 0; i < 200; i++)
        rows.push_back((i * 7919) % 3000 - 100), cols.push_back((i * i * 31) % 2400);
    out = psdoc([&] { devtab.devline(200, rows.data(), cols.data(), 0.02); });
    std::string body = out.substr(header("talk.wav").size());
    size_t pos = 0, nlines = 0;
    long r = 0, c = 0;
    int npts = 0;
    while (pos < body.size()) {
        size_t nl = body.find('\n', pos);
        std::string line = body.substr(pos, nl - pos);
        pos = nl + 1;
        if (line == "showpage" || line == "%%EOF") continue;
        nlines++;
        bool last = line.size() >= 4 && line.substr(line.size() - 3) == "6 S";
        if (last) line = line.substr(0, line.size() - 3);
        EXPECT_LE(line.size(), 64u) << line;
        EXPECT_EQ(line.back(), ' ');
        // decode the pieces back into the points
        const char *p = line.c_str();
        long a, b;
        char op;
        int k;
        while (sscanf(p, "%ld %ld %c %n", &a, &b, &op, &k) == 3) {
            if (op == 'M')
                r = a, c = b;
            else
                r += a, c += b;
            EXPECT_EQ(r, rows[npts]);
            EXPECT_EQ(c, cols[npts]);
            npts++;
            p += k;
        }
    }
    EXPECT_EQ(npts, 200);
    EXPECT_GT(nlines, 20u);
}

TEST_F(PsDoc, LineWidthInDeviceUnits) {
    struct Case {
        double width;
        const char *piece;
    } cases[] = {{0.01, "3 S\n"}, {0.0, "0 S\n"}, {0.02, "6 S\n"}, {0.1, "30 S\n"}};
    int rows[2] = {10, 20}, cols[2] = {30, 25};
    for (const auto &c : cases) {
        std::string out = psdoc([&] { devtab.devline(2, rows, cols, c.width); });
        EXPECT_EQ(out.substr(header("talk.wav").size()),
                  std::string("10 30 M 10 -5 L ") + c.piece + "showpage\n%%EOF\n")
            << c.width;
    }
}

TEST_F(PsDoc, ImageStripBytesGrayAndColour) {
    // two values at positions 0, 0.5, 1 over 4 columns: f = 2 cells; cell 0 is the mean of
    // 0, 200 and 0.25 x 0 + 0.75 x 200 (117), cell 1 holds 200
    static const uint8_t vals[3] = {0, 200, 0};
    static const float pos[3] = {0.0f, 0.5f, 1.0f};
    auto draw = [] { devtab.devimage(10, 20, 3, 4, 2, vals, pos); };
    std::string strip = "/gs_str 2 string def\n1 2 8 [0.3333 0 0 0.5000 -3.3 -10.0] ";
    EXPECT_EQ(psdoc(draw), header("talk.wav") + strip + "GS\n8A37\nshowpage\n%%EOF\n");
    opt.coloropt = 1; // a new document declares its string again
    EXPECT_EQ(psdoc(draw), header("talk.wav") + strip + "CS\n00EA15906F00\nshowpage\n%%EOF\n");
}

// Counts the strip declarations and the hex lines of a document of strips.
TEST_F(PsDoc, StringDeclaredOnlyWhenTheStripSizeChanges) {
    std::vector<uint8_t> vals(130, 100);
    std::vector<float> pos(130);
    for (int i = 0; i < 130; i++) pos[i] = i / 129.0f;
    auto count = [](const std::string &s, const std::string &what) {
        int n = 0;
        for (size_t p = s.find(what); p != std::string::npos; p = s.find(what, p + 1)) n++;
        return n;
    };
    struct Case {
        const char *what;
        std::vector<int> ncols; // strip heights in columns, one strip each
        int decls;
    } cases[] = {
        {"equal sizes", {1200, 1200, 1200}, 1},
        {"size changes and back", {1200, 600, 1200}, 3},
        {"same f from different heights", {1200, 1201}, 1},
    };
    for (const auto &c : cases) {
        std::string out = psdoc([&] {
            for (size_t i = 0; i < c.ncols.size(); i++)
                devtab.devimage(static_cast<int>(i) * 8, 300, 8, c.ncols[i], 129, vals.data(),
                                pos.data());
        });
        EXPECT_EQ(count(out, "/gs_str"), c.decls) << c.what;
        EXPECT_EQ(count(out, "] GS\n"), static_cast<int>(c.ncols.size())) << c.what;
    }
    // 400 gray cells at 32 a line: 12 full lines and one of 16; all cells 255 - 100 = 9B
    std::string out = psdoc([&] { devtab.devimage(0, 0, 8, 1200, 129, vals.data(), pos.data()); });
    std::string cells = out.substr(out.find("GS\n") + 3);
    cells = cells.substr(0, cells.find("showpage"));
    std::string expect;
    for (int m = 0; m < 400; m++)
        expect += "9B" + std::string(m % 32 == 31 || m == 399 ? "\n" : "");
    EXPECT_EQ(cells, expect);
}

TEST_F(PsDoc, PageEndShowsThePageAndSetsTheNextUp) {
    std::string out = psdoc([] {
        devtab.devrect(1, 1, 1, 1);
        devtab.devpage();
        devtab.devpage(); // an empty page is not shown
        devtab.devrect(2, 2, 2, 2);
    });
    EXPECT_EQ(out, header("talk.wav") + "-1 0 0 1 1 0 1 1 R\nshowpage\n" +
                       "%%Page: 2 2\n18 774 translate 270 rotate % landscape\n" +
                       "0.240000 0.240000 scale\n0 setgray 1 setlinejoin 1 setlinecap\n" +
                       "-2 0 0 2 2 0 2 2 R\nshowpage\n%%EOF\n");
}

TEST_F(PsDoc, LargeOutputComplete) {
    // far more than the buffer: every byte arrives, in order
    std::string out = psdoc([] {
        for (int i = 0; i < 20000; i++) devtab.devrect(i, i % 2400, 1, 1);
    });
    size_t pos = header("talk.wav").size();
    for (int i = 0; i < 20000; i++) {
        char want[64];
        snprintf(want, sizeof want, "-1 0 0 1 1 0 %d %d R\n", i, i % 2400);
        ASSERT_EQ(out.compare(pos, strlen(want), want), 0) << i;
        pos += strlen(want);
    }
    EXPECT_EQ(out.substr(pos), "showpage\n%%EOF\n");
}

TEST_F(PsDoc, WriteErrorLeftOnTheStream) {
    FILE *full = fopen("/dev/full", "w");
    ASSERT_NE(full, nullptr);
    out.outfile = full;
    psopen();
    for (int i = 0; i < 100; i++) devtab.devrect(i, i, 1, 1);
    devtab.devclose(1);
    EXPECT_TRUE(ferror(full)); // the run's close reports it
    out.outfile = nullptr;
    fclose(full);

    // no output stream at all: nothing is written, nothing breaks
    out.outlost = 1;
    out.outwarned = 1;
    psopen();
    devtab.devrect(1, 1, 1, 1);
    devtab.devclose(1);
    out.outlost = 0;
    out.outwarned = 0;
}

// Image strip sampling shared with the metafile device.

TEST(StripSampling, PositionMappingIsContinuousFromZeroToNMinusHalf) {
    struct Case {
        const char *what;
        std::vector<float> P;
        bool steps; // two values share a position: the index steps over one there
    } cases[] = {
        {"linear", {0, 0.25f, 0.5f, 0.75f, 1}, false},
        {"octave-like", {0, 0.1f, 0.3f, 0.6f, 1}, false},
        {"repeated positions", {0, 0.5f, 0.5f, 1}, true},
        {"two values", {0, 1}, false},
    };
    for (const auto &c : cases) {
        int n = static_cast<int>(c.P.size()) - 1;
        EXPECT_DOUBLE_EQ(grayidx(0, n, c.P.data()), 0) << c.what;
        EXPECT_DOUBLE_EQ(grayidx(1, n, c.P.data()), n - 0.5) << c.what;
        double prev = 0;
        for (int s = 1; s <= 1000; s++) {
            double v = grayidx(s / 1000.0, n, c.P.data());
            EXPECT_GE(v, prev) << c.what << " at " << s;
            if (!c.steps) { EXPECT_LT(v - prev, 0.01 * n + 1e-9) << c.what << " jump at " << s; }
            prev = v;
        }
        // each position P[i] maps to (n - 0.5) i / n: value i - 1 is not shifted a row up
        for (int i = 1; i < n; i++)
            if (c.P[i] < c.P[i + 1]) {
                EXPECT_NEAR(grayidx(c.P[i], n, c.P.data()), (n - 0.5) * i / n, 1e-6) << c.what;
            }
    }
    float lin[5] = {0, 0.25f, 0.5f, 0.75f, 1};
    EXPECT_DOUBLE_EQ(grayidx(0.5, 4, lin), 1.75);
    EXPECT_DOUBLE_EQ(grayidx(0.3, 0, lin), -0.15);
}

TEST(StripSampling, CellCountPerStripHeight) {
    struct Case {
        int w, n, res, f;
    } cases[] = {
        {1200, 129, 300, 400},  // 4 whole inches: 100 cells an inch
        {1350, 129, 300, 400},  // only whole inches count
        {1200, 500, 300, 500},  // at least one cell per value
        {1200, 700, 300, 1200}, // more than half the columns: one cell per column
        {299, 10, 300, 10},     // under an inch: the value count
        {10, 6, 300, 10},       {2, 1, 300, 1},
        {400, 10, 100, 400}, // a 100-dot device: 4 inches, 400 > 200
        {800, 10, 200, 400},
    };
    for (const auto &c : cases)
        EXPECT_EQ(stripcells(c.w, c.n, c.res), c.f) << c.w << " " << c.n << " " << c.res;
}

TEST(StripSampling, CellsReadOnlyTheValuesAndHoldTheLast) {
    // exactly n bytes on the heap: any read past them trips the address sanitizer
    struct Case {
        const char *what;
        std::vector<uint8_t> vals;
        int w;
    } cases[] = {
        {"one value, f = 1", {77}, 2},
        {"one value, many cells", {77}, 600},
        {"two values", {10, 250}, 1200},
        {"ramp, more cells than columns/2", {0, 50, 100, 150, 200, 250}, 10},
    };
    for (const auto &c : cases) {
        int n = static_cast<int>(c.vals.size());
        std::vector<float> P(n + 1);
        for (int i = 0; i <= n; i++) P[i] = static_cast<float>(i) / n;
        auto *data = new uint8_t[n];
        std::copy(c.vals.begin(), c.vals.end(), data);
        int f = stripcells(c.w, n, 300);
        int lo = 255, hi = 0;
        for (int v : c.vals) lo = std::min(lo, v), hi = std::max(hi, v);
        for (int m = 0; m < f; m++) {
            int g = stripdark(m, f, n, data, P.data());
            EXPECT_GE(g, lo) << c.what << " cell " << m;
            EXPECT_LE(g, hi) << c.what << " cell " << m;
        }
        EXPECT_EQ(stripdark(f - 1, f, n, data, P.data()), c.vals.back()) << c.what;
        delete[] data;
    }
    EXPECT_EQ(stripdark(0, 5, 0, nullptr, nullptr), 0); // no values: white
}

TEST(StripSampling, ColourScaleFromBlueThroughGreenToRed) {
    struct Case {
        int g, r, gr, b;
    } cases[] = {{0, 0, 0, 255},   {64, 0, 128, 127},  {127, 0, 254, 1},
                 {128, 0, 255, 0}, {200, 144, 111, 0}, {255, 254, 1, 0}};
    for (const auto &c : cases) {
        int r, gr, b;
        stripcolour(c.g, &r, &gr, &b);
        EXPECT_EQ(r, c.r) << c.g;
        EXPECT_EQ(gr, c.gr) << c.g;
        EXPECT_EQ(b, c.b) << c.g;
    }
}

// Ghostscript reads a hand-built page.

struct Png {
    int w = 0, h = 0, ch = 0;
    std::vector<uint8_t> px;
    int at(int x, int y, int c = 0) const { return px[(static_cast<size_t>(y) * w + x) * ch + c]; }
};

Png readpng(const std::string &path) {
    Png img;
    png_image im{};
    im.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&im, path.c_str())) return img;
    im.format = PNG_FORMAT_RGB;
    img.w = im.width, img.h = im.height, img.ch = 3;
    img.px.resize(PNG_IMAGE_SIZE(im));
    if (!png_image_finish_read(&im, nullptr, img.px.data(), 0, nullptr)) img.w = img.h = 0;
    return img;
}

std::string tmpdir() {
    char tmpl[] = "/tmp/kavrel-ps-XXXXXX";
    return mkdtemp(tmpl) ? tmpl : "/tmp";
}

Png gsrender(const std::string &doc, const char *device) {
    std::string dir = tmpdir();
    std::string eps = dir + "/f.eps", png = dir + "/x.png";
    FILE *f = fopen(eps.c_str(), "w");
    fwrite(doc.data(), 1, doc.size(), f);
    fclose(f);
    std::string cmd = "gs -q -dSAFER -dBATCH -dNOPAUSE -dEPSCrop -sDEVICE=" + std::string(device) +
                      " -r72 -sOutputFile=" + png + " " + eps + " 2>&1";
    EXPECT_EQ(system(cmd.c_str()), 0) << cmd;
    Png img = readpng(png);
    std::string rm = "rm -rf " + dir;
    (void)!system(rm.c_str());
    return img;
}

// Mean brightness of a pixel box (page rows and columns in device dots).
double mean(const Png &img, int row0, int row1, int col0, int col1, int c = 0) {
    // row r lies r x 0.24 points below the top, column c 0.24 c right of the left edge
    double s = 0;
    int n = 0;
    for (int y = static_cast<int>(row0 * 0.24) + 1; y < static_cast<int>(row1 * 0.24) - 1; y++)
        for (int x = static_cast<int>(col0 * 0.24) + 1; x < static_cast<int>(col1 * 0.24) - 1; x++)
            s += img.at(x, y, c), n++;
    return n ? s / n : -1;
}

TEST_F(PsDoc, GhostscriptDrawsTheHandBuiltPage) {
    static uint8_t ramp[130];
    static float pos[130];
    for (int i = 0; i < 129; i++)
        ramp[i] = static_cast<uint8_t>(i * 255 / 128), pos[i] = i / 128.0f;
    ramp[129] = 0, pos[129] = 1;
    auto draw = [] {
        devtab.devrect(300, 300, 300, 300); // a black square near the top left
        int rows[2] = {2000, 2000}, cols[2] = {300, 2100};
        devtab.devline(2, rows, cols, 0.05); // a thick line across the page
        for (int r = 1000; r < 1600; r += 8) // a ramp: light at column 600, dark at 1800
            devtab.devimage(r, 600, 8, 1200, 129, ramp, pos);
    };
    Png img = gsrender(psdoc(draw), "pnggray");
    ASSERT_EQ(img.w, 576);
    ASSERT_EQ(img.h, 756);
    EXPECT_LT(mean(img, 300, 600, 300, 600), 10);     // the square is black
    EXPECT_GT(mean(img, 300, 600, 700, 1000), 245);   // beside it white
    EXPECT_LT(mean(img, 1995, 2005, 400, 2000), 40);  // the line
    EXPECT_GT(mean(img, 2100, 2200, 400, 2000), 245); // below it white
    double prev = 256;
    for (int c = 600; c < 1800; c += 200) {
        double m = mean(img, 1000, 1600, c, c + 200);
        EXPECT_LT(m, prev) << c; // darker along the column axis
        prev = m;
    }
    EXPECT_GT(mean(img, 1000, 1600, 600, 700), 215);
    EXPECT_LT(mean(img, 1000, 1600, 1700, 1800), 40);

    opt.coloropt = 1; // the colour scale: blue where light, red where dark
    img = gsrender(psdoc(draw), "png16m");
    ASSERT_EQ(img.w, 576);
    EXPECT_GT(mean(img, 1000, 1600, 600, 700, 2), 200);   // blue
    EXPECT_LT(mean(img, 1000, 1600, 600, 700, 0), 40);    // no red
    EXPECT_GT(mean(img, 1000, 1600, 1700, 1800, 0), 200); // red
    EXPECT_LT(mean(img, 1000, 1600, 1700, 1800, 2), 40);  // no blue
    EXPECT_GT(mean(img, 1000, 1600, 1150, 1250, 1), 200); // green in the middle
}

} // namespace
