// Real-input FFT in single precision, in place, and the unpacking step its callers apply.
// Packed result: x[0] = X_0, x[1] = X_(n/2), x[2k], x[2k + 1] = re, im of X_k (unscaled).
#pragma once

// Transforms x[0 .. n-1] in place: 0 when done; 1, with x untouched, unless n = 2^m, m 1..15.
int rfft(float *x, int n);

// After rfft: moves X_(n/2) to x[n] and clears x[1] and x[n + 1], so x (n + 2 floats) holds
// the n/2 + 1 complex values X_0 .. X_(n/2) as (re, im) pairs.
void rfftunp(float *x, int n);
