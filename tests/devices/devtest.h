// Helpers of the device tests: the run's output file and the message stream in memory,
// scratch directories, and little-endian reads.
#pragma once
#include "base/outfile.h"
#include "testkit.h"
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "base/msg.h"

// Makes a temporary file the run's -o file for one test and reads it back.
struct OutCap {
    OutCap() {
        out.outfile = std::tmpfile();
        out.outname = "test.out";
        out.outlost = 0;
        out.failed = 0;
    }
    ~OutCap() {
        if (out.outfile) std::fclose(out.outfile);
        out.outfile = nullptr;
    }
    std::string bytes() {
        std::string s;
        std::fflush(out.outfile);
        long at = std::ftell(out.outfile);
        std::rewind(out.outfile);
        char b[65536];
        size_t n;
        while ((n = std::fread(b, 1, sizeof b, out.outfile)) > 0) s.append(b, n);
        std::fseek(out.outfile, at, SEEK_SET);
        return s;
    }
};

inline uint32_t le32(const std::string &s, size_t at) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; i--) v = v << 8 | static_cast<uint8_t>(s[at + i]);
    return v;
}
