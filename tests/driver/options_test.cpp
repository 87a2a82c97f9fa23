// Command-line options, device names, the environment variable and the usage text.
#include "driver/options.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "driver/params.h"
#include "driver/run.h"
#include "msgcap.h"

namespace {

// Runs cmdopts over the words, with word 0 the program's name.
void opts(std::vector<const char *> words) {
    words.insert(words.begin(), "kavrel");
    cmdopts(static_cast<int>(words.size()), words.data());
}

// Puts the run and option state back to a fresh process.
void fresh() {
    outclose();
    run = ::Run{};
    pardefaults();
}

TEST(DevicePick, FirstRowWhoseNameBeginsTheText) {
    struct {
        const char *text;
        int devindex, devres;
    } const cases[] = {
        {"co", 0, 0},  {"emf1", 1, 1}, {"emf2", 1, 2}, {"emf3", 1, 3},  {"emf", 1, 0},
        {"ljd", 2, 0}, {"lj1", 2, 1},  {"lj3", 2, 3},  {"ljq", 2, 3},   {"lj", 2, 1},
        {"ip", 3, 0},  {"ps1", 4, 1},  {"ps2", 4, 2},  {"ps3", 4, 3},   {"ps4", 4, 4},
        {"ps", 4, 3},  {"emfx", 1, 0}, {"ps9", 4, 3},  {"lj2", 2, 1},   {"PS", 0, 0},
        {"xyz", 0, 0}, {"", 0, 0},     {"e", 0, 0},    {"color", 0, 0},
    };
    for (const auto &c : cases) {
        run.devindex = 9;
        run.devres = 9;
        devpick(c.text);
        EXPECT_EQ(run.devindex, c.devindex) << c.text;
        EXPECT_EQ(run.devres, c.devres) << c.text;
    }
}

TEST(Options, LetterAfterTheDashChoosesTheOption) {
    struct {
        std::vector<const char *> words;
        int asciiopt, coloropt, nohdropt, netopt, nqopt, debugopt, verbose, devindex;
    } const cases[] = {
        {{"-a"}, 1, 0, 0, 0, 0, 0, 1, 0},         {{"-cc"}, 0, 1, 0, 0, 0, 0, 1, 0},
        {{"-c", "-c"}, 0, 2, 0, 0, 0, 0, 1, 0},   {{"-quiet"}, 0, 0, 0, 0, 0, 0, 0, 0},
        {{"-nh"}, 0, 0, 1, 0, 0, 0, 1, 0},        {{"-nq"}, 0, 0, 0, 0, 1, 0, 1, 0},
        {{"-n"}, 0, 0, 0, 1, 0, 0, 1, 0},         {{"-nx"}, 0, 0, 0, 1, 0, 0, 1, 0},
        {{"-d", "-dd"}, 0, 0, 0, 0, 0, 2, 1, 0},  {{"-x", "-", "-Z"}, 0, 0, 0, 0, 0, 0, 1, 0},
        {{"-Pps"}, 0, 0, 0, 0, 0, 0, 1, 4},       {{"-plj"}, 0, 0, 0, 0, 0, 0, 1, 2},
        {{"-Pps", "-P"}, 0, 0, 0, 0, 0, 0, 1, 0},
    };
    for (const auto &c : cases) {
        fresh();
        opts(c.words);
        const std::string w = c.words[0];
        EXPECT_EQ(run.asciiopt, c.asciiopt) << w;
        EXPECT_EQ(run.coloropt, c.coloropt) << w;
        EXPECT_EQ(run.nohdropt, c.nohdropt) << w;
        EXPECT_EQ(run.netopt, c.netopt) << w;
        EXPECT_EQ(run.nqopt, c.nqopt) << w;
        EXPECT_EQ(run.debugopt, c.debugopt) << w;
        EXPECT_EQ(run.verbose, c.verbose) << w;
        EXPECT_EQ(run.devindex, c.devindex) << w;
        EXPECT_EQ(run.nposarg, 0) << w;
    }
}

TEST(Options, SizeOptionsConsumeTheirWordAndNeedAtLeastOne) {
    struct {
        std::vector<const char *> words;
        float head, rate, tail;
        int nposarg;
    } const cases[] = {
        {{"-r", "22050"}, -1, 22050, 0, 0},       {{"-r", "0.5"}, -1, 0, 0, 0},
        {{"-h", "0", "f"}, -1, 0, 0, 1},          {{"-h", "64.5"}, 64.5f, 0, 0, 0},
        {{"-t", "100"}, -1, 0, 100, 0},           {{"-r"}, -1, 0, 0, 0},
        {{"f", "-rate", "8000"}, -1, 8000, 0, 1}, {{"-r", "-5", "x"}, -1, 0, 0, 1},
        {{"-r", "tmin=3"}, -1, 0, 0, 0},
    };
    for (const auto &c : cases) {
        fresh();
        opts(c.words);
        const std::string w = c.words[0];
        EXPECT_EQ(par.head, c.head) << w;
        EXPECT_EQ(par.rate, c.rate) << w;
        EXPECT_EQ(par.tail, c.tail) << w;
        EXPECT_EQ(par.tmin, 0.0f) << w; // a consumed word is never an assignment
        EXPECT_EQ(run.nposarg, c.nposarg) << w;
    }
}

TEST(Options, WordsAreAssignmentsOrPositionalArguments) {
    fresh();
    const char *xp = "XPAGE=9";
    opts({"xlen=5", "test.spc  \r\n", "tmin=1", "a b ", xp});
    EXPECT_EQ(par.xlen, 5.0f);
    EXPECT_EQ(par.tmin, 1.0f);
    EXPECT_EQ(par.xpage, 9.0f);
    EXPECT_STREQ(xp, "XPAGE=9"); // the caller's vector is left as it was
    ASSERT_EQ(run.nposarg, 2);
    ASSERT_EQ(run.posarg.size(), 2u);
    EXPECT_EQ(run.posarg[0], "test.spc");
    EXPECT_EQ(run.posarg[1], "a b");

    std::vector<std::string> many;
    for (int i = 0; i < 20; i++) many.push_back("arg" + std::to_string(i));
    std::vector<const char *> w;
    for (const std::string &s : many) w.push_back(s.c_str());
    opts(w); // also empties the earlier positional table
    ASSERT_EQ(run.nposarg, 16);
    EXPECT_EQ(run.posarg[15], "arg15");

    const std::string longname(300, 'n');
    opts({longname.c_str()});
    ASSERT_EQ(run.nposarg, 1);
    EXPECT_EQ(run.posarg[0], longname); // kept whole at any length
}

TEST(Options, OutputFileReplacesTheOneBefore) {
    fresh();
    const Scratch scratch;
    const std::string &d = scratch.dir;
    const std::string a = d + "/a.eps", b = d + "/b.eps";
    writefile(a, "old contents");
    opts({"-o", a.c_str(), "-o", b.c_str(), "file"});
    ASSERT_NE(run.outfile, nullptr);
    EXPECT_EQ(run.outname, b);
    EXPECT_EQ(readfile(a), ""); // created anew, closed, empty
    EXPECT_EQ(run.nposarg, 1);
    opts({"-o"}); // -o at the end still closes the open file
    EXPECT_EQ(run.outfile, nullptr);
    struct stat st;
    EXPECT_EQ(stat(b.c_str(), &st), 0);
    EXPECT_EQ(run.failed, 0);
}

TEST(OptionsDeathTest, UnwritableOutputFileEndsTheProcessWithStatusOne) {
    EXPECT_EXIT(
        {
            msgfp = stderr;
            opts({"-o", "/nonexistent-dir/x.eps"});
        },
        testing::ExitedWithCode(1), "can't open output file /nonexistent-dir/x.eps\n");
}

TEST(Environment, WordsOfTheVariableComeFirstAndAreEchoed) {
    fresh();
    setenv("KAVREL", "-Pps  xlen=6\t-c  stray.spc", 1);
    {
        MsgCap cap;
        envopts();
        EXPECT_EQ(cap.text(), "KAVREL=-Pps  xlen=6\t-c  stray.spc\n");
    }
    EXPECT_EQ(run.devindex, 4);
    EXPECT_EQ(par.xlen, 6.0f);
    EXPECT_EQ(run.coloropt, 1);
    EXPECT_EQ(run.nposarg, 1);
    opts({"test.spc"}); // the run's own words discard the variable's positional ones
    ASSERT_EQ(run.nposarg, 1);
    EXPECT_EQ(run.posarg[0], "test.spc");

    // every word, however long the value
    std::string v;
    for (int i = 0; i < 40; i++) v += "-c ";
    v += std::string(300, ' ') + "tmin=2.5";
    setenv("KAVREL", v.c_str(), 1);
    fresh();
    {
        MsgCap cap;
        envopts();
    }
    EXPECT_EQ(run.coloropt, 40);
    EXPECT_EQ(par.tmin, 2.5f);

    setenv("KAVREL", " \t ", 1);
    fresh();
    {
        MsgCap cap;
        envopts();
        EXPECT_EQ(cap.text(), "KAVREL= \t \n");
    }
    unsetenv("KAVREL");
    {
        MsgCap cap;
        envopts();
        EXPECT_EQ(cap.text(), "");
    }
    fresh();
}

TEST(Usage, TwentyLinesExactly) {
    MsgCap cap;
    usage();
    EXPECT_EQ(cap.text(), "KAVREL version 2.52                          January 2018\n"
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
                          "   -t N    sdf trailer size is N bytes\n");
}

} // namespace
