// Gray lines: spectrogram slices as overlays, the tone curve, and their rasterisation
// into a band with a per-column error-diffusion carry.
#pragma once
#include <cstdint>

#include "render/core.h"

// Tone-curve coefficients (process-wide; the LaserJet device sets them) and the shared
// value positions of every gray line of a plot (owned by the caller).
struct Gray {
    double c0 = 1.0, c1 = 0.0, c2 = 0.0;
    const float *graypos = nullptr;
};
inline Gray gray;

// A gray line at the current scan position; count + 1 bytes of vals are copied.
void ovlgray(const uint8_t *vals, int count, int col0, int ncols, int nrows);
void setgraypos(const float *pos);
// The tone curve x (x (c2 x + c1) + c0).
double gresp(double x);
// Draws gray line l into row r (0..7) of the band buffer.
void grayrow(const Ovl *l, int r);
