// Lines of a width in inches: polyline overlays on vector devices, elliptical-pen dots in
// bit-block overlays on raster devices; long diagonals are split to keep blocks small.
#pragma once

#include "render/core.h"

enum { PENMAX = 1024, OUTMAX = 256 };

// The pen, rebuilt only when another width is asked for, and the block lines go into.
struct Pen {
    double lastw = 0.0; // width of the pen last built
    int built = 0;      // a pen has been built (the first request always builds)
    int npts = 0;       // pen points (row offset, column offset) about the centre
    int pts[PENMAX][2] = {};
    int nout = 0; // outline points: pen points with a neighbour outside the pen
    int out[OUTMAX][2] = {};
    Ovl *curblk = nullptr; // overlay last made by ovlblock or ovlline
};
inline Pen pen;

// Bounding box in dots read by ovlblock: set by drawseg or the text layout.
struct BBox {
    int frow = 0, lrow = 0, fcol = 0, lcol = 0;
};
inline BBox bbox;

void drawpoly(int n, const double *x, const double *y, double width);
void drawseg(double x0, double y0, double x1, double y1, double width);
// A polyline in dots: ovlline's result on a vector device, else drawn into the current
// block; 0 for fewer than 2 points.
int polydots(const int *rows, int n, const int *cols, double width);
// 0, 1 no overlay, 2 no memory for the points.
int ovlline(int n, const int *rows, const int *cols, double width);
// 0, 1 no overlay, 3 no memory for the bitmap. Makes the current block around bbox.
int ovlblock(double width);
void penset(double width);
// Hands a vector device the part of polyline overlay o near the page, cut as segments are on
// a raster page (the part past the page's far edge, which the scan never passes); marks it done.
void linerest(Ovl *o);
