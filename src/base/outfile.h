// The run's output stream: the -o file, standard output without -o, and the checks that
// turn a failed write (full disk, closed pipe) into a message and a failed run.
#pragma once
#include <cstdio>
#include <string>

// The output stream's state and the run's outcome.
struct Output {
    FILE *outfile = nullptr; // output file of the file devices (-o)
    std::string outname;     // its name, for messages
    int outlost = 0;         // runclose(1) closed the -o file in the middle of this run
    int outwarned = 0;       // the lost output file has been reported once
    int stdoutused = 0;      // a device was handed standard output in this run
    int failed = 0;          // something went wrong in this run: kavrel exits 1
};
inline Output out;

// The stream the file devices write to: the -o file, standard output when no -o was given,
// or none once runclose(1) has closed the output file in the middle of a run (said once).
FILE *outfp();
// Makes the -o file, closing the previous one first; 1 when it cannot be made (said).
int outopen(const char *name);
// Closes the -o file if one is open, reporting a write error; a file left incomplete by
// the error is removed when the name still is that file, else it is said to be incomplete.
void outclose();
// Flushes standard output if a device was handed it in this run, reporting a write error.
void outflush();
