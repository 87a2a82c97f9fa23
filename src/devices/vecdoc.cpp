// The document devices' drawing: the same marks as the PostScript device. Widths are rounded
// to whole dots as there, but never below one dot, since a stroke of width 0 draws nothing
// here. A gray line is an image strip one unit along and its cells across, never smoothed;
// neighbouring strips are gathered into one image.
#include "devices/vecdoc.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "base/msg.h"
#include "base/opts.h"
#include "base/outfile.h"
#include "devices/cairolib.h"
#include "devices/strip.h"
#include "render/core.h"

namespace {

cairo_t *cr = nullptr;

// Strips side by side are painted as one image: a document of thousands of one-pixel
// images is slow to write and to read.
enum { STRIPMAX = 256 };
struct Strips {
    int row = 0, col = 0, nrows = 0, ncols = 0, f = 0; // the first strip; all share the rest
    int k = 0;                                         // strips gathered
    std::vector<uint32_t> px;                          // cell m of strip j at m * STRIPMAX + j
    std::vector<uint8_t> dark;                         // the cells of the strip being added
};
Strips strips;

} // namespace

int docgeom(const char *kind) {
    page = page300;
    if (cairoready()) return 1;
    msg("%s documents need libcairo.so.2, which cannot be loaded\n", kind);
    out.failed = 1;
    return 0;
}

cairo_status_t docwrite(void *fp, const unsigned char *data, unsigned int len) {
    FILE *f = static_cast<FILE *>(fp);
    if (!f || std::fwrite(data, 1, len, f) != len) return CAIRO_STATUS_WRITE_ERROR;
    return CAIRO_STATUS_SUCCESS;
}

void docbegin(cairo_surface_t *s) {
    docend();
    cr = cairo_create(s);
    // row r, column c at (r, 2400 - c) dots from the top left, 72 / 300 points a dot
    cairo_matrix_t m;
    cairo_matrix_init(&m, 72.0 / 300, 0, 0, -72.0 / 300, 0, DOCH);
    cairo_set_matrix(cr, &m);
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
}

void docend() {
    docflush();
    if (cr) cairo_destroy(cr);
    cr = nullptr;
}

void docrect(int row, int col, int nrows, int ncols) {
    if (!cr) return;
    docflush(); // marks go over the strips before them
    cairo_rectangle(cr, row, col, nrows, ncols);
    cairo_fill(cr);
}

void docline(int n, const int *rows, const int *cols, double width) {
    if (!cr || n < 2) return;
    docflush();
    cairo_move_to(cr, rows[0], cols[0]);
    for (int i = 1; i < n; i++) cairo_line_to(cr, rows[i], cols[i]);
    cairo_set_line_width(cr, std::max(1.0, std::nearbyint(width * 300)));
    cairo_stroke(cr);
}

// Cell m of the strip as a pixel: gray 255 - darkness, or the colour scale.
static uint32_t docpixel(int g) {
    if (!opt.coloropt) {
        uint32_t v = static_cast<uint32_t>(255 - g);
        return v << 16 | v << 8 | v;
    }
    int r, gr, b;
    stripcolour(g, &r, &gr, &b);
    return static_cast<uint32_t>(r) << 16 | static_cast<uint32_t>(gr) << 8 |
           static_cast<uint32_t>(b);
}

// Paints the strips gathered so far as one image, one pixel column a strip: cell m of f
// spans columns col + m w / f .. col + (m + 1) w / f over each strip's rows.
void docflush() {
    Strips &b = strips;
    if (!cr || b.k == 0) return;
    cairo_surface_t *img = cairo_image_surface_create(CAIRO_FORMAT_RGB24, b.k, b.f);
    if (cairo_surface_status(img) == CAIRO_STATUS_SUCCESS) {
        cairo_surface_flush(img);
        unsigned char *px = cairo_image_surface_get_data(img);
        const size_t stride = static_cast<size_t>(cairo_image_surface_get_stride(img));
        for (int m = 0; m < b.f; m++)
            std::memcpy(px + m * stride, &b.px[static_cast<size_t>(m) * STRIPMAX], 4 * b.k);
        cairo_surface_mark_dirty(img);
        cairo_pattern_t *pat = cairo_pattern_create_for_surface(img);
        cairo_matrix_t m;
        cairo_matrix_init(&m, 1.0 / b.nrows, 0, 0, static_cast<double>(b.f) / b.ncols,
                          -static_cast<double>(b.row) / b.nrows,
                          -static_cast<double>(b.col) * b.f / b.ncols);
        cairo_pattern_set_matrix(pat, &m);
        cairo_pattern_set_filter(pat, CAIRO_FILTER_NEAREST);
        cairo_set_source(cr, pat);
        cairo_rectangle(cr, b.row, b.col, b.k * b.nrows, b.ncols);
        cairo_fill(cr);
        cairo_set_source_rgb(cr, 0, 0, 0);
        cairo_pattern_destroy(pat);
    }
    cairo_surface_destroy(img);
    b.k = 0;
}

// A strip that continues the gathered ones (the next rows, the same columns and cells)
// joins them; any other is painted after them.
void docimage(int row, int col, int nrows, int ncols, int n, const uint8_t *data,
              const float *pos) {
    int f = stripcells(ncols, n, 300);
    if (!cr || f <= 0 || nrows <= 0 || ncols <= 0) return;
    Strips &b = strips;
    if (b.k > 0 && (b.k == STRIPMAX || row != b.row + b.k * b.nrows || col != b.col ||
                    nrows != b.nrows || ncols != b.ncols || f != b.f))
        docflush();
    if (b.k == 0) {
        b.row = row, b.col = col, b.nrows = nrows, b.ncols = ncols, b.f = f;
        b.px.assign(static_cast<size_t>(f) * STRIPMAX, 0);
    }
    b.dark.resize(static_cast<size_t>(f));
    stripfill(f, n, data, pos, b.dark.data());
    for (int m = 0; m < f; m++)
        b.px[static_cast<size_t>(m) * STRIPMAX + b.k] = docpixel(b.dark[static_cast<size_t>(m)]);
    b.k++;
}
