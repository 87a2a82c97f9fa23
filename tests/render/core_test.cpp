// The band scan: device opening, band format and lengths, rectangles, the display list
// limit, hand-over timing and order on vector devices, page and plot ends.
#include <gtest/gtest.h>

#include "analysis/plot.h"
#include "base/opts.h"
#include "base/outfile.h"
#include "devices/devlist.h"
#include "recdev.h"
#include "render/gray.h"
#include "render/lines.h"

namespace {

// The band calls of the recording device, as (first row, length).
std::vector<std::pair<int, int>> bands() {
    std::vector<std::pair<int, int>> out;
    for (const RecCall &c : rec.calls)
        if (c.op == 'b') out.push_back({c.args[1], c.args[0]});
    return out;
}

std::string ops() {
    std::string s;
    for (const RecCall &c : rec.calls) s += c.op;
    return s;
}

} // namespace

TEST(DeviceOpen, InvalidIndexEndsTheProcessWithStatus1) {
    for (int idx : {5, -1, 99}) {
        opt.devindex = idx;
        EXPECT_EXIT(devopen(), testing::ExitedWithCode(1),
                    "Invalid printer selection: " + std::to_string(idx));
    }
    opt.devindex = 0;
}

TEST(DeviceOpen, MissingDeviceSaysSoAndTheRunGoesOn) {
    MsgCap cap;
    opt.devindex = 3;
    devtab.devrect = recrect; // left by an earlier device
    EXPECT_EQ(devstart(nullptr), 1);
    EXPECT_EQ(cap.text(), "Output device 3 is not available: no plot is made\n");
    EXPECT_EQ(devtab.devrect, nullptr);
    // Drawing on goes nowhere but is safe.
    ovlrect(0, 0, 20, 20);
    rowadv(40);
    pageend();
    plotfinish();
    EXPECT_GT(page.pagerows, 0);
    opt.devindex = 0;
}

// An open routine as a device has one: geometry and slots.
void recopenroutine() {
    page = Page{
        .xres = 100, .yres = 50, .pagerows = 80, .pagecols = 40, .planes = 8, .dotwidth = 0.01};
    devtab.devband = recband;
    devtab.devclose = recclose;
}

TEST(DeviceOpen, OpenRoutineSetsGeometryAndTheCoreFollowsIt) {
    rec = RecDev{};
    rec.pix.assign(80 * 40, 0);
    devtab.devline = recline; // left by an earlier device
    EXPECT_EQ(devstart(recopenroutine), 0);
    EXPECT_EQ(devtab.devline, nullptr);
    EXPECT_EQ(scan.bufcols, 40);
    EXPECT_EQ(scan.bufplanes, 8);
    ovlrect(2, 3, 1, 1);
    rowadv(8);
    EXPECT_EQ(rec.at(2, 3), 255);
}

TEST(DeviceOpen, PreparationClearsTheScanAndSeedsTheDither) {
    struct {
        int planes, below;
    } cases[] = {{1, 128}, {2, 64}, {4, 16}, {8, 1}};
    for (auto c : cases) {
        recopen(0, c.planes, 64, 300);
        ovlrect(0, 0, 4, 4);
        rowadv(3);
        recopen(0, c.planes, 64, 300);
        EXPECT_EQ(scan.novl, 0);
        EXPECT_EQ(scan.currow, 0);
        EXPECT_EQ(scan.bandrow, 0);
        int top = 0;
        for (int k = 0; k < 300 * c.planes; k++) EXPECT_EQ(scan.bandbuf[k], 0);
        for (int k = 0; k < 300; k++) top = std::max(top, int(scan.dither[k]));
        EXPECT_LT(top, c.below) << "planes " << c.planes;
        if (c.planes == 1) {
            EXPECT_GT(top, 0); // seeded, not left zero
        }
        EXPECT_EQ(scan.bitmask[0], 0x80);
        EXPECT_EQ(scan.bitmask[7], 0x01);
    }
}

