// PDF and SVG devices: small plots read back by poppler and librsvg at the plot's 300 dpi,
// where device dot (row, column) is pixel (row, 2399 - column) of a 3150 x 2400 page.
#include "devices/svg.h"
#include "devtest.h"
#include "pngread.h"

using namespace std::string_literals;

namespace {

const int rows[2] = {300, 800}, cols[2] = {1000, 1000};

// A filled square, a line of width 0 across the page; a second page holds one more square.
void marks() {
    devtab.devrect(100, 200, 50, 60);
    devtab.devline(2, rows, cols, 0.0);
    devtab.devpage();
    devtab.devrect(2000, 2000, 40, 40);
}

} // namespace

// The marks of a plot on two pages where the PostScript puts them; a plot without marks is
// still a document of one blank page.
TEST(Documents, PagesHoldTheMarksWhereThePostScriptPutsThem) {
    for (const char *dev : {"pdf", "svg"}) {
        SCOPED_TRACE(dev);
        const Scratch s("doc"), e("doc");
        run(dev, marks, 0, (s / ("o."s + dev)).c_str());
        EXPECT_EQ(out.failed, 0);
        const std::vector<Picture> p = readpages(s, "o."s + dev, 300);
        ASSERT_EQ(p.size(), 2u);
        for (const Picture &pg : p) ASSERT_EQ((std::pair{pg.w, pg.h}), (std::pair{3150, 2400}));
        auto at = [&](int page, int row, int col) { return p[page].gray(row, 2399 - col); };
        // the square's inside, the dots just outside it
        EXPECT_EQ((std::vector{at(0, 101, 201), at(0, 148, 258), at(0, 99, 230), at(0, 150, 230),
                               at(0, 120, 199), at(0, 120, 260)}),
                  (std::vector{0, 0, 255, 255, 255, 255}));
        // a line of width 0 is one dot wide: ink over the two pixels it straddles, none beyond
        EXPECT_LT(std::min(at(0, 500, 999), at(0, 500, 1000)), 160);
        EXPECT_EQ(std::max(at(0, 500, 997), at(0, 500, 1002)), 255);
        EXPECT_EQ((std::pair{at(1, 2020, 2020), at(0, 2020, 2020)}), (std::pair{0, 255}));
        // without marks: one blank page
        run(
            dev, [] {}, 0, (e / ("o."s + dev)).c_str());
        const std::vector<Picture> b = readpages(e, "o."s + dev, 300);
        EXPECT_EQ((std::tuple{b.size(), b.at(0).w, b[0].gray(1000, 1000)}),
                  (std::tuple{1u, 3150, 255}));
    }
    EXPECT_EQ(svgpagename("a.b/fig.SVG", 3), "a.b/fig-3.SVG");
    EXPECT_EQ(svgpagename("a.b/fig", 2), "a.b/fig-2.svg");
}
