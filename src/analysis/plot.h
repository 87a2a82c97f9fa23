// The plot command: one file to pages of plot, its frequency axis and row positions, the
// page loop and the FFT page driver, and the plot records the cursor read-out maps back.
#pragma once
#include <string>

#include "base/outcome.h"

// One plotted panel set, as the cursor read-out needs it (dots of the run that drew it).
struct PlotRec {
    std::string sdname;         // private copy of the file's name
    int axtype = 0;             // 0 linear, 1 octave, 2 place
    int left = 0, bottom = 0;   // spectrogram panel: pltx0, plty
    int right = 0, top = 0;     // pltx0 + pltw, plty + plth
    int wavbot = 0, wavtop = 0; // waveform panel: wavy, wavy + wavh
    int nfft = 0, nwin = 0;
    float tpg0 = 0, tpg1 = 0, flo = 0, fhi = 0, lnr = 0, fpA = 0, fpB = 0, fpC = 0;
    float maxpow = 0; // largest FFT power so far, written while drawing
    float srate = 0;
    int channel = 1; // the channel plotted, counting from 1
};

enum { PLOTRECMAX = 64, GRAYPOSMAX = 4098 };

struct Plot {
    double xpos = 0;                 // page position of the next time slice, inches
    int axtype = 0;                  // frequency axis: 0 linear, 1 octave, 2 place
    int axdec = 0;                   // decimals code of the frequency numbers, 0..3
    float axlo = 0, axhi = 0;        // axis values at the panel's bottom and top
    float fpA = 0, fpB = 0, fpC = 0; // frequency-to-place map
    float graypos[GRAYPOSMAX] = {};  // relative position of each displayed row, 0..1
    PlotRec plotrec[PLOTRECMAX];
    int nplotrec = 0;
};
inline Plot plot;

// Plots one file of class kind (2 time-step file, else sampled data) named by sd.sdname;
// returns how the run's plot is to end.
Outcome plotcmd(int kind);
// Ends the page when the plot command has placed anything on it (xpos > 0).
void pageeject();
// Empties the plot-record list.
void plotclear();
// Place of frequency f under the map in use, and the frequency of a place.
double fplace(double f);
double placef(double place);
