// Command-line options, the KAVREL environment variable, device names and the usage text.
// Option counters persist across runs; the device choice and -d, -q are reset by each run.
#pragma once

// One row of the output-device names, searched in order by devpick.
struct DevName {
    const char *name;
    int devindex; // device opened by the rendering core
    int devres;   // resolution selection of the metafile and LaserJet devices
};
extern const DevName devnames[16];

// Applies an argument vector: options, assignments, positional arguments (word 0 skipped).
void cmdopts(int argc, const char *const *argv);
// Echoes and applies the default options of the KAVREL environment variable.
void envopts();
// Selects the device row whose name begins the text after -P; the screen when none does.
void devpick(const char *text);
// Writes the 20 lines of the usage text to the message stream.
void usage();
