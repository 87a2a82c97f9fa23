// Encapsulated PostScript device: a 32-line prologue written at the first mark, then
// rectangles, polylines and hex image strips in 1/300-inch units on a rotated page.
// Output is gathered in a buffer and written in large pieces; close flushes everything.
#include "devices/ps.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <vector>

#include "base/msg.h"
#include "base/opts.h"
#include "base/outfile.h"
#include "base/stamp.h"
#include "devices/strip.h"
#include "render/core.h"

namespace {

// Device state of the current document.
struct Ps {
    int hdrpending = 0;   // header not yet written
    int gslen = 0;        // length of the last "/gs_str" declaration
    int marks = 0;        // marks on the current page: it needs a "showpage"
    int pageno = 1;       // page being drawn
    int setuppending = 0; // a later page still needs its coordinate setup
    int failed = 0;       // a write failed: the rest of the document is dropped
};
Ps ps;

char obuf[1 << 16];
size_t nobuf = 0;

const char verline[] = "KAVREL version 2.52                          January 2018";

// Writes the buffer to the output stream. A failed write leaves the stream's error flag
// set, which the run's close reports; the rest of the document is then dropped.
void psdrain() {
    FILE *fp = outfp();
    if (fp && !ps.failed && nobuf > 0 && fwrite(obuf, 1, nobuf, fp) != nobuf) ps.failed = 1;
    nobuf = 0;
}

void psput(const char *s, size_t n) {
    if (nobuf + n > sizeof obuf) psdrain();
    if (n > sizeof obuf) return; // no piece is this long
    memcpy(obuf + nobuf, s, n);
    nobuf += n;
}

void psputs(const char *s) {
    psput(s, strlen(s));
}

// printf into the buffer; returns the length of the piece.
__attribute__((format(printf, 1, 2))) int psprintf(const char *fmt, ...) {
    char piece[256];
    va_list ap;
    va_start(ap, fmt);
    int n = vsnprintf(piece, sizeof piece, fmt, ap);
    va_end(ap);
    if (n < 0) return 0;
    if (n >= static_cast<int>(sizeof piece)) n = sizeof piece - 1;
    psput(piece, n);
    return n;
}

const char *const prologue[] = {
    "%%BoundingBox: 18 18 594 774\n",
    "%%Pages: 1\n",
    "%%EndComments\n",
    "/vs_str 1 string def\n",
    "/VS {\n",
    "    translate 8 exch true [1 0 0 1 0 0]\n",
    "    {currentfile vs_str readhexstring pop}\n",
    "    imagemask\n",
    "} def\n",
    "/GS {\n",
    "    {currentfile gs_str readhexstring pop}\n",
    "    false 1 colorimage\n",
    "} def\n",
    "/CS {\n",
    "    {currentfile gs_str readhexstring pop}\n",
    "    false 3 colorimage\n",
    "} def\n",
    "/M /moveto load def\n",
    "/L /rlineto load def\n",
    "/R {moveto rlineto rlineto rlineto fill} bind def\n",
    "/S {setlinewidth stroke} bind def\n",
    "%%EndPrologue\n",
    "%%BeginSetup\n",
};

// The coordinate setup: landscape rotation, 1/300-inch units, ink, round joins and caps.
void pssetup() {
    psputs("18 774 translate 270 rotate % landscape\n");
    psprintf("%.6f %.6f scale\n", 72.0 / 300, 72.0 / 300);
    psputs("0 setgray ");
    psputs("1 setlinejoin ");
    psputs("1 setlinecap\n");
}

// Writes the header before the first mark of the document, and the setup again before the
// first mark of every later page (a "showpage" resets the coordinates).
void pshdr() {
    if (ps.hdrpending) {
        ps.hdrpending = 0;
        psputs("%!PS-Adobe-2.0 EPSF-2.0\n");
        psputs("%%Title: "); // the name may be longer than a formatted piece
        psput(stamp.plotname.data(), stamp.plotname.size());
        psputs("\n");
        psprintf("%%%%Creator: %.20s\n", verline);
        psputs("%%CreationDate: ");
        psputs(stamp.rundate.c_str());
        if (stamp.rundate.empty() || stamp.rundate.back() != '\n') psputs("\n");
        for (const char *line : prologue) psputs(line);
        pssetup();
        psputs("%%EndSetup\n");
        psputs("%%Page: 1 1\n");
    } else if (ps.setuppending) {
        ps.setuppending = 0;
        psprintf("%%%%Page: %d %d\n", ps.pageno, ps.pageno);
        pssetup();
    }
    ps.marks++;
}

// Room for n more bytes in the buffer, drained first when they would not fit.
char *psroom(size_t n) {
    if (nobuf + n > sizeof obuf) psdrain();
    return obuf + nobuf;
}

// Two decimal digits per value 0..99.
struct Pairs {
    char d[100][2];
    constexpr Pairs() : d{} {
        for (int v = 0; v < 100; v++) d[v][0] = char('0' + v / 10), d[v][1] = char('0' + v % 10);
    }
};
constexpr Pairs pairs;

// Decimal digits of v at p, as "%ld" writes them; returns the end. The digits are written
// from the end back, two at a time.
char *psdec(char *p, long v) {
    unsigned long u = v < 0 ? 0UL - static_cast<unsigned long>(v) : static_cast<unsigned long>(v);
    if (v < 0) *p++ = '-';
    int len = u < 10 ? 1 : u < 100 ? 2 : u < 1000 ? 3 : u < 10000 ? 4 : 5;
    for (unsigned long t = u / 100000; t > 0; t /= 10) len++;
    char *e = p + len, *q = e;
    for (; u >= 100; u /= 100) q -= 2, std::memcpy(q, pairs.d[u % 100], 2);
    if (u >= 10)
        std::memcpy(q - 2, pairs.d[u], 2);
    else
        q[-1] = static_cast<char>('0' + u);
    return e;
}

// The numbers, each followed by a space.
char *psnums(char *p, std::initializer_list<long> nums) {
    for (long v : nums) p = psdec(p, v), *p++ = ' ';
    return p;
}

void psrect(int row, int col, int nrows, int ncols) {
    pshdr();
    // "-h 0 0 w h 0 row col R": the height formatted once (an int has at most 11 characters:
    // 16 are copied, the rest overwritten), the zeros copied
    char *p = psroom(128), *q = p, h[24] = {};
    const size_t hn = static_cast<size_t>(psdec(h, nrows) - h);
    *q++ = '-', std::memcpy(q, h, 16), q += hn, std::memcpy(q, " 0 0 ", 5), q += 5;
    q = psnums(q, {ncols});
    std::memcpy(q, h, 16), q += hn, std::memcpy(q, " 0 ", 3), q += 3;
    q = psnums(q, {row, col});
    *q++ = 'R', *q++ = '\n';
    nobuf += q - p;
}

// A polyline as one moveto and relative linetos, lines broken before 64 characters.
void psline(int n, const int *rows, const int *cols, double width) {
    if (n < 2) return;
    pshdr();
    char piece[64];
    char *e = psnums(piece, {rows[0], cols[0]});
    *e++ = 'M', *e++ = ' ';
    int len = static_cast<int>(e - piece);
    psput(piece, len);
    for (int i = 1; i < n; i++) {
        e = psnums(piece, {static_cast<long>(rows[i]) - rows[i - 1],
                           static_cast<long>(cols[i]) - cols[i - 1]});
        *e++ = 'L', *e++ = ' ';
        int k = static_cast<int>(e - piece);
        if (len + k > 64) {
            psputs("\n");
            len = 0;
        }
        psput(piece, k);
        len += k;
    }
    psprintf("%.0f S\n", width * 300);
}

// Two hex digits per byte value.
struct HexTab {
    char d[256][2];
    constexpr HexTab() : d{} {
        const char dig[] = "0123456789ABCDEF";
        for (int v = 0; v < 256; v++) d[v][0] = dig[v >> 4], d[v][1] = dig[v & 15];
    }
};
constexpr HexTab hex;

// The image matrix of a strip, "[sx 0 0 sy tx ty] GS": all but tx stay the same over a plot,
// so they are formatted once; tx is a whole number for strips one row tall.
struct Matrix {
    int nrows = -1, ncols = -1, f = -1, col = 0, colour = -1;
    char head[64] = "", tail[64] = "";
};
Matrix mat;

void psmatrix(int row, int col, int nrows, int ncols, int f) {
    int colour = opt.coloropt != 0;
    if (nrows != mat.nrows || ncols != mat.ncols || f != mat.f || col != mat.col ||
        colour != mat.colour) {
        mat = Matrix{nrows, ncols, f, col, colour};
        snprintf(mat.head, sizeof mat.head, "[%.4f 0 0 %.4f ", 1.0 / nrows,
                 static_cast<double>(f) / ncols);
        snprintf(mat.tail, sizeof mat.tail, " %.1f] %s\n", static_cast<double>(-col) * f / ncols,
                 colour ? "CS" : "GS");
    }
    psputs(mat.head);
    if (row % nrows == 0) { // a whole number: its digits and ".0", as %.1f writes it
        char *p = psroom(24), *q = psdec(p, -static_cast<long>(row / nrows));
        *q++ = '.', *q++ = '0';
        nobuf += q - p;
    } else {
        psprintf("%.1f", static_cast<double>(-row) / nrows);
    }
    psputs(mat.tail);
}

// The two hex digits of 255 - dark[m] for each of n cells at q. Byte arithmetic only, so a
// wider vector unit, where the processor has one, writes the same digits.
__attribute__((target_clones("avx2", "default"))) void grayhex(const uint8_t *dark, int n,
                                                               char *q) {
    for (int m = 0; m < n; m++) {
        const uint8_t v = static_cast<uint8_t>(255 - dark[m]), hi = v >> 4, lo = v & 15;
        q[2 * m] = static_cast<char>(hi + (hi > 9 ? 'A' - 10 : '0'));
        q[2 * m + 1] = static_cast<char>(lo + (lo > 9 ? 'A' - 10 : '0'));
    }
}

// The hex digits of the cells, per line 32 gray bytes or 12 colour triples.
void pscells(const uint8_t *dark, int f) {
    int colour = opt.coloropt != 0, per = colour ? 12 : 32;
    for (int m0 = 0; m0 < f; m0 += per) {
        int m1 = std::min(f, m0 + per);
        char *p = psroom(6 * per + 1), *q = p;
        if (colour) {
            for (int m = m0; m < m1; m++) {
                int r, g, b;
                stripcolour(dark[m], &r, &g, &b);
                for (int v : {r, g, b}) *q++ = hex.d[v][0], *q++ = hex.d[v][1];
            }
        } else {
            grayhex(dark + m0, m1 - m0, q);
            q += 2 * (m1 - m0);
        }
        *q++ = '\n';
        nobuf += q - p;
    }
}

// A gray line as an image one unit wide and f samples tall, gray or on the colour scale.
void psimage(int row, int col, int nrows, int ncols, int n, const uint8_t *data, const float *pos) {
    pshdr();
    int f = stripcells(ncols, n, 300);
    if (f <= 0 || nrows <= 0) return;
    if (f != ps.gslen) {
        psprintf("/gs_str %d string def\n", f);
        ps.gslen = f;
    }
    char *p = psroom(32), *q = psnums(p, {1, f, 8});
    nobuf += q - p;
    psmatrix(row, col, nrows, ncols, f);
    static std::vector<uint8_t> dark;
    dark.resize(f);
    stripfill(f, n, data, pos, dark.data());
    pscells(dark.data(), f);
}

// Page end: a page with marks is shown; the next page sets its coordinates up again.
void pspage() {
    if (ps.marks == 0) return;
    psputs("showpage\n");
    ps.marks = 0;
    ps.pageno++;
    ps.setuppending = 1;
}

void psclose(int normal) {
    // A document without a mark is still a complete one: its header and one empty page.
    if (ps.hdrpending && normal) {
        msg("nothing drawn\n");
        pshdr();
    }
    if (ps.marks > 0) psputs("showpage\n");
    ps.marks = 0;
    psputs("%%EOF\n");
    psdrain();
    if (FILE *fp = outfp()) fflush(fp);
}

void psnop() {}

} // namespace

void psopen() {
    page = page300;
    devtab = DevTab{.devclose = psclose,
                    .devline = psline,
                    .devband = nullptr,
                    .devrect = psrect,
                    .devpage = pspage,
                    .devret = psnop,
                    .devimage = psimage};
    ps = Ps{};
    ps.hdrpending = 1;
    nobuf = 0; // a new document: nothing of an earlier one is carried over
    mat = Matrix{};
}
