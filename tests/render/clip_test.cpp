// Lines on a raster page are clipped to the page (widened by the pen) before they are cut into
// blocks: far-away coordinates cost nothing beyond the part that can be seen.
#include "recdev.h"

TEST(Lines, OnARasterPageOnlyThePartNearThePageIsDrawn) {
    // From, to (inches, rows = columns at 100 dpi on a 2.56 in page) -> the diagonal dots (i, i)
    // inked from the first one; nothing else. The far ends lie 10^6 and 10^30 inches away.
    const std::tuple<double, double, int> cases[] = {
        {0, 1e6, 0}, {1e30, 1, 100}, {-1e6, 1e6, 0}, {5, 6, 256}, {-1e300, -1e301, 256}};
    MsgCap cap;
    for (const auto &[from, to, first] : cases) {
        recopen(0, 1, 256, 256, 100);
        drawseg(from, from, to, to, 0);
        const int blocks = scan.novl;
        rowto(256);
        int diag = 0;
        for (int i = 0; i < 256; i++) diag += rec.pix[i * 256 + i];
        EXPECT_EQ(std::tuple(diag, std::ranges::count(rec.pix, 1)),
                  std::tuple(256 - first, 256 - first))
            << from << " " << to;
        EXPECT_LE(blocks, 64) << from;
    }
    EXPECT_EQ(cap.times("Overlay limit exceeded"), 0);
}
