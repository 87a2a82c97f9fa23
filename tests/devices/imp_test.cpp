// imPRESS device: the exact bytes of strips, bitmap runs, page and document ends.
#include <gtest/gtest.h>

#include <vector>

#include "devices/imp.h"
#include "base/outfile.h"
#include "devtest.h"
#include "render/core.h"

namespace {

const std::string doc = "@document(language impress)";
const std::string down32("\x8a\x00\x20", 3);

std::string bytes(std::initializer_list<int> v) {
    std::string s;
    for (int b : v) s += char(b);
    return s;
}

} // namespace

TEST(Impress, OpenSetsThreeHundredDotPageAndWritesNothing) {
    OutCap out;
    impopen();
    EXPECT_EQ(page.xres, 300);
    EXPECT_EQ(page.yres, 300);
    EXPECT_EQ(page.pagerows, 3150);
    EXPECT_EQ(page.pagecols, 2400);
    EXPECT_EQ(page.planes, 1);
    EXPECT_EQ(page.dotwidth, double(float(1.0 / 300)));
    EXPECT_EQ(devtab.devline, nullptr);
    EXPECT_EQ(devtab.devrect, nullptr);
    EXPECT_EQ(devtab.devimage, nullptr);
    EXPECT_EQ(out.bytes(), "");
}

TEST(Impress, StripsPagesAndDocumentEnd) {
    struct {
        const char *ops; // b empty band, p page end, c close
        std::string want;
    } cases[] = {
        {"c", "\xff"},
        {"pc", "\xff"},
        {"bbbb", doc + down32},
        {"bbbbbbp", doc + down32 + down32 + "\xdb"},
        {"bbbbc", doc + down32 + "\xdb\xff"},
        {"bpbc", doc + down32 + "\xdb" + down32 + "\xdb\xff"},
        {"bbbbpc", doc + down32 + "\xdb\xff"},
    };
    for (auto &c : cases) {
        OutCap out;
        impopen();
        for (const char *o = c.ops; *o; o++) {
            if (*o == 'b') devtab.devband(nullptr, 0);
            if (*o == 'p') devtab.devpage();
            if (*o == 'c') devtab.devclose(1);
        }
        EXPECT_EQ(out.bytes(), c.want) << c.ops;
    }
}

TEST(Impress, RunsOfInkedPatchesBecomeBitmapCommands) {
    OutCap out;
    impopen();
    // band 1 (lines 8..15): column 96 on row 0, column 140 on row 6, columns 160..191 on row 3,
    // column 351 on row 7
    std::vector<uint8_t> band(352, 0);
    band[96] = 0x80;
    band[140] = 0x02; // row 6: line 14, patch 4, byte 1, bit 0x08
    for (int j = 160; j < 192; j++) band[j] = 0x10;
    band[351] = 0x01;
    devtab.devband(nullptr, 0);
    devtab.devband(band.data(), int(band.size()));
    devtab.devband(nullptr, 0);
    devtab.devband(nullptr, 0);
    std::string f = out.bytes();
    ASSERT_EQ(f.substr(0, doc.size()), doc);
    std::string want = bytes({135, 0, 96, 235, 15, 3, 1});
    std::string p3(128, '\0'), p4(128, '\0'), p5(128, '\0'), p10(128, '\0');
    p4[14 * 4 + 1] = '\x08';
    p3[8 * 4] = '\x80';                                  // line 8, dot 96 = first dot of patch 3
    for (int b = 0; b < 4; b++) p5[11 * 4 + b] = '\xff'; // line 11, dots 160..191
    p10[15 * 4 + 3] = '\x01';                            // line 15, dot 351 = last dot of patch 10
    want += p3 + p4 + p5 + bytes({135, 1, 64, 235, 15, 1, 1}) + p10 + down32;
    EXPECT_EQ(f.substr(doc.size()), want);
    // the strip was cleared as it was sent
    devtab.devband(nullptr, 0);
    devtab.devband(nullptr, 0);
    devtab.devband(nullptr, 0);
    devtab.devband(nullptr, 0);
    EXPECT_EQ(out.bytes().substr(f.size()), down32);
}
