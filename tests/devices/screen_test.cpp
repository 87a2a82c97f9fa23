// Screen device: the picture in gray and in colour, written as PNG to the -o file.
#include "devices/screen.h"

#include <array>

#include "devtest.h"
#include "pngread.h"

// On a 200 x 150 screen (19 dpi) row r is pixel x = r and column c is y = 150 - c; filled
// boxes leave out their right and bottom edges. A 1 in pen is 19 pixels wide: the line at y 75
// below covers y 66..84 and with its round ends x 161..189.
static void scene() {
    int tr[2] = {170, 180}, tc[2] = {75, 75};
    devtab.devrect(150, 100, 10, 10);    // x 150..159, y 40..49: cleared by the first band
    std::vector<uint8_t> band(5 * 8, 0); // 8 values a column
    band[3 * 8 + 2] = 255, band[4 * 8 + 7] = 127;
    devtab.devband(band.data(), 40), devtab.devband(band.data(), 40); // rows 0..7, 8..15
    devtab.devline(2, tr, tc, 1.0); // the first pen of a fresh plot is not that width yet
    devtab.devrect(10, 20, 30, 40); // x 10..39, y 90..129
    int rows[2] = {50, 50}, cols[2] = {10, 30};
    devtab.devline(2, rows, cols, 0.0); // x 50, y 140 up to 120 with its end point
    const uint8_t flat[2] = {100, 100};
    const float pos[3] = {0, 0.5f, 1};
    devtab.devimage(100, 10, 5, 40, 2, flat, pos); // x 100..104, y 100..139 in entry 100
    const uint8_t sixty[2] = {60, 60};             // 60 x 253 / 255 + 0.5 = 60.03: entry 61
    devtab.devimage(120, 10, 3, 40, 2, sixty, pos);
}

TEST(Screen, FinishedPictureIsWrittenAsPngToTheOutputFile) {
    Scratch s("dev");
    scr.bmw = 200, scr.bmh = 150;
    writefile(s / "p.png", run("co", scene));
    writefile(s / "c.png", run("co", scene, 1));
    Picture p = readpng(s / "p.png"), c = readpng(s / "c.png");
    ASSERT_EQ(std::tuple(p.w, p.h, c.w), std::tuple(200, 150, 200));
    // x, y, gray: entry 127 is 128 = 127 x 255 / 253, entry 100 is 155 = 154 x 255 / 253
    const int px[][3] = {
        {155, 45, 255},  {2, 147, 0},    {7, 146, 128},   {10, 147, 0},    {15, 146, 128},
        {3, 147, 255},   {10, 90, 0},    {39, 129, 0},    {9, 100, 255},   {40, 100, 255},
        {20, 89, 255},   {20, 130, 255}, {50, 120, 0},    {50, 140, 0},    {50, 119, 255},
        {50, 141, 255},  {51, 130, 255}, {100, 100, 155}, {104, 139, 155}, {105, 120, 255},
        {100, 140, 255}, {100, 99, 255}, {175, 66, 0},    {175, 84, 0},    {175, 65, 255},
        {175, 85, 255},  {161, 75, 0},   {160, 75, 255},  {121, 120, 194}};
    for (auto &q : px) EXPECT_EQ(p.gray(q[0], q[1]), q[2]) << q[0] << "," << q[1];
    // in colour entry i below 127 is (0, 2i, 255 - 2i), from 127 on (2(i - 127), the rest, 0)
    auto rgb = [&](int x, int y) { return std::vector<int>(c.at(x, y), c.at(x, y) + 3); };
    EXPECT_EQ(rgb(100, 120), (std::vector<int>{0, 200, 55}));
    EXPECT_EQ(rgb(7, 146), (std::vector<int>{0, 255, 0}));
    EXPECT_EQ(rgb(175, 66), (std::vector<int>{0, 0, 0})); // the second plot's pen is reset too
    // a picture that cannot be made is said once and fails the run (a full disk: the e2e tests)
    MsgCap m;
    scr.bmw = scr.bmh = 0;
    EXPECT_EQ(std::tuple(run("co", scene), out.failed), std::tuple("", 1));
    EXPECT_EQ(m.text(), "can't write the picture to " + out.outname + "\n");
    scr = Screen{}, out = Output{}, opt = Opts{};
}

