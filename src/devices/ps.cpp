// Encapsulated PostScript device: a 32-line prologue written at the first mark, then
// rectangles, polylines and hex image strips in 1/300-inch units on a rotated page.
// Output is gathered in a buffer and written in large pieces; close flushes everything.
#include "devices/ps.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

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

void psrect(int row, int col, int nrows, int ncols) {
    pshdr();
    psprintf("%ld 0 ", -static_cast<long>(nrows));
    psprintf("0 %ld ", static_cast<long>(ncols));
    psprintf("%ld 0 ", static_cast<long>(nrows));
    psprintf("%ld %ld ", static_cast<long>(row), static_cast<long>(col));
    psputs("R\n");
}

// A polyline as one moveto and relative linetos, lines broken before 64 characters.
void psline(int n, const int *rows, const int *cols, double width) {
    if (n < 2) return;
    pshdr();
    int len = psprintf("%ld %ld M ", static_cast<long>(rows[0]), static_cast<long>(cols[0]));
    for (int i = 1; i < n; i++) {
        char piece[64];
        int k =
            snprintf(piece, sizeof piece, "%ld %ld L ", static_cast<long>(rows[i]) - rows[i - 1],
                     static_cast<long>(cols[i]) - cols[i - 1]);
        if (len + k > 64) {
            psputs("\n");
            len = 0;
        }
        psput(piece, k);
        len += k;
    }
    psprintf("%.0f S\n", width * 300);
}

const char hexdig[] = "0123456789ABCDEF";

void pshex(int v) {
    char two[2] = {hexdig[(v >> 4) & 15], hexdig[v & 15]};
    psput(two, 2);
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
    psprintf("%d %d 8 ", 1, f);
    psprintf("[%.4f 0 0 %.4f %.1f %.1f] %s\n", 1.0 / nrows, static_cast<double>(f) / ncols,
             static_cast<double>(-row) / nrows, static_cast<double>(-col) * f / ncols,
             opt.coloropt ? "CS" : "GS");
    for (int m = 0; m < f; m++) {
        int g = stripdark(m, f, n, data, pos);
        if (opt.coloropt) {
            int r, gr, b;
            stripcolour(g, &r, &gr, &b);
            pshex(r), pshex(gr), pshex(b);
            if (m % 12 == 11 || m == f - 1) psputs("\n");
        } else {
            pshex(255 - g);
            if (m % 32 == 31 || m == f - 1) psputs("\n");
        }
    }
}

// Page end: a page with marks is shown; the next page sets its coordinates up again.
void pspage() {
    if (ps.marks == 0) return;
    psputs("showpage\n");
    ps.marks = 0;
    ps.pageno++;
    ps.setuppending = 1;
}

void psclose(int) {
    if (ps.marks > 0) psputs("showpage\n");
    ps.marks = 0;
    psputs("%%EOF\n");
    psdrain();
    if (FILE *fp = outfp()) fflush(fp);
}

void psnop() {}

} // namespace

void psopen() {
    page = Page{.xres = 300,
                .yres = 300,
                .pagerows = 3150,
                .pagecols = 2400,
                .planes = 1,
                .dotwidth = static_cast<double>(1.0f / 300.0f)};
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
}
