// Lines: pens and their outlines, segment splitting, polyline overlays, bit-block geometry,
// the digital line drawn into a block, and the failures that lose one mark.
#include <gtest/gtest.h>

#include <algorithm>

#include "recdev.h"
#include "render/lines.h"

// Huge blocks must fail as allocations, not abort the sanitised test program.
extern "C" const char *__asan_default_options() {
    return "allocator_may_return_null=1";
}

namespace {
using Dots = std::set<std::pair<int, int>>;

Dots points(int n, const int (*p)[2], int r = 0, int c = 0) {
    Dots s;
    for (int k = 0; k < n; k++) s.insert({r + p[k][0], c + p[k][1]});
    return s;
}

// Draws one dot polyline into a fresh block around it and renders the page.
void dotline(int r0, int c0, int r1, int c1, double w) {
    recopen(0, 1, 96, 96, 300);
    bbox = BBox{std::min(r0, r1), std::max(r0, r1), std::min(c0, c1), std::max(c0, c1)};
    ASSERT_EQ(ovlblock(w), 0);
    int rows[2] = {r0, r1}, cols[2] = {c0, c1};
    polydots(rows, 2, cols, w);
    rowadv(96);
}
} // namespace

TEST(Pens, SizeFollowsTheWidthInDotsAndTheOutlineIsTheirEdge) {
    struct {
        double w;
        int res, npts, span;
    } cases[] = {{0.0, 300, 1, 1},   {0.0066, 300, 1, 1}, {0.01, 300, 4, 2}, {0.02, 300, 21, 5},
                 {0.03, 300, 52, 8}, {0.03, 100, 5, 3},   {0.06, 300, 0, 0}};
    for (auto c : cases) {
        recopen(0, 1, 64, 64, c.res); // another device: the same width is another pen
        penset(c.w);
        Dots in = points(pen.npts, pen.pts), out = points(pen.nout, pen.out);
        if (c.npts) {
            EXPECT_EQ(pen.npts, c.npts) << c.w;
            EXPECT_EQ(in.rbegin()->first - in.begin()->first + 1, c.span) << c.w;
        }
        for (auto [i, j] : in) {
            bool edge = in.size() == 1;
            for (int d = 0; d < 9; d++) edge |= !in.count({i + d / 3 - 1, j + d % 3 - 1});
            EXPECT_EQ(out.count({i, j}) == 1, edge) << c.w << ": " << i << "," << j;
        }
    }
    penset(0.01);
    EXPECT_EQ(points(pen.npts, pen.pts), (Dots{{-1, -1}, {-1, 0}, {0, -1}, {0, 0}}));
}

TEST(Segments, RasterSegmentsSplitToQuarterSquareInchBlocksVectorOnesStayWhole) {
    struct {
        double x0, y0, x1, y1;
        int blocks;
    } cases[] = {{0, 0, 2, 2, 4}, {0, 0, 2, 0, 1}, {0, 0, 1, 0.2, 1},
                 {0, 0, 1, 1, 2}, {2, 2, 0, 0, 4}, {0.5, 0.5, 0.5, 0.5, 1}};
    for (auto c : cases) {
        recopen(0, 1, 900, 900, 300);
        drawseg(c.x0, c.y0, c.x1, c.y1, 0.01);
        EXPECT_EQ(scan.novl, c.blocks) << c.x0 << "," << c.y0 << " " << c.x1 << "," << c.y1;
        for (int k = 0; k < scan.novl; k++) {
            EXPECT_EQ(scan.ovllist[k]->kind, 0);
            EXPECT_LE(scan.ovllist[k]->nrows * scan.ovllist[k]->ncols, 176 * 176);
        }
    }
    double x[4] = {0, 1, 1, 0.5}, y[4] = {0, 0, 0.1, 0.1};
    drawpoly(4, x, y, 0.01), drawpoly(1, x, y, 0.01);
    EXPECT_EQ(scan.novl, 1 + 3);
    recopen(1, 1, 900, 900, 300); // nearest dots, width in thousandths truncated
    drawseg(1.0017, 0.49, 0.0, 2.0, 0.0255);
    ASSERT_EQ(scan.novl, 1);
    const Ovl *o = scan.ovllist[0];
    const int *p = static_cast<const int *>(o->data);
    EXPECT_EQ(std::vector<int>({o->kind, o->col0, o->ncols}), std::vector<int>({2, 2, 25}));
    EXPECT_EQ(std::vector<int>(p, p + 4), (std::vector<int>{301, 0, 147, 600}));
}

TEST(Polylines, RowExtentAlwaysIncludesRowZero) {
    struct {
        std::vector<int> rows;
        int row0, nrows;
    } cases[] = {
        {{5, 9, 7}, 0, 10}, {{-4, 3}, -4, 8}, {{-6, -2}, -6, 7}, {{0, 0}, 0, 1}, {{1}, 0, 0}};
    for (auto &c : cases) {
        recopen(1, 1, 64, 64);
        std::vector<int> cols(c.rows.size(), 3);
        polydots(c.rows.data(), static_cast<int>(c.rows.size()), cols.data(), 0.01);
        ASSERT_EQ(scan.novl, c.nrows > 0); // fewer than 2 points: nothing
        if (c.nrows == 0) continue;
        EXPECT_EQ(std::pair(scan.ovllist[0]->row0, scan.ovllist[0]->nrows),
                  std::pair(c.row0, c.nrows));
    }
}

