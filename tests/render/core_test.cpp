// The band scan: device opening, band format and lengths, rectangles, the display list
// limit, hand-over timing and order on vector devices, page and plot ends.
#include <gtest/gtest.h>

#include <algorithm>

#include "analysis/plot.h"
#include "driver/run.h"
#include "recdev.h"
#include "render/gray.h"
#include "render/lines.h"

namespace {
// An open routine as a device has one: geometry and slots.
void recopenroutine() {
    page = Page{
        .xres = 100, .yres = 50, .pagerows = 80, .pagecols = 40, .planes = 8, .dotwidth = 0.01};
    devtab.devband = recband, devtab.devclose = recclose;
}
} // namespace

TEST(DeviceOpen, SelectsTheDeviceOrSaysWhyNot) {
    for (int idx : {5, -1}) {
        run.devindex = idx;
        EXPECT_EXIT(devopen(), testing::ExitedWithCode(1),
                    "Invalid printer selection: " + std::to_string(idx));
    }
    MsgCap cap;
    run.devindex = 3;
    devtab.devrect = recrect; // left by an earlier device
    EXPECT_EQ(devstart(nullptr), 1);
    EXPECT_EQ(cap.text(), "Output device 3 is not available: no plot is made\n");
    EXPECT_EQ(devtab.devrect, nullptr);
    ovlrect(0, 0, 20, 20), rowadv(40), pageend(), plotfinish(); // goes nowhere, safely
    run.devindex = 0;
    rec = RecDev{};
    rec.pix.assign(80 * 40, 0);
    EXPECT_EQ(devstart(recopenroutine), 0); // the core follows the device's geometry
    EXPECT_EQ(scan.bufcols * 100 + scan.bufplanes, 4008);
    ovlrect(2, 3, 1, 1), rowadv(8);
    EXPECT_EQ(rec.at(2, 3), 255);
    EXPECT_EQ(xdots(0.0099) * 100 + ydots(-0.05), 0 - 2); // dots truncate toward zero
}

TEST(DeviceOpen, ClearsTheScanAndSeedsTheDitherBelowOneLevel) {
    for (auto [planes, below] : {std::pair{1, 128}, {2, 64}, {4, 16}, {8, 1}}) {
        recopen(0, planes, 64, 300);
        ovlrect(0, 0, 4, 4), rowadv(3);
        recopen(0, planes, 64, 300);
        EXPECT_EQ(scan.novl + scan.currow + scan.bandrow, 0);
        EXPECT_EQ(*std::max_element(scan.bandbuf, scan.bandbuf + 300 * planes), 0);
        int top = *std::max_element(scan.dither, scan.dither + 300);
        EXPECT_LT(top, below) << planes;
        EXPECT_TRUE(planes > 1 || top > 0) << "seeded, not left zero";
    }
}

TEST(Bands, LengthRunsToTheLastInkedByteAndRectanglesFillTheirDots) {
    // rect (row, col, nrows, ncols) on planes; the band of rows 8..15 carries `colbytes`
    // in columns c0..c1-1 and has length len
    struct {
        int planes, row, col, nrows, ncols, c0, c1, len;
        std::vector<uint8_t> colbytes;
    } cases[] = {
        {1, 0, 0, 0, 5, 0, 0, 0, {}},            // empty extents: the empty band of length 0
        {1, 0, 0, 5, -3, 0, 0, 0, {}},           //
        {1, 5, 10, 5, 3, 10, 13, 13, {0xC0}},    // starts 3 rows before the band
        {1, 8, 0, 8, 2, 0, 2, 2, {0xFF}},        // the whole band
        {1, 14, -3, 10, 6, 0, 3, 3, {0x03}},     // clipped at column 0
        {1, 9, 98, 1, 10, 98, 100, 100, {0x40}}, // clipped at pagecols
        {8, 10, 4, 2, 1, 4, 5, 40, {0, 0, 255, 255, 0, 0, 0, 0}},
        {2, 5, 7, 5, 1, 7, 8, 16, {0xC0, 0xC0}},
        {4, 15, 1, 1, 1, 1, 2, 8, {0x01, 0x01, 0x01, 0x01}},
    };
    for (auto &c : cases) {
        recopen(0, c.planes, 64, 100);
        ovlrect(c.row, c.col, c.nrows, c.ncols);
        rowadv(16);
        const RecCall &b = rec.calls.back();
        ASSERT_EQ(b.args, (std::vector<int>{c.len, 8})) << "rect row " << c.row;
        for (int k = 0; k < c.len; k++) {
            int col = k / c.planes;
            uint8_t want = col >= c.c0 && col < c.c1 ? c.colbytes[k % c.planes] : 0;
            ASSERT_EQ(b.bytes[k], want) << "rect row " << c.row << " byte " << k;
        }
        EXPECT_EQ(*std::max_element(scan.bandbuf, scan.bandbuf + 100 * c.planes), 0);
    }
}

