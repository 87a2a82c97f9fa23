// The parameter-file language: extensions, substitution, line kinds, command parsing,
// arrowheads, and files that are interpreted (assignments only: nothing is drawn).
#include "driver/spcfile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <regex>
#include <string>
#include <unistd.h>

#include "driver/params.h"
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
        {"test.dat", ".spc", "test.spc"},
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
    run = ::Run{};
    run.posarg = {"talk.spc", "speech.wav", std::string(300, 'L')};
    run.nposarg = 3;
    struct {
        const char *in, *out, *msgs;
    } const cases[] = {
        {"sdfile %1\n", "sdfile speech.wav\n", ""},
        {"%%p", "%p", ""},
        {"%p", "1", ""},
        {"%0 %1", "talk.spc speech.wav", ""},
        {"a%3b%9\n", "ab\n", "WARNING: don't have arg #3\nWARNING: don't have arg #9\n"},
        {"%x %\n", "%x %\n", ""},
        {"50%", "50%", ""},
        {"100%%", "100%", ""},
        {"no percent", "no percent", ""},
        {"", "", ""},
    };
    for (const auto &c : cases) {
        MsgCap cap;
        std::string line = c.in;
        argsubst(line);
        EXPECT_EQ(line, c.out) << c.in;
        EXPECT_EQ(cap.text(), c.msgs) << c.in;
    }
    std::string line = "file %2\n"; // kept whole beyond 255 characters
    argsubst(line);
    EXPECT_EQ(line, "file " + std::string(300, 'L') + "\n");

    line = "[%d]";
    argsubst(line);
    EXPECT_TRUE(std::regex_match(
        line, std::regex(R"(\[(Sun|Mon|Tue|Wed|Thu|Fri|Sat) [A-Z][a-z]{2} [ 123]\d )"
                         R"(\d\d:\d\d:\d\d \d{4}\])")))
        << line;
    EXPECT_EQ(datestr().size(), 24u);
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
        EXPECT_EQ(linekind(c.line, &start), c.kind) << c.line;
        EXPECT_EQ(start, c.start) << c.line;
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
    struct {
        std::string line;
        std::vector<double> x, y;
    } const cases[] = {
        {"plot 1 1 2 2 3", {1, 2}, {1, 2}},
        {"plot", {}, {}},
        {"plot 1", {}, {}},
        {"plot  1.5   2  -3e0 4 ", {1.5, -3}, {2, 4}},
        {"plot a 2 3 b", {0, 3}, {2, 0}},
        {"plot 0.1 0.2", {0.1f}, {0.2f}},
    };
    std::vector<double> x, y;
    for (const auto &c : cases) {
        plotpoints(c.line, x, y);
        EXPECT_EQ(x, c.x) << c.line;
        EXPECT_EQ(y, c.y) << c.line;
    }
    std::string many = "plot";
    for (int i = 0; i < 300; i++) many += " " + std::to_string(i) + " 1";
    plotpoints(many, x, y);
    ASSERT_EQ(x.size(), 256u);
    EXPECT_EQ(x[255], 255.0);
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
        if (!c.ok) continue;
        EXPECT_EQ(x, c.x) << c.line;
        EXPECT_EQ(y, c.y) << c.line;
        EXPECT_EQ(text, c.text) << c.line;
    }
}

TEST(Arrowhead, NotchBarbsAndTipBehindThePoint) {
    pardefaults();
    double px[5], py[5];
    ASSERT_EQ(arrowhead(0, 0, 1, 0, px, py), 5);
    const double want[5][2] = {{0.97, 0}, {0.85, 0.05625}, {1, 0}, {0.85, -0.05625}, {0.97, 0}};
    for (int i = 0; i < 5; i++) {
        EXPECT_NEAR(px[i], want[i][0], 1e-6) << i;
        EXPECT_NEAR(py[i], want[i][1], 1e-6) << i;
    }
    ASSERT_EQ(arrowhead(2, 3, 2, 1, px, py), 5); // pointing down: the left barb is east
    EXPECT_NEAR(py[0], 1.03, 1e-6);
    EXPECT_NEAR(px[1], 2 + 0.05625, 1e-6);
    EXPECT_NEAR(py[1], 1.15, 1e-6);
    EXPECT_NEAR(px[3], 2 - 0.05625, 1e-6);

    struct {
        float arosiz, arowid;
        double x1, y1;
    } const none[] = {{0, 0.75f, 0, 0}, {-1, 0.75f, 0, 0}, {0.15f, 0, 0, 0}, {0.15f, 0.75f, 1, 0}};
    for (const auto &c : none) {
        par.arosiz = c.arosiz;
        par.arowid = c.arowid;
        EXPECT_EQ(arrowhead(c.x1, c.y1, 1, 0, px, py), 0) << c.arosiz << " " << c.arowid;
    }
    pardefaults();
}

