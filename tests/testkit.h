// Shared by every test program: the message stream caught in memory, scratch directories,
// and whole-file reads and writes.
#pragma once
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "base/msg.h"

// Catches the message stream while it lives.
struct MsgCap {
    char *buf = nullptr;
    size_t len = 0;
    FILE *old = msgfp;
    MsgCap() { msgfp = open_memstream(&buf, &len); }
    MsgCap(const MsgCap &) = delete;
    ~MsgCap() {
        std::fclose(msgfp);
        msgfp = old;
        std::free(buf);
    }
    std::string text() { return std::fflush(msgfp), std::string(buf, len); }
    // How often the text holds `what`.
    int times(const std::string &what) {
        std::string t = text();
        int n = 0;
        for (size_t p = t.find(what); p != std::string::npos; p = t.find(what, p + 1)) n++;
        return n;
    }
};

// A fresh directory under /tmp; without one the test program stops, since falling back to
// /tmp itself would let a clean-up remove everything there.
inline std::string scratchdir(const char *tag = "test") {
    std::string t = std::string("/tmp/kavrel-") + tag + "-XXXXXX";
    if (!mkdtemp(t.data())) std::abort();
    return t;
}

// A scratch directory removed with its files at the end of its scope.
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
    ASSERT_NE(f, nullptr) << path;
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
}

// The whole file, or "" when it cannot be read.
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
