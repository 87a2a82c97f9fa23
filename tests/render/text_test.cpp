// Stroke text: glyphs along the baseline of the up vector, the box by the justification codes,
// the stroke width, and the font table.
#define MKFONT_NO_MAIN
#include "../../tools/mkfont.cpp"
#include "recdev.h"
#include "render/text.h"

TEST(Text, GlyphsAndBoxFollowTheUpVectorAndTheJustificationCodes) {
    // "A-" (and codes without a glyph) at one dot a font unit (size 21/64 in at 64 dpi) from
    // (45.5, 45.5) dots, up vector and justification codes -> the box corners (rows, then
    // columns), the bar of 'A' (2 units below its centre line, 5 either side) and the stroke of
    // '-' (on the centre line, 9 either side). The box runs the width (18 + 26 units) along the
    // baseline, from 7 units below it to 29 above; a glyph's centre line is 9 units up, its
    // centre its left offset (9 and 13) along from the pen.
    // clang-format off
    std::vector<std::tuple<double, double, int, int, std::vector<int>>> cases = {
        {0, 3, 1, 4, {45, 89, 89, 45, 45, 38, 38, 74, 74, 38, 49, 59, 52, 52, 67, 85, 54, 54}},
        {0, 1, 7, -4, {1, 45, 45, 1, 1, 29, 29, 65, 65, 29, 5, 15, 43, 43, 23, 41, 45, 45}},
        {0, 1, 7, 3, {1, 45, 45, 1, 1, 29, 29, 65, 65, 29, 5, 15, 43, 43, 23, 41, 45, 45}},
        {0, 1, 2, 1, {23, 67, 67, 23, 23, 9, 9, 45, 45, 9, 27, 37, 23, 23, 45, 63, 25, 25}},
        {0, 1, -1, 9, {45, 89, 89, 45, 45, 45, 45, 81, 81, 45, 49, 59, 59, 59, 67, 85, 61, 61}},
        {-2, 0, 1, 2, {73, 73, 37, 37, 73, 45, 89, 89, 45, 45, 59, 59, 49, 59, 57, 57, 67, 85}}};
    // clang-format on
    for (auto &[upx, upy, h, v, want] : cases) {
        recopen(1, 1, 200, 200, 64);
        txtbox(1), txtsize(21.0 / 64), txtweight(2), txtup(upx, upy), txtjust(h, v);
        EXPECT_EQ(txtdraw(45.5 / 64, 45.5 / 64, "\t\x7f"), 0); // nothing to draw
        EXPECT_EQ(txtdraw(45.5 / 64, 45.5 / 64, "A\x01\xc3-"), 0);
        std::vector<int> got;
        for (const Ovl *o : {scan.ovllist[0], scan.ovllist[3], scan.ovllist[4]})
            got.insert(got.end(), (int *)o->data, (int *)o->data + 2 * o->col0);
        EXPECT_EQ(got, want) << h << "," << v;
        EXPECT_EQ(scan.ovllist[4]->ncols, 65); // 21/64 in x weight 2 x 0.1, in 1/1000 in
    }
    EXPECT_DOUBLE_EQ(txtwidth(" ~\x1f\x7f"), 44 / 64.0); // 20 + 24 units of 1/64 in
}

TEST(Font, CommittedTableIsWhatTheGeneratorMakesFromTheInstalledFont) {
    std::string jhf = "/usr/share/hershey-fonts/rowmans.jhf", report;
    ASSERT_FALSE(readfile(jhf).empty()) << jhf << " is not installed";
    EXPECT_EQ(mkfont::mkfont(jhf, report), readfile(KAVREL_SOURCE_DIR "/src/render/font.cpp"));
}
