// The run's output stream: the -o file, standard output without -o, and the checks that
// turn a failed write (full disk, closed pipe) into a message and a failed run.
#pragma once
#include <cstdio>

// The stream the file devices write to: the -o file, standard output when no -o was given,
// or none once runclose(1) has closed the output file in the middle of a run (said once).
FILE *outfp();
// Closes the -o file if one is open, reporting a write error; a file left incomplete by
// the error is removed.
void outclose();
// Flushes standard output if a device was handed it in this run, reporting a write error.
void outflush();
