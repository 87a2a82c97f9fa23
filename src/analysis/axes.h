// Frames of the plot panels: axis lines, tic marks in three lengths, frequency and time
// numbers and the axis titles, plus the per-slice time-tic and grid steps of a page.
#pragma once
#include <cstdint>

// Axis state: line widths, the time-number and tic schedule of the current page.
struct Axes {
    int axwx = 0, axwy = 0; // axis line width in rows and in columns
    int tunit = 0;          // time unit index 0..4 ("ksec" .. "nsec")
    int tlabdec = 0;        // 1 when time numbers get one decimal
    int ticstep = 1;        // time tic step multiplier: 1, 2 or 5
    double ticbase = 0;     // time tic unit, seconds
    int labstep = 1;        // time number step multiplier: 1, 2, 5 or 10
    double labiv = 0;       // time number interval, seconds
    double maxlabw = 0;     // width in inches of the widest frequency number drawn
    double ytitlex = 0;     // x in inches of the titles of the vertical axes
    double tlaby = 0;       // y in inches of the time numbers
    double lastlab = 0;     // time of the last time number drawn, seconds from the page start
    int nexttic = 0;        // row offset from pltx0 of the next time tic
    double nextticT = 0;    // its time
    int8_t ticcount = 0;    // running count of tic units modulo 10
    int nextgrid = 0;       // row offset of the next grid column
    double gridT = 0;       // its time
    // Time-step file hook: the plot command sets tsdfile to 1 for a cochlear plot (0 for
    // any other) and the cochlear code sets enzero; the energy panel is then titled "wnr"
    // and gets tics at its bottom, top and enzero only.
    int tsdfile = 0;
    int enzero = 0; // column of the value 0 in the energy panel of a cochlear plot
};
inline Axes ax;

// Stage 1 computes the line widths and draws the page's frame, numbers and titles, ending
// with rowto(pltx0); any other stage only computes the line widths.
void axframe(int stage);
// Clears the tic and grid schedule before a page (done by the sample-window priming).
void axprime();
// Time-axis step for slice j of the page (and once more with j = pltw after the last).
void taxstep(int j);
// Frequency-grid step for slice j of the page.
void gridstep(int j);
// Text of the frequency number at axis value m: kHz in the format of the axis in use.
void freqtext(double m, char *text, int size);
// Text of the time number for t seconds, in the time unit of the last frame drawn.
void timetext(double t, char *text, int size);
