// Software drawing context over an 8-bit RGB pixel buffer, with the effects the screen device
// relies on: solid pens (0 is one pixel, wider pens have round ends), line-to leaving out its
// end point, single pixels, filled rectangles leaving out right and bottom edges, clipping.
#pragma once
#include <cstdint>
#include <cstdio>
#include <vector>

struct Rgb {
    uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb &) const = default;
};

struct DrawPen {
    int width = 0; // pixels; 0 and 1 draw one-pixel lines
    Rgb colour;
};

// The colours of an indexed surface, each once in order of first use, at most 256, with a
// table from colour to index (open addressing on 1 << 24 | rgb; 0 is an empty slot).
struct SurfPalette {
    std::vector<Rgb> cols;
    uint32_t keys[1024] = {};
    uint8_t at[1024] = {};
    uint32_t last = 0; // the colour looked up last and its index
    uint8_t lastidx = 0;
};

struct Surface {
    int w = 0, h = 0;
    // w x h pixels, top row first: 3 bytes each (r, g, b), or while indexed is set 1 byte
    // each, the index of its colour in pal (a picture only written as PNG: a third of the
    // bytes to fill and no colours to look up at the end)
    std::vector<uint8_t> px;
    int indexed = 0;
    SurfPalette pal;
    uint8_t levidx[256] = {}; // the index last found for each level of surfrows
    DrawPen pen;              // pen in use
    int curx = 0, cury = 0;   // current position of move-to / line-to
};

// Gives the surface w x h pixels, all of colour c, a one-pixel black pen, position (0, 0);
// indexed asks for palette indices, which hold up to 256 colours (a 257th turns the surface
// into RGB, with the same pixels).
void surfinit(Surface &s, int w, int h, Rgb c = {255, 255, 255}, int indexed = 0);
// Selects a pen and returns the one it replaces.
DrawPen surfpen(Surface &s, DrawPen p);
void surfmove(Surface &s, int x, int y);
// Draws from the current position to (x, y) with the pen, leaving out (x, y) for thin pens.
void surfline(Surface &s, int x, int y);
void surfpixel(Surface &s, int x, int y, Rgb c);
// Fills columns left..right-1 of rows top..bottom-1; nothing when right <= left or bottom <= top.
void surffill(Surface &s, int left, int top, int right, int bottom, Rgb c);
// Fills columns left..right-1 of rows top..top+n-1, row top + i in colour pal[lev[i]], leaving
// the rows whose lev[i] is 0 as they are.
void surfrows(Surface &s, int left, int right, int top, const uint8_t *lev, int n, const Rgb *pal);
// The colour at (x, y); white outside the surface.
Rgb surfget(const Surface &s, int x, int y);
// Writes the surface as a PNG image, with a palette when at most 256 colours are in it;
// returns 1, or 0 when it could not be written.
int surfpng(const Surface &s, FILE *fp);
