// The stroke font table: the rows the system fixes, the glyph boxes, and the committed
// table being exactly what the generator makes from the installed Hershey font.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <unistd.h>

#define MKFONT_NO_MAIN
#include "../../tools/mkfont.cpp"
#include "render/font.h"

namespace {
const char *jhf = "/usr/share/hershey-fonts/rowmans.jhf";

// The stored bytes of code c.
std::vector<int> glyph(int c) {
    return std::vector<int>(fontpairs + 2 * (fontstart[c] - 1),
                            fontpairs + 2 * (fontstart[c + 1] - 1));
}
} // namespace

TEST(Font, HoldsTheFixedRowsAndNinetyFiveGlyphsWithinTheirBoxes) {
    struct {
        int code, left, adv;
        std::vector<int> bytes;
    } rows[] = {
        {' ', 0, 20, {}},
        {'-', 13, 26, {127, 118, 127, 136}},
        {'.', 5, 10, {120, 127, 119, 126, 118, 127, 119, 128, 120, 127}},
        {'A',
         9,
         18,
         {0x8B, 0x7F, 0x76, 0x77, 0x01, 0xFF, 0x8B, 0x7F, 0x76, 0x87, 0x01, 0xFF, 0x7D, 0x7A, 0x7D,
          0x84}},
        {'k', 9, 17, {139, 122, 118, 122, 1, 255, 132, 132, 122, 122, 1, 255, 126, 126, 118, 133}},
    };
    for (auto &r : rows) {
        EXPECT_EQ((std::pair<int, int>(fontleft[r.code], fontadv[r.code])),
                  std::pair(r.left, r.adv))
            << char(r.code);
        EXPECT_EQ(glyph(r.code), r.bytes) << char(r.code);
    }
    std::vector<int> zero = glyph('0'); // one closed stroke of 17 points from (12, -1)
    ASSERT_EQ(zero.size(), 34u);
    EXPECT_EQ(std::vector<int>(zero.begin(), zero.begin() + 2), (std::vector<int>{139, 126}));
    EXPECT_EQ(std::vector<int>(zero.end() - 2, zero.end()), (std::vector<int>{139, 126}));
    EXPECT_EQ(fontstart[32], 1);
    EXPECT_EQ(fontstart[127], fontnpairs + 1);
    for (int c = 0; c < 127; c++) {
        EXPECT_EQ(fontadv[c] > 0, c >= 32) << c;
        std::vector<int> b = glyph(c);
        EXPECT_EQ(b.empty(), c <= 32) << c; // all but the space drawn
        for (size_t k = 0; k < b.size(); k += 2) {
            int v = b[k] - 127, u = b[k + 1] - 127 + fontleft[c];
            if (b[k + 1] == 255) { // pen up: only between strokes
                EXPECT_TRUE(b[k] == 1 && k > 0 && k + 2 < b.size()) << c;
            } else {
                EXPECT_TRUE(v >= -16 && v <= 20 && u >= 0 && u <= fontadv[c]) << c << ": " << v;
            }
        }
    }
    for (int c = '0'; c <= '9'; c++) EXPECT_EQ(fontadv[c], 20) << char(c);
}

TEST(Font, GeneratorMakesTheCommittedTableWithTheFixedRowsOverridingTheFont) {
    if (!std::ifstream(jhf)) GTEST_SKIP() << "the Hershey font is not installed";
    std::stringstream committed;
    committed << std::ifstream(std::string(KAVREL_SOURCE_DIR) + "/src/render/font.cpp").rdbuf();
    char dir[] = "/tmp/kavrel-fontXXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    std::string path = std::string(dir) + "/changed.jhf";
    // The installed font with glyph lines replaced (line index -> text).
    auto changed = [&](std::vector<std::pair<int, std::string>> lines) {
        std::ifstream in(jhf);
        std::ofstream out(path);
        std::string line;
        for (int n = 0; std::getline(in, line); n++) {
            for (auto &[at, text] : lines) line = at == n ? text : line;
            out << line << "\n";
        }
        return path;
    };
    struct {
        std::vector<std::pair<int, std::string>> lines;
        bool same;
        std::vector<std::string> report;
    } cases[] = {
        {{},
         true,
         {"pairs in the font's 95 glyphs: 1194\ncode 32 ' ': left offset 8 in the font, 0 fixed\n"
          "code 32 ' ': advance 16 in the font, 20 fixed\n"}},
        // 'A' without its right leg and '-' with other bounds: restored by the fixed rows
        {{{33, "  501  6I[RFJ[ RMTWT"}, {13, "  724  3D_IR[R"}},
         true,
         {"code 65 'A': strokes differ (5 pairs in the font, 8 fixed)\n",
          "code 45 '-': left offset 14 in the font, 13 fixed\n"}},
        // '0' reduced to a point: its metrics are fixed, its strokes only checked
        {{{16, "  700  2G]QF"}},
         false,
         {"code 48 '0': advance 22 in the font, 20 fixed\n",
          "code 48 '0': not one closed stroke of 17 points"}},
    };
    for (auto &c : cases) {
        std::string report;
        EXPECT_EQ(mkfont::mkfont(c.lines.empty() ? jhf : changed(c.lines), report) ==
                      committed.str(),
                  c.same);
        if (c.lines.empty()) { EXPECT_EQ(report, c.report[0]); }
        for (auto &r : c.report) EXPECT_NE(report.find(r), std::string::npos) << r;
    }
    std::string report;
    EXPECT_EQ(mkfont::mkfont(std::string(dir) + "/missing.jhf", report), "");
    std::remove(path.c_str());
    rmdir(dir);
}
