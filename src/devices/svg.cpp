// SVG device: an SVG document holds one page, so each page of the plot is a surface of its
// own, begun by its first mark and finished at the page end. The first goes to the output
// stream; a later page needs the -o name to make its own file, and without one it is refused.
#include "devices/svg.h"

#include "base/msg.h"
#include "base/outfile.h"
#include "devices/vecdoc.h"
#include "render/core.h"

#include <cairo-svg.h>

namespace {

struct Svg {
    cairo_surface_t *doc = nullptr; // the current page's picture
    FILE *fp = nullptr;             // its file, when it is not the output stream
    std::string name;               // that file's name
    int pageno = 1;                 // page being drawn
    int marks = 0;                  // marks on it
    int refused = 0;                // the page cannot be written: its marks are dropped
};
Svg svg;

// The stream of the current page: the output for page 1, else its own new file.
FILE *svgstream() {
    if (svg.pageno == 1) return outfp();
    if (!out.outfile) {
        msg("SVG output of several pages needs an output file (-o name.svg): page %d and later "
            "are not written\n",
            svg.pageno);
        return nullptr;
    }
    svg.name = svgpagename(out.outname, svg.pageno);
    if (!(svg.fp = std::fopen(svg.name.c_str(), "wb")))
        msg("can't open output file %s\n", svg.name.c_str());
    return svg.fp;
}

// Begins the page's picture before its first mark; 0 when the page is refused.
int svgmark() {
    if (svg.refused) return 0;
    if (!svg.doc) {
        FILE *fp = svgstream();
        if (!fp) {
            svg.refused = 1;
            out.failed = 1;
            return 0;
        }
        svg.doc = cairo_svg_surface_create_for_stream(docwrite, fp, DOCW, DOCH);
        cairo_svg_surface_set_document_unit(svg.doc, CAIRO_SVG_UNIT_PT);
        docbegin(svg.doc);
    }
    svg.marks++;
    return 1;
}

void svgrect(int row, int col, int nrows, int ncols) {
    if (svgmark()) docrect(row, col, nrows, ncols);
}

void svgline(int n, const int *rows, const int *cols, double width) {
    if (n >= 2 && svgmark()) docline(n, rows, cols, width);
}

void svgimage(int row, int col, int nrows, int ncols, int n, const uint8_t *data,
              const float *pos) {
    if (svgmark()) docimage(row, col, nrows, ncols, n, data, pos);
}

// Finishes the current page's picture and closes its own file; a failure is said.
void svgfinish() {
    if (!svg.doc) return;
    docend();
    cairo_surface_finish(svg.doc);
    cairo_status_t st = cairo_surface_status(svg.doc);
    cairo_surface_destroy(svg.doc);
    svg.doc = nullptr;
    int bad = st != CAIRO_STATUS_SUCCESS;
    if (svg.fp && std::fclose(svg.fp) != 0) bad = 1;
    if (bad) {
        msg("SVG page %d not written whole: %s\n", svg.pageno, cairo_status_to_string(st));
        out.failed = 1;
        if (svg.fp) std::remove(svg.name.c_str());
    }
    svg.fp = nullptr;
}

void svgpage() {
    if (svg.marks == 0) return;
    svgfinish();
    svg.marks = 0;
    svg.pageno++;
}

void svgclose(int) {
    if (svg.pageno == 1 && !svg.doc) svgmark(), svg.marks = 0; // an empty plot is one page
    svgfinish();
    if (FILE *fp = outfp()) std::fflush(fp);
    svg = Svg{};
}

void svgnop() {}

} // namespace

std::string svgpagename(const std::string &outname, int k) {
    std::string base = outname;
    const size_t dot = base.rfind('.'), slash = base.rfind('/');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) base.resize(dot);
    const std::string ext = dot != std::string::npos && base.size() < outname.size()
                                ? outname.substr(base.size())
                                : ".svg";
    return base + "-" + std::to_string(k) + ext;
}

void svgopen() {
    if (!docgeom("SVG")) return; // the device stays without operations: nothing is drawn
    devtab = DevTab{.devclose = svgclose,
                    .devline = svgline,
                    .devband = nullptr,
                    .devrect = svgrect,
                    .devpage = svgpage,
                    .devret = svgnop,
                    .devimage = svgimage};
    if (svg.doc) svgfinish(); // an abandoned picture
    svg = Svg{};
}
