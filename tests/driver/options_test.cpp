// Command-line words: device names, option letters and their values, assignments and
// positional arguments, the output file, and the words of the environment variable.
#include "driver/options.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "base/opts.h"
#include "base/outfile.h"
#include "base/params.h"
#include "msgcap.h"

namespace {

// cmdopts over the words (word 0 the program's name), by default in a fresh process.
void opts(std::vector<const char *> words, bool fresh = true) {
    if (fresh) {
        outclose();
        run = ::Run{};
        pardefaults();
    }
    words.insert(words.begin(), "kavrel");
    cmdopts(static_cast<int>(words.size()), words.data());
}

TEST(DevicePick, FirstRowWhoseNameBeginsTheText) {
    struct {
        const char *text;
        int devindex, devres;
    } const cases[] = {
        {"co", 0, 0},  {"emf1", 1, 1}, {"emf2", 1, 2}, {"emf3", 1, 3}, {"emf", 1, 0},
        {"ljd", 2, 0}, {"lj1", 2, 1},  {"lj3", 2, 3},  {"ljq", 2, 3},  {"lj", 2, 1},
        {"ip", 3, 0},  {"ps1", 4, 1},  {"ps2", 4, 2},  {"ps3", 4, 3},  {"ps4", 4, 4},
        {"ps", 4, 3},  {"emfx", 1, 0}, {"ps9", 4, 3},  {"lj2", 2, 1},  {"PS", 0, 0},
        {"xyz", 0, 0}, {"", 0, 0},     {"e", 0, 0},
    };
    for (const auto &c : cases) {
        opt.devindex = opt.devres = 9;
        devpick(c.text);
        EXPECT_EQ(std::pair(opt.devindex, opt.devres), std::pair(c.devindex, c.devres)) << c.text;
    }
}

TEST(Options, LetterAfterTheDashChoosesValueOptionsConsumeTheNextWord) {
    struct {
        std::vector<const char *> words;
        // asciiopt coloropt nohdropt netopt nqopt debugopt verbose devindex head rate tail nposarg
        std::array<float, 12> want;
    } const cases[] = {
        {{"-a"}, {1, 0, 0, 0, 0, 0, 1, 0, -1, 0, 0, 0}},
        {{"-cc"}, {0, 1, 0, 0, 0, 0, 1, 0, -1, 0, 0, 0}},
        {{"-c", "-c"}, {0, 2, 0, 0, 0, 0, 1, 0, -1, 0, 0, 0}},
        {{"-quiet"}, {0, 0, 0, 0, 0, 0, 0, 0, -1, 0, 0, 0}},
        {{"-nh"}, {0, 0, 1, 0, 0, 0, 1, 0, -1, 0, 0, 0}},
        {{"-nq"}, {0, 0, 0, 0, 1, 0, 1, 0, -1, 0, 0, 0}},
        {{"-n"}, {0, 0, 0, 1, 0, 0, 1, 0, -1, 0, 0, 0}},
        {{"-nx"}, {0, 0, 0, 1, 0, 0, 1, 0, -1, 0, 0, 0}},
        {{"-d", "-dd"}, {0, 0, 0, 0, 0, 2, 1, 0, -1, 0, 0, 0}},
        {{"-x", "-", "-Z"}, {0, 0, 0, 0, 0, 0, 1, 0, -1, 0, 0, 0}},
        {{"-Pps"}, {0, 0, 0, 0, 0, 0, 1, 4, -1, 0, 0, 0}},
        {{"-plj"}, {0, 0, 0, 0, 0, 0, 1, 2, -1, 0, 0, 0}},
        {{"-Pps", "-P"}, {0, 0, 0, 0, 0, 0, 1, 0, -1, 0, 0, 0}},
        {{"-r", "22050"}, {0, 0, 0, 0, 0, 0, 1, 0, -1, 22050, 0, 0}},
        {{"-r", "0.5"}, {0, 0, 0, 0, 0, 0, 1, 0, -1, 0, 0, 0}},
        {{"-h", "0", "f"}, {0, 0, 0, 0, 0, 0, 1, 0, -1, 0, 0, 1}},
        {{"-h", "64.5"}, {0, 0, 0, 0, 0, 0, 1, 0, 64.5f, 0, 0, 0}},
        {{"-t", "100"}, {0, 0, 0, 0, 0, 0, 1, 0, -1, 0, 100, 0}},
        {{"-r"}, {0, 0, 0, 0, 0, 0, 1, 0, -1, 0, 0, 0}},
        {{"f", "-rate", "8000"}, {0, 0, 0, 0, 0, 0, 1, 0, -1, 8000, 0, 1}},
        {{"-r", "-5", "x"}, {0, 0, 0, 0, 0, 0, 1, 0, -1, 0, 0, 1}},
    };
    for (const auto &c : cases) {
        opts(c.words);
        const std::array<float, 12> got = {float(opt.asciiopt),
                                           float(opt.coloropt),
                                           float(opt.nohdropt),
                                           float(opt.netopt),
                                           float(opt.nqopt),
                                           float(opt.debugopt),
                                           float(opt.verbose),
                                           float(opt.devindex),
                                           par.head,
                                           par.rate,
                                           par.tail,
                                           float(opt.nposarg)};
        EXPECT_EQ(got, c.want) << c.words[0] << " " << c.words.size();
    }
}

TEST(Options, OtherWordsAreAssignmentsOrPositionalArgumentsKeptWhole) {
    const std::string longname(300, 'n');
    opts({"xlen=5", "test.spc  \r\n", "tmin=1", "a b ", "XPAGE=9", longname.c_str()});
    EXPECT_EQ(par.xlen, 5.0f);
    EXPECT_EQ(par.tmin, 1.0f);
    EXPECT_EQ(par.xpage, 9.0f);
    EXPECT_EQ(opt.nposarg, 3);
    EXPECT_EQ(opt.posarg, (std::vector<std::string>{"test.spc", "a b", longname}));

    std::vector<std::string> many;
    for (int i = 0; i < 20; i++) many.push_back("arg" + std::to_string(i));
    std::vector<const char *> w;
    for (const std::string &s : many) w.push_back(s.c_str());
    opts(w, false); // a new vector starts a new table, of its first 16 words
    EXPECT_EQ(opt.nposarg, 16);
    EXPECT_EQ(opt.posarg, std::vector<std::string>(many.begin(), many.begin() + 16));
}

TEST(Options, OutputFileReplacesTheOneBefore) {
    const Scratch s;
    const std::string a = s.dir + "/a.eps", b = s.dir + "/b.eps";
    writefile(a, "old contents");
    opts({"-o", a.c_str(), "-o", b.c_str(), "file"});
    EXPECT_NE(out.outfile, nullptr);
    EXPECT_EQ(out.outname, b);
    EXPECT_TRUE(std::filesystem::exists(a) && readfile(a).empty()); // created anew, closed
    EXPECT_EQ(opt.nposarg, 1);
    opts({"-o"}, false); // an -o at the end still closes the open file
    EXPECT_EQ(out.outfile, nullptr);
    EXPECT_TRUE(std::filesystem::exists(b));
    EXPECT_EQ(out.failed, 0);
}

TEST(Environment, EveryWordOfTheVariableIsAppliedWhateverItsLength) {
    std::string v = "-Pps  xlen=6\tstray.spc";
    for (int i = 0; i < 40; i++) v += " -c";
    v += std::string(300, '\t') + "tmin=2.5";
    setenv("KAVREL", v.c_str(), 1);
    opts({});
    {
        MsgCap cap; // the echo is the program's to check
        envopts();
    }
    unsetenv("KAVREL");
    EXPECT_EQ(opt.devindex, 4);
    EXPECT_EQ(par.xlen, 6.0f);
    EXPECT_EQ(opt.coloropt, 40);
    EXPECT_EQ(par.tmin, 2.5f);
    pardefaults();
}

} // namespace