// In the window every band is shown as soon as it is drawn, inside the changed rectangle;
// on the printed page the surface is turned: bmh wide, bmw tall, row 0 column 0 at the top left.
TEST(Screen, WindowSeesEachBandAndThePrintedPageIsTurned) {
    static std::vector<std::array<int, 4>> shown;
    shown.clear();
    scr.bmw = 200, scr.bmh = 150, scr.mirror = 1;
    scr.flush = [](int x, int y, int w, int h) { shown.push_back({x, y, w, h}); };
    run("co", [] {
        std::vector<uint8_t> band(8 * 150, 0);
        band[8 * 20 + 3] = 200; // row 3, column 20: pixel (3, 130)
        devtab.devband(band.data(), int(band.size()));
        devtab.devrect(40, 10, 5, 5); // pixels x 40..44, y 135..139, shown with the next band
        devtab.devband(band.data(), 0);
    });
    ASSERT_GE(shown.size(), 2u);
    auto inside = [](const std::array<int, 4> &r, int x, int y) {
        return x >= r[0] && x < r[0] + r[2] && y >= r[1] && y < r[1] + r[3];
    };
    EXPECT_TRUE(inside(shown[0], 3, 130));
    EXPECT_TRUE(inside(shown[1], 40, 135) && inside(shown[1], 44, 139));
    EXPECT_EQ(surfget(offbmp, 3, 130), scr.palette[200]);
    Surface sheet;
    scr.rotated = 1, scr.mirror = 0, scr.drawdc = &sheet;
    shown.clear();
    run("co", [] { devtab.devrect(0, 0, 10, 20); });
    EXPECT_EQ(std::pair(sheet.w, sheet.h), std::pair(150, 200));
    EXPECT_EQ(surfget(sheet, 0, 0), (Rgb{0, 0, 0}));
    EXPECT_EQ(surfget(sheet, 19, 9), (Rgb{0, 0, 0}));
    EXPECT_EQ(surfget(sheet, 20, 10), (Rgb{255, 255, 255}));
    EXPECT_TRUE(shown.empty()) << "nothing is shown while printing";
    scr = Screen{}, out = Output{}, opt = Opts{};
}

// Gray lines of a plot share their cells, drawn upright a pixel row at a time and turned cell
// by cell: the two pictures are each other's turn. Positions changed in the same array make
// cells of their own, as a fresh plot's are.
static float gpos[4];
static void grays() {
    const uint8_t a[4] = {0, 90, 200, 255}, b[4] = {255, 10, 128, 60};
    devtab.devimage(20, 5, 3, 120, 4, a, gpos);  // one cell a pixel
    devtab.devimage(25, 130, 4, 12, 4, b, gpos); // one cell a value
    devtab.devimage(23, 5, 2, 120, 4, b, gpos);
}

TEST(Screen, GrayLinesUprightAndTurnedAgree) {
    scr.bmw = 200, scr.bmh = 150;
    auto draw = [](std::array<float, 4> p, void (*scene)()) {
        std::copy(p.begin(), p.end(), gpos);
        run("co", scene);
        return *scr.drawdc;
    };
    const std::array<float, 4> p1{0, 0.2f, 0.7f, 1}, p2{0.1f, 0.5f, 0.45f, 1};
    const Surface u1 = draw(p1, grays), u2 = draw(p2, grays);
    const Surface fresh = draw(p2, [] {
        const uint8_t v[4] = {1, 2, 3, 4};
        devtab.devimage(100, 0, 1, 50, 4, v, gpos); // other columns: cells made anew
        grays();
    });
    Surface sheet;
    scr.rotated = 1, scr.drawdc = &sheet;
    draw(p2, grays);
    int same = 0;
    for (int r = 15; r < 35; r++) {
        for (int c = 0; c < 150; c++) {
            const Rgb u = surfget(u2, r, 149 - c);
            ASSERT_EQ(u, surfget(fresh, r, 149 - c)) << r << "," << c;
            ASSERT_EQ(u, surfget(sheet, c, r)) << r << "," << c;
            same += u == surfget(u1, r, 149 - c);
        }
    }
    EXPECT_LT(same, 20 * 150 - 100) << "the positions move the cells";
    EXPECT_NE(surfget(u2, 21, 149 - 60), (Rgb{255, 255, 255}));
    scr = Screen{}, out = Output{}, opt = Opts{};
}
