// Metafile device: exact records for small cases, the header rewritten at close, and the
// refusal of outputs that cannot be rewound.
#include <gtest/gtest.h>
#include <unistd.h>

#include <vector>

#include "devices/emf.h"
#include "base/opts.h"
#include "base/outfile.h"
#include "devtest.h"
#include "render/core.h"
#include "render/gray.h"
#include "render/lines.h"
#include "render/text.h"

namespace {

struct Rec {
    uint32_t type;
    std::vector<int32_t> w;
};

// The records after the header, each checked to be as long as its size says.
std::vector<Rec> records(const std::string &f) {
    std::vector<Rec> out;
    size_t at = 144;
    while (at + 8 <= f.size()) {
        Rec r{le32(f, at), {}};
        uint32_t size = le32(f, at + 4);
        EXPECT_GE(size, 8u);
        EXPECT_LE(at + size, f.size());
        if (size < 8 || at + size > f.size()) break;
        for (size_t p = at + 8; p < at + size; p += 4) r.w.push_back(int32_t(le32(f, p)));
        out.push_back(r);
        at += size;
    }
    EXPECT_EQ(at, f.size());
    return out;
}

std::vector<Rec> drawn(OutCap &out) {
    devtab.devclose(1);
    auto recs = records(out.bytes());
    EXPECT_FALSE(recs.empty());
    if (!recs.empty()) recs.pop_back(); // EMR_EOF
    return recs;
}

void openat(int devres, int colour = 0) {
    opt.devres = devres;
    opt.coloropt = colour;
    emfopen();
}

} // namespace

TEST(Metafile, EmptyPlotIsHeaderDescriptionAndEndRecord) {
    struct {
        int devres, res;
    } cases[] = {{0, 100}, {1, 100}, {2, 200}, {3, 300}, {7, 100}};
    for (auto c : cases) {
        OutCap out;
        openat(c.devres);
        EXPECT_EQ(page.xres, c.res);
        EXPECT_EQ(page.yres, c.res);
        EXPECT_EQ(page.pagerows, 11 * c.res);
        EXPECT_EQ(page.pagecols, 8 * c.res);
        EXPECT_EQ(page.planes, 8);
        EXPECT_EQ(page.dotwidth, double(float(1.0 / c.res)));
        EXPECT_EQ(out.bytes().size(), 144u) << "header and description at open";
        devtab.devclose(1);
        std::string f = out.bytes();
        ASSERT_EQ(f.size(), 164u);
        const uint32_t head[27] = {1,   144,   0,     0,          11u * c.res, 8u * c.res, 0,
                                   0,   27940, 20320, 0x464D4520, 0x10000,     164,        2,
                                   8,   18,    108,   0,          11u * c.res, 8u * c.res, 279,
                                   203, 0,     0,     0,          0,           0};
        for (int i = 0; i < 27; i++) EXPECT_EQ(le32(f, 4 * i), head[i]) << "word " << i;
        std::string desc("O\0R\0M\0E\0K\0 \0K\0A\0V\0R\0E\0L\0", 24);
        EXPECT_EQ(f.substr(108, 24), desc);
        EXPECT_EQ(f.substr(132, 12), std::string(12, '\0'));
        const uint32_t eof[5] = {14, 20, 0, 16, 20};
        for (int i = 0; i < 5; i++) EXPECT_EQ(le32(f, 144 + 4 * i), eof[i]);
        EXPECT_EQ(devtab.devband != nullptr && devtab.devpage != nullptr, true);
        EXPECT_NE(devtab.devimage, nullptr);
    }
}

TEST(Metafile, PolylineIsStrokedPathWithFlippedPointsAndBounds) {
    OutCap out;
    openat(3);
    int rows[3] = {0, 10, 40}, cols[3] = {0, 20, 5};
    devtab.devline(3, rows, cols, 0.0);
    auto r = drawn(out);
    std::vector<Rec> want = {
        {95, {1, 56, 0, 56, 0, 0x10000, 1, 0, 0, 0, 0, 0}},
        {37, {1}},
        {59, {}},
        {27, {0, 2400}},
        {54, {10, 2380}},
        {54, {40, 2395}},
        {60, {}},
        {64, {-1, 2379, 41, 2401}},
    };
    ASSERT_EQ(r.size(), want.size());
    for (size_t i = 0; i < r.size(); i++) {
        EXPECT_EQ(r[i].type, want[i].type) << i;
        EXPECT_EQ(r[i].w, want[i].w) << i;
    }
    std::string f = out.bytes();
    EXPECT_EQ(le32(f, 48), f.size());
    EXPECT_EQ(le32(f, 52), 1 + want.size() + 1);
}

