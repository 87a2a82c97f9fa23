// The parameter-file language: extensions, substitution, line kinds, the parsing of file,
// line and message commands, arrowheads, and files holding no drawing command.
#include "driver/spcfile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>
#include <tuple>
#include <vector>

#include "base/opts.h"
#include "base/outfile.h"
#include "base/params.h"
#include "base/stamp.h"
#include "driver/run.h"
#include "msgcap.h"

namespace {

TEST(Extension, ReplacedFromTheFirstDotOfTheLastComponent) {
    struct {
        const char *path, *ext, *result;
    } const cases[] = {
        {"data.old.wav", ".spc", "data.spc"},
        {"dir.x\\name", ".spc", "dir.x\\name.spc"},
        {"a/b.c/d", ".spc", "a/b.c/d.spc"},
        {"a\\b.c/d.e", ".spc", "a\\b.c/d.spc"},
        {"./test", ".spc", "./test.spc"},
        {"plot.eps", "", "plot"},
        {"plot", "", "plot"},
        {"", ".spc", ".spc"},
    };
    for (const auto &c : cases) {
        std::string p = c.path;
        setext(p, c.ext);
        EXPECT_EQ(p, c.result) << c.path;
    }
}

TEST(Substitution, PercentSequencesExpand) {
    const std::string longarg(300, 'L');
    run = ::Run{};
    opt.posarg = {"talk.spc", "speech.wav", longarg};
    opt.nposarg = 3;
    struct {
        std::string in, out, msgs;
    } const cases[] = {
        {"sdfile %1\n", "sdfile speech.wav\n", ""},
        {"%%p %p", "%p 1", ""},
        {"%0 %1", "talk.spc speech.wav", ""},
        {"a%3b%9\n", "ab\n", "WARNING: don't have arg #3\nWARNING: don't have arg #9\n"},
        {"%x %\n", "%x %\n", ""},
        {"50%", "50%", ""},
        {"100%%", "100%", ""},
        {"", "", ""},
        {"file %2\n", "file " + longarg + "\n", ""}, // kept whole beyond 255 characters
    };
    for (const auto &c : cases) {
        MsgCap cap;
        std::string line = c.in;
        argsubst(line);
        EXPECT_EQ(line, c.out) << c.in;
        EXPECT_EQ(cap.text(), c.msgs) << c.in;
    }
    std::string line = "[%d]";
    argsubst(line);
    EXPECT_TRUE(std::regex_match(
        line, std::regex(R"(\[(Sun|Mon|Tue|Wed|Thu|Fri|Sat) [A-Z][a-z]{2} [ 123]\d )"
                         R"(\d\d:\d\d:\d\d \d{4}\])")))
        << line;
    run = ::Run{};
}

TEST(LineKinds, FirstCharactersDecide) {
    struct {
        const char *line;
        int kind;
        size_t start;
    } const cases[] = {
        {"", LN_NONE, 0},
        {"   ", LN_NONE, 3},
        {"  ; tmin=5", LN_COMMENT, 2},
        {"\ttmin=5", LN_ASSIGN, 0},
        {"label \"a=b\"", LN_MESSAGE, 0},
        {"1 2 \"text\"", LN_MESSAGE, 0},
        {"sdfile \"x.wav\"", LN_MESSAGE, 0},
        {"tmin=0.5 ; start", LN_ASSIGN, 0},
        {"sdfile x.wav", LN_FILE, 0},
        {"  SDFI x.wav", LN_FILE, 2},
        {"ilsfile a", LN_FILE, 0},
        {"tsdf a", LN_FILE, 0},
        {"File a", LN_FILE, 0},
        {"fil a", LN_NONE, 0},
        {"sdf", LN_NONE, 0},
        {"plot 1 1 2 2", LN_PLOT, 0},
        {"PLOTTING", LN_PLOT, 0},
        {"plo 1 1", LN_NONE, 0},
        {"random words", LN_NONE, 0},
    };
    for (const auto &c : cases) {
        size_t start = 99;
        EXPECT_EQ(std::pair(linekind(c.line, &start), start), std::pair(c.kind, c.start)) << c.line;
    }
}

TEST(FileCommand, NameIsTheRestAfterTheFirstBlanks) {
    struct {
        const char *line, *name;
    } const cases[] = {
        {"sdfile   my file.wav  \r", "my file.wav"},
        {"file a", "a"},
        {"sdfile", ""},
        {"sdfile\tx.wav", ""},
        {"sdfile    ", ""},
        {"tsdfile /data/cochlea out.tsd\r\n", "/data/cochlea out.tsd"},
    };
    for (const auto &c : cases) EXPECT_EQ(filearg(c.line), c.name) << c.line;
}

TEST(LineCommand, PairsOfNumbersAfterTheCommandWord) {
    std::string many = "plot";
    for (int i = 0; i < 300; i++) many += " " + std::to_string(i) + " 1";
    std::vector<double> first(256);
    for (int i = 0; i < 256; i++) first[i] = i;
    struct {
        std::string line;
        std::vector<double> x, y;
    } const cases[] = {
        {"plot 1 1 2 2 3", {1, 2}, {1, 2}},
        {"plot", {}, {}},
        {"plot 1", {}, {}},
        {"plot  1.5   2  -3e0 4 ", {1.5, -3}, {2, 4}},
        {"plot a 2 3 b", {0, 3}, {2, 0}},
        {"plot 0.1 0.2", {0.1f}, {0.2f}}, // single precision, as every parameter value
        {many, first, std::vector<double>(256, 1)},
    };
    std::vector<double> x, y;
    for (const auto &c : cases) {
        plotpoints(c.line, x, y);
        EXPECT_EQ(x, c.x) << c.line.substr(0, 30);
        EXPECT_EQ(y, c.y) << c.line.substr(0, 30);
    }
}

TEST(MessageCommand, TwoNumbersThenAQuotedText) {
    struct {
        const char *line;
        int ok;
        double x, y;
        const char *text;
    } const cases[] = {
        {"1 2 \"text\"", 1, 1, 2, "text"},  {"1.5  -2e0   \"a b\" trailing", 1, 1.5, -2, "a b"},
        {"1 2\"tight\"", 1, 1, 2, "tight"}, {"1 2 \"\"", 1, 1, 2, ""},
        {"x y \"t\"", 1, 0, 0, "t"},        {"1 2 3 \"t\"", 0, 0, 0, ""},
        {"\"t\" 1 2", 0, 0, 0, ""},         {"label \"a=b\"", 0, 0, 0, ""},
        {"1 \"t\"", 0, 0, 0, ""},           {"1 2 \"open", 0, 0, 0, ""},
    };
    for (const auto &c : cases) {
        double x = -9, y = -9;
        std::string text = "unset";
        EXPECT_EQ(msgparse(c.line, &x, &y, &text), c.ok) << c.line;
        if (c.ok) { EXPECT_EQ(std::tuple(x, y, text), std::tuple(c.x, c.y, c.text)) << c.line; }
    }
}

TEST(Arrowhead, NotchAndBarbsBehindTheTipNoneWhenDegenerate) {
    const double h = 0.05625; // half the width: 0.75 x 0.15 / 2
    struct {
        float arosiz, arowid;
        double x1, y1, x2, y2;
        int n;
        double want[5][2];
    } const cases[] = {
        {0.15f, 0.75f, 0, 0, 1, 0, 5, {{0.97, 0}, {0.85, h}, {1, 0}, {0.85, -h}, {0.97, 0}}},
        {0.15f, 0.75f, 2, 3, 2, 1, 5, {{2, 1.03}, {2 + h, 1.15}, {2, 1}, {2 - h, 1.15}, {2, 1.03}}},
        {0, 0.75f, 0, 0, 1, 0, 0, {}},
        {-1, 0.75f, 0, 0, 1, 0, 0, {}},
        {0.15f, 0, 0, 0, 1, 0, 0, {}},
        {0.15f, 0.75f, 1, 0, 1, 0, 0, {}},
    };
    for (const auto &c : cases) {
        pardefaults();
        par.arosiz = c.arosiz;
        par.arowid = c.arowid;
        double px[5] = {}, py[5] = {};
        EXPECT_EQ(arrowhead(c.x1, c.y1, c.x2, c.y2, px, py), c.n) << c.arosiz << " " << c.arowid;
        for (int i = 0; i < c.n; i++) {
            EXPECT_NEAR(px[i], c.want[i][0], 1e-6) << i;
            EXPECT_NEAR(py[i], c.want[i][1], 1e-6) << i;
        }
    }
    pardefaults();
}

// The current directory, a fresh one while the object lives.
struct InDir {
    Scratch s;
    std::filesystem::path cwd = std::filesystem::current_path();
    InDir() { std::filesystem::current_path(s.dir); }
    ~InDir() { std::filesystem::current_path(cwd); }
};

// A fresh run's dofile on posarg[0], with the messages it wrote.
std::string interpret(const std::vector<std::string> &posarg) {
    run = ::Run{};
    pardefaults();
    opt.posarg = posarg;
    opt.nposarg = static_cast<int>(posarg.size());
    MsgCap cap;
    dofile(posarg[0]);
    return cap.text();
}

TEST(ParameterFile, NameAsGivenOrWithSpcAndDataAloneThroughTheTemplate) {
    const InDir in;
    writefile("talk.spc", "tmin=1\n");
    writefile("test", "tmin=2\n");
    writefile("test.spc", "tmin=3\n"); // "test" has no dot: this is the file read
    writefile("my.params", "tmin=4\n; %1 %2\n");
    writefile("7.raw", std::string("\x00\x01\x02\x03\xff\xfe", 6));
    writefile("template.spc", "tmin=%1\n; %9\n"); // "7.raw" reads as 7
    struct {
        std::vector<std::string> posarg;
        std::string msgs, runfile;
        int runkind, curkind;
        float tmin;
    } const cases[] = {
        {{"talk", "one"}, "SPC file: talk.spc\n", "talk.spc", 0, 0, 1},
        {{"test", "one"}, "SPC file: test\n", "test.spc", 0, 0, 3},
        {{"my.params", "one"},
         "SPC file: my.params\nWARNING: don't have arg #2\n",
         "my.params",
         0,
         0,
         4},
        {{"7.raw"}, "NOH file: 7.raw\nWARNING: don't have arg #9\n", "template.spc", 1, 0, 7},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(interpret(c.posarg), c.msgs) << c.posarg[0];
        EXPECT_EQ(std::tuple(run.runfile, run.runkind, run.curkind, par.tmin),
                  std::tuple(c.runfile, c.runkind, c.curkind, c.tmin));
        EXPECT_EQ(stamp.plotname, c.posarg[0]);
        EXPECT_TRUE(stamp.rundate.size() == 25 && stamp.rundate.back() == '\n') << stamp.rundate;
        EXPECT_EQ(out.failed, 0);
    }
}

TEST(ParameterFile, LinesAreReadInPiecesOf255AndAssignEveryMatchingName) {
    const InDir in;
    // the second piece of the first line starts with "tmin=", the first is a comment
    writefile("lines.spc", ";" + std::string(254, 'c') +
                               "tmin=7 xlen=1\n   XPAGE=%1 ; x\n  Window=1\n\tylen=2\n"
                               "  ; ypage=3\nyllc 5\n");
    EXPECT_EQ(interpret({"lines.spc", "12"}), "SPC file: lines.spc\n");
    EXPECT_EQ(pardiff(par, Params{.window = 1, .tmin = 7, .windwidth = 1, .xpage = 12}), "");
    pardefaults();
}

} // namespace
