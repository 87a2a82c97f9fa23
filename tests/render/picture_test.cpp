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
    double dr = r1 - r0, dc = c1 - c0;
    double t = std::clamp(((r - r0) * dr + (c - c0) * dc) / (dr * dr + dc * dc), 0.0, 1.0);
    return std::hypot(r - (r0 + t * dr), c - (c0 + t * dc));
}

// Ink of font point (v, u) of an 'A' at size 0.3 anchored at (0.5, 1.0) inch.
int aink(double v, double u) {
    return rec.at(static_cast<int>(150 + (9 + u) * 300 * 0.3 / 21),
                  static_cast<int>(300 + (9 + v) * 300 * 0.3 / 21));
}
} // namespace

TEST(Picture, BoxedLetterAndRoundPenLinesLandWhereDrawn) {
    recopen(0, 1, 600, 600, 300);
    txt = Txt{};
    txtsize(0.3), txtbox(1);
    ASSERT_EQ(txtdraw(0.5, 1.0, "A"), 0);
    drawseg(1.0, 0.5, 1.5, 0.5, 0.05); // rows 300..450 at column 150, round pen of 14 dots
    drawseg(1.2, 1.2, 1.9, 1.9, 0.02); // split in two blocks
    rowto(600);
    // the letter's apex, bar, feet and leg; its counters and beside it; the box's four sides
    for (auto [v, u, ink] : {std::tuple{12.0, 0.0, 1},
                             {-2, 0, 1},
                             {-9, -8, 1},
                             {-9, 8, 1},
                             {5, -2.7, 1},
                             {4, 0, 0},
                             {-6, 0, 0},
                             {14, -7, 0},
                             {-9, 0, 0},
                             {8, 6, 0},
                             {-16, 0, 1},
                             {20, 0, 1},
                             {2, -9, 1},
                             {2, 9, 1},
                             {18, -7, 0}})
        EXPECT_EQ(aink(v, u), ink) << "v " << v << " u " << u;
    // the pen of 14 dots across (the width less the single-precision dot width) is the dots
    // with (i + 1/2)^2 + (j + 1/2)^2 < 49: end, middle, start of the first line; the diagonal
    for (auto [r, c, ink] :
         {std::tuple{456, 150, 1}, {457, 150, 0}, {450, 156, 1}, {450, 157, 0}, {454, 154, 1},
          {455, 155, 0},           {456, 156, 0}, {375, 143, 1}, {375, 142, 0}, {375, 156, 1},
          {375, 157, 0},           {293, 150, 1}, {292, 150, 0}, {295, 145, 1}, {294, 144, 0},
          {360, 360, 1},           {465, 465, 1}, {570, 570, 1}, {465, 475, 0}, {475, 465, 0}})
        EXPECT_EQ(rec.at(r, c), ink) << r << "," << c;
    // nothing outside the letter's box (rows 150..227, columns 270..424) and the lines
    for (auto [r, c] : rec.inkdots()) {
        bool box = r >= 144 && r <= 233 && c >= 264 && c <= 430;
        double d = std::min(segdist(r, c, 300, 150, 450, 150), segdist(r, c, 360, 360, 570, 570));
        ASSERT_TRUE(box || d < 8.0) << "stray ink at " << r << "," << c;
    }
}
