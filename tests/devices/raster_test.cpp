// Raster printers: the exact LaserJet and imPRESS bytes of bands, pages and document ends,
// worked out by hand, from band calls and from a page passed by the core.
#include "devtest.h"

namespace {

const std::string h300 = "\033E\033&l0E\033*t300R\033*r0A", doc = "@document(language impress)",
                  down = std::string("\x8a\0\x20", 3), eject = "\xdb";

// A raster row; n rows without ink, one zero byte each.
const auto xfer = [](std::string b) { return "\033*b" + std::to_string(b.size()) + "W" + b; };
std::string times(int n, const std::string &s) {
    return n > 0 ? s + times(n - 1, s) : "";
}
const auto blank = [](int n) { return times(n, xfer({'\0'})); };
std::string bitmap(int dot, int n) { // n patches from a dot across
    return std::string{'\x87', char(dot >> 8), char(dot), '\xeb', 15, char(n), 1};
}
std::string patch(int line) { // 32 x 32 dots, inked across on one line
    return std::string(4 * line, '\0') + "\xff\xff\xff\xff" + std::string(124 - 4 * line, '\0');
}
// n bands, to columns long, with the bits in each column from on.
void band(int from = 0, int to = 0, int bits = 0, int n = 1) {
    std::vector<uint8_t> b(to, bits);
    std::fill_n(b.begin(), from, 0);
    while (n-- > 0) devtab.devband(b.data(), to);
}
// Ink on page row 0 over columns 0..2398 of the 2400, passed by the core, then the page's end.
const auto page0 = [] { ovlrect(0, 0, 1, 2399), pageend(); };

} // namespace

TEST(LaserJet, BandIsEightRasterRowsTrimmedAndInkedPagesEndInAFormFeed) {
    // 10.5 inches at 300 dpi: 3150 rows, 393 full bands (the last partial band is not passed)
    const std::tuple<const char *, void (*)(), std::string> cases[] = {
        {"lj3", [] { devtab.devpage(), devtab.devret(); }, "\r"},
        {"lj3", [] { band(), devtab.devpage(), devtab.devpage(), band(); },
         h300 + blank(8) + "\f" + blank(8)},
        {"lj3", [] { band(0, 1, 0xA0); }, h300 + xfer("\x80") + blank(1) + xfer("\x80") + blank(5)},
        {"lj3", page0, h300 + xfer(std::string(299, '\xff') + '\xfe') + blank(7 + 8 * 392) + "\f"}};
    for (auto &[name, draw, want] : cases) EXPECT_EQ(run(name, draw), want + "\033E") << name;
}

TEST(Impress, FourBandsMakeAStripOfPatchesSentAsBitmapRuns) {
    // strip 1, band 0: dots 32..95 on row 0 (patches 1 and 2); strip 2, band 1: dots
    // 128..159 on row 7 (patch 4, line 15); a page: 75 patches inked on line 0, 393 bands in
    // 98 full strips and one more
    const std::pair<void (*)(), std::string> cases[] = {
        {[] { devtab.devpage(); }, ""},
        {[] { band(0, 0, 0, 6), devtab.devpage(); }, doc + down + down + eject},
        {[] { band(), devtab.devpage(), band(); }, doc + down + eject + down + eject},
        {[] { band(32, 96, 0x80), band(0, 0, 0, 4), band(128, 160, 1), band(0, 0, 0, 2); },
         doc + bitmap(32, 2) + patch(0) + patch(0) + down + bitmap(128, 1) + patch(15) + down +
             eject},
        {page0, doc + bitmap(0, 75) + times(74, patch(0)) + "\xff\xff\xff\xfe" +
                    patch(0).substr(4) + times(99, down) + eject}};
    for (auto &[draw, want] : cases) EXPECT_EQ(run("ip", draw), want + "\xff");
}
