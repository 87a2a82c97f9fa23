// Reading the samples of a plot: the range scan before drawing, the sliding sample window
// that follows the time slices, and the waveform and energy panels drawn from it.
#pragma once
#include <cstdint>

struct Wave {
    int32_t *sbuf = nullptr;          // the sample window, oldest first (SBUFMAX entries)
    int32_t spos = 0;                 // index of the next sample to read
    float wmn = 0, wmx = 0, wrn = 1;  // waveform display range: bottom, top, extent
    float wdc = 0;                    // mean of the plotted samples
    float wlast = 0;                  // last sample drawn in the waveform panel
    double wvar = 0;                  // 2 x nwin x variance: the gray mapping's reference
    int8_t adcbits = 16;              // ADC word length in effect, 8..16
    int8_t adcsgn = 1;                // 1 when the samples are signed
    double ivl = 0, acc = 0, ref = 1; // energy: interval, accumulated time, full scale
    int next = 0;                     // next slice that gets an energy value
};
inline Wave wave;

// Scans the plotted range: extremes, mean, variance, ADC in effect, display range, wzero.
void scnwav();
// Primes the window for a page: centred on the page start, gray column and axis steps cleared.
void wavprime();
// Moves the window on by h samples, keeping n.
void wavadv(int h, int n);
// Waveform mark of slice j from the h samples in the middle of the n-sample window.
void wavslice(int j, int n, int h);
// Energy mark of slice j from the n-sample window.
void enrslice(int j, int n);
