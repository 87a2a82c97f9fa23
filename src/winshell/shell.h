// The window shell's state and commands, free of any window system: the run vector and
// what Open, Replot, Color, Export, Print and Edit make of it, and the run's messages.
#pragma once
#include <string>
#include <vector>

using Words = std::vector<std::string>;

struct Shell {
    Words runargv;        // what Replot runs: the process's words, replaced by Open
    std::string startdir; // current directory at start and after each Open
    int runstate = 0;     // 3 once the window is gone
    int navkey = 0;       // code of the last navigation key (327..336), held for a consumer
    int savefilter = 0;   // filter of the last Export (0 before the first: PostScript)
    std::string readout;  // the line shown over the plot; emptied by every run
    std::string runmsgs;  // messages of the last run
    int runfailed = 0;    // the last run failed
    int runusage = 0;     // the last run had no file and wrote the usage text
};
inline Shell shell;

enum { NFILTERS = 3 }; // Export: 1 PostScript, 2 metafile, 3 any file by its extension

// Client size of the window on a screen sw pixels wide: 7/8 of it, at the page's 10.5 : 8
// less what the menu bar and frame take on a 1920-pixel screen.
void clientsize(int sw, int *w, int *h);
// Runs the program body over words: the cursor's file is closed first (the run uses the
// reader slot), the read-out is emptied, the messages go to standard error and runmsgs.
// Returns the run's status.
int runwords(const Words &words);
// Replot: runs runargv when it names more than the program; -1 when there is nothing to run.
int replot();
// The vector Open runs for a chosen file: the template of the current directory with the
// file as its %1 when the file holds samples, else the file itself.
Words openvec(const std::string &openname);
// Color: flips coloropt and rebuilds the palette; returns the new coloropt.
int colortoggle();
// The navigation keys' codes (Home 327 ... Down 336); 0 for any other key name.
int navcode(const char *key);
// Export: the name proposed (the plotted file without extension).
std::string savestem();
// The device option for filter 1..3 and the name (an unknown or missing extension under
// filter 3 gets ".ps", as PostScript); "" when nothing can be exported.
std::string exportdev(int filter, std::string *name);
// The vector of an Export to name with device option dev.
Words exportvec(const std::string &dev, const std::string &name);
// Print: the surface size at dpi dots per inch (10.5 in long, the window's proportions).
void printsize(int dpi, int keptw, int kepth, int *w, int *h);
// Edit: the command line that opens the plotted file, or none (missing file, no editor).
Words editvec();
// True when a program of that name is on the PATH.
bool onpath(const std::string &prog);
// The last non-empty line of text.
std::string lastline(const std::string &text);
