// Stroke text: widths, the text state setters, anchoring and justification of the box,
// glyph placement along turned baselines, stroke width, and what draws nothing.
#include <gtest/gtest.h>

#include <algorithm>

#include "base/outfile.h"
#include "recdev.h"
#include "render/lines.h"
#include "render/text.h"

namespace {

// Text state for a test: up (0, 1), the given size, weight 1, anchor at the baseline start.
void textstate(double size, int box) {
    txt = Txt{};
    txtsize(size);
    txtbox(box);
}

// The polylines made so far, in the order they were made (no band has been flushed, so
// the display list still holds them in that order), and their widths in inches.
std::vector<std::vector<std::pair<int, int>>> strokes(std::vector<double> *widths = nullptr) {
    std::vector<std::vector<std::pair<int, int>>> out;
    for (int i = 0; i < scan.novl; i++) {
        const Ovl *o = scan.ovllist[i];
        if (o->kind != 2) continue;
        const int *p = static_cast<const int *>(o->data);
        std::vector<std::pair<int, int>> pts;
        for (int k = 0; k < o->col0; k++) pts.push_back({p[k], p[o->col0 + k]});
        out.push_back(pts);
        if (widths) widths->push_back(o->ncols * 0.001);
    }
    return out;
}

} // namespace

TEST(TextWidth, SumsTheAdvancesOfPrintableCharacters) {
    struct {
        const char *s;
        double size, width;
    } cases[] = {{"10", 0.1, 0.19048}, {"", 0.2, 0},       {"\x01\x7f\xc3\xa9", 0.2, 0},
                 {" ", 0.21, 0.2},     {"A-", 0.21, 0.44}, {"9\x01", 0.21, 0.2}};
    for (auto c : cases) {
        textstate(c.size, 1);
        EXPECT_NEAR(txtwidth(c.s), c.width, 5e-6) << '"' << c.s << '"';
    }
}

TEST(TextState, SettersKeepValidValues) {
    txt = Txt{};
    MsgCap cap;
    txtup(3, 4);
    EXPECT_DOUBLE_EQ(txt.upx, 0.6);
    EXPECT_DOUBLE_EQ(txt.upy, 0.8);
    txtup(0, 0);
    EXPECT_EQ(cap.text(), "*** Warning: Invalid character orientation\n");
    EXPECT_DOUBLE_EQ(txt.upx, 0.6);
    struct {
        int h, v, hj, vj;
    } just[] = {{2, 3, 2, 3}, {-1, 9, 0, 5}, {7, -4, 3, 0}, {0, 5, 0, 5}};
    for (auto j : just) {
        txtjust(j.h, j.v);
        EXPECT_EQ(txt.hjust, j.hj);
        EXPECT_EQ(txt.vjust, j.vj);
    }
}

TEST(TextDraw, StringsWithoutWidthDrawNothing) {
    for (int vector : {0, 1}) {
        recopen(vector, 1, 600, 600);
        textstate(0.2, 1);
        EXPECT_EQ(txtdraw(1, 1, ""), 0);
        EXPECT_EQ(txtdraw(1, 1, "\t\n\x7f"), 0);
        EXPECT_EQ(scan.novl, 0);
    }
}

TEST(TextDraw, BoxFollowsTheJustificationCodes) {
    // At size 0.21 one font unit is 3 dots at 300 dpi; the box is 36 units tall.
    // vertical code -> box bottom in units relative to the anchor; horizontal code -> start
    struct {
        int h, v, bottom, start;
    } cases[] = {{1, 4, -7, 0},  {0, 0, -16, 0},   {1, 1, -36, 0},
                 {1, 2, -28, 0}, {3, 3, -16, -18}, {2, 5, 0, -9}};
    for (auto c : cases) {
        recopen(1, 1, 900, 900);
        textstate(0.21, 1);
        txtjust(c.h, c.v);
        txtdraw(1, 1, "A");
        auto s = strokes();
        ASSERT_GE(s.size(), 1u);
        const auto &box = s[0];
        ASSERT_EQ(box.size(), 5u);
        EXPECT_EQ(box[4], box[0]);
        int r0 = 900, r1 = 0, c0 = 900, c1 = 0;
        for (auto [r, col] : box)
            r0 = std::min(r0, r), r1 = std::max(r1, r), c0 = std::min(c0, col),
            c1 = std::max(c1, col);
        EXPECT_NEAR(r0, 300 + 3 * c.start, 1) << c.h << "," << c.v;
        EXPECT_NEAR(r1 - r0, 54, 1); // 0.18 inch along the baseline
        EXPECT_NEAR(c0, 300 + 3 * c.bottom, 1) << c.h << "," << c.v;
        EXPECT_NEAR(c1 - c0, 108, 1); // 0.36 inch across it
    }
}

