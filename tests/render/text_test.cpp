// Stroke text: widths, the text state setters, the box and its justification, glyph
// placement along turned baselines, stroke width, and what draws nothing.
#include <gtest/gtest.h>

#include <algorithm>

#include "recdev.h"
#include "render/lines.h"
#include "render/text.h"

namespace {
using Strokes = std::vector<std::vector<std::pair<int, int>>>;

// The text state of a test: up (0, 1), weight 1, anchor at the baseline start.
void textstate(double size, int box) {
    txt = Txt{}, txtsize(size), txtbox(box);
}

// Draws s at (1, 1) inch on a fresh vector page; its polylines in the order made (no band
// flushed yet) and their widths in inches.
Strokes drawn(const char *s, std::vector<double> *widths = nullptr) {
    recopen(1, 1, 900, 900);
    txtdraw(1, 1, s);
    Strokes out;
    for (int i = 0; i < scan.novl; i++) {
        const Ovl *o = scan.ovllist[i];
        const int *p = static_cast<const int *>(o->data);
        out.emplace_back();
        for (int k = 0; k < o->col0; k++) out.back().push_back({p[k], p[o->col0 + k]});
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
        EXPECT_TRUE(c.width > 0 || drawn(c.s).empty()) << "draws nothing";
    }
}

TEST(TextState, SettersKeepValidValuesAndClampJustification) {
    txt = Txt{};
    MsgCap cap;
    txtup(3, 4), txtup(0, 0);
    EXPECT_EQ(cap.text(), "*** Warning: Invalid character orientation\n");
    EXPECT_EQ(std::pair(txt.upx, txt.upy), std::pair(0.6, 0.8));
    for (auto [h, v, hj, vj] : {std::tuple{2, 3, 2, 3}, {-1, 9, 0, 5}, {7, -4, 3, 0}}) {
        txtjust(h, v);
        EXPECT_EQ(std::pair(txt.hjust, txt.vjust), std::pair(hj, vj)) << h << "," << v;
    }
}

TEST(TextDraw, BoxFollowsTheJustificationCodes) {
    // At size 0.21 one font unit is 3 dots; the box is 18 units along and 36 across the
    // baseline. horizontal, vertical code -> box start and bottom in units from the anchor
    for (auto [h, v, start, bottom] : {std::tuple{1, 4, 0, -7},
                                       {0, 0, 0, -16},
                                       {1, 1, 0, -36},
                                       {1, 2, 0, -28},
                                       {3, 3, -18, -16},
                                       {2, 5, -9, 0}}) {
        textstate(0.21, 1);
        txtjust(h, v);
        Strokes s = drawn("A");
        ASSERT_EQ(s.size(), 4u);
        ASSERT_EQ(s[0].size(), 5u);
        EXPECT_EQ(s[0][4], s[0][0]); // closed
        auto [r0, r1] = std::minmax_element(s[0].begin(), s[0].end());
        auto [c0, c1] = std::minmax_element(s[0].begin(), s[0].end(),
                                            [](auto a, auto b) { return a.second < b.second; });
        EXPECT_NEAR(r0->first, 300 + 3 * start, 1) << h << "," << v;
        EXPECT_NEAR(r1->first - r0->first, 54, 1);
        EXPECT_NEAR(c0->second, 300 + 3 * bottom, 1) << h << "," << v;
        EXPECT_NEAR(c1->second - c0->second, 108, 1);
    }
}

TEST(TextDraw, GlyphsFollowTheBaselineWithTheStrokeWidthOfSizeAndWeight) {
    // 'A' at size 0.21: origin 9 units along and 9 up from the pen, which moves on by the
    // advance 18; (12, 0) and (-9, -8) of the glyph are its first stroke
    for (auto [upx, upy, dr1, dc1, dr2, dc2] :
         {std::tuple{0, 1, 27, 63, 3, 0}, {-1, 0, -63, 27, 0, 3}}) {
        std::vector<double> widths;
        textstate(0.21, 0);
        txtup(upx, upy);
        Strokes s = drawn("A\x01"
                          "A",
                          &widths);
        ASSERT_EQ(s.size(), 6u); // three strokes per 'A'; no glyph for \x01
        EXPECT_NEAR(s[0][0].first, 300 + dr1, 1);
        EXPECT_NEAR(s[0][0].second, 300 + dc1, 1);
        EXPECT_NEAR(s[0][1].first, 300 + dr2, 1);
        EXPECT_NEAR(s[0][1].second, 300 + dc2, 1);
        EXPECT_NEAR(s[3][0].first - s[0][0].first, 54 * upy, 1);
        EXPECT_NEAR(s[3][0].second - s[0][0].second, -54 * upx, 1);
        for (double w : widths) EXPECT_NEAR(w, 0.021, 0.0011);
    }
    for (auto [size, weight, width] : {std::tuple{0.1, 2.0, 0.02}, {0.2, 0.5, 0.01}}) {
        std::vector<double> widths;
        textstate(size, 0);
        txtweight(weight);
        ASSERT_EQ(drawn("-", &widths).size(), 1u);
        EXPECT_NEAR(widths[0], width, 0.0011) << size << " " << weight;
    }
}

TEST(TextDraw, RasterStringsGoIntoOneBlockAroundTheBox) {
    recopen(0, 1, 900, 900);
    textstate(0.21, 1);
    EXPECT_EQ(txtdraw(1, 1, "AkA"), 0);
    ASSERT_EQ(scan.novl, 1);
    const Ovl *b = scan.ovllist[0];
    EXPECT_EQ(b->kind, 0);
    EXPECT_TRUE(b->row0 <= 300 && b->row0 + b->nrows >= 300 + 3 * 53); // 53 units of advance
    EXPECT_TRUE(b->col0 <= 300 - 21 && b->col0 + b->ncols >= 300 + 87);
    MsgCap cap;
    while (scan.novl < OVLMAX) ovlget();
    EXPECT_EQ(txtdraw(1, 1, "A"), 1);
    EXPECT_EQ(cap.times("*** Warning: failed to get overlay\n"), 1);
    scan.novl = 0;
}
