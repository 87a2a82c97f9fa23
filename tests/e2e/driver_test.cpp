// kavrel run as a user runs it: arguments, the KAVREL variable, messages on standard error,
// output on a file or standard output, and the exit status.
#include <gtest/gtest.h>

#include "base/outfile.h"
#include "testkit.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

// The document without its creation date, which differs between two runs.
std::string nodate(const std::string &doc) {
    const size_t at = doc.find("%%CreationDate:");
    if (at == std::string::npos) return doc;
    return doc.substr(0, at) + doc.substr(doc.find('\n', at) + 1);
}

struct Result {
    int status = -1; // exit status, or 128 + signal
    std::string out, err;
};

enum Stdout { TO_FILE, TO_CLOSED_PIPE };

// Runs kavrel in dir with the words, KAVREL set to env (unset when null), stdin empty.
Result kavrel(const std::string &dir, const std::vector<std::string> &words,
              const char *env = nullptr, Stdout to = TO_FILE) {
    const std::string outp = dir + "/.stdout", errp = dir + "/.stderr";
    int pfd[2] = {-1, -1};
    if (to == TO_CLOSED_PIPE && pipe(pfd) != 0) return {};
    const pid_t pid = fork();
    if (pid == 0) {
        if (chdir(dir.c_str()) != 0) _exit(126);
        int out = -1;
        if (to == TO_CLOSED_PIPE) {
            close(pfd[0]); // nobody reads: every write fails
            out = pfd[1];
        } else {
            out = open(outp.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        }
        const int err = open(errp.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int in = open("/dev/null", O_RDONLY);
        dup2(in, 0);
        dup2(out, 1);
        dup2(err, 2);
        if (env)
            setenv("KAVREL", env, 1);
        else
            unsetenv("KAVREL");
        std::vector<char *> argv;
        argv.push_back(const_cast<char *>(KAVREL_BIN));
        for (const std::string &w : words) argv.push_back(const_cast<char *>(w.c_str()));
        argv.push_back(nullptr);
        execv(KAVREL_BIN, argv.data());
        _exit(127);
    }
    if (to == TO_CLOSED_PIPE) {
        close(pfd[0]);
        close(pfd[1]);
    }
    Result r;
    int st = 0;
    if (waitpid(pid, &st, 0) != pid) return r;
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
    r.out = readfile(outp);
    r.err = readfile(errp);
    return r;
}

const char usagetext[] = "KAVREL version 2.52                          January 2018\n"
                         "\n"
                         "usage: kavrel [-options] [param=value] spc_file [arg1 arg2 ...]\n"
                         "   or: kavrel [-options] [param=value] sd_file\n"
                         "\n"
                         "where 'spc_file' is a parameter file and 'sd_file' is a sampled-data "
                         "file.\n"
                         "\n"
                         "options: \n"
                         "   -a      sampled-data file is ASCII\n"
                         "   -c      use colors on EGA & VGA\n"
                         "   -d      debug print\n"
                         "   -h N    sdf header size is N bytes\n"
                         "   -n      network printer connected to output\n"
                         "   -nh     assume sdf has no header\n"
                         "   -o F    output to file F\n"
                         "   -Plj    output to LaserJet printer (150 dpi)\n"
                         "   -Pps    output to Postscript printer (300x300 dpi)\n"
                         "   -q      quiet mode\n"
                         "   -r N    set default sample rate to N samples per second\n"
                         "   -t N    sdf trailer size is N bytes\n";

TEST(Program, WithoutAFileItPrintsTheUsageAndSucceeds) {
    const Scratch scratch;
    const std::string &d = scratch.dir;
    const std::vector<std::vector<std::string>> cases = {{}, {"-c"}, {"-Pps", "xlen=3"}};
    for (const auto &words : cases) {
        const Result r = kavrel(d, words);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.err, usagetext);
        EXPECT_EQ(r.out, "");
    }
}

TEST(Program, OutputFileThatCannotBeMadeFailsWithStatusOne) {
    const Scratch scratch;
    const std::string &d = scratch.dir;
    writefile(d + "/p.spc", "tmin=1\n");
    const std::vector<std::vector<std::string>> cases = {
        {"-o", "no/such/dir/out.eps", "p.spc"},
        {"-Pps", "-o", "no/such/dir/out.eps"},
        {"-o", d, "p.spc"}, // a directory
    };
    for (const auto &words : cases) {
        const Result r = kavrel(d, words);
        EXPECT_EQ(r.status, 1) << words[1];
        EXPECT_EQ(r.err, "can't open output file " + words[words[0] == "-o" ? 1 : 2] + "\n");
    }
}

TEST(Program, MissingFilesAreReportedAndFailTheRun) {
    const Scratch scratch;
    const std::string &d = scratch.dir;
    writefile(d + "/test.dat.spc", "tmin=1\n");
    writefile(d + "/noext", "tmin=1\n");
    struct {
        std::vector<std::string> words;
        std::string err;
    } const cases[] = {
        {{"missing"}, "can't open file missing\n"},
        {{"test.dat"}, "can't open file test.dat\n"},
        {{"noext"}, "SPC file: noext\ncan't open parameter file noext.spc\n"},
    };
    for (const auto &c : cases) {
        const Result r = kavrel(d, c.words);
        EXPECT_EQ(r.status, 1) << c.words[0];
        EXPECT_EQ(r.err, c.err) << c.words[0];
    }
}

TEST(Program, CleanRunSucceedsAndNamesTheFile) {
    const Scratch scratch;
    const std::string &d = scratch.dir;
    writefile(d + "/test.spc", "; only settings\ntmin=0.5 ; start\n  xlen=6\n");
    for (const char *name : {"test", "test.spc"}) {
        const Result r = kavrel(d, {name, "extra"});
        EXPECT_EQ(r.status, 0) << name;
        EXPECT_EQ(r.err, "SPC file: test.spc\n") << name;
    }
}

TEST(Program, EnvironmentVariableIsEchoedFirstAndApplied) {
    const Scratch scratch;
    const std::string &d = scratch.dir;
    writefile(d + "/p.spc", "tmin=1\n");
    // its file names are dropped: the run processes only its own
    const Result r = kavrel(d, {"p.spc"}, "-q  xlen=6\t-c other.spc");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "KAVREL=-q  xlen=6\t-c other.spc\nSPC file: p.spc\n");
    const Result u = kavrel(d, {}, "-o out.eps");
    EXPECT_EQ(u.status, 0); // no file of the run's own: the usage text
    EXPECT_EQ(u.err, std::string("KAVREL=-o out.eps\n") + usagetext);
}