TEST(Assignments, ParameterLinesSetEveryMatchingName) {
    struct {
        const char *line;
        float tmin;
        int window;
        float windwidth;
    } const cases[] = {
        {"tmin=0.5 ; start\n", 0.5f, 2, 0}, {"   TMIN=2\n", 2, 2, 0},  {"\ttmin=5\n", 0, 2, 0},
        {"  ; tmin=5\n", 0, 2, 0},          {"  Window=1\n", 0, 1, 1}, {"tmin 5\n", 0, 2, 0},
    };
    for (const auto &c : cases) {
        pardefaults();
        spcline(c.line);
        EXPECT_EQ(par.tmin, c.tmin) << c.line;
        EXPECT_EQ(par.window, c.window) << c.line;
        EXPECT_EQ(par.windwidth, c.windwidth) << c.line;
    }
}

// Interprets name in a scratch directory holding the given files.
struct InDir {
    Scratch scratch;
    std::string &dir = scratch.dir;
    std::string cwd;
    explicit InDir(const std::vector<std::pair<std::string, std::string>> &files) {
        char buf[4096];
        cwd = getcwd(buf, sizeof buf) ? buf : "/tmp";
        for (const auto &f : files) writefile(dir + "/" + f.first, f.second);
        EXPECT_EQ(chdir(dir.c_str()), 0);
    }
    ~InDir() { EXPECT_EQ(chdir(cwd.c_str()), 0); }
};

std::string interpret(const char *name, std::vector<std::string> args = {}) {
    run = ::Run{};
    pardefaults();
    run.posarg = {name};
    for (const std::string &a : args) run.posarg.push_back(a);
    run.nposarg = static_cast<int>(run.posarg.size());
    MsgCap cap;
    dofile(name);
    return cap.text();
}

TEST(ParameterFile, NameLookupAndSuppliedExtension) {
    struct {
        std::vector<std::pair<std::string, std::string>> files;
        const char *name;
        std::string msgs, runfile;
        float tmin;
        int failed;
    } const cases[] = {
        {{{"test.spc", "tmin=1\n"}}, "test", "SPC file: test.spc\n", "test.spc", 1, 0},
        {{{"test.dat.spc", "tmin=1\n"}},
         "test.dat",
         "can't open file test.dat\n",
         "test.spc",
         0,
         1},
        {{{"test", "tmin=2\n"}},
         "test",
         "SPC file: test\ncan't open parameter file test.spc\n",
         "test.spc",
         0,
         1},
        {{{"test", "tmin=2\n"}, {"test.spc", "tmin=3\n"}},
         "test",
         "SPC file: test\n",
         "test.spc",
         3,
         0},
        {{{"my.params", "tmin=4\n; %1 %2\n"}},
         "my.params",
         "SPC file: my.params\nWARNING: don't have arg #2\n",
         "my.params",
         4,
         0},
        {{}, "missing", "can't open file missing\n", "missing.spc", 0, 1},
    };
    for (const auto &c : cases) {
        InDir in(c.files);
        const std::string msgs = interpret(c.name, {"one"});
        EXPECT_EQ(msgs, c.msgs) << c.name;
        EXPECT_EQ(run.runfile, c.runfile) << c.name;
        EXPECT_EQ(par.tmin, c.tmin) << c.name;
        EXPECT_EQ(run.failed, c.failed) << c.name;
        EXPECT_EQ(run.plotname, c.name);
        ASSERT_EQ(run.rundate.size(), 25u);
        EXPECT_EQ(run.rundate.back(), '\n');
    }
}

TEST(ParameterFile, LongLinesAreTakenInPiecesOf255) {
    // the second piece starts with "tmin=", the first is one long comment
    const std::string line = ";" + std::string(254, 'c') + "tmin=7 xlen=1\n";
    InDir in({{"long.spc", line + "xpage=12\n"}});
    interpret("long.spc");
    EXPECT_EQ(par.tmin, 7.0f);
    EXPECT_EQ(par.xlen, 8.5f);
    EXPECT_EQ(par.xpage, 12.0f);
}

TEST(ParameterFile, DataFileAloneGoesThroughTheTemplate) {
    // a binary file is sampled data; the template sees its name as %1
    const std::string data("\x00\x01\x02\x03\xff\xfe", 6);
    InDir in({{"7.raw", data}, {"template.spc", "xlen=%1\ntmin=%9\n"}});
    const std::string msgs = interpret("7.raw");
    EXPECT_EQ(msgs, "NOH file: 7.raw\nWARNING: don't have arg #9\n");
    EXPECT_EQ(run.runfile, "template.spc");
    EXPECT_EQ(run.runkind, 1);
    EXPECT_EQ(run.curkind, 0);
    ASSERT_EQ(run.nposarg, 2);
    EXPECT_EQ(run.posarg[1], "7.raw");
    EXPECT_EQ(par.xlen, 7.0f); // "7.raw" read as a number
    EXPECT_EQ(run.failed, 0);
}

} // namespace
