// Option state of the program body: the command line and the KAVREL environment variable.
// The option counters (asciiopt ... nqopt) survive every run; the window shell relies on it.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct Opts {
    std::vector<std::string> posarg; // positional arguments; entry 0 is the file to process
    int nposarg = 0;                 // entries in use, at most 16 (posarg holds exactly these)
    int hostorder = 0;               // 0: little-endian host
    int devindex = 0, devres = 0;    // output device and resolution selection (-P)
    int devnamed = 0;                // a -P word of this run named a known device
    int devbyext = 1;                // else -o's extension chooses (not in the window program)
    int8_t debugopt = 0;             // -d, reset by every run
    int8_t verbose = 1;              // 0 in quiet mode (-q), reset by every run
    int asciiopt = 0, coloropt = 0, nohdropt = 0, netopt = 0, nqopt = 0; // persist
};
inline Opts opt;
