// PostScript device: the exact bytes of small documents, worked out by hand, and the image
// strip sampling it shares with the metafile.
#include "base/stamp.h"
#include "devices/strip.h"
#include "devtest.h"

#include <algorithm>
#include <cmath>
#include <random>

namespace {

const std::string head =
    "%!PS-Adobe-2.0 EPSF-2.0\n%%Title: talk.wav\n%%Creator: KAVREL version 2.52 \n"
    "%%CreationDate: Sun Dec  6 01:02:48 2026\n%%BoundingBox: 18 18 594 774\n%%Pages: 1\n"
    "%%EndComments\n/vs_str 1 string def\n/VS {\n    translate 8 exch true [1 0 0 1 0 0]\n"
    "    {currentfile vs_str readhexstring pop}\n    imagemask\n} def\n/GS {\n"
    "    {currentfile gs_str readhexstring pop}\n    false 1 colorimage\n} def\n/CS {\n"
    "    {currentfile gs_str readhexstring pop}\n    false 3 colorimage\n} def\n"
    "/M /moveto load def\n/L /rlineto load def\n/R {moveto rlineto rlineto rlineto fill} bind def\n"
    "/S {setlinewidth stroke} bind def\n%%EndPrologue\n%%BeginSetup\n";
// The setup of every page: landscape, 1/300-inch units (72 / 300 = 0.24), round joins.
const std::string setup = "18 774 translate 270 rotate % landscape\n0.240000 0.240000 scale\n"
                          "0 setgray 1 setlinejoin 1 setlinecap\n";

const uint8_t ramp[2] = {0, 200}, flat[2] = {100, 100};
const float pos[3] = {0, 0.5f, 1};
int rows[2] = {10, 20}, cols[2] = {30, 25}, diag[10] = {10, 20, 30, 40, 50, 60, 70, 80, 90, 100};

// A square of side i at row and column i; the ramp over 4 columns at row 10.
const auto rect = [](int i) { devtab.devrect(i, i, i, i); };
const auto strip = [] { devtab.devimage(10, 20, 3, 4, 2, ramp, pos); };

void lots() { // far more than the output buffer holds
    for (int i = 0; i < 20000; i++) rect(1);
}

} // namespace

TEST(PostScript, DocumentIsHeaderMarksShowpageAndEndMark) {
    std::string many;
    for (int i = 0; i < 20000; i++) many += "-1 0 0 1 1 0 1 1 R\n";
    // the ramp: 2 cells, the mean of 0, 200 and 150 (117) and 200, in gray 255 - darkness
    const std::string two = "/gs_str 2 string def\n1 2 8 [0.3333 0 0 0.5000 -3.3 -10.0] ";
    // colour, drawing, the page's marks: a document without any is only the end mark
    const std::tuple<int, void (*)(), std::string> cases[] = {
        {0, [] {}, ""},
        {0, [] { devtab.devline(1, rows, cols, 0.01), devtab.devpage(); }, ""},
        // a date without its line end gets one
        {0, [] { stamp.rundate.pop_back(), devtab.devrect(100, 200, 5, 7); },
         "-5 0 0 7 5 0 100 200 R\n"},
        {0, [] { devtab.devline(2, rows, cols, 0.01); }, "10 30 M 10 -5 L 3 S\n"},
        {0, [] { devtab.devrect(1234567, -98765, 10, 2147483647); }, // numbers of every length
         "-10 0 0 2147483647 10 0 1234567 -98765 R\n"},
        {0, [] { devtab.devrect(0, 0, 2147483647, 100000); }, // the height written twice
         "-2147483647 0 0 100000 2147483647 0 0 0 R\n"},
        {0, [] { devtab.devline(10, diag, diag, 0.02); }, // pieces within 64 characters a line
         "10 10 M 10 10 L 10 10 L 10 10 L 10 10 L 10 10 L 10 10 L 10 10 L \n10 10 L 10 10 L 6 S\n"},
        {0, strip, two + "GS\n8A37\n"},
        {1, strip, two + "CS\n00EA15906F00\n"},
        {0, [] { strip(), devtab.devimage(10, 20, 3, 5, 2, flat, pos); }, // one declaration
         two + "GS\n8A37\n" + "1 2 8 [0.3333 0 0 0.4000 -3.3 -8.0] GS\n9B9B\n"},
        {0,
         [] {
             for (int r : {-12, 0, 11}) devtab.devimage(r, 20, 3, 5, 2, flat, pos);
         },
         "/gs_str 2 string def\n1 2 8 [0.3333 0 0 0.4000 4.0 -8.0] GS\n9B9B\n" // never -0.0
         "1 2 8 [0.3333 0 0 0.4000 0.0 -8.0] GS\n9B9B\n1 2 8 [0.3333 0 0 0.4000 -3.7 -8.0] "
         "GS\n9B9B\n"},
        {0, [] { rect(1), devtab.devpage(), devtab.devpage(), rect(2); },
         "-1 0 0 1 1 0 1 1 R\nshowpage\n%%Page: 2 2\n" + setup + "-2 0 0 2 2 0 2 2 R\n"},
        {0, lots, many}};
    stamp.plotname = "talk.wav", stamp.rundate = "Sun Dec  6 01:02:48 2026\n";
    for (auto &[colour, draw, marks] : cases)
        EXPECT_EQ(run("ps", draw, colour), // nothing drawn: still a document of one empty page
                  head + setup + "%%EndSetup\n%%Page: 1 1\n" + marks + "showpage\n%%EOF\n");
}

