// Lines in inches on a raster page at 100 dpi: the digital line, the round pen along it, and
// the blocks they are drawn in.
#include "recdev.h"

TEST(Lines, DrawpolyInksTheDigitalLineWithTheRoundPenInBlocks) {
    // Rows, then columns of the points in inches (a dot is 0.01 in), and a width in inches -> the
    // dots of rows r0.. and columns c0... A line has one dot for each step along its longer axis;
    // for 7 rows by 2 columns the column steps after rows 1 and 4. The pen, whole at the end, is
    // the dots whose centres lie within half the width less one dot of the point.
    // clang-format off
    std::vector<std::tuple<std::vector<double>, double, std::array<int, 4>, std::string>> cases = {
        {{.02, .09, .02, .04}, 0, {2, 2, 8, 3}, "#../#../.#./.#./.#./..#/..#/..#/"},
        {{.09, .02, .04, .02}, 0, {2, 2, 8, 3}, "#../#../#../.#./.#./.#./..#/..#/"},
        {{.02, .04, .02, .09}, 0, {2, 2, 3, 8}, "##....../..###.../.....###/"},
        {{.02, .05, .05, .02, .05, .02}, 0, {2, 2, 4, 4}, "#.../.#../..#./####/"},
        {{.02, .09, .02, .04}, .025, {1, 1, 9, 4}, "##../##../###./.##./.##./.###/..##/..##/..##/"},
        {{-.03, .03, .05, .05}, 0, {0, 4, 4, 3}, ".#./.#./.#./.#./"}, // off the page: said
        {{.1, .1, .1, .1}, .03, {9, 9, 3, 3}, ".#./###/.#./"},
        {{.11, .1, .1, .1}, .08, {7, 7, 7, 6}, ".####./######/######/######/######/######/.####./"},
        {{.1, .1, .1, .1}, .015, {9, 9, 3, 3}, ".../.#./.../"}};
    // clang-format on
    MsgCap cap;
    for (auto &[p, w, a, art] : cases) {
        recopen(0, 1, 32, 32, 100);
        drawpoly(int(p.size() / 2), p.data(), p.data() + p.size() / 2, w);
        rowto(32);
        EXPECT_EQ(rec.art(a[0], a[1], a[2], a[3]), art) << w;
        EXPECT_EQ(std::ranges::count(rec.pix, 1), std::ranges::count(art, '#')) << "off the art";
    }
    EXPECT_EQ(cap.text(), "*** Warning: bit block off page\n"); // for the line off the page only
    // Long diagonals are drawn in blocks of at most a quarter square inch.
    recopen(0, 1, 256, 256, 100);
    drawseg(0.125, 0.125, 1.125, 0.375, 0); // 1 by 1/4 in: one block
    drawseg(0.125, 0.125, 2.125, 2.125, 0); // 2 by 2 in: halved, and the halves halved
    EXPECT_EQ(scan.novl, 5);
}
