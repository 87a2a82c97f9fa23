// The drawing surface of the screen device: pens, line-to and fills. Its PNG picture is read
// back in the screen device's tests.
#include "pngread.h"
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

TEST(Surface, PictureReadsBackPixelForPixel) {
    // a coloured ground, gray fills of part of rows and of whole rows, rows of levels, and
    // pixels of further colours: 3, 256 (as many as a palette holds) and 257 colours in all;
    // the first picture is large enough for its buffers to be asked for in large pages. A
    // surface of palette indices draws the same pixels: its 257th colour turns it into RGB.
    const Rgb pal[3] = {{}, {1, 2, 3}, {4, 5, 6}};
    const uint8_t lev[4] = {1, 0, 2, 1};
    for (int colours : {3, 256, 257}) {
        std::vector<uint8_t> want;
        for (int ix : {0, 1}) {
            Surface s;
            const int w = colours == 3 ? 1400 : 300, h = colours == 3 ? 800 : 200;
            surfinit(s, w, h, Rgb{10, 20, 30}, ix);
            surffill(s, 5, 5, 120, 50, Rgb{77, 77, 77});
            surffill(s, 0, 100, 300, 150, Rgb{200, 200, 200});
            surfrows(s, 150, 160, 20, lev, 4, pal);
            for (int k = 0; k < colours - 5; k++)
                surfpixel(s, k, 60 + k % 7, Rgb{uint8_t(k), uint8_t(255 - k / 2), 99});
            EXPECT_EQ((std::tuple{surfget(s, 0, 0), surfget(s, 5, 5), surfget(s, 120, 5),
                                  surfget(s, 299, 149), surfget(s, 299, 150), surfget(s, 150, 22)}),
                      (std::tuple{Rgb{10, 20, 30}, Rgb{77, 77, 77}, Rgb{10, 20, 30},
                                  Rgb{200, 200, 200}, Rgb{10, 20, 30}, Rgb{4, 5, 6}}));
            EXPECT_EQ(s.indexed, ix && colours <= 256);
            Scratch d("surf");
            FILE *f = std::fopen((d / "p.png").c_str(), "wb");
            ASSERT_EQ(surfpng(s, f), 1);
            std::fclose(f);
            const Picture p = readpng(d / "p.png");
            EXPECT_EQ(std::tuple(p.w, p.h), std::tuple(w, h));
            if (!ix) want = s.px;
            EXPECT_TRUE(p.px == want) << colours << " colours, indexed " << ix;
        }
    }
}
