// The analysis window table: shapes centred on nwin / 2, their end values, the width factor and
// the rectangular fallback for an unknown shape.
#include "analysis/window.h"
#include "base/msg.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

// Every product and sum rounds on its own, as in the transform itself.
#if defined(__clang__)
#pragma clang fp contract(off)
#elif defined(__GNUC__)
#pragma GCC optimize("fp-contract=off")
#endif

namespace {

// Runs winset with the message stream captured; returns what was written.
std::string build(int nwin, int window) {
    char *buf = nullptr;
    size_t len = 0;
    FILE *saved = msgfp;
    msgfp = open_memstream(&buf, &len);
    winset(nwin, window);
    std::fclose(msgfp);
    msgfp = saved;
    std::string out(buf, len);
    std::free(buf);
    return out;
}

void fill(float v) {
    for (float &w : win.wtab) w = v;
}

} // namespace

TEST(Window, ShapesAreSymmetricAboutTheCentre) {
    for (int window : {0, 1, 2})
        for (int nwin : {2, 3, 4, 5, 75, 256, 1001, 8192}) {
            EXPECT_EQ(build(nwin, window), "");
            int c = nwin / 2;
            EXPECT_NEAR(win.wtab[c], 1.0, 1e-7) << nwin << " " << window;
            for (int k = 1; c - k >= 0 && c + k < nwin; k++)
                ASSERT_EQ(win.wtab[c - k], win.wtab[c + k]) << nwin << " " << window << " " << k;
            for (int i = 0; i < nwin; i++) {
                EXPECT_GE(win.wtab[i], -1e-7f) << nwin << " " << window << " " << i;
                EXPECT_LE(win.wtab[i], 1.0f + 1e-7f) << nwin << " " << window << " " << i;
            }
        }
}

// Odd lengths reach the shape's ends; an even length of 4 has steps of 120 degrees, so its
// first value lies a third of a turn before the centre, like the last.
TEST(Window, ValuesAtTheEnds) {
    struct Case {
        int nwin, window, i;
        double want, tol;
    } cases[] = {
        {75, 2, 0, 0.0, 1e-7}, {75, 2, 74, 0.0, 1e-7},  {75, 2, 37, 1.0, 1e-7},
        {4, 2, 0, 0.13, 1e-7}, {4, 2, 1, 0.13, 1e-7},   {4, 2, 2, 1.0, 1e-7},
        {4, 2, 3, 0.13, 1e-7}, {75, 1, 0, 0.08, 1e-7},  {75, 1, 74, 0.08, 1e-7},
        {4, 1, 0, 0.31, 1e-7}, {4, 1, 3, 0.31, 1e-7},   {2, 2, 0, 1.0, 1e-7},
        {1, 0, 0, 1.0, 0.0},   {1, 1, 0, 1.0, 0.0},     {1, 2, 0, 1.0, 0.0},
        {300, 0, 0, 1.0, 0.0}, {300, 0, 299, 1.0, 0.0},
    };
    for (const Case &c : cases) {
        fill(-5.0f);
        build(c.nwin, c.window);
        EXPECT_NEAR(win.wtab[c.i], c.want, c.tol) << c.nwin << " " << c.window << " " << c.i;
        EXPECT_EQ(win.wtab[c.nwin], -5.0f) << "written past nwin " << c.nwin;
    }
}

// The two Blackman terms are rounded to float separately before they are added; somewhere in a
// long window that differs from rounding their sum once.
TEST(Window, BlackmanRoundsEachTermToFloat) {
    const int nwin = 4001;
    build(nwin, 2);
    double dphi = 6.2831853071796 / (nwin - 1);
    int differing = 0;
    for (int i = 0; i < nwin; i++) {
        double x = (i - nwin / 2) * dphi, a = 0.42 + 0.5 * std::cos(x), b = 0.08 * std::cos(2 * x);
        float twice = static_cast<float>(a) + static_cast<float>(b);
        if (twice == static_cast<float>(a + b)) continue;
        differing++;
        EXPECT_EQ(win.wtab[i], twice) << i;
    }
    EXPECT_GT(differing, 0);
}

TEST(Window, WidthFactorOfEachShape) {
    struct Case {
        int window;
        float wfac;
    } cases[] = {{0, 1.0f}, {1, 2.0f}, {2, 3.0f}, {3, 1.0f}, {-1, 1.0f}, {100, 1.0f}};
    for (const Case &c : cases) {
        EXPECT_EQ(winfac(c.window), c.wfac) << c.window;
        win.wfac = -1.0f;
        build(10, c.window);
        EXPECT_EQ(win.wfac, c.wfac) << c.window;
    }
}

TEST(Window, UnknownShapeIsRectangularWithOneWarning) {
    for (int window : {3, -1, 127}) {
        fill(0.25f);
        std::string said = build(100, window);
        EXPECT_EQ(said, "WARNING: unknown window " + std::to_string(window) +
                            ", rectangular window used\n");
        for (int i = 0; i < 100; i++) ASSERT_EQ(win.wtab[i], 1.0f) << window << " " << i;
        EXPECT_EQ(win.wtab[100], 0.25f);
    }
}

TEST(Window, LengthsOutsideTheTable) {
    for (int nwin : {0, -3}) {
        fill(0.5f);
        build(nwin, 2);
        for (float w : win.wtab) ASSERT_EQ(w, 0.5f) << nwin;
    }
    fill(-1.0f);
    build(9000, 0); // only the table's 8192 values exist
    for (float w : win.wtab) ASSERT_EQ(w, 1.0f);
}
