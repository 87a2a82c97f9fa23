// Screen device: the picture in gray and in colour, written as PNG to the -o file.
#include "devices/screen.h"

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
}

TEST(Screen, FinishedPictureIsWrittenAsPngToTheOutputFile) {
    Scratch s("dev");
    scr.bmw = 200, scr.bmh = 150;
    writefile(s / "p.png", run("co", scene));
    writefile(s / "c.png", run("co", scene, 1));
    Picture p = readpng(s / "p.png"), c = readpng(s / "c.png");
    ASSERT_EQ(std::tuple(p.w, p.h, c.w), std::tuple(200, 150, 200));
    // x, y, gray: entry 127 is 128 = 127 x 255 / 253, entry 100 is 155 = 154 x 255 / 253
    const int px[][3] = {{155, 45, 255},  {2, 147, 0},     {7, 146, 128},   {10, 147, 0},
                         {15, 146, 128},  {3, 147, 255},   {10, 90, 0},     {39, 129, 0},
                         {9, 100, 255},   {40, 100, 255},  {20, 89, 255},   {20, 130, 255},
                         {50, 120, 0},    {50, 140, 0},    {50, 119, 255},  {50, 141, 255},
                         {51, 130, 255},  {100, 100, 155}, {104, 139, 155}, {105, 120, 255},
                         {100, 140, 255}, {100, 99, 255},  {175, 66, 0},    {175, 84, 0},
                         {175, 65, 255},  {175, 85, 255},  {161, 75, 0},    {160, 75, 255}};
    for (auto &q : px) EXPECT_EQ(p.gray(q[0], q[1]), q[2]) << q[0] << "," << q[1];
    // in colour entry i below 127 is (0, 2i, 255 - 2i), from 127 on (2(i - 127), the rest, 0)
    auto rgb = [&](int x, int y) { return std::vector<int>(c.at(x, y), c.at(x, y) + 3); };
    EXPECT_EQ(rgb(100, 120), (std::vector<int>{0, 200, 55}));
    EXPECT_EQ(rgb(7, 146), (std::vector<int>{0, 255, 0}));
    EXPECT_EQ(rgb(175, 66), (std::vector<int>{0, 0, 0})); // the second plot's pen is reset too
    // a picture that cannot be made, or a full disk, is said once and fails the run
    for (auto [size, file] : {std::pair(0, (const char *)nullptr), std::pair(64, "/dev/full")}) {
        MsgCap m;
        scr.bmw = scr.bmh = size;
        EXPECT_EQ(run("co", scene, 0, file), "");
        EXPECT_EQ(m.text(), file ? "error writing output file /dev/full\n"
                                 : "can't write the picture to " + out.outname + "\n");
        EXPECT_EQ(out.failed, 1);
    }
    scr = Screen{}, out = Output{}, opt = Opts{};
}
