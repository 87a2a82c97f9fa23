// Shared by every test program: the message stream caught in memory, scratch directories
// that are removed with what they hold, whole-file reads and writes, the recordings sox
// writes as fixtures, and the programs run by the shell as a user runs them.
#pragma once
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
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

// A fresh directory under /tmp, removed with its files at the end of its scope. Without one
// the test program stops: falling back to /tmp itself would let the clean-up empty it.
struct Scratch {
    std::string dir;
    explicit Scratch(const char *tag = "test") {
        dir = std::string("/tmp/kavrel-") + tag + "-XXXXXX";
        if (!mkdtemp(dir.data())) std::abort();
    }
    Scratch(const Scratch &) = delete;
    ~Scratch() {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
    std::string operator/(const std::string &name) const { return dir + "/" + name; }
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

// A document without its creation date, and without its title when the names differ: the
// lines that say when, and from what file, it was written.
inline std::string nodate(const std::string &doc, bool untitled = false) {
    std::istringstream in(doc);
    std::string r;
    for (std::string l; std::getline(in, l);)
        if (!l.starts_with("%%CreationDate:") && !(untitled && l.starts_with("%%Title:")))
            r += l + "\n";
    return r;
}

// 1 when the shell finds the program.
inline bool have(const char *tool) {
    return std::system((std::string("command -v ") + tool + " > /dev/null 2>&1").c_str()) == 0;
}

// Runs a fixture tool in dir ("sox -n -r 8000 t.wav synth 1 sine 440"); the setup step
// installs every such tool, so a missing one fails the test by name, never skips it.
inline ::testing::AssertionResult tool(const std::string &dir, const std::string &cmd) {
    const std::string name = cmd.substr(0, cmd.find(' '));
    if (!have(name.c_str())) return ::testing::AssertionFailure() << name << " is not installed";
    const std::string line = "cd '" + dir + "' && " + cmd + " > /dev/null 2>&1";
    if (std::system(line.c_str()) != 0) return ::testing::AssertionFailure() << "failed: " << cmd;
    return ::testing::AssertionSuccess();
}

// A recording made by sox without dither, so its samples are the same on every run:
// ASSERT_TRUE(sox(s.dir, "-n -r 16000 -b 16 tone.wav synth 1 sine 1000")).
inline ::testing::AssertionResult sox(const std::string &dir, const std::string &args) {
    return tool(dir, "sox -D " + args);
}

// How a shell command went: its exit status (-1 when the shell could not run), standard error,
// standard output and seconds.
struct Ran {
    int status;
    std::string err, out;
    double secs;
};

// Runs cmd by the shell in s without KAVREL, with in on its standard input; standard output
// goes into a pipe, as to a printer.
inline Ran shrun(const Scratch &s, const std::string &cmd, const std::string &in = "") {
    writefile(s / ".in", in);
    const auto t0 = std::chrono::steady_clock::now();
    const int st = std::system(("cd '" + s.dir + "' && { unset KAVREL; " + cmd +
                                " <.in 2>.err; echo $? >.st; } | cat >.out")
                                   .c_str());
    const std::chrono::duration<double> secs = std::chrono::steady_clock::now() - t0;
    return {st == 0 ? std::atoi(readfile(s / ".st").c_str()) : -1, readfile(s / ".err"),
            readfile(s / ".out"), secs.count()};
}
