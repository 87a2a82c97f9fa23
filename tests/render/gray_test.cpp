// Gray lines on raster bands: the level each band format writes, with the carry each column
// keeps from row to row, and values placed across the columns by their positions.
#include "recdev.h"

TEST(GrayLines, LevelsTheCarryOfEachColumnAndThePositionsMakeTheBandBits) {
    // planes, value -> the band of a gray line of 8 rows in column 0 from no carry. One plane:
    // a dot where the carry reaches 256; 2 planes: 170 and 85 taken in turn; 4 planes: 21
    // added, then 170, 85, 42, 21; 8 planes: the level 1 + v x 254 / 256 rounded, no carry.
    // clang-format off
    std::vector<std::tuple<int, int, std::string>> cases = {
        {1, 0, ""}, {1, 64, "11"}, {1, 128, "55"}, {1, 255, "7f"},
        {2, 85, "00ff"}, {2, 170, "ff00"}, {2, 200, "ff24"},
        {4, 0, "000000ff"}, {4, 63, "007f8080"}, {4, 255, "ffff00ff"},
        {8, 0, "0101010101010101"}, {8, 64, "4141414141414141"}, {8, 255, "fefefefefefefefe"}};
    // clang-format on
    for (auto &[planes, v, band] : cases) {
        recopen(0, planes, 16, 2400);
        // A new page seeds every column's carry below 256 >> planes.
        EXPECT_EQ(*std::max_element(scan.dither, scan.dither + 2400), (256 >> planes) - 1);
        scan.dither[0] = 0;
        ovlgray(std::array<uint8_t, 2>{uint8_t(v), 0}.data(), 1, 0, 1, 8);
        rowto(8);
        EXPECT_EQ(rec.log, "b0:" + band + " ") << planes << " planes, value " << v;
    }
    // Values 0, 255, 0 at positions 0, 1/2, 1 over 5 columns from column -2 (8 planes): the
    // three columns on the page have 255, 127 and 0, levels 254, 127 and 1.
    float pos[3] = {0, 0.5f, 1};
    uint8_t vals[4] = {0, 255, 0, 99};
    recopen(0, 8, 16, 8), setgraypos(pos), ovlgray(vals, 3, -2, 5, 1), rowto(8);
    EXPECT_EQ(rec.log, "b0:fe000000000000007f000000000000000100000000000000 ");
}
