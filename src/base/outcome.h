// What a stage below the driver asks of the run when it stops a plot, and the one hook
// through which such a stage gets the run's device opened. The driver acts on both.
#pragma once

enum Outcome {
    GOON = 0,    // the plot is drawn, or skipped with its reason said: the run goes on
    ENDPLOT = 1, // end the plot normally: finish its page and close the output
    ABANDON = 2, // give the plot up: the output is lost and the run fails
};

// Opens the run's output device when no plot is open: 0 when one is open afterwards,
// 1 when the device is not available (said, and the run failed). Installed by the session.
inline int (*openplot)() = nullptr;
