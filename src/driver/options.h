// Command-line options, the KAVREL environment variable and the usage text.
// Option counters persist across runs; the device choice and -d, -q are reset by each run.
#pragma once

// Applies an argument vector: options, assignments, positional arguments (word 0 skipped).
// Returns 1 when an output file named by -o cannot be made (said): the run ends there.
int cmdopts(int argc, const char *const *argv);
// Echoes and applies the default options of the KAVREL environment variable; 1 as cmdopts.
int envopts();
// Selects the device row whose name begins the text after -P; the screen when none does.
void devpick(const char *text);
// Writes the 20 lines of the usage text to the message stream.
void usage();
