// Shared by the driver tests: the message stream caught in memory, scratch directories
// removed with their files, whole-file reads and writes, and parameter comparison.
#pragma once
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "driver/msg.h"
#include "driver/params.h"

// Catches the message stream while it lives.
struct MsgCap {
    char *buf = nullptr;
    size_t len = 0;
    FILE *old = msgfp;
    MsgCap() { msgfp = open_memstream(&buf, &len); }
    ~MsgCap() {
        std::fclose(msgfp);
        msgfp = old;
        std::free(buf);
    }
    std::string text() { return std::fflush(msgfp), std::string(buf, len); }
};

// A fresh directory under /tmp, removed at the end; without one the test stops (removing
// a fallback such as /tmp itself would be far worse).
struct Scratch {
    std::string dir;
    Scratch() {
        char t[] = "/tmp/kavrel-driver-XXXXXX";
        if (!mkdtemp(t)) std::abort();
        dir = t;
    }
    Scratch(const Scratch &) = delete;
    ~Scratch() {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
};

inline void writefile(const std::string &path, const std::string &text) {
    std::ofstream(path, std::ios::binary) << text;
}

inline std::string readfile(const std::string &path) {
    std::ifstream f(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), {}};
}

// Name of the first parameter (markers included) in which a and b differ, "" if none.
inline std::string pardiff(const Params &a, const Params &b) {
    for (const IntPar &p : intpars) {
        if (a.*p.val != b.*p.val) return p.name;
    }
    for (const FloatPar &p : floatpars) {
        if (a.*p.val != b.*p.val) return p.name;
    }
    return "";
}
