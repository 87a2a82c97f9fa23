// Command-line options, the KAVREL environment variable and the usage text.
// Option counters persist across runs; the device choice and -d, -q are reset by each run.
#pragma once

// Applies an argument vector: options, assignments, positional arguments (word 0 skipped).
// Returns 1 when an output file named by -o cannot be made (said): the run ends there.
// Unless a -P word named a known device, the -o file's extension then chooses the device;
// since both passes end with that choice, the order of the words does not matter.
int cmdopts(int argc, const char *const *argv);
// Echoes and applies the default options of the KAVREL environment variable; 1 as cmdopts.
// It is a run's first pass: it forgets the device a previous run named.
int envopts();
// Selects the device row whose name begins the text after -P; a text that names no device
// is said and changes nothing, so the -o extension or the screen decides.
void devpick(const char *text);
// The device of the -o file's extension (any case) unless a -P word named one: ".eps" and
// ".ps" PostScript, ".emf", ".pdf", ".svg", ".pcl" (300 dpi LaserJet), ".imp", ".png" the
// screen's picture; another extension, or none, leaves the choice as it is.
void devbyname();
// Writes the 22 lines of the usage text to the message stream.
void usage();