TEST(DisplayList, Holds512RecordsAndReportsWhatIsMissing) {
    recopen(0, 1, 64, 64);
    MsgCap cap;
    for (int i = 0; i < 512; i++) ASSERT_NE(ovlget(), nullptr);
    EXPECT_EQ(ovlget(), nullptr); // the 513th
    EXPECT_EQ(cap.text(), "Overlay limit exceeded: 512\n");
    for (int i = 0; i < 512; i++) *scan.ovllist[i] = Ovl{1, 0, 0, 0, 0, 0, 0, 1, 0, nullptr};
    rowadv(16); // passed records are reused
    EXPECT_EQ(scan.novl, 0);
    recopen(0, 1, 64, 64);
    ovlrect(0, 0, 2, 2), ovlrect(0, 4, 2, 2);
    Ovl *keep = scan.ovllist[0];
    scan.ovllist[0] = nullptr;
    rowadv(8);
    EXPECT_NE(cap.text().find("Overlay 0 has null pointer\n"), std::string::npos);
    EXPECT_EQ(rec.at(0, 4), 1); // the other record still drawn
    scan.ovllist[0] = keep, scan.novl = 0;
    Scan saved = scan;
    scan.bitmask[0] = 0; // as before the first device was opened
    EXPECT_EQ(ovlget(), nullptr);
    EXPECT_NE(cap.text().find("Bit mask initialization error\n"), std::string::npos);
    scan = saved;
}

TEST(HandOver, VectorDevicesGetEachOverlayOnceAfterTheScanPassedIt) {
    // passed at the first flush with (currow - 8) - row0 > nrows: d equal to nrows waits
    for (auto [row0, nrows, flushrow] :
         {std::tuple{0, 8, 24}, {0, 7, 16}, {3, 5, 24}, {20, 1, 32}}) {
        recopen(1, 1, 640, 100);
        ovlrect(row0, 0, nrows, 5);
        int handed = -1;
        for (int row = 8; row <= 64; row += 8) {
            rowadv(8);
            if (rec.count('r') == 1 && handed < 0) handed = row;
        }
        EXPECT_EQ(handed, flushrow) << row0 << " " << nrows;
        EXPECT_EQ(rec.count('r') * 10 + scan.novl, 10);
    }
    // within one flush gray lines come first, then rectangles and polylines
    recopen(1, 1, 640, 100);
    float pos[2] = {0, 1};
    uint8_t vals[3] = {10, 200, 7};
    int rows[2] = {0, 3}, cols[2] = {5, 9};
    setgraypos(pos);
    ovlrect(0, 0, 2, 2);
    ovlline(2, rows, cols, 0.0105);
    ovlgray(vals, 2, 1, 50, 3);
    rowadv(16);
    ASSERT_EQ(rec.ops(), "irl");
    EXPECT_EQ(rec.calls[0].args, (std::vector<int>{0, 1, 3, 50, 2}));
    EXPECT_EQ(rec.calls[0].bytes, (std::vector<uint8_t>{10, 200, 7})); // count + 1 bytes
    EXPECT_EQ(rec.calls[0].pos, pos);
    EXPECT_EQ(rec.calls[1].args, (std::vector<int>{0, 0, 2, 2}));
    EXPECT_EQ(rec.calls[2].args, (std::vector<int>{0, 3, 5, 9}));
    EXPECT_DOUBLE_EQ(rec.calls[2].width, 0.010);
}