TEST(DeviceOpen, DotsTruncateTowardZero) {
    recopen(0, 1, 64, 64, 300);
    page.yres = 150;
    struct {
        double in;
        int x, y;
    } cases[] = {{1.0, 300, 150}, {0.0099, 2, 1}, {-0.0099, -2, -1}, {2.5, 750, 375}};
    for (auto c : cases) {
        EXPECT_EQ(xdots(c.in), c.x) << c.in;
        EXPECT_EQ(ydots(c.in), c.y) << c.in;
    }
}

TEST(BandFormat, LengthRunsToTheLastInkedByteRoundedToPlanes) {
    struct {
        int planes, col, len;
    } cases[] = {{1, -1, 0}, {1, 5, 6}, {2, 5, 12}, {4, 0, 4}, {8, 2, 24}, {8, 99, 800}};
    for (auto c : cases) {
        recopen(0, c.planes, 64, 100);
        if (c.col >= 0) ovlrect(0, c.col, 1, 1);
        rowadv(8);
        ASSERT_EQ(bands().size(), 1u);
        EXPECT_EQ(bands()[0].second, c.len) << "planes " << c.planes << " col " << c.col;
        for (int k = 0; k < 100 * c.planes; k++) ASSERT_EQ(scan.bandbuf[k], 0) << "cleared";
    }
}

TEST(Rectangles, RasteriseTheRowsAndColumnsTheyCover) {
    // rect (row, col, nrows, ncols) against the band of rows 8..15: expected column bytes.
    struct {
        int planes, row, col, nrows, ncols, c0, c1;
        std::vector<uint8_t> colbytes;
    } cases[] = {
        {1, 5, 10, 5, 3, 10, 13, {0xC0}},   // starts 3 rows before the band
        {1, 8, 0, 8, 2, 0, 2, {0xFF}},      // the whole band
        {1, 14, -3, 10, 6, 0, 3, {0x03}},   // clipped at column 0
        {1, 9, 98, 1, 10, 98, 100, {0x40}}, // clipped at pagecols
        {8, 10, 4, 2, 1, 4, 5, {0, 0, 255, 255, 0, 0, 0, 0}},
        {2, 5, 7, 5, 1, 7, 8, {0xC0, 0xC0}},
        {4, 15, 1, 1, 1, 1, 2, {0x01, 0x01, 0x01, 0x01}},
    };
    for (auto &c : cases) {
        recopen(0, c.planes, 64, 100);
        ovlrect(c.row, c.col, c.nrows, c.ncols);
        rowadv(8);
        rowadv(8);
        const RecCall &b = rec.calls.back();
        ASSERT_EQ(b.args[1], 8);
        std::vector<uint8_t> buf(b.bytes);
        buf.resize(100 * c.planes, 0);
        for (int col = 0; col < 100; col++) {
            for (int k = 0; k < c.planes; k++) {
                uint8_t want = col >= c.c0 && col < c.c1 ? c.colbytes[k] : 0;
                ASSERT_EQ(buf[col * c.planes + k], want) << "rect row " << c.row << " col " << col;
            }
        }
    }
}

TEST(Rectangles, EmptyExtentsAddNothing) {
    recopen(0);
    int extents[][2] = {{0, 5}, {5, 0}, {-1, 5}, {5, -3}};
    for (auto &e : extents) ovlrect(0, 0, e[0], e[1]);
    EXPECT_EQ(scan.novl, 0);
}