TEST(TextDraw, GlyphsArePlacedAlongTheBaselineByTheirOffsets) {
    // 'A' at size 0.21 from the pen (300, 300): origin 9 units along and 9 up; the pen moves
    // by the advance 18 units; characters without a glyph are skipped.
    struct {
        double upx, upy;
        int dr1, dc1, dr2, dc2; // (12, 0) and (-9, -8) of the first glyph, from the pen
    } cases[] = {{0, 1, 27, 63, 3, 0}, {-1, 0, -63, 27, 0, 3}};
    for (auto c : cases) {
        recopen(1, 1, 900, 900);
        textstate(0.21, 0);
        txtup(c.upx, c.upy);
        txtdraw(1, 1,
                "A\x01"
                "A");
        std::vector<double> widths;
        auto s = strokes(&widths);
        ASSERT_EQ(s.size(), 6u); // three strokes per 'A'
        EXPECT_NEAR(s[0][0].first, 300 + c.dr1, 1);
        EXPECT_NEAR(s[0][0].second, 300 + c.dc1, 1);
        EXPECT_NEAR(s[0][1].first, 300 + c.dr2, 1);
        EXPECT_NEAR(s[0][1].second, 300 + c.dc2, 1);
        // the second 'A' is 54 dots further along the baseline (upy, -upx)
        EXPECT_NEAR(s[3][0].first - s[0][0].first, 54 * c.upy, 1);
        EXPECT_NEAR(s[3][0].second - s[0][0].second, -54 * c.upx, 1);
        for (double w : widths) EXPECT_NEAR(w, 0.021, 0.0011);
    }
}

TEST(TextDraw, StrokeWidthIsSizeTimesWeightTimesATenth) {
    struct {
        double size, weight, width;
    } cases[] = {{0.1, 2, 0.02}, {0.3, 1, 0.03}, {0.2, 0.5, 0.01}};
    for (auto c : cases) {
        recopen(1, 1, 900, 900);
        textstate(c.size, 1);
        txtweight(c.weight);
        txtdraw(1, 1, "-");
        std::vector<double> widths;
        auto s = strokes(&widths);
        for (double w : widths) EXPECT_NEAR(w, c.width, 0.0011);
        EXPECT_EQ(s.size(), 2u); // the box and the stroke
    }
}

TEST(TextDraw, RasterStringsGoIntoOneBlockAroundTheBox) {
    recopen(0, 1, 900, 900);
    textstate(0.21, 1);
    EXPECT_EQ(txtdraw(1, 1, "AkA"), 0);
    ASSERT_EQ(scan.novl, 1);
    const Ovl *b = scan.ovllist[0];
    EXPECT_EQ(b->kind, 0);
    EXPECT_LE(b->row0, 300);
    EXPECT_GE(b->row0 + b->nrows, 300 + 3 * 53); // 53 units of advance
    EXPECT_LE(b->col0, 300 - 21);
    EXPECT_GE(b->col0 + b->ncols, 300 + 87);

    MsgCap cap;
    while (scan.novl < OVLMAX) ovlget();
    EXPECT_EQ(txtdraw(1, 1, "A"), 1);
    EXPECT_EQ(cap.times("*** Warning: failed to get overlay\n"), 1);
    scan.novl = 0;
}