TEST(StripSampling, HundredCellsPerWholeInchAtLeastOnePerValue) {
    // columns, values, dpi, cells: whole inches count; past half the columns, one per column
    const int cases[][4] = {{1350, 129, 300, 400}, {1200, 500, 300, 500}, {1200, 700, 300, 1200},
                            {299, 10, 300, 10},    {800, 3, 200, 400},    {1000, 3, 200, 500}};
    for (auto &c : cases) EXPECT_EQ(stripcells(c[0], c[1], c[2]), c[3]) << c[0] << " " << c[1];
}

// Cell m of f as the mean darkness at its start, end and middle, one cell at a time.
int onecell(int m, int f, int n, const uint8_t *v, const float *P) {
    auto at = [&](double x) {
        double p = grayidx(x, n, P);
        if (!(p > 0)) return double(v[0]);
        if (p >= n - 1) return double(v[n - 1]);
        int k = static_cast<int>(p);
        return v[k] * (1 - (p - k)) + v[k + 1] * (p - k);
    };
    double d = f - 1;
    return static_cast<int>(
        (at(f > 1 ? m / d : 0) + at(f > 1 ? (m + 1) / d : 0) + at(f > 1 ? (m + 0.5) / d : 0)) / 3 +
        0.5);
}

TEST(StripSampling, CellIsTheMeanDarknessAtItsStartEndAndMiddle) {
    // cell m of f over n values at positions P: the darkness at relative positions m / (f - 1),
    // (m + 1) / (f - 1) and their middle, index (n - 0.5)(i + fraction from P[i] to P[i + 1]) / n
    const uint8_t v3[3] = {0, 90, 180};
    const float p3[4] = {0, 1 / 3.f, 2 / 3.f, 1}, late[3] = {0, 0.75f, 1};
    // a single cell sits at position 0; two cells of the ramp: 0, 150 at index 0.75 and 200,
    // then the same cells with the positions changed to 0, 0.75, 1: 0, 200, and 100 at index
    // 1.5 x (0.5 / 0.75) / 2, and 150 at 0.75 (the last interval), 200 and 200; cells of 0,
    // 112.5 at 1.25 and 56.25 at 0.625, of 112.5, 180 held from index 2 on and 168.75 at
    // 1.875, and of 180
    const std::tuple<int, int, int, const uint8_t *, const float *, int> cases[] = {
        {0, 1, 2, ramp, pos, 0},    {0, 2, 2, ramp, pos, 117}, {0, 2, 2, ramp, late, 100},
        {3, 5, 2, ramp, late, 183}, {0, 3, 3, v3, p3, 56},     {1, 3, 3, v3, p3, 154},
        {2, 3, 3, v3, p3, 180},     {0, 5, 0, v3, p3, 0}};
    for (auto [m, f, n, v, P, want] : cases) {
        std::vector<uint8_t> dark(f, 77);
        stripfill(f, n, v, P, dark.data());
        EXPECT_EQ(dark[m], want) << m << "/" << f;
    }
}

TEST(StripSampling, WholeStripsMatchTheCellByCellMeansAsPositionsChange) {
    // one position array reused with new contents, as each plot reuses it: linear, octave-like
    // with held zeros at the bottom, and uneven with repeats; every cell to the last bit
    std::mt19937 rng(15);
    std::vector<float> P(502);
    std::vector<uint8_t> v(501), dark;
    for (int n : {1, 2, 3, 129, 257, 500})
        for (int w : {1, 7, 299, 450, 1350, 2400})
            for (int kind = 0; kind < 3; kind++) {
                for (int i = 0; i <= n; i++)
                    P[i] = kind == 0 ? static_cast<float>(i * (1.0 / n))
                           : kind == 1
                               ? std::clamp(std::log2f(1.0f + 7.0f * i / n) / 3 - 0.05f, 0.f, 1.f)
                               : (i ? P[i - 1] + (rng() % 3) / (2.0f * n) : 0.0f);
                // random values, or runs of a few (white, black, one gray) that cells lie within
                for (int i = 0; i < n; i++)
                    v[i] = static_cast<uint8_t>(w % 2                ? rng()
                                                : i > 0 && rng() % 5 ? v[i - 1]
                                                                     : rng() % 3 * 127);
                const int f = stripcells(w, n, 300);
                dark.assign(f, 0);
                stripfill(f, n, v.data(), P.data(), dark.data());
                for (int m = 0; m < f; m++)
                    ASSERT_EQ(dark[m], onecell(m, f, n, v.data(), P.data()))
                        << "n " << n << " kind " << kind << " cell " << m << "/" << f;
            }
}