TEST(HandOver, GrayLineAddedAtBandrow6SpansTwoBands) {
    recopen(0, 8, 64, 20);
    float pos[2] = {0, 1};
    uint8_t vals[2] = {255, 0};
    setgraypos(pos);
    rowadv(6);
    ovlgray(vals, 1, 3, 4, 5); // rows 6, 7 of the first band and 0..2 of the next
    rowadv(26);
    for (int row = 0; row < 32; row++)
        for (int col = 0; col < 20; col++)
            ASSERT_EQ(rec.at(row, col), row >= 6 && row <= 10 && col >= 3 && col <= 6 ? 254 : 0)
                << row << "," << col;
}

TEST(PageEnd, PassesThePageAndEveryWaitingMarkButNotTheLastPartialBand) {
    recopen(0, 1, 3150, 40);
    rowadv(5);
    pageend();
    EXPECT_EQ(rec.count('b'), 393); // 3144 rows; the last 6 are never flushed
    EXPECT_EQ(rec.calls[392].args[1], 3136);
    EXPECT_EQ(rec.ops().back(), 'p');
    EXPECT_EQ(scan.currow, 0);
    rec.calls.clear();
    plotfinish(); // after pageend only the close
    EXPECT_EQ(rec.ops(), "c");
    EXPECT_EQ(rec.calls[0].args[0], 1);
    // marks placed at row 0 after a page end (a line after a file command) still arrive
    for (int c = 0; c < 4; c++) {
        int vector = c & 1, finish = c >> 1;
        recopen(vector, 1, 800, 100);
        rowadv(20), pageend();
        rec.calls.clear();
        ovlrect(700, 10, 4, 4);
        finish ? plotfinish() : pageend();
        EXPECT_EQ(vector ? rec.count('r') : rec.at(701, 11), 1) << c;
        EXPECT_EQ(rec.ops().back(), finish ? 'c' : 'p');
        EXPECT_EQ(scan.novl, 0);
    }
}

TEST(PlotEnd, FinishHandsOverWhatWasPassedAndAbortOnlyCloses) {
    recopen(1, 1, 800, 100);
    ovlrect(0, 0, 4, 4);
    ovlrect(400, 0, 4, 4); // ahead of the scan: dropped
    rowadv(3), plotfinish();
    EXPECT_EQ(rec.ops(), "rc");
    EXPECT_EQ(scan.novl + scan.bandrow, 0);
    recopen(0, 1, 800, 100);
    ovlrect(0, 0, 4000, 4); // overlaps every band: must still end
    rowadv(3), plotfinish();
    EXPECT_EQ(scan.novl, 0);
    EXPECT_EQ(rec.ops().back(), 'c');
    recopen(0, 1, 800, 100);
    ovlrect(0, 0, 4, 4), rowadv(5), plotabort();
    EXPECT_EQ(rec.ops(), "c");
    EXPECT_EQ(rec.calls[0].args[0], 0);
}

TEST(Scan, RowsAdvanceOnlyForwardAndWrapPastThePageAndEjectNeedsAMovedPlot) {
    recopen(0, 1, 20, 16);
    rowadv(0), rowadv(-4);
    EXPECT_EQ(scan.currow, 0);
    rowto(13), rowto(2);
    EXPECT_EQ(scan.currow * 10 + scan.bandrow, 135);
    rowadv(11); // flush at 24 > pagerows: the scan wraps
    EXPECT_EQ(scan.currow, 4);
    EXPECT_EQ(rec.count('b'), 3);
    for (auto [xpos, pages] : {std::pair{0.0, 0}, {0.5, 1}, {-1.0, 0}}) {
        recopen(0, 1, 64, 16);
        plot.xpos = xpos;
        pageeject();
        EXPECT_EQ(rec.count('p'), pages) << xpos;
    }
    plot.xpos = 0;
}
