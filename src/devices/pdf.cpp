// PDF device: one cairo document for the whole plot, streamed to the output as it is drawn.
// A page is begun by its first mark and shown at the page end; a plot without marks is one
// empty page, so the file is always a whole document.
#include "devices/pdf.h"

#include "base/msg.h"
#include "base/outfile.h"
#include "base/stamp.h"
#include "devices/vecdoc.h"
#include "render/core.h"

#include <cairo-pdf.h>

namespace {

struct Pdf {
    cairo_surface_t *doc = nullptr; // the document, from the first mark to the close
    int marks = 0;                  // marks on the current page
};
Pdf pdf;

// Begins the document before its first mark.
void pdfmark() {
    if (!pdf.doc) {
        pdf.doc = cairo_pdf_surface_create_for_stream(docwrite, outfp(), DOCW, DOCH);
        cairo_pdf_surface_set_metadata(pdf.doc, CAIRO_PDF_METADATA_TITLE, stamp.plotname.c_str());
        cairo_pdf_surface_set_metadata(pdf.doc, CAIRO_PDF_METADATA_CREATOR, "KAVREL version 2.52");
        docbegin(pdf.doc);
    }
    pdf.marks++;
}

void pdfrect(int row, int col, int nrows, int ncols) {
    pdfmark();
    docrect(row, col, nrows, ncols);
}

void pdfline(int n, const int *rows, const int *cols, double width) {
    if (n < 2) return;
    pdfmark();
    docline(n, rows, cols, width);
}

void pdfimage(int row, int col, int nrows, int ncols, int n, const uint8_t *data,
              const float *pos) {
    pdfmark();
    docimage(row, col, nrows, ncols, n, data, pos);
}

void pdfpage() {
    if (pdf.marks == 0) return;
    docflush();
    cairo_surface_show_page(pdf.doc);
    pdf.marks = 0;
}

// Finishes the document; a write error leaves the stream's error flag for the run's close.
void pdfclose(int) {
    if (!pdf.doc) pdfmark(), pdf.marks = 0; // an empty plot is still a document
    docend();
    cairo_surface_finish(pdf.doc);
    if (cairo_status_t st = cairo_surface_status(pdf.doc); st != CAIRO_STATUS_SUCCESS) {
        msg("PDF document not written whole: %s\n", cairo_status_to_string(st));
        out.failed = 1;
    }
    cairo_surface_destroy(pdf.doc);
    pdf = Pdf{};
    if (FILE *fp = outfp()) std::fflush(fp);
}

void pdfnop() {}

} // namespace

void pdfopen() {
    if (!docgeom("PDF")) return; // the device stays without operations: nothing is drawn
    devtab = DevTab{.devclose = pdfclose,
                    .devline = pdfline,
                    .devband = nullptr,
                    .devrect = pdfrect,
                    .devpage = pdfpage,
                    .devret = pdfnop,
                    .devimage = pdfimage};
    if (pdf.doc) docend(), cairo_surface_destroy(pdf.doc); // an abandoned document
    pdf = Pdf{};
}
