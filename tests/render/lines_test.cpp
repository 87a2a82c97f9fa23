// Lines: pens and their outlines, segment splitting, polyline overlays, bit-block geometry,
// the digital line drawn into a block, and the failures that lose one mark.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "base/outfile.h"
#include "recdev.h"
#include "render/lines.h"

// Huge blocks must fail as allocations, not abort the sanitised test program.
extern "C" const char *__asan_default_options() {
    return "allocator_may_return_null=1";
}

namespace {

std::set<std::pair<int, int>> penpoints() {
    std::set<std::pair<int, int>> s;
    for (int k = 0; k < pen.npts; k++) s.insert({pen.pts[k][0], pen.pts[k][1]});
    return s;
}

// The inked dots of the decoded page.
std::set<std::pair<int, int>> inkdots() {
    std::set<std::pair<int, int>> s;
    for (int r = 0; r < page.pagerows; r++)
        for (int c = 0; c < page.pagecols; c++)
            if (rec.at(r, c)) s.insert({r, c});
    return s;
}

// Draws one dot polyline into a fresh block around it and renders the page.
void dotline(std::vector<int> rows, std::vector<int> cols, double w) {
    recopen(0, 1, 96, 96, 300);
    bbox = BBox{
        *std::min_element(rows.begin(), rows.end()), *std::max_element(rows.begin(), rows.end()),
        *std::min_element(cols.begin(), cols.end()), *std::max_element(cols.begin(), cols.end())};
    ASSERT_EQ(ovlblock(w), 0);
    polydots(rows.data(), static_cast<int>(rows.size()), cols.data(), w);
    rowadv(96);
}

} // namespace

TEST(Pens, SizeFollowsTheWidthAboveOneDot) {
    struct {
        double w;
        int npts, span;
    } cases[] = {{0.0, 1, 1}, {0.0066, 1, 1}, {0.01, 4, 2}, {0.02, 21, 5}, {0.03, 52, 8}};
    for (auto c : cases) {
        recopen(0, 1, 64, 64, 300);
        page.dotwidth = 0.0033333334140479565;
        penset(c.w);
        EXPECT_EQ(pen.npts, c.npts) << c.w;
        int lo = 0, hi = 0;
        for (int k = 0; k < pen.npts; k++)
            lo = std::min(lo, pen.pts[k][0]), hi = std::max(hi, pen.pts[k][0]);
        EXPECT_EQ(hi - lo + 1, c.span) << c.w;
    }
    recopen(0, 1, 64, 64, 300);
    penset(0.01);
    EXPECT_EQ(penpoints(), (std::set<std::pair<int, int>>{{-1, -1}, {-1, 0}, {0, -1}, {0, 0}}));
}

TEST(Pens, OutlineHoldsThePointsWithANeighbourOutside) {
    for (double w : {0.0, 0.01, 0.03, 0.06}) {
        recopen(0, 1, 64, 64, 300);
        penset(w);
        auto in = penpoints();
        std::set<std::pair<int, int>> out;
        for (int k = 0; k < pen.nout; k++) out.insert({pen.out[k][0], pen.out[k][1]});
        ASSERT_LE(pen.nout, pen.npts);
        for (auto [i, j] : in) {
            bool edge = false;
            for (int di = -1; di <= 1; di++)
                for (int dj = -1; dj <= 1; dj++)
                    if ((di || dj) && !in.count({i + di, j + dj})) edge = true;
            EXPECT_EQ(out.count({i, j}) == 1, edge || in.size() == 1) << w << ": " << i << "," << j;
        }
    }
}

TEST(Pens, RebuiltOnlyForAnotherWidthOrDevice) {
    recopen(0, 1, 64, 64, 300);
    penset(0.02);
    pen.npts = 7; // marks the built pen
    penset(0.02);
    EXPECT_EQ(pen.npts, 7);
    penset(0.03);
    EXPECT_EQ(pen.npts, 52);
    recopen(0, 1, 64, 64, 100); // another resolution: the same width is another pen
    penset(0.03);
    EXPECT_EQ(pen.npts, 5); // 3 by 3 dots: the centre and its four neighbours
}

