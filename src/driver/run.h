// Run state and option state of the program body: what each run resets, what persists.
// The option counters (asciiopt ... nqopt) survive every run; the window shell relies on it.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "driver/outfile.h" // outfp: the stream of the file devices

struct Run {
    std::vector<std::string> posarg; // positional arguments; entry 0 is the file to process
    int nposarg = 0;                 // entries in use, at most 16 (posarg holds exactly these)
    FILE *outfile = nullptr;         // output file of the file devices (-o)
    std::string outname;             // its name, for messages
    int plotopen = 0;                // an output device is open for this run
    int hostorder = 0;               // 0: little-endian host
    int devindex = 0, devres = 0;    // output device and resolution selection (-P)
    int8_t debugopt = 0;             // -d, reset by every run
    int8_t verbose = 1;              // 0 in quiet mode (-q), reset by every run
    int asciiopt = 0, coloropt = 0, nohdropt = 0, netopt = 0, nqopt = 0; // persist
    int failed = 0; // something went wrong in this run: kavrel exits 1
    // recorded by the parameter-file interpreter for the rest of the run
    std::string rundate;  // "Sun Dec  6 01:02:48 2026\n": 24 characters and a newline
    std::string plotname; // name for the date stamp and the PostScript title
    std::string runfile;  // the file actually opened (".spc" supplied, or the template)
    int runkind = 0;      // class sdident gave runfile: 0, 1, 2 or 7
    int curkind = 0;      // class of the file identified most recently
    // the output stream as the file devices see it
    int outlost = 0;    // runclose(1) closed the -o file in the middle of this run
    int outwarned = 0;  // the lost output file has been reported once
    int stdoutused = 0; // a device was handed standard output in this run
};
inline Run run;

// The program body: one run over an argument vector (word 0 is the program's name).
// Returns 0; ends the process after the usage text when no file is named.
int runmain(int argc, char **argv);
// Ends the run's plot and output; abandon 1 gives up the plot (and fails the run).
void runclose(int abandon);
