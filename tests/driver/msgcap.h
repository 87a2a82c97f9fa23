// Captures the message stream in memory for one test, and makes scratch directories.
#pragma once
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "driver/msg.h"

struct MsgCap {
    char *buf = nullptr;
    size_t len = 0;
    FILE *old;
    MsgCap() : old(msgfp) { msgfp = open_memstream(&buf, &len); }
    ~MsgCap() {
        std::fclose(msgfp);
        msgfp = old;
        std::free(buf);
    }
    std::string text() {
        std::fflush(msgfp);
        return std::string(buf, len);
    }
};

// A fresh directory under /tmp for one test's files.
inline std::string scratchdir() {
    char tmpl[] = "/tmp/kavrel-driver-XXXXXX";
    const char *d = mkdtemp(tmpl);
    return d ? d : "/tmp";
}

// A scratch directory removed with everything in it when the test is done.
struct Scratch {
    std::string dir = scratchdir();
    Scratch() = default;
    Scratch(const Scratch &) = delete;
    ~Scratch() {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
};

inline void writefile(const std::string &path, const std::string &text) {
    FILE *f = std::fopen(path.c_str(), "wb");
    if (!f) return;
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
}

inline std::string readfile(const std::string &path) {
    std::string s;
    FILE *f = std::fopen(path.c_str(), "rb");
    if (!f) return s;
    char b[4096];
    size_t n;
    while ((n = std::fread(b, 1, sizeof b, f)) > 0) s.append(b, n);
    std::fclose(f);
    return s;
}