TEST(DisplayList, HoldsAtMost512AndNeedsAnOpenDevice) {
    recopen(0, 1, 64, 64);
    MsgCap cap;
    for (int i = 0; i < 512; i++) ASSERT_NE(ovlget(), nullptr);
    EXPECT_EQ(ovlget(), nullptr);
    EXPECT_EQ(cap.text(), "Overlay limit exceeded: 512\n");
    // The list frees up as the scan passes finished overlays.
    for (int i = 0; i < 512; i++) {
        Ovl *o = scan.ovllist[i];
        o->kind = 1, o->done = 0, o->row0 = 0, o->nrows = 1, o->ncols = 0;
    }
    rowadv(16);
    EXPECT_EQ(scan.novl, 0);
    EXPECT_NE(ovlget(), nullptr);

    Scan saved = scan;
    scan.bitmask[0] = 0; // as before the first device was opened
    EXPECT_EQ(ovlget(), nullptr);
    EXPECT_NE(cap.text().find("Bit mask initialization error\n"), std::string::npos);
    scan = saved;
}

TEST(DisplayList, AMissingRecordIsReportedAndSkipped) {
    recopen(0, 1, 64, 64);
    ovlrect(0, 0, 2, 2);
    ovlrect(0, 4, 2, 2);
    Ovl *keep = scan.ovllist[0];
    scan.ovllist[0] = nullptr;
    MsgCap cap;
    rowadv(8);
    EXPECT_EQ(cap.text(), "Overlay 0 has null pointer\n");
    EXPECT_EQ(rec.at(0, 4), 1); // the other record still drawn
    scan.ovllist[0] = keep;
    scan.novl = 0;
}

TEST(HandOver, VectorDeviceGetsEachOverlayOnceAfterItIsPassed) {
    // An overlay is passed at the first flush with (currow - 8) - row0 > nrows.
    struct {
        int row0, nrows, flushrow;
    } cases[] = {{0, 8, 24}, {0, 7, 16}, {3, 5, 24}, {0, 1, 16}, {20, 1, 32}};
    for (auto c : cases) {
        recopen(1, 1, 640, 100);
        ovlrect(c.row0, 0, c.nrows, 5);
        int handed = -1;
        for (int row = 8; row <= 64; row += 8) {
            rowadv(8);
            if (rec.count('r') == 1 && handed < 0) handed = row;
        }
        EXPECT_EQ(handed, c.flushrow) << "row0 " << c.row0 << " nrows " << c.nrows;
        EXPECT_EQ(rec.count('r'), 1);
        EXPECT_EQ(scan.novl, 0);
    }
}

TEST(HandOver, GrayLinesComeBeforeRectanglesAndLinesOfTheSameFlush) {
    recopen(1, 1, 640, 100);
    float pos[2] = {0, 1};
    uint8_t vals[3] = {10, 200, 7};
    setgraypos(pos);
    int rows[2] = {0, 3}, cols[2] = {5, 9};
    ovlrect(0, 0, 2, 2);
    ovlline(2, rows, cols, 0.0105);
    ovlgray(vals, 2, 1, 50, 3);
    rowadv(16);
    ASSERT_EQ(ops(), "irl");
    const RecCall &img = rec.calls[0];
    EXPECT_EQ(img.args, (std::vector<int>{0, 1, 3, 50, 2}));
    EXPECT_EQ(img.bytes, (std::vector<uint8_t>{10, 200, 7})); // count + 1 bytes
    EXPECT_EQ(img.pos, pos);
    EXPECT_EQ(rec.calls[1].args, (std::vector<int>{0, 0, 2, 2}));
    EXPECT_EQ(rec.calls[2].args, (std::vector<int>{0, 3, 5, 9}));
    EXPECT_DOUBLE_EQ(rec.calls[2].width, 0.010);
}

TEST(HandOver, GrayLineAddedMidBandSpansTwoBands) {
    // 5 rows added at bandrow 6: rows 6, 7 of the first band and 0..2 of the next.
    recopen(0, 8, 64, 20);
    float pos[2] = {0, 1};
    uint8_t vals[2] = {255, 0};
    setgraypos(pos);
    rowadv(6);
    ovlgray(vals, 1, 3, 4, 5);
    EXPECT_EQ(scan.ovllist[0]->subrow, 6);
    rowadv(26);
    for (int row = 0; row < 32; row++)
        for (int col = 0; col < 20; col++) {
            int want = row >= 6 && row <= 10 && col >= 3 && col <= 6 ? 254 : 0;
            ASSERT_EQ(rec.at(row, col), want) << row << "," << col;
        }
}

