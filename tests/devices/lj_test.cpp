// LaserJet device: geometry and tone curve per resolution, and the exact PCL bytes of
// small cases.
#include <gtest/gtest.h>

#include <vector>

#include "devices/lj.h"
#include "base/opts.h"
#include "base/outfile.h"
#include "devtest.h"
#include "render/core.h"
#include "render/gray.h"

namespace {

const std::string header300 = "\033E\033&l0E\033*t300R\033*r0A";

std::string xfer(const std::string &bytes) {
    return "\033*b" + std::to_string(bytes.size()) + "W" + bytes;
}

std::string emptyrows(int n) {
    std::string s;
    for (int i = 0; i < n; i++) s += xfer(std::string(1, '\0'));
    return s;
}

} // namespace

TEST(LaserJet, ResolutionSetsGeometryRowBufferAndToneCurve) {
    struct {
        int devres, res, rows, cols;
        size_t rowbuf;
        double c0, c1, c2; // after open, starting from 1, 0, 0
    } cases[] = {
        {3, 300, 3150, 2400, 338, 0.739f, -0.973f, 1.233f},
        {1, 150, 1575, 1200, 169, 0.732f, 0.178f, 0.09f},
        {0, 75, 787, 600, 85, 1, 0, 0},
        {2, 75, 787, 600, 85, 1, 0, 0},
    };
    for (auto c : cases) {
        OutCap out;
        gray.c0 = 1, gray.c1 = 0, gray.c2 = 0;
        opt.devres = c.devres;
        ljopen();
        EXPECT_EQ(page.xres, c.res);
        EXPECT_EQ(page.yres, c.res);
        EXPECT_EQ(page.pagerows, c.rows);
        EXPECT_EQ(page.pagecols, c.cols);
        EXPECT_EQ(page.planes, 1);
        EXPECT_EQ(page.dotwidth, double(float(1.0 / c.res)));
        EXPECT_EQ(lj.rowbuf.size(), c.rowbuf);
        EXPECT_EQ(gray.c0, c.c0);
        EXPECT_EQ(gray.c1, c.c1);
        EXPECT_EQ(gray.c2, c.c2);
        EXPECT_EQ(devtab.devline, nullptr);
        EXPECT_EQ(devtab.devrect, nullptr);
        EXPECT_EQ(devtab.devimage, nullptr);
        EXPECT_EQ(out.bytes(), "") << "open writes nothing";
    }
    gray.c0 = 1, gray.c1 = 0, gray.c2 = 0;
}

TEST(LaserJet, BandsBecomeEightTrimmedRasterRows) {
    opt.devres = 3;
    struct {
        const char *name;
        std::vector<std::vector<uint8_t>> bands;
        std::string want;
    } cases[] = {
        {"empty band", {{}}, header300 + emptyrows(8)},
        {"ink in column 0, then an empty band",
         {{0xA0}, {}},
         header300 + xfer("\x80") + emptyrows(1) + xfer("\x80") + emptyrows(5) + emptyrows(8)},
        {"column 9 of row 7 and column 17 of row 0",
         {{0, 0, 0, 0, 0, 0, 0, 0, 0, 0x01, 0, 0, 0, 0, 0, 0, 0, 0x80}},
         header300 + xfer(std::string("\0\0\x40", 3)) + emptyrows(6) +
             xfer(std::string("\0\x40", 2))},
    };
    for (auto &c : cases) {
        OutCap out;
        ljopen();
        for (auto &b : c.bands) devtab.devband(b.data(), int(b.size()));
        EXPECT_EQ(out.bytes(), c.want) << c.name;
    }
}

TEST(LaserJet, FullRowAtThreeHundredDotsIsThreeHundredBytes) {
    OutCap out;
    opt.devres = 3;
    ljopen();
    std::vector<uint8_t> band(2400, 0x80); // row 0 inked across the page
    devtab.devband(band.data(), 2400);
    EXPECT_EQ(out.bytes(), header300 + xfer(std::string(300, '\xff')) + emptyrows(7));
}

TEST(LaserJet, FormFeedOnlyForPagesWithBandsAndResetAtClose) {
    opt.devres = 1;
    const std::string hdr = "\033E\033&l0E\033*t150R\033*r0A";
    struct {
        const char *ops; // b band, p page end, r return, c close
        std::string want;
    } cases[] = {
        {"c", "\033E"},
        {"pc", "\033E"},
        {"bpc", hdr + emptyrows(8) + "\f\033E"},
        {"bppbc", hdr + emptyrows(8) + "\f" + emptyrows(8) + "\033E"},
        {"rc", "\r\033E"},
    };
    for (auto &c : cases) {
        OutCap out;
        ljopen();
        for (const char *o = c.ops; *o; o++) {
            if (*o == 'b') devtab.devband(nullptr, 0);
            if (*o == 'p') devtab.devpage();
            if (*o == 'r') devtab.devret();
            if (*o == 'c') devtab.devclose(1);
        }
        EXPECT_EQ(out.bytes(), c.want) << c.ops;
    }
}
