// The plot session of a run: the output device opened for the first drawing and kept
// open across the run's plots, and the end of the plot, normal or abandoned.
#pragma once
#include "base/outcome.h"

struct Session {
    int plotopen = 0; // an output device is open for this run
};
inline Session ses;

// Opens the device of opt.devindex through the device list and prepares the core; 1 when
// it is not available (said; the run failed).
int devopen();
// The openplot hook: opens the device when no plot is open; 0 when one is open afterwards.
int sesopen();
// Ends the run's plot and output; abandon 1 gives up the plot (and fails the run).
void runclose(int abandon);
// Acts on what a plot asked of the run: an abandoned plot closes it, a refused page only
// fails it.
void plotend(Outcome outcome);
