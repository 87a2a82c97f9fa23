// FFT speech spectrograph slices: power or all-pole spectrum of the sample window, mapped
// to gray levels with an automatic gain; the analysis summary; the cursor's spectrum value.
#pragma once
#include <cstdint>

struct Fsl {
    float *spec = nullptr;   // work data, packed FFT, then powers P[0 .. nbins-1]
    uint8_t gcol[4100] = {}; // gray level of each displayed row, row 0 at the bottom
    double maxpow = 0;       // largest FFT power computed since the process started
    double shown = 0;        // sum of the displayed rows' powers of the last spectrum, in order
};
inline Fsl fsl;

// Spectrum slice j of a page: computes and draws every fftskp-th slice.
void specslice(int j);
// FFT power spectrum of the window into spec[0 .. nbins-1].
void fftpow();
// All-pole (LPC, order nlpc) model spectrum of the window into spec[0 .. nbins-1].
void lpcpow();
// Gray levels of the displayed rows of spec into gcol[0 .. nk-1], with the gain from the sum
// of their powers that fftpow or lpcpow left in shown.
void graymap();
// The FFT analysis summary on the message stream.
void fftsum();
// Power at fractional bin x of the window centred on sample s (cursor read-out).
float specval(int32_t s, double x);
