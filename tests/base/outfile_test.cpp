// The run's output stream at its close: a write error is reported and fails the run, a
// regular file left incomplete is removed, and standard output is checked and cleared.
#include "base/outfile.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <stdio_ext.h>
#include <string>
#include <unistd.h>

#include "msgcap.h"

namespace {

TEST(OutputClose, WriteErrorsFailTheRunAndLeaveNoIncompleteFile) {
    const Scratch s;
    writefile(s.dir + "/readonly.eps", "x");
    struct {
        std::string path;
        const char *mode;
        int failed;
        bool kept; // a device stays whatever happened
    } const cases[] = {
        {"/dev/full", "wb", 1, true},
        {s.dir + "/readonly.eps", "rb", 1, false}, // every write to it fails
        {s.dir + "/good.eps", "wb", 0, true},
    };
    const std::string block(10000, 'p');
    for (const auto &c : cases) {
        run = ::Run{};
        out.outname = c.path;
        out.outfile = std::fopen(c.path.c_str(), c.mode);
        ASSERT_NE(out.outfile, nullptr) << c.path;
        std::fwrite(block.data(), 1, block.size(), outfp());
        MsgCap cap;
        outclose();
        EXPECT_EQ(out.outfile, nullptr);
        EXPECT_EQ(out.failed, c.failed) << c.path;
        EXPECT_EQ(cap.text(), c.failed ? "error writing output file " + c.path + "\n" : "");
        EXPECT_EQ(std::filesystem::exists(c.path), c.kept) << c.path;
    }
    EXPECT_EQ(readfile(s.dir + "/good.eps"), block);
    run = ::Run{};
}

// The window program runs again and again: one failed write must not fail the next run.
TEST(OutputClose, StandardOutputErrorIsReportedOnceAndCleared) {
    run = ::Run{};
    std::fflush(stdout);
    const int saved = dup(1), full = open("/dev/full", O_WRONLY);
    ASSERT_GE(full, 0);
    dup2(full, 1);
    MsgCap cap;
    std::fputs("plot", outfp());
    outflush();
    __fpurge(stdout); // the failed bytes must not reach the real standard output later
    dup2(saved, 1);
    close(full);
    close(saved);
    EXPECT_EQ(cap.text(), "error writing output file (standard output)\n");
    EXPECT_EQ(out.failed, 1);
    EXPECT_EQ(std::ferror(stdout), 0);
    run = ::Run{};
}

} // namespace
