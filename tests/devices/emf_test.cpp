// Metafile device: the records of small plots worked out by hand, with the header's size and
// record count rewritten at close.
#include "devtest.h"

namespace {

// Records, each its type then its words, as bytes: type, size, words, little-endian.
std::string emf(const std::vector<std::vector<int>> &recs) {
    std::string s;
    for (auto r : recs)
        for (size_t i = 0; i <= r.size(); i++) // the size after the type, then the rest
            for (int k = 0; k < 32; k += 8)
                s += char((i == 1 ? 4 * r.size() + 4 : r[i - (i > 1)]) >> k);
    return s;
}

// The header of r dpi with its total size and record count: 144 bytes, bounds, frame in
// 0.01 mm, signature, version, 8 handles, 18 characters of description at 108, device in
// pixels and mm, then the description "ORMEK KAVREL" in UTF-16.
std::string header(int r, int bytes, int recs) {
    return emf({{1,          0,        0,        11 * r,   8 * r,    0,  0,   27940, 20320,
                 0x464D4520, 0x10000,  bytes,    recs,     8,        18, 108, 0,     11 * r,
                 8 * r,      279,      203,      0,        0,        0,  0,   0,     0x52004F,
                 0x45004D,   0x20004B, 0x41004B, 0x520056, 0x4C0045, 0,  0,   0}});
}
// A pen w dots wide and a brush of a colour 0x00BBGGRR, each made and selected; deletions.
std::string pen(int w, int c = 0) {
    return emf({{95, 1, 56, 0, 56, 0, 0x10000, w, 0, c, 0, 0, 0}, {37, 1}});
}
const auto brush = [](int c) { return emf({{39, 2, 0, c, 0}, {37, 2}}); };
const std::string nopen = emf({{40, 1}}), nobrush = emf({{40, 2}}), eof = emf({{14, 0, 16, 20}});

// The ramp of the PostScript strip over columns 20..23: cells of darkness 117 and 200.
const uint8_t ramp[2] = {0, 200}, flat[2] = {100, 100};
const float pos[3] = {0, 0.5f, 1};

void strokes() { // at 300 dpi the metafile's y is 2400 - column
    int rows[3] = {10, 0, 40}, cols[3] = {5, 20, 0};
    devtab.devline(3, rows, cols, 0.0);    // 1 dot
    devtab.devline(3, rows, cols, 0.0035); // 1.05 dots: 1 still, the pen is kept
    devtab.devrect(100, 200, 50, 5);       // along the rows, 5 + 1 wide, at column 202
    devtab.devrect(100, 200, 3, 40);       // along the columns, 3 + 1 wide, at row 101
    devtab.devrect(10, 10, 4, 4);          // a square: along the columns
}

} // namespace

TEST(Metafile, RecordsOfSmallPlotsAfterTheHeaderRewrittenAtClose) {
    // a path's bounds are its points widened by the pen; a cell's colour is 255 - darkness
    // in gray, one pen and brush while it holds
    const std::string
        path = emf(
            {{59}, {27, 10, 2395}, {54, 0, 2380}, {54, 40, 2400}, {60}, {64, -1, 2379, 41, 2401}}),
        cell0 = emf({{43, 10, 2380, 13, 2379}}), cell1 = emf({{43, 10, 2379, 13, 2377}});
    const std::tuple<const char *, int, void (*)(), std::string> cases[] = {
        {"emf", 0, [] {}, header(100, 164, 2)},
        // 156 + 88 + 3 x 112 bytes, 8 + 6 + 3 x 5 records
        {"emf3", 0, strokes,
         header(300, 744, 31) + pen(1) + path + path + nopen + pen(6) +
             emf({{27, 100, 2198}, {54, 150, 2198}}) + nopen + pen(4) +
             emf({{27, 101, 2200}, {54, 101, 2160}}) + nopen + pen(5) +
             emf({{27, 12, 2390}, {54, 12, 2386}})},
        {"emf3", 0, [] { devtab.devimage(10, 20, 3, 4, 2, ramp, pos); },
         header(300, 444, 14) + pen(1, 0x8A8A8A) + brush(0x8A8A8A) + cell0 + nopen +
             pen(1, 0x373737) + nobrush + brush(0x373737) + cell1},
        {"emf3", 1, [] { devtab.devimage(10, 20, 3, 4, 2, ramp, pos); },
         header(300, 444, 14) + pen(1, 0x15EA00) + brush(0x15EA00) + cell0 + nopen +
             pen(1, 0x006F90) + nobrush + brush(0x006F90) + cell1},
        {"emf3", 0, [] { devtab.devimage(10, 20, 3, 4, 2, flat, pos); },
         header(300, 316, 8) + pen(1, 0x9B9B9B) + brush(0x9B9B9B) + cell0 + cell1}};
    for (auto &[name, colour, draw, want] : cases)
        EXPECT_EQ(run(name, draw, colour), want + eof) << name;
}
