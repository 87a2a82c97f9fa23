// Analysis window table, built once per plot by the setup and read by the spectrum slices
// and the band listing; only the first nwin values of wtab are meaningful.
#pragma once

enum { WTABMAX = 8192 };

struct Win {
    float wtab[WTABMAX] = {}; // window values, centred on nwin / 2
    float wfac = 1.0f;        // window-width factor of the shape: nwin = wfac x srate / bandwidth
};
inline Win win;

// Window-width factor of a shape: 0 rectangular 1.0, 1 Hamming 2.0, 2 Blackman 3.0, other 1.0.
float winfac(int window);

// Fills win.wtab[0 .. nwin-1] and win.wfac for shape `window` (an unknown shape is rectangular,
// with a warning on the message stream).
void winset(int nwin, int window);