TEST(BitBlocks, CoverTheBoxPlusPenMarginsOnMultiplesOfEightAndClipOffPageDots) {
    // bbox, width -> row0, subrow, nrows, col0, subcol, ncols, off-page warning
    struct {
        BBox box;
        double w;
        std::vector<int> geom;
        int warn;
    } cases[] = {
        {{10, 20, 30, 40}, 0.02, {0, 6, 24, 24, 2, 24}, 0},
        {{2, 20, 30, 40}, 0.02, {-8, 6, 32, 24, 2, 24}, 1},
        {{10, 20, 0, 40}, 0.0, {8, 1, 16, -8, 7, 56}, 1},
        {{10, 20, 30, 100}, 0.0, {8, 1, 16, 24, 5, 80}, 1},
    };
    for (auto &c : cases) {
        recopen(0, 1, 96, 100, 300);
        MsgCap cap;
        bbox = c.box;
        ASSERT_EQ(ovlblock(c.w), 0);
        const Ovl *o = scan.ovllist[0];
        EXPECT_EQ(std::vector<int>({o->row0, o->subrow, o->nrows, o->col0, o->subcol, o->ncols}),
                  c.geom);
        EXPECT_EQ(o->stride, (o->nrows + 7) / 8);
        EXPECT_EQ(cap.times("*** Warning: bit block off page\n"), c.warn);
    }
    recopen(0, 1, 40, 40, 100); // blocks past every edge: only on-page dots arrive
    drawseg(-0.3, 0.2, 0.2, 0.2, 0.05);
    drawseg(0.2, -0.3, 0.2, 0.6, 0.05);
    drawseg(0.35, 0.35, 0.9, 0.9, 0.05);
    rowadv(40);
    for (auto [r, c, ink] :
         {std::tuple{0, 20, 1}, {20, 0, 1}, {20, 39, 1}, {39, 39, 1}, {30, 5, 0}})
        EXPECT_EQ(rec.at(r, c), ink) << r << "," << c;
}

TEST(DigitalLines, StepOneDotAlongTheMajorAxisAndEndWithTheWholePen) {
    // 10 rows by 3 columns, worked by hand: the column steps after rows 1, 4 and 7
    int steps[11] = {0, 0, 1, 1, 1, 2, 2, 2, 3, 3, 3};
    for (int swap : {0, 1}) {
        swap ? dotline(10, 10, 13, 20, 0.0) : dotline(10, 10, 20, 13, 0.0);
        Dots want;
        for (int k = 0; k <= 10; k++)
            want.insert(swap ? std::pair(10 + steps[k], 10 + k) : std::pair(10 + k, 10 + steps[k]));
        EXPECT_EQ(rec.inkdots(), want);
    }
    struct {
        int r0, c0, r1, c1;
    } cases[] = {
        {10, 10, 15, 15}, {20, 13, 10, 10}, {40, 10, 30, 30}, {12, 12, 12, 12}, {30, 40, 30, 20}};
    for (auto c : cases) {
        dotline(c.r0, c.c0, c.r1, c.c1, 0.0);
        Dots dots = rec.inkdots();
        int dr = c.r1 - c.r0, dc = c.c1 - c.c0, major = std::max(std::abs(dr), std::abs(dc));
        EXPECT_EQ(static_cast<int>(dots.size()), major + 1) << c.r0 << "," << c.c0;
        EXPECT_TRUE(dots.count({c.r0, c.c0}) && dots.count({c.r1, c.c1}));
        for (auto [r, col] : dots) { // on the straight line, within a dot
            double off = std::abs(dr) >= std::abs(dc) ? col - c.c0 - double(r - c.r0) * dc / dr
                                                      : r - c.r0 - double(col - c.c0) * dr / dc;
            EXPECT_LE(major ? std::abs(off) : 0, 1.0) << r << "," << col;
        }
    }
    dotline(40, 40, 40, 40, 0.03); // zero length: only the full pen at the end
    Dots full = points(pen.npts, pen.pts, 40, 40);
    EXPECT_EQ(rec.inkdots(), full);
    dotline(20, 40, 60, 40, 0.03);
    for (auto [r, c] : full) EXPECT_EQ(rec.at(r + 20, c), 1) << r << "," << c;
}

TEST(Failures, LostMarksWarnAndGiveTheirRecordBack) {
    recopen(0, 1, 64, 64, 300);
    MsgCap cap;
    bbox = BBox{0, 2000000000, 0, 2000000000};
    EXPECT_EQ(ovlblock(0.01), 3);
    EXPECT_EQ(cap.text(),
              "*** Warning: bit block off page\n*** Warning: Bit block allocation error\n");
    EXPECT_EQ(scan.novl, 0);
    EXPECT_EQ(pen.curblk, nullptr);
    rowadv(64); // nothing to render from it
    while (scan.novl < OVLMAX) ovlget();
    bbox = BBox{0, 4, 0, 4};
    int r[2] = {0, 1}, c[2] = {0, 1};
    EXPECT_EQ(ovlblock(0.01), 1);
    EXPECT_EQ(ovlline(2, r, c, 0.01), 1);
    EXPECT_EQ(cap.times("*** Warning: failed to get overlay\n"), 2);
    scan.novl = 0;
}
