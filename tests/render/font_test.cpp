// The stroke font table: the rows the system fixes, the glyph boxes, and the committed
// table being exactly what the generator makes from the installed Hershey font.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

#define MKFONT_NO_MAIN
#include "../../tools/mkfont.cpp"
#include "base/outfile.h"
#include "render/font.h"

namespace {

const char *jhf = "/usr/share/hershey-fonts/rowmans.jhf";

// The stored bytes of code c.
std::vector<int> glyphbytes(int c) {
    std::vector<int> out;
    for (int k = fontstart[c]; k < fontstart[c + 1]; k++) {
        out.push_back(fontpairs[2 * (k - 1)]);
        out.push_back(fontpairs[2 * (k - 1) + 1]);
    }
    return out;
}

} // namespace

TEST(Font, HoldsTheFixedRows) {
    struct {
        int code, left, adv;
        std::vector<int> bytes; // empty: not checked here
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
        EXPECT_EQ(fontleft[r.code], r.left) << char(r.code);
        EXPECT_EQ(fontadv[r.code], r.adv) << char(r.code);
        if (!r.bytes.empty()) { EXPECT_EQ(glyphbytes(r.code), r.bytes) << char(r.code); }
    }
    EXPECT_TRUE(glyphbytes(' ').empty());
    for (int c = '0'; c <= '9'; c++) EXPECT_EQ(fontadv[c], 20) << char(c);
    // '0': one closed stroke of 17 points from (12, -1) round to (12, -1)
    std::vector<int> zero = glyphbytes('0');
    ASSERT_EQ(zero.size(), 34u);
    EXPECT_EQ(zero[0], 12 + 127);
    EXPECT_EQ(zero[1], -1 + 127);
    EXPECT_EQ(zero[32], zero[0]);
    EXPECT_EQ(zero[33], zero[1]);
    for (size_t k = 1; k < zero.size(); k += 2) EXPECT_NE(zero[k], 255);
}

TEST(Font, NinetyFiveGlyphsEachWithinItsBox) {
    for (int c = 0; c < 32; c++) EXPECT_EQ(fontadv[c], 0);
    EXPECT_EQ(fontstart[32], 1);
    EXPECT_EQ(fontstart[127], fontnpairs + 1);
    int drawn = 0;
    for (int c = 32; c < 127; c++) {
        ASSERT_LE(fontstart[c], fontstart[c + 1]);
        drawn += fontstart[c + 1] > fontstart[c];
        EXPECT_GT(fontadv[c], 0) << c;
        std::vector<int> b = glyphbytes(c);
        for (size_t k = 0; k < b.size(); k += 2) {
            if (b[k + 1] == 255) {
                EXPECT_EQ(b[k], 1) << "only pen-up pairs are stored";
                EXPECT_TRUE(k > 0 && k + 2 < b.size()) << "pen-up only between strokes";
                continue;
            }
            int v = b[k] - 127, u = b[k + 1] - 127 + fontleft[c];
            EXPECT_TRUE(v >= -16 && v <= 20 && u >= 0 && u <= fontadv[c]) << c << ": " << v;
        }
    }
    EXPECT_EQ(drawn, 94); // all but the space
}

namespace {

// The installed font with some glyph lines replaced (line index -> text), in dir.
std::string changedfont(const char *dir, std::vector<std::pair<int, std::string>> lines) {
    std::string path = std::string(dir) + "/changed.jhf";
    std::ifstream in(jhf);
    std::ofstream out(path);
    std::string line;
    for (int n = 0; std::getline(in, line); n++) {
        for (auto &[at, text] : lines)
            if (at == n) line = text;
        out << line << "\n";
    }
    return path;
}

std::string committedfont() {
    std::ifstream in(std::string(KAVREL_SOURCE_DIR) + "/src/render/font.cpp");
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

} // namespace

TEST(Font, CommittedTableIsWhatTheGeneratorMakes) {
    if (!std::ifstream(jhf)) GTEST_SKIP() << "the Hershey font is not installed";
    std::string report;
    EXPECT_EQ(mkfont::mkfont(jhf, report), committedfont());
    // The file's own space metrics are replaced by the fixed ones; nothing else differs.
    EXPECT_EQ(report, "pairs in the font's 95 glyphs: 1194\n"
                      "code 32 ' ': left offset 8 in the font, 0 fixed\n"
                      "code 32 ' ': advance 16 in the font, 20 fixed\n");
}

TEST(Font, GeneratorAppliesFixedRowsOverAChangedFont) {
    if (!std::ifstream(jhf)) GTEST_SKIP() << "the Hershey font is not installed";
    char dir[] = "/tmp/kavrel-fontXXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    // 'A' without its right leg and '-' with other bounds: both restored by the fixed rows.
    std::string path = changedfont(dir, {{33, "  501  6I[RFJ[ RMTWT"}, {13, "  724  3D_IR[R"}});
    std::string report;
    EXPECT_EQ(mkfont::mkfont(path, report), committedfont());
    EXPECT_NE(report.find("code 65 'A': strokes differ (5 pairs in the font, 8 fixed)"),
              std::string::npos);
    EXPECT_NE(report.find("code 45 '-': left offset 14 in the font, 13 fixed"), std::string::npos);
    // '0' reduced to a point: its metrics are fixed, its strokes only checked.
    path = changedfont(dir, {{16, "  700  2G]QF"}});
    report.clear();
    EXPECT_NE(mkfont::mkfont(path, report), committedfont());
    EXPECT_NE(report.find("code 48 '0': advance 22 in the font, 20 fixed"), std::string::npos);
    EXPECT_NE(report.find("code 48 '0': not one closed stroke of 17 points"), std::string::npos);
    std::remove(path.c_str());
    rmdir(dir);
    EXPECT_EQ(mkfont::mkfont(std::string(dir) + "/missing.jhf", report), "");
}
