// Drawing surface: pen widths with round ends, end points left out, rectangle edges,
// clipping at the edges, and the PNG picture.
#include "render/surface.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "pngread.h"

namespace {

const Rgb white{255, 255, 255}, black{0, 0, 0}, red{255, 0, 0};

int inked(const Surface &s) {
    int n = 0;
    for (int y = 0; y < s.h; y++)
        for (int x = 0; x < s.w; x++) n += surfget(s, x, y) != white;
    return n;
}

// Inked pixels of column x, and the lowest and highest of them.
int colink(const Surface &s, int x, int *lo, int *hi) {
    int n = 0;
    *lo = s.h, *hi = -1;
    for (int y = 0; y < s.h; y++)
        if (surfget(s, x, y) != white) n++, *lo = std::min(*lo, y), *hi = std::max(*hi, y);
    return n;
}

} // namespace

TEST(Surface, PenWidthIsLineThicknessWithRoundEnds) {
    struct {
        int width, thick;
    } cases[] = {{0, 1}, {1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 5}, {7, 7}};
    for (auto c : cases) {
        Surface s;
        surfinit(s, 60, 40);
        surfpen(s, DrawPen{c.width, black});
        surfmove(s, 10, 20);
        surfline(s, 40, 20);
        int lo, hi;
        EXPECT_EQ(colink(s, 25, &lo, &hi), c.thick) << c.width;
        EXPECT_EQ(hi - lo + 1, c.thick) << c.width << ": one solid run";
        EXPECT_EQ(colink(s, 9 - c.width / 2, &lo, &hi), 0) << c.width << ": nothing past the cap";
        if (c.width >= 5) {
            // the round end reaches out along the line's axis but not into the corners
            int r = c.width / 2;
            EXPECT_NE(surfget(s, 40 + r, 20), white) << c.width;
            EXPECT_EQ(surfget(s, 40 + r + 1, 20), white) << c.width;
            EXPECT_EQ(surfget(s, 40 + r, 20 - r), white) << c.width;
            EXPECT_NE(surfget(s, 10 - r, 20), white) << c.width;
            EXPECT_EQ(surfget(s, 10 - r, 20 + r), white) << c.width;
        }
    }
    // a steep wide line is as thick across as a level one
    Surface s;
    surfinit(s, 40, 60);
    surfpen(s, DrawPen{5, black});
    surfmove(s, 20, 5);
    surfline(s, 20, 50);
    int run = 0;
    for (int x = 0; x < 40; x++) run += surfget(s, x, 30) != white;
    EXPECT_EQ(run, 5);
}

TEST(Surface, ThinLinesLeaveOutTheirEndPoint) {
    struct {
        int x0, y0, x1, y1;
        std::vector<std::pair<int, int>> want;
    } cases[] = {
        {0, 0, 5, 0, {{0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}}},
        {5, 2, 5, 0, {{5, 2}, {5, 1}}},
        {1, 1, 4, 4, {{1, 1}, {2, 2}, {3, 3}}},
        {0, 0, 4, 2, {{0, 0}, {1, 1}, {2, 1}, {3, 2}}},
        {3, 3, 3, 3, {}},
    };
    for (auto &c : cases) {
        Surface s;
        surfinit(s, 8, 8);
        surfmove(s, c.x0, c.y0);
        surfline(s, c.x1, c.y1);
        EXPECT_EQ(inked(s), int(c.want.size())) << c.x1 << "," << c.y1;
        for (auto [x, y] : c.want) EXPECT_EQ(surfget(s, x, y), black) << x << "," << y;
        EXPECT_EQ(s.curx, c.x1);
        EXPECT_EQ(s.cury, c.y1);
    }
    // line-to goes on from where the last one ended: the corner pixel is drawn once
    Surface s;
    surfinit(s, 8, 8);
    surfpen(s, DrawPen{0, red});
    surfmove(s, 0, 0);
    surfline(s, 3, 0);
    surfline(s, 3, 3);
    EXPECT_EQ(inked(s), 6);
    EXPECT_EQ(surfget(s, 3, 0), red);
    EXPECT_EQ(surfget(s, 3, 3), white);
}

TEST(Surface, FilledRectangleLeavesOutRightAndBottomEdges) {
    struct {
        int l, t, r, b, count;
    } cases[] = {
        {2, 3, 5, 7, 12}, {2, 3, 3, 4, 1}, {2, 3, 2, 7, 0}, {5, 3, 2, 7, 0}, {2, 7, 5, 3, 0}};
    for (auto c : cases) {
        Surface s;
        surfinit(s, 10, 10);
        surffill(s, c.l, c.t, c.r, c.b, red);
        EXPECT_EQ(inked(s), c.count);
        if (c.count) {
            EXPECT_EQ(surfget(s, c.l, c.t), red);
            EXPECT_EQ(surfget(s, c.r - 1, c.b - 1), red);
            EXPECT_EQ(surfget(s, c.r, c.b - 1), white);
            EXPECT_EQ(surfget(s, c.r - 1, c.b), white);
        }
    }
}

TEST(Surface, MarksOutsideAreClippedAtTheEdges) {
    Surface s;
    surfinit(s, 20, 10);
    size_t size = s.px.size();
    surfpixel(s, -1, 0, black);
    surfpixel(s, 20, 0, black);
    surfpixel(s, 0, 10, black);
    EXPECT_EQ(inked(s), 0);
    surffill(s, -50, -50, 3, 2, red); // the corner part only
    EXPECT_EQ(inked(s), 6);
    surffill(s, 18, 8, 500, 500, red);
    EXPECT_EQ(inked(s), 10);
    surfpen(s, DrawPen{6, black});
    surfmove(s, -100, 5);
    surfline(s, 300, 5); // across the whole surface and beyond
    for (int x = 0; x < 20; x++) EXPECT_EQ(surfget(s, x, 5), black) << x;
    surfpen(s, DrawPen{0, black});
    surfmove(s, -30, -30);
    surfline(s, 60, 60);
    EXPECT_EQ(surfget(s, 9, 9), black);
    EXPECT_EQ(s.px.size(), size);
    EXPECT_EQ(surfget(s, 25, 3), white) << "outside reads as paper";
}

TEST(Surface, PictureReadsBackAsPng) {
    Surface s;
    surfinit(s, 33, 17, Rgb{10, 20, 30});
    surfpixel(s, 0, 0, red);
    surfpixel(s, 32, 16, white);
    char dir[] = "/tmp/kavrel-surf-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    std::string path = std::string(dir) + "/s.png";
    FILE *f = fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(surfpng(s, f), 1);
    fclose(f);
    Picture p = readpng(path);
    ASSERT_EQ(p.w, 33);
    ASSERT_EQ(p.h, 17);
    EXPECT_EQ(p.at(0, 0)[0], 255);
    EXPECT_EQ(p.at(0, 0)[1], 0);
    EXPECT_EQ(p.at(32, 16)[2], 255);
    EXPECT_EQ(p.at(5, 5)[0], 10);
    EXPECT_EQ(p.at(5, 5)[1], 20);
    EXPECT_EQ(p.at(5, 5)[2], 30);
    Surface none;
    EXPECT_EQ(surfpng(none, stdout), 0) << "an empty surface is no picture";
    unlink(path.c_str());
    rmdir(dir);
}
