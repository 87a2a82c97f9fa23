// Helpers of the device tests: the run's output file and the message stream in memory,
// scratch directories, and little-endian reads.
#pragma once
#include "testkit.h"
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "driver/msg.h"
#include "driver/run.h"

// Makes a temporary file the run's -o file for one test and reads it back.
struct OutCap {
    OutCap() {
        run.outfile = std::tmpfile();
        run.outname = "test.out";
        run.outlost = 0;
        run.failed = 0;
    }
    ~OutCap() {
        if (run.outfile) std::fclose(run.outfile);
        run.outfile = nullptr;
    }
    std::string bytes() {
        std::string s;
        std::fflush(run.outfile);
        long at = std::ftell(run.outfile);
        std::rewind(run.outfile);
        char b[65536];
        size_t n;
        while ((n = std::fread(b, 1, sizeof b, run.outfile)) > 0) s.append(b, n);
        std::fseek(run.outfile, at, SEEK_SET);
        return s;
    }
};

inline uint32_t le32(const std::string &s, size_t at) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; i--) v = v << 8 | static_cast<uint8_t>(s[at + i]);
    return v;
}
