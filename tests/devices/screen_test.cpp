// Screen device: geometry from the surface, palettes, the pixel mapping of marks, gray lines
// as cells, bands clearing new pages, and the PNG picture written at the end of the plot.
#include "devices/screen.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <set>
#include <vector>

#include "base/msg.h"
#include "base/opts.h"
#include "base/outfile.h"
#include "render/core.h"
#include "pngread.h"

namespace {

const Rgb white{255, 255, 255}, black{0, 0, 0};

// The screen device opened on a surface of w x h pixels, put back afterwards.
struct ScreenAt {
    Surface surf;
    ScreenAt(int w, int h, int rotated = 0, int colour = 0) {
        scr.bmw = w;
        scr.bmh = h;
        scr.rotated = rotated;
        scr.savepng = 0;
        scr.drawdc = &surf;
        opt.coloropt = colour;
        scropen();
    }
    ~ScreenAt() {
        scr = Screen{};
        opt.coloropt = 0;
    }
    Rgb at(int x, int y) const { return surfget(surf, x, y); }
};

struct MsgMem {
    char *buf = nullptr;
    size_t len = 0;
    FILE *old = msgfp;
    MsgMem() { msgfp = open_memstream(&buf, &len); }
    ~MsgMem() {
        fclose(msgfp);
        msgfp = old;
        free(buf);
    }
    std::string text() {
        fflush(msgfp);
        return std::string(buf, len);
    }
};

} // namespace

TEST(Screen, GeometryComesFromTheSurfaceSize) {
    struct {
        int w, h, xres, yres;
    } cases[] = {{1680, 1226, 160, 153}, {640, 480, 61, 60}, {100, 80, 10, 10}};
    for (auto c : cases) {
        ScreenAt s(c.w, c.h);
        EXPECT_EQ(page.xres, c.xres);
        EXPECT_EQ(page.yres, c.yres);
        EXPECT_EQ(page.pagerows, c.w);
        EXPECT_EQ(page.pagecols, c.h);
        EXPECT_EQ(page.planes, 8);
        EXPECT_DOUBLE_EQ(page.dotwidth, 2.0 / (c.xres + c.yres));
        EXPECT_EQ(s.surf.w, c.w);
        EXPECT_EQ(s.surf.h, c.h);
        EXPECT_NE(devtab.devband, nullptr);
        EXPECT_NE(devtab.devimage, nullptr);
        EXPECT_NE(devtab.devret, nullptr);
    }
}

TEST(Screen, PaletteRunsFromPaperToFullInk) {
    struct {
        int colour, i;
        Rgb want;
    } cases[] = {
        {0, 0, white},           {0, 1, {255, 255, 255}}, {0, 127, {128, 128, 128}},
        {0, 254, black},         {0, 255, black},         {1, 0, white},
        {1, 1, {0, 2, 253}},     {1, 126, {0, 252, 3}},   {1, 127, {0, 255, 0}},
        {1, 200, {146, 109, 0}}, {1, 254, {254, 1, 0}},   {1, 255, black},
    };
    for (auto c : cases) {
        opt.coloropt = c.colour;
        mkpalette();
        EXPECT_EQ(scr.palette[c.i], c.want) << c.colour << " " << c.i;
    }
    opt.coloropt = 0;
    mkpalette();
}

TEST(Screen, RectanglesMapRowsAndColumnsToPixels) {
    struct {
        int rotated;
        int left, top, right, bottom; // pixels inked
    } cases[] = {{0, 0, 70, 10, 80}, {1, 0, 0, 10, 10}};
    for (auto c : cases) {
        ScreenAt s(100, 80, c.rotated);
        devtab.devrect(0, 0, 10, 10);
        int n = 0;
        for (int y = 0; y < 80; y++)
            for (int x = 0; x < 100; x++) {
                bool in = x >= c.left && x < c.right && y >= c.top && y < c.bottom;
                EXPECT_EQ(s.at(x, y), in ? black : white) << x << "," << y;
                n += in;
            }
        EXPECT_EQ(n, 100);
    }
    // a mark reaching past the surface (the 11-inch page on a 10.5-inch screen) is clipped
    ScreenAt s(100, 80);
    devtab.devrect(90, 70, 500, 500);
    EXPECT_EQ(s.at(99, 0), black);
    EXPECT_EQ(s.at(89, 0), white);
    EXPECT_EQ(s.surf.px.size(), 100u * 80 * 3);
}

TEST(Screen, PolylinesKeepTheirEndPointsAndChangePenOnlyForNewWidths) {
    ScreenAt s(640, 480);
    int rows[3] = {10, 20, 20}, cols[3] = {100, 100, 110};
    devtab.devline(3, rows, cols, 0.0);
    for (int x = 10; x <= 20; x++) EXPECT_EQ(s.at(x, 380), black) << x;
    for (int y = 370; y <= 380; y++) EXPECT_EQ(s.at(20, y), black) << y;
    EXPECT_EQ(s.at(21, 370), white);
    EXPECT_EQ(s.at(20, 369), white) << "nothing past the last point";
    struct {
        double w;
        int pen;
    } cases[] = {{0.05, 3}, {0.05, 3}, {0.0, 0}, {0.1, 6}};
    for (auto c : cases) {
        devtab.devline(2, rows, cols, c.w);
        EXPECT_EQ(scr.penw, c.w);
        EXPECT_EQ(scr.curpen.width, c.pen) << c.w;
        EXPECT_EQ(s.surf.pen.width, c.pen) << c.w;
    }
    // the close puts back the pen the surface had before
    devtab.devclose(1);
    EXPECT_EQ(s.surf.pen.width, 0);
}