TEST(Segments, RasterSegmentsAreSplitToQuarterSquareInchBlocks) {
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
            const Ovl *o = scan.ovllist[k];
            EXPECT_EQ(o->kind, 0);
            EXPECT_LE(o->nrows * o->ncols, 176 * 176); // 0.5 in, margins, multiples of 8
        }
    }
    recopen(0, 1, 900, 900, 300);
    double x[4] = {0, 1, 1, 0.5}, y[4] = {0, 0, 0.1, 0.1};
    drawpoly(4, x, y, 0.01);
    EXPECT_EQ(scan.novl, 3);
    drawpoly(1, x, y, 0.01);
    EXPECT_EQ(scan.novl, 3);
}

TEST(Segments, VectorSegmentsBecomeTwoPointPolylinesInNearestDots) {
    recopen(1, 1, 900, 900, 300);
    drawseg(1.0017, 0.49, 0.0, 2.0, 0.0255);
    ASSERT_EQ(scan.novl, 1);
    const Ovl *o = scan.ovllist[0];
    const int *p = static_cast<const int *>(o->data);
    EXPECT_EQ(o->kind, 2);
    EXPECT_EQ(o->col0, 2);
    EXPECT_EQ(std::vector<int>(p, p + 4), (std::vector<int>{301, 0, 147, 600}));
    EXPECT_EQ(o->ncols, 25); // thousandths of an inch, truncated
}

TEST(Polylines, RowExtentAlwaysIncludesRowZero) {
    struct {
        std::vector<int> rows;
        int row0, nrows;
    } cases[] = {{{5, 9, 7}, 0, 10}, {{-4, 3}, -4, 8}, {{-6, -2}, -6, 7}, {{0, 0}, 0, 1}};
    for (auto &c : cases) {
        recopen(1, 1, 64, 64);
        std::vector<int> cols(c.rows.size(), 3);
        ASSERT_EQ(ovlline(static_cast<int>(c.rows.size()), c.rows.data(), cols.data(), 0.01), 0);
        const Ovl *o = scan.ovllist[0];
        EXPECT_EQ(o->row0, c.row0);
        EXPECT_EQ(o->nrows, c.nrows);
        EXPECT_EQ(o->subrow + o->subcol + o->stride, 0);
    }
    int r[1] = {1}, cl[1] = {1};
    EXPECT_EQ(polydots(r, 1, cl, 0.01), 0);
    EXPECT_EQ(scan.novl, 1); // fewer than 2 points: nothing
}

TEST(BitBlocks, CoverTheBoxPlusPenMarginsOnMultiplesOfEight) {
    // bbox, width -> row0, subrow, nrows, col0, subcol, ncols, off-page warning
    struct {
        BBox box;
        double w;
        int row0, subrow, nrows, col0, subcol, ncols, warn;
    } cases[] = {
        {{10, 20, 30, 40}, 0.02, 0, 6, 24, 24, 2, 24, 0},
        {{2, 20, 30, 40}, 0.02, -8, 6, 32, 24, 2, 24, 1},
        {{10, 20, 0, 40}, 0.0, 8, 1, 16, -8, 7, 56, 1},
        {{10, 20, 30, 100}, 0.0, 8, 1, 16, 24, 5, 80, 1},
    };
    for (auto &c : cases) {
        recopen(0, 1, 96, 100, 300);
        MsgCap cap;
        bbox = c.box;
        ASSERT_EQ(ovlblock(c.w), 0);
        const Ovl *o = scan.ovllist[0];
        EXPECT_EQ(o->row0, c.row0);
        EXPECT_EQ(o->subrow, c.subrow);
        EXPECT_EQ(o->nrows, c.nrows);
        EXPECT_EQ(o->col0, c.col0);
        EXPECT_EQ(o->subcol, c.subcol);
        EXPECT_EQ(o->ncols, c.ncols);
        EXPECT_EQ(o->stride, (c.nrows + 7) / 8);
        EXPECT_EQ(cap.times("*** Warning: bit block off page\n"), c.warn);
    }
}

TEST(BitBlocks, OffPageDotsAreClippedWhateverTheGeometry) {
    // Blocks reaching past every edge of a small page: only on-page dots arrive.
    recopen(0, 1, 40, 40, 100);
    MsgCap cap;
    drawseg(-0.3, 0.2, 0.2, 0.2, 0.05);  // starts before the page
    drawseg(0.2, -0.3, 0.2, 0.6, 0.05);  // crosses the bottom and top edges
    drawseg(0.35, 0.35, 0.9, 0.9, 0.05); // runs off the far corner
    rowadv(40);
    EXPECT_GE(cap.times("*** Warning: bit block off page\n"), 3);
    EXPECT_EQ(rec.at(0, 20), 1);
    EXPECT_EQ(rec.at(20, 0), 1);
    EXPECT_EQ(rec.at(20, 39), 1);
    EXPECT_EQ(rec.at(39, 39), 1);
    EXPECT_EQ(rec.at(30, 5), 0);
}

