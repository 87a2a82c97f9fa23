// Sampling of a gray line into the cells of an image strip, shared by the file devices
// that draw gray lines as small images (PostScript, metafile): cell count, the position
// mapping over graypos, and the three-point mean darkness of each cell.
#pragma once
#include <cstdint>

// Fractional index into the n values for the relative position x (0..1) along the strip,
// with P the n + 1 ascending positions (graypos); continuous, 0 at x = 0, n - 0.5 at x = 1.
double grayidx(double x, int n, const float *P);
// Number of cells of a strip w device units long holding n values on a res-dot device:
// 100 per whole inch, at least n, and w itself when that would exceed w/2.
int stripcells(int w, int n, int res);
// Darkness 0..255 of each of the f cells of a strip into dark[0..f-1]: the mean of the
// values at the cell's start, end and middle. Reads data[0..n-1] only; holds the last value
// at and beyond position n - 1. Where the cells fall is worked out once for each f, n and P.
void stripfill(int f, int n, const uint8_t *data, const float *P, uint8_t *dark);
// last[i] for each of the n values: the last index of the run of values equal to v[i].
void runends(const uint8_t *v, int n, int *last);
// Colour scale of the colour output for darkness g: red, green, blue 0..255.
void stripcolour(int g, int *red, int *green, int *blue);
