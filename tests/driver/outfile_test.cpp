// The run's output stream: which stream the devices get, and write errors at the close.
#include "driver/outfile.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdio_ext.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "driver/run.h"
#include "msgcap.h"

namespace {

TEST(OutputStream, DevicesGetTheFileStandardOutputOrNothingOnceLost) {
    run = ::Run{};
    EXPECT_EQ(outfp(), stdout); // no -o: standard output
    EXPECT_EQ(run.stdoutused, 1);

    const Scratch scratch;
    const std::string &d = scratch.dir;
    run.outname = d + "/plot.eps";
    run.outfile = std::fopen(run.outname.c_str(), "wb");
    ASSERT_NE(run.outfile, nullptr);
    EXPECT_EQ(outfp(), run.outfile);

    MsgCap cap;
    outclose();
    EXPECT_EQ(run.outfile, nullptr);
    run.outlost = 1; // as runclose(1) leaves it
    EXPECT_EQ(outfp(), nullptr);
    EXPECT_EQ(outfp(), nullptr);
    EXPECT_EQ(cap.text(), "output file " + run.outname +
                              " was closed by an abandoned plot; later plots of this run are "
                              "not written\n"); // said once
    EXPECT_EQ(run.failed, 0);
    run = ::Run{};
}

TEST(OutputStream, WriteErrorsAreReportedAtTheClose) {
    run = ::Run{};
    const Scratch scratch;
    const std::string &d = scratch.dir;
    struct {
        std::string path;
        const char *mode;
        bool removed; // a regular file left incomplete is removed; a device stays
    } const cases[] = {
        {"/dev/full", "wb", false},
        {d + "/readonly.eps", "rb", true}, // every write to it fails
        {d + "/good.eps", "wb", false},
    };
    writefile(d + "/readonly.eps", "x");
    for (const auto &c : cases) {
        run.failed = 0;
        run.outname = c.path;
        run.outfile = std::fopen(c.path.c_str(), c.mode);
        ASSERT_NE(run.outfile, nullptr) << c.path;
        std::string block(10000, 'p');
        std::fwrite(block.data(), 1, block.size(), run.outfile);
        MsgCap cap;
        outclose();
        const bool good = c.path == d + "/good.eps";
        EXPECT_EQ(run.failed, good ? 0 : 1) << c.path;
        EXPECT_EQ(cap.text(), good ? "" : "error writing output file " + c.path + "\n");
        struct stat st;
        EXPECT_EQ(stat(c.path.c_str(), &st) == 0, !c.removed) << c.path;
        if (good) { EXPECT_EQ(readfile(c.path), block); }
    }
    run = ::Run{};
}

TEST(OutputStream, StandardOutputIsCheckedWhenAnyDeviceUsedIt) {
    run = ::Run{};
    std::fflush(stdout);
    const int saved = dup(1);
    const int full = open("/dev/full", O_WRONLY);
    ASSERT_GE(full, 0);
    dup2(full, 1);
    MsgCap cap;
    outflush(); // nobody used it: nothing checked
    EXPECT_EQ(cap.text(), "");
    std::fputs("plot", outfp());
    outflush();
    __fpurge(stdout); // the failed bytes must not reach the real stdout later
    dup2(saved, 1);
    close(full);
    close(saved);
    EXPECT_EQ(cap.text(), "error writing output file (standard output)\n");
    EXPECT_EQ(run.failed, 1);
    EXPECT_EQ(std::ferror(stdout), 0); // cleared for the next run
    run = ::Run{};
}

} // namespace