TEST(DigitalLines, OneDotPenGivesOneDotPerStepAlongTheMajorAxis) {
    struct {
        int r0, c0, r1, c1;
    } cases[] = {{10, 10, 20, 13}, {10, 10, 13, 20}, {10, 10, 15, 15}, {20, 13, 10, 10},
                 {40, 10, 30, 30}, {12, 12, 12, 12}, {30, 40, 30, 20}};
    for (auto c : cases) {
        dotline({c.r0, c.r1}, {c.c0, c.c1}, 0.0);
        auto dots = inkdots();
        int major = std::max(std::abs(c.r1 - c.r0), std::abs(c.c1 - c.c0));
        EXPECT_EQ(static_cast<int>(dots.size()), major + 1) << c.r0 << "," << c.c0;
        EXPECT_TRUE(dots.count({c.r0, c.c0}));
        EXPECT_TRUE(dots.count({c.r1, c.c1}));
        int dr = c.r1 - c.r0, dc = c.c1 - c.c0;
        for (auto [r, col] : dots) { // within the segment's box, on the straight line
            EXPECT_GE(r, std::min(c.r0, c.r1));
            EXPECT_LE(r, std::max(c.r0, c.r1));
            if (major == 0) continue;
            if (std::abs(dr) >= std::abs(dc))
                EXPECT_NEAR(col, c.c0 + double(r - c.r0) * dc / dr, 1.0) << r;
            else
                EXPECT_NEAR(r, c.r0 + double(col - c.c0) * dr / dc, 1.0) << col;
        }
    }
}

TEST(DigitalLines, MinorStepsFollowTheTwoCounters) {
    // 10 rows by 3 columns, worked by hand: the column steps after rows 1, 4 and 7.
    dotline({10, 20}, {10, 13}, 0.0);
    std::set<std::pair<int, int>> want;
    int cols[11] = {10, 10, 11, 11, 11, 12, 12, 12, 13, 13, 13};
    for (int k = 0; k <= 10; k++) want.insert({10 + k, cols[k]});
    EXPECT_EQ(inkdots(), want);
    dotline({10, 13}, {10, 20}, 0.0); // the same with rows and columns exchanged
    want.clear();
    for (int k = 0; k <= 10; k++) want.insert({cols[k], 10 + k});
    EXPECT_EQ(inkdots(), want);
}

TEST(DigitalLines, EndPointGetsTheWholePen) {
    dotline({40, 40}, {40, 40}, 0.03); // zero length: only the full pen at the end
    std::set<std::pair<int, int>> want;
    for (int k = 0; k < pen.npts; k++) want.insert({40 + pen.pts[k][0], 40 + pen.pts[k][1]});
    EXPECT_EQ(inkdots(), want);
    dotline({20, 60}, {40, 40}, 0.03);
    for (auto d : want) { // shifted to the end point (60, 40): all of the pen
        EXPECT_EQ(rec.at(d.first + 20, d.second), 1) << d.first << "," << d.second;
    }
}

TEST(Failures, LostMarksWarnAndGiveTheirRecordBack) {
    recopen(0, 1, 64, 64, 300);
    MsgCap cap;
    bbox = BBox{0, 2000000000, 0, 2000000000};
    EXPECT_EQ(ovlblock(0.01), 3);
    EXPECT_EQ(cap.text(), "*** Warning: bit block off page\n*** Warning: Bit block allocation "
                          "error\n");
    EXPECT_EQ(scan.novl, 0);
    EXPECT_EQ(pen.curblk, nullptr);
    rowadv(64); // nothing to render from it

    while (scan.novl < OVLMAX) ovlget();
    MsgCap cap2;
    bbox = BBox{0, 4, 0, 4};
    int r[2] = {0, 1}, c[2] = {0, 1};
    EXPECT_EQ(ovlblock(0.01), 1);
    EXPECT_EQ(ovlline(2, r, c, 0.01), 1);
    EXPECT_EQ(cap2.times("*** Warning: failed to get overlay\n"), 2);
    scan.novl = 0;
}
