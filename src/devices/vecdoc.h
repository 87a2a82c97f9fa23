// Drawing shared by the document devices (PDF and SVG, through cairo): the plot's marks on
// a landscape page of 10.5 x 8 inches in 1/300-inch units, rows to the right and columns up.
#pragma once
#include <cairo.h>
#include <cstdint>
#include <cstdio>

// Page size in points.
constexpr double DOCW = 756, DOCH = 576;

// Sets the 300-dot page geometry of the PostScript device; 0 when the document library
// cannot be loaded (said for the `kind` of document, and the run fails).
int docgeom(const char *kind);
// A cairo stream writer appending to the FILE * it is handed; a failed write is an error.
cairo_status_t docwrite(void *fp, const unsigned char *data, unsigned int len);
// Starts drawing on a surface: device units, ink black, round joins and caps.
void docbegin(cairo_surface_t *s);
// Ends drawing: the context is released (the surface stays with its owner).
void docend();
// Paints the gray lines gathered for one image; before a page is shown.
void docflush();
// The marks, with the arguments of the device table.
void docrect(int row, int col, int nrows, int ncols);
void docline(int n, const int *rows, const int *cols, double width);
void docimage(int row, int col, int nrows, int ncols, int n, const uint8_t *data, const float *pos);
