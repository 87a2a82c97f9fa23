// The cursor read-out: a click on the window read back through the plot records of the last
// run as time, frequency and level, the sample value, or the position on the page.
#pragma once
#include <cstdint>
#include <string>

#include "analysis/plot.h"

enum { READOUTW = 70 }; // the line is padded to cover a shorter earlier one

// Time as the read-out shows it ("500 us", "50.0 ms", "1.00 s", "INF").
std::string fmttime(double t);
// Frequency as the read-out shows it ("1.50 kHz", "1000 Hz", "INF").
std::string fmtfreq(double f);
// Frequency at fraction q (0 bottom, 1 top) of the record's frequency axis.
double freqat(double q, const PlotRec &r);
// The first record whose plot spans row r and has a spectrogram panel; nullptr when none.
const PlotRec *findrec(int r);
// The spectrum value of file `name` at t seconds and f Hz, for a window of `window` samples
// and a transform of `points`; 0 when the file cannot be read.
float curspec(const char *name, double t, double f, float rate, int window, int points,
              int channel = 1);
// Left click at client pixel (x, y): the read-out line; 0 (nothing to show) before any plot.
int tclick(int x, int y, std::string *text);
// Right click: the line naming the file under the pointer, and that file (empty when none);
// 0 before any plot.
int sclick(int x, int y, std::string *text, const PlotRec **rec);
