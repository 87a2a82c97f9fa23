// Run state and option state of the program body: what each run resets, what persists.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

struct Run {
    std::vector<std::string> posarg; // positional arguments; entry 0 is the file to process
    int nposarg = 0;                 // entries in use, at most 16
    FILE *outfile = nullptr;         // output file of the file devices (-o)
    std::string outname;             // its name, for messages
    int plotopen = 0;                // an output device is open for this run
    int hostorder = 0;               // 0: little-endian host
    int devindex = 0, devres = 0;    // output device and resolution selection (-P)
    int8_t debugopt = 0;             // -d, reset by every run
    int8_t verbose = 1;              // 0 in quiet mode (-q), reset by every run
    int asciiopt = 0, coloropt = 0, nohdropt = 0, netopt = 0, nqopt = 0; // persist
    int failed = 0;                  // something went wrong in this run: kavrel exits 1
};
inline Run run;

// The program body: one run over an argument vector (word 0 is the program's name).
int runmain(int argc, char **argv);
// Ends the run's plot and output; abandon 1 gives up the plot.
void runclose(int abandon);

// The stream the file devices write to: the -o file, standard output when no -o was given,
// or none once runclose(1) has closed the output file in the middle of a run (said once).
FILE *outfp();
