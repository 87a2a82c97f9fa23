// Raster devices over the rendering core: a page of frame, text, a line and a gray band is
// sent as PCL or imPRESS, decoded back, and must hold exactly the dots of the core's bands;
// the gray band's ink density follows its value, the paper around it stays clean.
#include <gtest/gtest.h>

#include <vector>

#include "base/opts.h"
#include "base/outfile.h"
#include "devices/imp.h"
#include "devices/lj.h"
#include "rasterread.h"
#include "devtest.h"
#include "render/core.h"
#include "render/gray.h"
#include "render/lines.h"
#include "render/text.h"

namespace {

// The bands as the core hands them over, decoded, and the device's own band routine.
RasterPage want;
int bandsseen = 0;
void (*realband)(const uint8_t *, int) = nullptr;

void teeband(const uint8_t *buf, int len) {
    for (int j = 0; j < len; j++)
        for (int i = 0; i < 8; i++)
            if (buf[j] & (0x80 >> i)) want.set(bandsseen * 8 + i, j);
    bandsseen++;
    realband(buf, len);
}

// Band geometry of the composed page, in dots of the open device.
struct Plot {
    int graycol0, graycols, grayrow0, grayrows, tonecol0, tonecols;
};

// Frame, a line, text and a spectrogram-like gray band of value 192 between zero rows.
Plot compose() {
    int r = page.xres;
    Plot p{r, 4 * r, r, 3 * r, 2 * r, r / 2};
    ovlrect(r / 2, r / 2, 9 * r, 3);         // bottom edge of the frame
    ovlrect(r / 2, r / 2 + 6 * r, 9 * r, 3); // top edge
    ovlrect(r / 2, r / 2, 3, 6 * r);         // left edge
    double x[3] = {6, 7, 8}, y[3] = {6, 5, 6};
    drawpoly(3, x, y, 0.02);
    txtsize(0.2);
    txtbox(0);
    txtdraw(6.0, 1.2, "KAVREL 1 kHz");
    static std::vector<float> pos;
    static std::vector<uint8_t> vals;
    pos.assign(65, 0), vals.assign(66, 0);
    for (int i = 0; i < 65; i++) pos[i] = i / 64.0f;
    for (int i = 16; i <= 24; i++) vals[i] = 192; // columns 2r .. 2.5r of the 4r from r
    setgraypos(pos.data());
    rowto(p.grayrow0);
    for (int k = 0; k < p.grayrows; k++) {
        ovlgray(vals.data(), 64, p.graycol0, p.graycols, 1);
        rowadv(1);
    }
    return p;
}

} // namespace

TEST(RasterDevices, DecodedPageHoldsTheCoreBandsDotForDot) {
    struct {
        int devindex, devres, res;
        const char *name;
    } cases[] = {{2, 3, 300, "lj3"}, {2, 1, 150, "lj"}, {2, 0, 75, "ljd"}, {3, 0, 300, "ip"}};
    for (auto c : cases) {
        OutCap out;
        opt.devindex = c.devindex;
        opt.devres = c.devres;
        ASSERT_EQ(devopen(), 0) << c.name;
        want = RasterPage{};
        bandsseen = 0;
        realband = devtab.devband;
        devtab.devband = teeband;
        Plot p = compose();
        pageend();
        plotfinish();
        std::string bytes = out.bytes();
        Raster got = c.devindex == 2 ? readpcl(bytes) : readimp(bytes);
        ASSERT_EQ(got.err, "") << c.name;
        ASSERT_EQ(got.pages.size(), 1u) << c.name;
        if (c.devindex == 2) {
            EXPECT_EQ(got.res, c.res);
            EXPECT_EQ(got.resets, 2) << "at the start and at the end";
            EXPECT_EQ(int(got.pages[0].lines.size()), 8 * bandsseen);
        } else {
            EXPECT_TRUE(got.docend);
        }
        const RasterPage &pg = got.pages[0];
        int diff = 0, ink = 0;
        for (int row = 0; row < page.pagerows; row++)
            for (int col = 0; col < page.pagecols; col++) {
                diff += pg.at(row, col) != want.at(row, col);
                ink += pg.at(row, col);
            }
        EXPECT_EQ(diff, 0) << c.name;
        EXPECT_GT(ink, 0);
        // the frame, the line and the text are there
        int r = c.res;
        EXPECT_EQ(pg.at(r, r / 2 + 1), 1) << c.name;
        EXPECT_EQ(pg.at(r, r / 2 + 6 * r + 1), 1) << c.name;
        EXPECT_EQ(pg.at(7 * r, 5 * r), 1) << c.name;
        int text = 0;
        for (int row = 6 * r - r / 2; row < 6 * r + r; row++)
            for (int col = int(1.2 * r); col < int(1.5 * r); col++) text += pg.at(row, col);
        EXPECT_GT(text, r / 4) << c.name;
        // the tone band inks 192 of 256 dots, the rest of the gray band none
        int inband = 0, outband = 0, n = 0;
        for (int row = p.grayrow0 + 8; row < p.grayrow0 + p.grayrows - 8; row++) {
            for (int col = p.tonecol0 + r / 50; col < p.tonecol0 + p.tonecols - r / 50; col++)
                inband += pg.at(row, col), n++;
            for (int col = p.graycol0 + 3; col < p.tonecol0 - r / 10; col++)
                outband += pg.at(row, col);
        }
        EXPECT_NEAR(double(inband) / n, 192.0 / 256, 0.02) << c.name;
        EXPECT_EQ(outband, 0) << c.name;
    }
    gray.c0 = 1, gray.c1 = 0, gray.c2 = 0;
    opt.devindex = 0, opt.devres = 0;
}
