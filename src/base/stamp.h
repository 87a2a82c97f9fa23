// The date stamp and title of a run's plots: set when the run's file is taken up and when a
// plot is set up, read by the date stamp of the page and the PostScript title.
#pragma once
#include <string>

struct Stamp {
    std::string rundate;  // "Sun Dec  6 01:02:48 2026\n": 24 characters and a newline
    std::string plotname; // name for the date stamp and the PostScript title
};
inline Stamp stamp;
