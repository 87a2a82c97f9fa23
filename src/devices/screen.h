// The screen device (device index 0): draws the plot on a Surface, the off-screen picture of
// the window; in kavrel the finished picture is written as PNG to the -o file.
#pragma once
#include "render/surface.h"

inline Surface offbmp; // kavrel's off-screen picture

struct Screen {
    int bmw = 1680, bmh = 1226; // surface size in pixels
    Surface *drawdc = &offbmp;  // the surface drawn on
    Surface *windc = nullptr;   // the window's own surface, drawn on too while mirror is 1
    int mirror = 0;             // 1: every mark is repeated on windc
    int rotated = 0;            // 1: pixel x = column, pixel y = row (printing)
    int savepng = 1;            // 1: the finished plot goes to the -o file as PNG
    int savehint = 1;           // 1: a plot without -o says how to save it (kavrel)
    int indexed = 1;            // 1: a surface the device makes holds palette indices (kavrel's
                                // picture, only written as PNG); the window's are RGB
    // While mirror is 1: shows the window the pixels changed since the last call (x, y,
    // width, height of drawdc), after each band, at each page end and at the plot's end.
    void (*flush)(int x, int y, int w, int h) = nullptr;
    Rgb palette[256];       // colour of each band or gray value
    int bandno = 0;         // bands drawn on the current page
    double penw = 0;        // line width in inches of the pen in use
    DrawPen curpen, oldpen; // the device's pen; the pen in use before the device opened
};
inline Screen scr;

// Open routine: geometry from bmw x bmh, the device table, the palette, a cleared surface.
void scropen();
// Builds the palette for gray or, when coloropt is set, colour.
void mkpalette();