TEST(Program, SubstitutionWarningsDoNotFailTheRun) {
    const Scratch scratch;
    const std::string &d = scratch.dir;
    writefile(d + "/p.spc", "tmin=%1\n; %3 %2 %%\n");
    const Result r = kavrel(d, {"p.spc", "0.25", "x"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "SPC file: p.spc\nWARNING: don't have arg #3\n");
}

TEST(Program, DataFileAloneIsPlottedThroughTheTemplate) {
    const Scratch scratch;
    const std::string &d = scratch.dir;
    writefile(d + "/speech.raw", std::string("\x00\x10\xff\x7f\x01\x80", 6));
    writefile(d + "/template.spc", "; plotting %1 %2\n");
    const Result r = kavrel(d, {"speech.raw"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "NOH file: speech.raw\nWARNING: don't have arg #2\n");

    // with a second positional argument the file is plotted directly
    const Result direct = kavrel(d, {"-q", "-r", "8000", "-Pps", "-o", "o.eps", "speech.raw", "x"});
    EXPECT_EQ(direct.status, 0) << direct.err;
    EXPECT_EQ(direct.err, "NOH file: speech.raw\n");
    EXPECT_NE(readfile(d + "/o.eps").find("%%Title: speech.raw\n"), std::string::npos);
}

// A parameter file drawing one line and one text on the PostScript device.
const char drawing[] = "plot 1 1 2 2 3\naronum=2\nplot 1 3 4 3\n1 2 \"a text\"\n";

TEST(Program, PostScriptGoesToTheFileOrToStandardOutput) {
    const Scratch scratch;
    const std::string &d = scratch.dir;
    writefile(d + "/draw.spc", drawing);
    const Result f = kavrel(d, {"-Pps", "-o", "out.eps", "draw.spc"});
    EXPECT_EQ(f.status, 0) << f.err;
    EXPECT_EQ(f.out, "");
    const std::string eps = readfile(d + "/out.eps");
    EXPECT_EQ(eps.rfind("%!PS", 0), 0u);
    EXPECT_NE(eps.find("%%EOF"), std::string::npos);

    const Result s = kavrel(d, {"-Pps", "draw.spc"});
    EXPECT_EQ(s.status, 0) << s.err;
    EXPECT_EQ(nodate(s.out), nodate(eps)); // the same plot, without -o, on standard output
}

TEST(Program, WriteErrorsOfTheOutputFailTheRun) {
    const Scratch scratch;
    const std::string &d = scratch.dir;
    writefile(d + "/draw.spc", drawing);
    const Result full = kavrel(d, {"-Pps", "-o", "/dev/full", "draw.spc"});
    EXPECT_EQ(full.status, 1);
    EXPECT_NE(full.err.find("error writing output file /dev/full\n"), std::string::npos)
        << full.err;

    const Result pipe = kavrel(d, {"-Pps", "draw.spc"}, nullptr, TO_CLOSED_PIPE);
    EXPECT_EQ(pipe.status, 1);
    EXPECT_NE(pipe.err.find("error writing output file (standard output)\n"), std::string::npos)
        << pipe.err;
}

TEST(Program, AfterAnAbandonedPlotLaterPlotsAreNotWritten) {
    const Scratch scratch;
    const std::string &d = scratch.dir;
    std::string samples(2000, '\0');
    for (size_t i = 0; i < samples.size(); i++) samples[i] = static_cast<char>(i * 37);
    writefile(d + "/data.raw", samples);
    // tmin beyond the end of the file: the plot is abandoned, its output file closed
    writefile(d + "/p.spc", "rate=8000\ntmin=5\nsdfile data.raw\nplot 1 1 2 2\nplot 2 2 3 3\n");
    const Result r = kavrel(d, {"-Pps", "-o", "out.eps", "p.spc"});
    EXPECT_EQ(r.status, 1);
    const std::string lost = "output file out.eps was closed by an abandoned plot; later plots "
                             "of this run are not written\n";
    const size_t at = r.err.find(lost);
    EXPECT_NE(at, std::string::npos) << r.err;
    EXPECT_EQ(r.err.find(lost, at + 1), std::string::npos) << "said once";
    EXPECT_NE(r.err.find("invalid time range\n"), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
}

} // namespace
