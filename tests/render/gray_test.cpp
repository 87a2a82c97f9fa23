// Gray lines on raster bands: the error-diffusion carry, the multi-plane levels, the
// position interpolation and clipping; the tone curve.
#include <gtest/gtest.h>

#include <cstring>

#include "recdev.h"
#include "render/gray.h"

namespace {
float flat[2] = {0, 1};

// One-row gray lines of the single value v in column 0, from a zero carry; the page decoded.
void grayrun(int planes, int v, int lines) {
    recopen(0, planes, lines + 16, 16);
    std::memset(scan.dither, 0, 16);
    setgraypos(flat);
    uint8_t vals[2] = {static_cast<uint8_t>(v), 0};
    for (int k = 0; k < lines; k++) ovlgray(vals, 1, 0, 1, 1), rowadv(1);
    rowadv(16);
}
} // namespace

TEST(Dither, OnePlaneInksTheDarknessOfTheRunByCarryingTheRest) {
    struct {
        int v, lines, ink;
        std::vector<int> first; // the first rows' dots
    } runs[] = {{128, 128, 64, {0, 1, 0, 1}},
                {255, 255, 254, {0, 1, 1, 1}},
                {255, 256, 255, {}},
                {0, 64, 0, {0}},
                {1, 256, 1, {}},
                {64, 64, 16, {0, 0, 0, 1}}};
    for (auto &c : runs) {
        grayrun(1, c.v, c.lines);
        int ink = 0;
        for (int r = 0; r < c.lines; r++) ink += rec.at(r, 0);
        EXPECT_EQ(ink, c.ink) << "value " << c.v << " lines " << c.lines;
        for (size_t r = 0; r < c.first.size(); r++) EXPECT_EQ(rec.at(r, 0), c.first[r]) << r;
    }
    grayrun(1, 255, 4); // 255, then 510 leaves 254, 509 leaves 253, 508 leaves 252
    EXPECT_EQ(scan.dither[0], 252);
}

TEST(Dither, MorePlanesSpendTheLevelOverTheirBitsAndKeepWhiteAndBlackApart) {
    // planes, value -> levels of the first lines from a zero carry (2 planes: 170, 85;
    // 4 planes: offset 21, then 170, 85, 42, 21; 8 planes: 1 .. 254)
    struct {
        int planes, v;
        std::vector<int> levels;
    } cases[] = {{8, 0, {1, 1}},  {8, 255, {254, 254}}, {8, 1, {2}},      {8, 254, {253}},
                 {8, 128, {128}}, {8, 64, {65}},        {2, 0, {0}},      {2, 84, {0}},
                 {2, 85, {1}},    {2, 255, {3}},        {2, 200, {2, 2}}, {4, 0, {1}},
                 {4, 149, {8}},   {4, 255, {13}},       {4, 63, {3}}};
    for (auto &c : cases) {
        grayrun(c.planes, c.v, static_cast<int>(c.levels.size()));
        for (size_t r = 0; r < c.levels.size(); r++)
            EXPECT_EQ(rec.at(r, 0), c.levels[r]) << "planes " << c.planes << " value " << c.v;
    }
}

TEST(GrayLines, ValuesAreInterpolatedAcrossTheColumnsOnThePageOnly) {
    float pos[3] = {0, 0.5f, 1}, half[2] = {0, 0.5f};
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
    recopen(1, 1, 64, 64); // empty extents add nothing; the copy holds count + 1 bytes
    ovlgray(vals, 3, 0, 0, 1), ovlgray(vals, 3, 0, 5, 0);
    EXPECT_EQ(scan.novl, 0);
    ovlgray(vals, 3, 0, 5, 2);
    vals[3] = 0; // a private copy: the caller's buffer may change
    ASSERT_EQ(scan.novl, 1);
    EXPECT_EQ(static_cast<const uint8_t *>(scan.ovllist[0]->data)[3], 99);
}

TEST(ToneCurve, IsTheCubicOfTheProcessWideCoefficients) {
    Gray saved = gray;
    EXPECT_DOUBLE_EQ(gresp(0.25), 0.25); // the identity by default
    gray.c0 = 0.739, gray.c1 = -0.973, gray.c2 = 1.233;
    EXPECT_NEAR(gresp(0.5), 0.280375, 1e-7); // 0.5 (0.5 (1.233 x 0.5 - 0.973) + 0.739)
    EXPECT_NEAR(gresp(1.0), 0.999, 1e-7);
    gray = saved;
}
