// Analysis window table: rectangular, Hamming or Blackman, centred on nwin / 2 (so an even-length
// window starts one step before the shape's end). Values are computed in double and rounded to
// float where the spectra expect it; an unknown shape falls back to the rectangular window.
#include "analysis/window.h"

#include "base/msg.h"

#include <cmath>

float winfac(int window) {
    switch (window) {
    case 1: return 2.0f;
    case 2: return 3.0f;
    default: return 1.0f;
    }
}

void winset(int nwin, int window) {
    win.wfac = winfac(window);
    if (window < 0 || window > 2) {
        msg("WARNING: unknown window %d, rectangular window used\n", window);
        window = 0;
    }
    if (nwin > WTABMAX) nwin = WTABMAX;
    if (nwin == 1) window = 0; // one value: no step between ends
    double dphi = nwin > 1 ? 6.2831853071796 / (nwin - 1) : 0.0;
    for (int i = 0; i < nwin; i++) {
        double x = (i - nwin / 2) * dphi;
        switch (window) {
        case 0: win.wtab[i] = 1.0f; break;
        case 1: win.wtab[i] = static_cast<float>(0.54 + 0.46 * std::cos(x)); break;
        case 2:
            win.wtab[i] = static_cast<float>(0.42 + 0.5 * std::cos(x)) +
                          static_cast<float>(0.08 * std::cos(2 * x));
            break;
        }
    }
}
