// Runs: what every run resets, what persists across runs, the usage text, and the close of
// the output file at the end of a run or when a plot is abandoned.
#include "driver/run.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

#include "driver/params.h"
#include "msgcap.h"

namespace {

// Standard error (the message stream of a run) captured into a file.
struct ErrCap {
    Scratch scratch;
    std::string path;
    int saved;
    ErrCap() : path(scratch.dir + "/stderr") {
        std::fflush(stderr);
        saved = dup(2);
        const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(fd, 2);
        close(fd);
    }
    std::string text() {
        std::fflush(stderr);
        return readfile(path);
    }
    ~ErrCap() {
        std::fflush(stderr);
        dup2(saved, 2);
        close(saved);
    }
};

int runwith(std::vector<std::string> words) {
    words.insert(words.begin(), "kavrel");
    std::vector<char *> argv;
    for (std::string &w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    return runmain(static_cast<int>(words.size()), argv.data());
}

TEST(Runs, EachRunStartsFromTheDefaultsWhileCountersPersist) {
    run = ::Run{};
    unsetenv("KAVREL");
    const Scratch scratch;
    const std::string &d = scratch.dir;
    writefile(d + "/first.spc", "tmin=3\nmval=300\n");
    writefile(d + "/second.spc", "; nothing\n");
    ErrCap cap;
    EXPECT_EQ(runwith({"-c", "-d", "-q", "-a", "-nh", "-Pps2", "xlen=5", d + "/first.spc"}), 0);
    EXPECT_EQ(par.tmin, 3.0f);
    EXPECT_EQ(par.mval, 44);
    EXPECT_EQ(par.xlen, 5.0f);
    EXPECT_EQ(run.devindex, 4);
    EXPECT_EQ(run.devres, 2);

    EXPECT_EQ(runwith({d + "/second.spc"}), 0);
    EXPECT_EQ(par.tmin, 0.0f);
    EXPECT_EQ(par.mval, 4);
    EXPECT_EQ(par.xlen, 8.5f);
    EXPECT_EQ(run.devindex, 0); // reset by every run
    EXPECT_EQ(run.devres, 2);   // changed only by a device option
    EXPECT_EQ(run.debugopt, 0);
    EXPECT_EQ(run.verbose, 1);
    EXPECT_EQ(run.coloropt, 1); // the counters stay raised
    EXPECT_EQ(run.asciiopt, 1);
    EXPECT_EQ(run.nohdropt, 1);
    EXPECT_EQ(run.failed, 0);
    EXPECT_EQ(msgfp, stderr);
    run = ::Run{};
}

TEST(Runs, AFailedRunIsFlaggedAndTheNextStartsClean) {
    run = ::Run{};
    unsetenv("KAVREL");
    const Scratch scratch;
    const std::string &d = scratch.dir;
    writefile(d + "/ok.spc", "tmin=1\n");
    ErrCap cap;
    EXPECT_EQ(runwith({d + "/nothing-here"}), 0); // runmain returns 0 all the same
    EXPECT_EQ(run.failed, 1);
    EXPECT_EQ(cap.text(), "can't open file " + d + "/nothing-here\n");
    runwith({d + "/ok.spc"});
    EXPECT_EQ(run.failed, 0);
    run = ::Run{};
}

TEST(RunsDeathTest, NoFileNamedPrintsTheUsageAndEndsTheProcess) {
    EXPECT_EXIT(runwith({"-c", "xlen=3"}), testing::ExitedWithCode(0),
                "^KAVREL version 2.52 .*\n\nusage: kavrel");
}

TEST(RunClose, OutputFileIsClosedAndLostAfterAnAbandonedPlot) {
    run = ::Run{};
    const Scratch scratch;
    const std::string &d = scratch.dir;
    struct {
        int abandon;
        int failed, lost;
    } const cases[] = {{0, 0, 0}, {1, 1, 1}};
    for (const auto &c : cases) {
        run = ::Run{};
        run.outname = d + "/out.eps";
        run.outfile = std::fopen(run.outname.c_str(), "wb");
        ASSERT_NE(run.outfile, nullptr);
        std::fputs("%!PS", outfp());
        MsgCap cap;
        runclose(c.abandon);
        EXPECT_EQ(run.outfile, nullptr);
        EXPECT_EQ(readfile(run.outname), "%!PS"); // complete up to where it was, and closed
        EXPECT_EQ(run.failed, c.failed);
        EXPECT_EQ(run.outlost, c.lost);
        EXPECT_EQ(outfp(), c.lost ? nullptr : stdout) << c.abandon;
        runclose(0); // a second close has nothing left to close
        EXPECT_EQ(run.failed, c.failed);
    }
    run = ::Run{};
}

} // namespace
