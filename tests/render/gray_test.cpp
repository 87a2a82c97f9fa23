// Gray lines on raster bands: the error-diffusion carry, the multi-plane levels, the
// position interpolation and clipping; the tone curve.
#include <gtest/gtest.h>

#include <cstring>

#include "recdev.h"
#include "render/gray.h"

namespace {

float flat[2] = {0, 1};

// Emits `lines` one-row gray lines of the single value v over ncols columns from col0,
// starting from a zero carry, and returns the decoded page.
void grayrun(int planes, int v, int lines, int col0 = 0, int ncols = 1, int cols = 16) {
    recopen(0, planes, lines + 16, cols);
    std::memset(scan.dither, 0, cols);
    setgraypos(flat);
    uint8_t vals[2] = {static_cast<uint8_t>(v), 0};
    for (int k = 0; k < lines; k++) {
        ovlgray(vals, 1, col0, ncols, 1);
        rowadv(1);
    }
    rowadv(16);
}

int inked(int col, int rows) {
    int n = 0;
    for (int r = 0; r < rows; r++) n += rec.at(r, col) != 0;
    return n;
}

} // namespace

TEST(Dither, OnePlaneCarriesTheUndrawnDarknessToTheNextLine) {
    grayrun(1, 128, 8);
    for (int r = 0; r < 8; r++) EXPECT_EQ(rec.at(r, 0), r % 2) << "row " << r; // every second
    struct {
        int v, lines, ink;
    } runs[] = {{255, 256, 255}, {128, 256, 128}, {0, 64, 0}, {1, 256, 1}, {64, 64, 16}};
    for (auto c : runs) {
        grayrun(1, c.v, c.lines);
        EXPECT_EQ(inked(0, c.lines), c.ink) << "value " << c.v;
    }
    grayrun(1, 255, 4); // first line carries 255, then 510 leaves 254, 509 leaves 253 ...
    EXPECT_EQ(rec.at(0, 0), 0);
    EXPECT_EQ(rec.at(1, 0), 1);
    EXPECT_EQ(scan.dither[0], 252); // the carry left by the fourth line
}

TEST(Dither, EightPlanesWriteLevelsApartFromEmptyAndFullInk) {
    struct {
        int v, level;
    } cases[] = {{0, 1}, {255, 254}, {1, 2}, {254, 253}, {128, 128}, {64, 65}};
    for (auto c : cases) {
        grayrun(8, c.v, 3);
        for (int r = 0; r < 3; r++) EXPECT_EQ(rec.at(r, 0), c.level) << "value " << c.v;
    }
}

TEST(Dither, TwoAndFourPlanesSpendTheLevelOverBitPlanes) {
    // value -> plane value of the first line from a zero carry (2 planes: 170, 85;
    // 4 planes: offset 21, then 170, 85, 42, 21).
    struct {
        int planes, v, level;
    } cases[] = {{2, 0, 0}, {2, 84, 0},  {2, 85, 1},   {2, 170, 2}, {2, 255, 3},
                 {4, 0, 1}, {4, 149, 8}, {4, 255, 13}, {4, 63, 3}};
    for (auto c : cases) {
        grayrun(c.planes, c.v, 1);
        EXPECT_EQ(rec.at(0, 0), c.level) << "planes " << c.planes << " value " << c.v;
    }
    grayrun(2, 200, 2); // 200 - 170 leaves 30; 230 - 170 leaves 60 on the next line
    EXPECT_EQ(rec.at(0, 0), 2);
    EXPECT_EQ(rec.at(1, 0), 2);
}

TEST(GrayPositions, ValuesAreInterpolatedAcrossTheColumns) {
    float pos[3] = {0, 0.5f, 1};
    float half[2] = {0, 0.5f};
    struct {
        const float *pos;
        int count, col0, ncols;
        std::vector<int> levels; // 8-plane levels of columns 0..7 (0: not drawn)
    } cases[] = {
        {pos, 3, 0, 3, {1, 254, 1, 0, 0, 0, 0, 0}},
        {pos, 3, 0, 5, {1, 127, 254, 127, 1, 0, 0, 0}},
        {half, 2, 0, 3, {1, 254, 254, 0, 0, 0, 0, 0}}, // past the last position: last value
        {pos, 3, 6, 5, {0, 0, 0, 0, 0, 0, 1, 1}},      // clipped: positions over 2 columns
        {pos, 3, -2, 5, {254, 127, 1, 0, 0, 0, 0, 0}}, // columns left of 0 skipped
        {pos, 3, 4, 1, {0, 0, 0, 0, 1, 0, 0, 0}},      // one column: position 0
        {pos, 3, 9, 4, {0, 0, 0, 0, 0, 0, 0, 0}},      // wholly off the page
    };
    uint8_t vals[4] = {0, 255, 0, 99};
    for (auto &c : cases) {
        recopen(0, 8, 32, 8);
        setgraypos(c.pos);
        ovlgray(vals, c.count, c.col0, c.ncols, 1);
        rowadv(16);
        for (int col = 0; col < 8; col++)
            EXPECT_EQ(rec.at(0, col), c.levels[col]) << "col0 " << c.col0 << " column " << col;
    }
}

TEST(GrayLines, EmptyExtentsAddNothingAndTheCopyHoldsOneByteMore) {
    recopen(1, 1, 64, 64);
    uint8_t vals[4] = {1, 2, 3, 4};
    ovlgray(vals, 3, 0, 0, 1);
    ovlgray(vals, 3, 0, 5, 0);
    EXPECT_EQ(scan.novl, 0);
    vals[3] = 44;
    ovlgray(vals, 3, 0, 5, 2);
    ASSERT_EQ(scan.novl, 1);
    vals[3] = 0; // a private copy: the caller's buffer may change
    const uint8_t *copy = static_cast<const uint8_t *>(scan.ovllist[0]->data);
    EXPECT_EQ(copy[3], 44);
    EXPECT_EQ(scan.ovllist[0]->stride, 3);
    EXPECT_EQ(scan.ovllist[0]->kind, 3);
}

TEST(ToneCurve, IsTheCubicOfTheProcessWideCoefficients) {
    Gray saved = gray;
    for (double x : {0.0, 0.25, 1.0}) EXPECT_DOUBLE_EQ(gresp(x), x);
    gray.c0 = 0.7390000224113464, gray.c1 = -0.9729999899864197, gray.c2 = 1.2330000400543213;
    EXPECT_NEAR(gresp(0.5), 0.280375, 1e-7); // 0.5 (0.5 (1.233 x 0.5 - 0.973) + 0.739)
    EXPECT_NEAR(gresp(1.0), 0.999, 1e-7);
    gray = saved;
}
