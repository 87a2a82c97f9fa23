// The command line of kavrel-batch: its own options, and the words every run is given as
// kavrel would take them (options, assignments), the recording added by the batch.
#pragma once
#include <string>
#include <vector>

struct BatchOpts {
    std::vector<std::string> words;  // options and assignments passed to every run
    std::vector<std::string> inputs; // the files and directories named
    std::string pattern;             // -o: the output name pattern
    std::string spcfile;             // -f: the parameter file each recording runs through
    std::string manifest;            // --manifest: .csv or .jsonl
    int jobs = 0;                    // -j: worker processes (0: the cores this process may use)
    double timeout = 0;              // --timeout: seconds a recording may take (0: no limit)
    int force = 0;                   // --force: redo recordings whose output is up to date
    int shardk = 0, shardn = 1;      // --shard K/N: every N-th recording from the K-th
    int help = 0;                    // --help, or no recording named
};
inline BatchOpts bopt;

// Reads the command line into bopt (word 0 skipped); 1 when it is wrong (said).
int batchargs(int argc, const char *const *argv);
// Writes the usage text to the message stream.
void batchusage();
// The worker processes of a run: -j, or the processors this process may use.
int batchjobs();
