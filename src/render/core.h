// Rendering core: page geometry, the device table, the display list of overlays and the
// band scan that rasterises or hands them over. Positions are device dots: rows along x
// (the scan direction), columns along y; a band is 8 rows.
#pragma once
#include <cstdint>

// Page geometry, set by the device's open routine.
struct Page {
    int xres = 0;          // dots per inch along x (rows)
    int yres = 0;          // dots per inch along y (columns)
    int pagerows = 0;      // rows per page
    int pagecols = 0;      // columns per page: the width of a band
    int planes = 0;        // bytes per column in the band buffer
    double dotwidth = 0.0; // width in inches of a one-dot line
};
inline Page page;
// The 300-dot landscape page of 10.5 x 8 inches the vector devices draw on.
inline constexpr Page page300{.xres = 300,
                              .yres = 300,
                              .pagerows = 3150,
                              .pagecols = 2400,
                              .planes = 1,
                              .dotwidth = static_cast<double>(1.0f / 300.0f)};

// The seven operations of the output device; an empty slot is nullptr and is tested
// before every call. A device without devline, devrect and devimage is a raster device.
struct DevTab {
    void (*devclose)(int normal);
    void (*devline)(int n, const int *rows, const int *cols, double width);
    void (*devband)(const uint8_t *buf, int len);
    void (*devrect)(int row, int col, int nrows, int ncols);
    void (*devpage)();
    void (*devret)();
    void (*devimage)(int row, int col, int nrows, int ncols, int count, const uint8_t *values,
                     const float *graypos);
};
inline DevTab devtab;

// One display-list record; kept for the life of the process, only its data is freed.
struct Ovl {
    uint8_t kind; // 0 bit block, 1 rectangle, 2 polyline, 3 gray line
    uint8_t done; // handed to the device or rendered into a band
    int subrow;   // gray line: bandrow at creation; bit block: rows moved down
    int subcol;   // bit block: columns moved down to a multiple of 8
    int stride;   // bit block: bytes per column line; gray line: number of values
    int row0;     // first row
    int col0;     // first column; polyline: number of points
    int nrows;    // extent in rows
    int ncols;    // extent in columns; polyline: width in 1/1000 inch
    void *data;   // owned block (malloc): bits, points (rows then columns) or values
};

enum { OVLMAX = 512 };

// Scan position, band buffer, dither residue and the display list.
struct Scan {
    int currow = 0;             // next row to be passed
    int bandrow = 0;            // rows of the current band already passed, 0..7
    int finishing = 0;          // plot end: discard what does not overlap the band
    uint8_t *bandbuf = nullptr; // planes x pagecols bytes, zero between flushes
    uint8_t *dither = nullptr;  // per-column carry of the gray-line dither
    int bufcols = 0;            // columns the two buffers were allocated for
    int bufplanes = 0;          // planes the band buffer was allocated for
    uint8_t bitmask[8] = {};    // 0x80 >> i, filled by the first devopen
    Ovl *ovllist[OVLMAX] = {};  // records, the first novl in use
    int novl = 0;
    uint64_t graybits[OVLMAX / 64] = {}; // slots of ovllist holding gray lines not handed over
    // Per slot, for the first wakeknown: the first row at which the band scan has anything to
    // do with the overlay; earlier visits leave it as it is.
    int ovlwake[OVLMAX] = {};
    int wakeknown = 0;
    int dropped = 0; // marks refused an overlay on this page
    int pageno = 1;  // page of the document being drawn
};
inline Scan scan;

// Opens a device by its open routine and prepares the core; with no routine the device is
// not available (said with its index): 1, and no plot is made.
int devstart(void (*open)(), int devindex);
// Core preparation after a device's open routine: buffers, bit masks, scan, dither seed.
void devprep();
int xdots(double inches);
int ydots(double inches);

// A fresh overlay record, or nullptr with the reason printed.
Ovl *ovlget();
// Marks slot i of the display list as holding a gray line not yet handed over, or not.
void ovlgraybit(int i, int on);
// Gives back the record ovlget returned last, when its creator could not fill it.
void ovlback(Ovl *o);
// A solid rectangle; nothing for empty extents.
void ovlrect(int row, int col, int nrows, int ncols);

void rowadv(int n);
void rowto(int row);
void bandflush();
void pageend();
void plotfinish();
void plotabort();
