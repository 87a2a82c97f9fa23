// The device list: what each -P name opens.
#include "devices/screen.h"
#include "devtest.h"
#include "render/gray.h"

TEST(DeviceList, NameChoosesTheDeviceAndItsResolution) {
    // name, device, dpi along and across, page rows and columns, and the tone curve: the
    // printer's dot gain darkens gray, so it is lightened at 150 and 300 dpi; the screen's
    // 1680 x 1226 pixels are 10.5 x 8 inches
    // clang-format off
    const std::tuple<const char *, int, int, int, int, int, float, float, float> cases[] = {
        {"co", 0, 160, 153, 1680, 1226, 1, 0, 0},   {"emf", 1, 100, 100, 1100, 800, 1, 0, 0},
        {"emf2", 1, 200, 200, 2200, 1600, 1, 0, 0}, {"emf3", 1, 300, 300, 3300, 2400, 1, 0, 0},
        {"ip", 3, 300, 300, 3150, 2400, 1, 0, 0},   {"ps", 4, 300, 300, 3150, 2400, 1, 0, 0},
        {"pdf", 5, 300, 300, 3150, 2400, 1, 0, 0},  {"svg", 6, 300, 300, 3150, 2400, 1, 0, 0},
        {"ljd", 2, 75, 75, 787, 600, 1, 0, 0}, {"lj1", 2, 150, 150, 1575, 1200, .732, .178, .09},
        {"lj", 2, 150, 150, 1575, 1200, .732, .178, .09},
        {"lj3", 2, 300, 300, 3150, 2400, .739, -.973, 1.233},
        {"ljq", 2, 300, 300, 3150, 2400, .739, -.973, 1.233}};
    // clang-format on
    scr = Screen{};
    for (auto [name, dev, xres, yres, rows, cols, c0, c1, c2] : cases) {
        gray = Gray{};
        run(name, [] {});
        EXPECT_EQ(std::tuple(opt.devindex, page.xres, page.yres, page.pagerows, page.pagecols,
                             page.planes, page.dotwidth, gray.c0, gray.c1, gray.c2),
                  std::tuple(dev, xres, yres, rows, cols, dev <= 1 ? 8 : 1,
                             dev ? float(1.0 / xres) : 2.0 / 313, c0, c1, c2))
            << name;
    }
    gray = Gray{}, opt = Opts{};
}