TEST(Metafile, PenIsMadeOnlyWhenWidthChanges) {
    struct {
        double width;
        int pen; // width in dots at 300 dpi; 0: no new pen record
        bool deleted;
    } cases[] = {{0.0, 1, false},    {0.001, 0, false}, {0.01, 3, true},
                 {0.0105, 0, false}, {0.02, 6, true},   {0.0, 1, true}};
    OutCap out;
    openat(3);
    int rows[2] = {5, 6}, cols[2] = {7, 8};
    size_t seen = 0;
    for (auto c : cases) {
        devtab.devline(2, rows, cols, c.width);
        fflush(out.outfile);
        auto r = records(out.bytes());
        std::vector<Rec> now(r.begin() + seen, r.end());
        seen = r.size();
        bool del = !now.empty() && now[0].type == 40;
        EXPECT_EQ(del, c.deleted) << c.width;
        if (del) { EXPECT_EQ(now[0].w, std::vector<int32_t>{1}); }
        size_t at = del ? 1 : 0;
        if (c.pen) {
            ASSERT_GT(now.size(), at + 1);
            EXPECT_EQ(now[at].type, 95u) << c.width;
            EXPECT_EQ(now[at].w[6], c.pen) << c.width;
            EXPECT_EQ(now[at + 1].type, 37u);
        } else {
            ASSERT_FALSE(now.empty());
            EXPECT_EQ(now[0].type, 59u) << c.width << ": the path starts at once";
        }
    }
}

TEST(Metafile, RectangleIsOneThickLineAlongItsLongerSide) {
    struct {
        int row, col, nrows, ncols;
        int width, x0, y0, x1, y1; // metafile coordinates at 100 dpi (H = 800)
    } cases[] = {
        {100, 200, 50, 5, 6, 100, 800 - 202, 150, 800 - 202},
        {100, 200, 3, 40, 4, 101, 600, 101, 560},
        {10, 10, 4, 4, 5, 12, 790, 12, 786},
    };
    for (auto c : cases) {
        OutCap out;
        openat(0);
        devtab.devrect(c.row, c.col, c.nrows, c.ncols);
        auto r = drawn(out);
        ASSERT_EQ(r.size(), 4u);
        EXPECT_EQ(r[0].type, 95u);
        EXPECT_EQ(r[0].w[6], c.width);
        EXPECT_EQ(r[0].w[8], 0) << "black";
        EXPECT_EQ(r[2].type, 27u);
        EXPECT_EQ(r[2].w, (std::vector<int32_t>{c.x0, c.y0}));
        EXPECT_EQ(r[3].type, 54u);
        EXPECT_EQ(r[3].w, (std::vector<int32_t>{c.x1, c.y1}));
    }
}

TEST(Metafile, ImageCellsShareOnePenAndBrushWhileTheColourHolds) {
    uint8_t vals[4] = {100, 100, 100, 100};
    float pos[4] = {0.0f, 0.5f, 1.0f, 1.0f};
    struct {
        int colour;
        int32_t want; // 0x00BBGGRR of darkness 100
    } cases[] = {{0, 155 | 155 << 8 | 155 << 16}, {1, 0 | 200 << 8 | 55 << 16}};
    for (auto c : cases) {
        OutCap out;
        openat(3, c.colour);
        // 300 columns at 300 dpi: 100 cells
        devtab.devimage(40, 600, 8, 300, 3, vals, pos);
        auto r = drawn(out);
        ASSERT_EQ(r.size(), 4u + 100u);
        EXPECT_EQ(r[0].type, 95u);
        EXPECT_EQ(r[0].w[6], 1);
        EXPECT_EQ(r[0].w[8], c.want);
        EXPECT_EQ(r[1].type, 37u);
        EXPECT_EQ(r[2].type, 39u);
        EXPECT_EQ(r[2].w, (std::vector<int32_t>{2, 0, c.want, 0}));
        EXPECT_EQ(r[3].type, 37u);
        EXPECT_EQ(r[3].w, std::vector<int32_t>{2});
        for (int i = 0; i < 100; i++) {
            const Rec &q = r[4 + i];
            ASSERT_EQ(q.type, 43u);
            std::vector<int32_t> box = {40, 2400 - (600 + i * 299 / 100), 48,
                                        2400 - (600 + (i + 1) * 299 / 100)};
            EXPECT_EQ(q.w, box) << "cell " << i;
            EXPECT_GT(q.w[1], q.w[3]) << "top lies below bottom";
        }
    }
    opt.coloropt = 0;
}

TEST(Metafile, ChangingCellColoursReplacesPenAndBrush) {
    // white at the bottom, black at the top: every cell has its own colour
    uint8_t vals[3] = {0, 255, 255};
    float pos[3] = {0.0f, 1.0f, 1.0f};
    OutCap out;
    openat(1);
    devtab.devimage(0, 0, 1, 3, 2, vals, pos); // 3 columns: one cell per column
    auto r = drawn(out);
    int rects = 0, pens = 0, brushes = 0, pendel = 0, brushdel = 0;
    int32_t lastpen = -1, lastbrush = -1;
    for (const Rec &q : r) {
        if (q.type == 43) {
            rects++;
            EXPECT_EQ(lastpen, lastbrush) << "cell drawn in its own colour";
        }
        if (q.type == 95) pens++, lastpen = q.w[8];
        if (q.type == 39) brushes++, lastbrush = q.w[2];
        if (q.type == 40) (q.w[0] == 1 ? pendel : brushdel)++;
    }
    EXPECT_EQ(rects, 3);
    EXPECT_EQ(pens, 3);
    EXPECT_EQ(pens, brushes);
    EXPECT_EQ(pendel, pens - 1);
    EXPECT_EQ(brushdel, brushes - 1);
    EXPECT_EQ(lastpen, 0) << "the top cell is black";
}

