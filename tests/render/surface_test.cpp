// The drawing surface of the screen device: pens, line-to and fills. Its PNG picture is read
// back in the screen device's tests.
#include "render/surface.h"
#include "testkit.h"

TEST(Surface, PensLinesAndFillsPaintTheirPixels) {
    // Pen width and points (move-to, then line-tos), or a fill (left, top, right, bottom) for
    // width -1, on 10 by 5 white pixels -> the picture. Thin pens step along the longer axis
    // and leave out the end point; a wider one paints the pixels whose centres lie within half
    // its width of the segment, about pixel centres for an odd width, corners for an even one.
    // clang-format off
    std::vector<std::tuple<int, std::vector<int>, std::string>> cases = {
        {0, {0, 0, 4, 2}, "#........./.##......./...#....../........../........../"},
        {1, {0, 0, 3, 0, 3, 3}, "####....../...#....../...#....../........../........../"},
        {1, {5, 4, 5, 0}, "........../.....#..../.....#..../.....#..../.....#..../"},
        {2, {2, 2, 5, 2}, "........../.#####..../.#####..../........../........../"},
        {4, {2, 2, 5, 2}, ".#####..../#######.../#######.../.#####..../........../"},
        {5, {4, 2, 7, 2}, "...######./..########/..########/..########/...######./"},
        {-1, {2, 1, 5, 3}, "........../..###...../..###...../........../........../"},
        {-1, {-9, -9, 2, 1}, "##......../........../........../........../........../"},
        {-1, {5, 1, 2, 3}, "........../........../........../........../........../"}};
    // clang-format on
    for (auto &[w, p, want] : cases) {
        Surface s;
        surfinit(s, 10, 5), surfpen(s, DrawPen{w, Rgb{255, 0, 255}});
        if (w < 0) surffill(s, p[0], p[1], p[2], p[3], Rgb{0, 255, 0});
        for (size_t k = 0; w >= 0 && k < p.size(); k += 2)
            (k ? surfline : surfmove)(s, p[k], p[k + 1]);
        std::string got;
        for (int y = 0; y < 5; y++, got += '/')
            for (int x = 0; x < 10; x++) got += surfget(s, x, y) == Rgb{255, 255, 255} ? '.' : '#';
        EXPECT_EQ(got, want) << w;
    }
}