TEST(PageEnd, PassesThePageButNotItsLastPartialBand) {
    recopen(0, 1, 3150, 40);
    rowadv(5);
    pageend();
    auto b = bands();
    ASSERT_EQ(b.size(), 393u); // 3144 rows; the last 6 are never flushed
    EXPECT_EQ(b.back().first, 3136);
    EXPECT_EQ(ops().back(), 'p');
    EXPECT_EQ(scan.currow, 0);
    rec.calls.clear();
    plotfinish(); // nothing left: only the close
    EXPECT_EQ(ops(), "c");
    EXPECT_EQ(rec.calls[0].args[0], 1);
}

TEST(PageEnd, MarksPlacedAtRowZeroAfterAPageEndReachTheDevice) {
    struct {
        int vector, end; // end 0: pageend, 1: plotfinish
    } cases[] = {{0, 0}, {0, 1}, {1, 0}, {1, 1}};
    for (auto c : cases) {
        recopen(c.vector, 1, 800, 100);
        rowadv(20);
        pageend();
        rec.calls.clear();
        ovlrect(700, 10, 4, 4); // e.g. a line of a parameter file after its file command
        if (c.end)
            plotfinish();
        else
            pageend();
        if (c.vector)
            EXPECT_EQ(rec.count('r'), 1);
        else
            EXPECT_EQ(rec.at(701, 11), 1);
        EXPECT_EQ(ops().back(), c.end ? 'c' : 'p');
        EXPECT_EQ(scan.novl, 0);
    }
}

TEST(PlotEnd, FinishingHandsOverThePassedAndDropsWhatLiesAhead) {
    recopen(1, 1, 800, 100);
    ovlrect(0, 0, 4, 4);
    ovlrect(400, 0, 4, 4); // ahead of the scan: dropped at the plot end
    rowadv(3);
    plotfinish();
    EXPECT_EQ(rec.count('r'), 1);
    EXPECT_EQ(scan.novl, 0);
    EXPECT_EQ(scan.bandrow, 0);
    EXPECT_EQ(ops().back(), 'c');

    recopen(0, 1, 800, 100);
    ovlrect(0, 0, 4000, 4); // overlaps every band: must still end
    rowadv(3);
    plotfinish();
    EXPECT_EQ(scan.novl, 0);
    EXPECT_EQ(ops().back(), 'c');
}

TEST(PlotEnd, AbortOnlyClosesWithZero) {
    recopen(0, 1, 800, 100);
    ovlrect(0, 0, 4, 4);
    rowadv(5);
    plotabort();
    EXPECT_EQ(ops(), "c");
    EXPECT_EQ(rec.calls[0].args[0], 0);
}

TEST(PageEject, EndsThePageOnlyWhenThePlotMovedOnIt) {
    struct {
        double xpos;
        int pages;
    } cases[] = {{0.0, 0}, {0.5, 1}, {-1.0, 0}};
    for (auto c : cases) {
        recopen(0, 1, 64, 16);
        plot.xpos = c.xpos;
        pageeject();
        EXPECT_EQ(rec.count('p'), c.pages) << c.xpos;
    }
    plot.xpos = 0;
}

TEST(Scan, RowtoAndRowadvPassRowsAndWrapPastThePage) {
    recopen(0, 1, 20, 16);
    rowadv(0);
    rowadv(-4);
    EXPECT_EQ(scan.currow, 0);
    rowto(13);
    EXPECT_EQ(scan.currow, 13);
    EXPECT_EQ(scan.bandrow, 5);
    rowto(2);
    EXPECT_EQ(scan.currow, 13);
    rowadv(11); // flush at 24 > pagerows: the scan wraps
    EXPECT_EQ(scan.currow, 4);
    EXPECT_EQ(bands().size(), 3u);
}