TEST(Metafile, WritesNothingWhereTheHeaderCannotBeRewritten) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    {
        MsgCap m;
        out.outfile = fdopen(fds[1], "wb");
        out.failed = 0;
        openat(0);
        int rows[2] = {1, 2}, cols[2] = {3, 4};
        devtab.devline(2, rows, cols, 0.01);
        devtab.devrect(1, 1, 5, 5);
        devtab.devclose(1);
        fclose(out.outfile);
        out.outfile = nullptr;
        EXPECT_NE(m.text().find("nothing written"), std::string::npos) << m.text();
        EXPECT_EQ(out.failed, 1);
    }
    char b[16];
    EXPECT_EQ(read(fds[0], b, sizeof b), 0) << "no byte reached the pipe";
    close(fds[0]);
    out.failed = 0;

    // a file with something before the metafile: the header is rewritten where it began
    OutCap out;
    fputs("xyz", out.outfile);
    openat(0);
    devtab.devclose(1);
    std::string f = out.bytes();
    ASSERT_EQ(f.size(), 3u + 164u);
    EXPECT_EQ(le32(f, 3), 1u);
    EXPECT_EQ(le32(f, 3 + 48), 164u);
    EXPECT_EQ(le32(f, 3 + 52), 2u);
}

TEST(Metafile, WholePageIsAWellFormedRecordStream) {
    OutCap out;
    opt.devindex = 1;
    opt.devres = 2;
    ASSERT_EQ(devopen(), 0);
    int r = page.xres;
    ovlrect(r / 2, r / 2, 9 * r, 3);
    ovlrect(r / 2, r / 2, 3, 6 * r);
    double x[3] = {6, 7, 8}, y[3] = {6, 5, 6};
    drawpoly(3, x, y, 0.02);
    txtsize(0.2);
    txtdraw(6.0, 1.2, "KAVREL");
    std::vector<float> pos(65);
    std::vector<uint8_t> vals(66, 0);
    for (int i = 0; i < 65; i++) pos[i] = i / 64.0f, vals[i] = uint8_t(i * 3);
    setgraypos(pos.data());
    rowto(r);
    for (int k = 0; k < 3 * r; k++) ovlgray(vals.data(), 64, r, 4 * r, 1), rowadv(1);
    pageend();
    plotfinish();
    std::string f = out.bytes();
    auto recs = records(f);
    ASSERT_FALSE(recs.empty());
    EXPECT_EQ(le32(f, 48), f.size());
    EXPECT_EQ(le32(f, 52), recs.size() + 1);
    EXPECT_EQ(recs.back().type, 14u);
    // objects are created into their slot, selected before use and deleted only when selected
    bool pen = false, brush = false, inpath = false;
    int rects = 0, strokes = 0, lines = 0;
    for (size_t i = 0; i + 1 < recs.size(); i++) {
        const Rec &q = recs[i];
        switch (q.type) {
        case 95:
            EXPECT_FALSE(pen) << i;
            EXPECT_EQ(recs[i + 1].type, 37u);
            EXPECT_EQ(recs[i + 1].w[0], 1);
            pen = true;
            break;
        case 39:
            EXPECT_FALSE(brush) << i;
            EXPECT_EQ(recs[i + 1].type, 37u);
            EXPECT_EQ(recs[i + 1].w[0], 2);
            brush = true;
            break;
        case 40: (q.w[0] == 1 ? pen : brush) = false; break;
        case 37: break;
        case 43:
            EXPECT_TRUE(pen && brush) << i;
            rects++;
            break;
        case 27: EXPECT_TRUE(pen) << i; break;
        case 54:
            EXPECT_TRUE(pen) << i;
            lines++;
            break;
        case 59:
            EXPECT_FALSE(inpath) << i;
            inpath = true;
            break;
        case 60:
            EXPECT_TRUE(inpath) << i;
            inpath = false;
            break;
        case 64:
            EXPECT_EQ(recs[i - 1].type, 60u) << i;
            strokes++;
            break;
        default: ADD_FAILURE() << "record type " << q.type << " at " << i;
        }
        for (int32_t v : q.w) {
            if (q.type == 27 || q.type == 54 || q.type == 43) {
                EXPECT_GE(v, -r) << i;
                EXPECT_LE(v, 11 * r + r) << i;
            }
        }
    }
    EXPECT_GT(rects, 100) << "gray cells";
    EXPECT_GT(strokes, 3) << "the line and the letters";
    EXPECT_GT(lines, 10);
    opt.devindex = 0, opt.devres = 0;
}