TEST(Screen, GrayLineIsAStackOfCellsWithinItsValues) {
    // 129 values over 270 pixels at 60 dpi: one cell per pixel, a ramp of distinct levels
    {
        ScreenAt s(640, 480, 0, 1);
        std::vector<uint8_t> vals(129);
        std::vector<float> pos(129);
        for (int i = 0; i < 129; i++) vals[i] = uint8_t(i * 2 - (i == 128)), pos[i] = i / 128.0f;
        devtab.devimage(100, 50, 3, 270, 129, vals.data(), pos.data());
        std::set<std::tuple<int, int, int>> seen;
        for (int c = 51; c <= 320; c++) { // column c is pixel 480 - c
            Rgb p = s.at(101, 480 - c);
            EXPECT_NE(p, white) << c;
            EXPECT_NE(p, black) << c << ": gray values never reach full ink";
            seen.insert({p.r, p.g, p.b});
        }
        EXPECT_GT(seen.size(), 200u) << "one cell per pixel";
        EXPECT_EQ(s.at(101, 480 - 321), white);
        EXPECT_EQ(s.at(99, 300), white);
        EXPECT_EQ(s.at(103, 300), white);
        EXPECT_EQ(s.at(102, 300) != white, true);
    }
    // one value: one cell over the whole extent, in entry 254 for the value 255
    struct {
        int count, ncols;
    } cases[] = {{1, 40}, {1, 1}, {2, 3}};
    for (auto c : cases) {
        ScreenAt s(640, 480, 0, 1);
        std::vector<uint8_t> vals(c.count, 255); // exactly the values: nothing past them read
        std::vector<float> pos(c.count, 1.0f);
        pos[0] = 0.0f;
        devtab.devimage(10, 200, 2, c.ncols, c.count, vals.data(), pos.data());
        for (int col = 201; col <= 200 + c.ncols; col++)
            EXPECT_EQ(s.at(10, 480 - col), scr.palette[254]) << c.count << " " << col;
        EXPECT_EQ(s.at(10, 480 - 200 - c.ncols - 1), white);
        EXPECT_EQ(s.at(10, 480 - 200), white);
    }
}

TEST(Screen, FirstBandOfAPageClearsItAndBandsDrawTheirValues) {
    ScreenAt s(100, 80);
    devtab.devrect(50, 20, 10, 10);
    ASSERT_EQ(s.at(55, 55), black);
    std::vector<uint8_t> band(8 * 5, 0);
    band[3 * 8 + 2] = 255; // column 3, band row 2
    band[4 * 8 + 7] = 128;
    devtab.devband(band.data(), int(band.size()));
    EXPECT_EQ(s.at(55, 55), white) << "the new page was cleared";
    EXPECT_EQ(s.at(2, 77), black);
    EXPECT_EQ(s.at(7, 76), scr.palette[128]);
    devtab.devrect(50, 20, 10, 10);
    devtab.devband(band.data(), int(band.size()));
    EXPECT_EQ(s.at(55, 55), black) << "later bands keep the page";
    EXPECT_EQ(s.at(10, 77), black) << "second band at rows 8..15";
    EXPECT_EQ(s.at(2, 77), black);
    devtab.devpage();
    devtab.devband(nullptr, 0);
    EXPECT_EQ(s.at(55, 55), white);
    EXPECT_EQ(s.at(2, 77), white);
}

TEST(Screen, MirrorRepeatsEveryMarkOnTheWindow) {
    Surface win;
    surfinit(win, 100, 80);
    scr.windc = &win;
    scr.mirror = 1;
    ScreenAt s(100, 80);
    devtab.devrect(5, 5, 3, 3);
    int rows[2] = {40, 60}, cols[2] = {40, 40};
    devtab.devline(2, rows, cols, 0.0);
    EXPECT_EQ(win.px, s.surf.px);
    EXPECT_EQ(surfget(win, 50, 40), black);
}

TEST(Screen, FinishedPlotIsSavedAsPngOnlyWithAnOutputFile) {
    char dir[] = "/tmp/kavrel-scr-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    std::string path = std::string(dir) + "/p.png";
    {
        MsgMem m;
        ScreenAt s(200, 150);
        scr.savepng = 1;
        out.outfile = fopen(path.c_str(), "wb");
        ASSERT_NE(out.outfile, nullptr);
        devtab.devrect(10, 20, 30, 40);
        devtab.devclose(1);
        fclose(out.outfile);
        out.outfile = nullptr;
        EXPECT_EQ(m.text(), "");
    }
    Picture p = readpng(path);
    ASSERT_EQ(p.w, 200);
    ASSERT_EQ(p.h, 150);
    EXPECT_EQ(p.gray(20, 100), 0);
    EXPECT_EQ(p.gray(5, 5), 255);
    unlink(path.c_str());
    rmdir(dir);
    struct {
        int outlost;
        bool hint;
    } cases[] = {{0, true}, {1, false}};
    for (auto c : cases) {
        MsgMem m;
        ScreenAt s(50, 40);
        scr.savepng = 1;
        out.outlost = c.outlost;
        devtab.devclose(1);
        EXPECT_EQ(m.text().find("kavrel -o plot.png") != std::string::npos, c.hint) << m.text();
        out.outlost = 0;
    }
}
