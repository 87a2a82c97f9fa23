// The band scan as a device sees it: opening, bands and their bytes, rectangles rasterised or
// handed over when passed, the display list limit, page and plot ends.
#include "recdev.h"

TEST(DeviceStart, WithoutAnOpenRoutineSaysSoAndKeepsA300DpiPage) {
    recopen(1);
    MsgCap cap;
    EXPECT_EQ(devstart(nullptr, 3), 1);
    EXPECT_EQ(cap.text(), "Output device 3 is not available: no plot is made\n");
    EXPECT_EQ(std::vector<int>({page.xres, page.yres, page.pagerows, page.pagecols, page.planes}),
              std::vector<int>({300, 300, 3150, 2400, 1}));
}

TEST(Bands, RectanglesAreRasterisedAndEachBandEndsAtItsLastInkedColumn) {
    // planes, rectangle (row, col, nrows, ncols) on a page of 16 rows by 8 columns -> its two
    // bands: planes bytes a column (8 planes: a byte a row; fewer: a bit a row, in each plane)
    // clang-format off
    std::vector<std::pair<std::array<int, 5>, std::string>> cases = {
        {{1, 5, 2, 5, 3}, "b0:0000070707 b8:0000c0c0c0 "}, {{4, 15, 0, 1, 1}, "b0: b8:01010101 "},
        {{1, 6, -3, 4, 6}, "b0:030303 b8:c0c0c0 "}, {{1, 9, 6, 1, 10}, "b0: b8:0000000000004040 "},
        {{1, 0, 0, 16, 8}, "b0:ffffffffffffffff b8:ffffffffffffffff "},
        {{8, 10, 1, 2, 1}, "b0: b8:00000000000000000000ffff00000000 "},
        {{2, 5, 3, 5, 1}, "b0:0000000000000707 b8:000000000000c0c0 "}};
    // clang-format on
    for (auto &[c, log] : cases) {
        recopen(0, c[0], 16, 8), ovlrect(c[1], c[2], c[3], c[4]), rowto(16);
        EXPECT_EQ(rec.log, log);
    }
}

TEST(VectorDevice, GetsEachOverlayOnceWhenTheScanHasPassedIt) {
    // An overlay is handed at the first flush whose band starts more than nrows rows after
    // its first row; in one flush gray lines come first, then rectangles and lines as made.
    recopen(1, 1, 640, 100);
    float pos[2] = {0, 1};
    uint8_t vals[3] = {10, 200, 7};
    setgraypos(pos);
    ovlrect(0, 0, 7, 2);
    drawseg(0.001, 0.0167, 0.0105, 0.0298, 0.0105); // nearest dots, width in 1/1000 in
    ovlgray(vals, 2, 1, 50, 3);
    ovlrect(3, 4, 5, 5);
    ovlrect(20, 4, 8, 5);   // passed at the second flush after the plot end
    ovlrect(600, 0, 4, 4);  // ahead of the scan at the plot end: dropped
    ovlrect(0, 0, 4000, 4); // longer than the page: the plot end comes all the same
    vals[0] = 99;           // the device gets the values as they were given
    rowto(16);
    EXPECT_EQ(rec.log, "i0,1,3,50,2,10,200,7 r0,0,7,2 l0,3,5,9,2,10 ");
    rowto(30);
    EXPECT_EQ(scan.currow, 30); // rows before row 30 passed
    plotfinish();
    EXPECT_EQ(rec.log, "i0,1,3,50,2,10,200,7 r0,0,7,2 l0,3,5,9,2,10 r3,4,5,5 r20,4,8,5 c1 ");
}

TEST(VectorDevice, EveryRectangleIsHandedAtTheFirstFlushPastIt) {
    // many waiting at once, some made while others are passed: each handed once, at the
    // first flush whose band starts more than nrows rows after its first row
    recopen(1, 1, 640, 100);
    static std::vector<std::array<int, 3>> got; // row0, nrows, row of the scan when handed
    got.clear();
    devtab.devrect = [](int r, int, int nr, int) { got.push_back({r, nr, scan.currow}); };
    std::vector<std::pair<int, int>> made;
    for (int i = 0; i < 90; i++) {
        const int r = scan.currow + (i * 37) % 130, nr = 1 + (i * 13) % 41;
        ovlrect(r, 0, nr, 1), made.push_back({r, nr});
        if (i % 30 == 29) rowadv(150);
    }
    rowto(632);
    ASSERT_EQ(got.size(), made.size());
    std::sort(made.begin(), made.end());
    std::sort(got.begin(), got.end());
    for (size_t i = 0; i < got.size(); i++) {
        auto [r, nr, at] = got[i];
        EXPECT_EQ(std::make_pair(r, nr), made[i]);
        EXPECT_TRUE(at - 8 - r > nr && at - 16 - r <= nr) << r << "+" << nr << " at " << at;
    }
}

TEST(PageEnd, PassesTheRestOfThePageAndThePlotEndsWithAClose) {
    // 10.5 in at 300 dpi: 393 whole bands, the last 6 rows not flushed. The list of marks not
    // yet passed holds 512.
    recopen(0, 1, 3150, 8);
    MsgCap cap;
    for (int i = 0; i < 513; i++) ovlrect(0, 0, 1, 1);
    EXPECT_EQ(cap.text(), "Overlay limit exceeded: 512\n");
    pageend(); // placed at row 0 before anything was passed: passed all the same
    ovlrect(3132, 7, 2, 1);
    ovlrect(3140, 7, 2, 1); // drawn in the band where the one before is let go
    rowadv(5);
    pageend();
    pageend(); // nothing placed: the page is not passed again
    plotfinish();
    plotabort();
    EXPECT_EQ(std::count(rec.log.begin(), rec.log.end(), 'b'), 2 * 393);
    EXPECT_EQ(rec.log.substr(0, 6) + rec.log.substr(rec.log.size() - 56),
              "b0:80 b3128:000000000000000c b3136:000000000000000c p p c1 c0 ");
}
