// A picture drawn on a raster page and read back from its bands: a boxed letter and two
// lines, checked where ink must be and where it must not be.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "recdev.h"
#include "render/lines.h"
#include "render/text.h"

namespace {

// Distance in dots from (r, c) to the segment (r0, c0)-(r1, c1).
double segdist(double r, double c, double r0, double c0, double r1, double c1) {
    double dr = r1 - r0, dc = c1 - c0, len2 = dr * dr + dc * dc;
    double t = len2 > 0 ? std::clamp(((r - r0) * dr + (c - c0) * dc) / len2, 0.0, 1.0) : 0;
    return std::hypot(r - (r0 + t * dr), c - (c0 + t * dc));
}

// 'A' at size 0.3 anchored at (0.5, 1.0) inch: font point (v, u) in dots.
int arow(double u) {
    return static_cast<int>(150 + (9 + u) * 300 * 0.3 / 21);
}
int acol(double v) {
    return static_cast<int>(300 + (9 + v) * 300 * 0.3 / 21);
}

class Picture : public testing::Test {
  protected:
    void SetUp() override {
        recopen(0, 1, 600, 600, 300);
        txt = Txt{};
        txtsize(0.3);
        txtbox(1);
        ASSERT_EQ(txtdraw(0.5, 1.0, "A"), 0);
        drawseg(1.0, 0.5, 1.5, 0.5, 0.05); // round pen of radius 6 dots
        drawseg(1.2, 1.2, 1.9, 1.9, 0.02); // split in two blocks
        rowto(600);
    }
};

} // namespace

TEST_F(Picture, LetterStrokesAreInkedAndItsCountersAreNot) {
    struct {
        double v, u;
        int ink;
    } points[] = {
        {12, 0, 1}, {-2, 0, 1}, {-9, -8, 1}, {-9, 8, 1}, {5, -2.7, 1}, // apex, bar, feet, leg
        {4, 0, 0},  {-6, 0, 0}, {14, -7, 0}, {-9, 0, 0}, {8, 6, 0},    // counters and beside
    };
    for (auto p : points)
        EXPECT_EQ(rec.at(arow(p.u), acol(p.v)), p.ink) << "v " << p.v << " u " << p.u;
}

TEST_F(Picture, BoxFramesTheLetter) {
    // Box rows 150..227 (18 units), columns 270..424 (7 below to 29 above the baseline).
    int r0 = arow(-9), r1 = arow(9), c0 = acol(-16), c1 = acol(20);
    EXPECT_EQ(rec.at((r0 + r1) / 2, c0), 1);
    EXPECT_EQ(rec.at((r0 + r1) / 2, c1), 1);
    EXPECT_EQ(rec.at(r0, (c0 + c1) / 2), 1);
    EXPECT_EQ(rec.at(r1, (c0 + c1) / 2), 1);
    EXPECT_EQ(rec.at(r0 + 8, c1 - 8), 0); // inside, away from frame and letter
    for (int r = 0; r < 290; r++)
        for (int c = 0; c < 600; c++) {
            bool near = r >= r0 - 6 && r <= r1 + 6 && c >= c0 - 6 && c <= c1 + 6;
            if (!near) { ASSERT_EQ(rec.at(r, c), 0) << r << "," << c; }
        }
}

TEST_F(Picture, LinesHaveRoundEndsAndTheirWidth) {
    // Horizontal line rows 300..450 at column 150. The pen is 14 dots across (the width
    // less the single-precision dot width): the dots with (i + 1/2)^2 + (j + 1/2)^2 < 49.
    struct {
        int r, c, ink;
    } points[] = {
        {456, 150, 1}, {457, 150, 0}, {450, 156, 1}, {450, 157, 0}, {454, 154, 1}, // end
        {455, 155, 0}, {456, 156, 0}, {375, 143, 1}, {375, 142, 0}, {375, 156, 1}, // middle
        {375, 157, 0}, {293, 150, 1}, {292, 150, 0}, {295, 145, 1}, {294, 144, 0}, // start
        {360, 360, 1}, {465, 465, 1}, {570, 570, 1}, {465, 475, 0}, {475, 465, 0}, // diagonal
    };
    for (auto p : points) EXPECT_EQ(rec.at(p.r, p.c), p.ink) << p.r << "," << p.c;
    for (int r = 290; r < 600; r++)
        for (int c = 0; c < 600; c++) {
            if (!rec.at(r, c)) continue;
            double d =
                std::min(segdist(r, c, 300, 150, 450, 150), segdist(r, c, 360, 360, 570, 570));
            ASSERT_LT(d, 8.0) << "ink away from the lines at " << r << "," << c;
        }
}
