// The program body and the parameter-file interpreter's record of the run.
#pragma once
#include <string>

// What the interpreter recorded of the file a run was given.
struct Run {
    std::string runfile; // the file actually opened (".spc" supplied, or the template)
    int runkind = 0;     // class sdident gave runfile: 0, 1, 2 or 7
    int curkind = 0;     // class of the file identified most recently
};
inline Run run;

// The openplot hook a run installs when set, else the session's own: a caller that must
// see the device opened (the batch worker counts the pages) wraps sesopen here.
inline int (*runopen)() = nullptr;

// The program body: one run over an argument vector (word 0 is the program's name).
// Returns the run's status: 1 when it failed or could not start, else 0.
int runmain(int argc, char **argv);
