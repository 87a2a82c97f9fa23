// The driver: the words of the command line and of KAVREL, the plot session and the
// parameter-file language.
#include <gtest/gtest.h>

#include "base/opts.h"
#include "base/outfile.h"
#include "base/parcheck.h"
#include "base/stamp.h"
#include "driver/options.h"
#include "driver/session.h"
#include "driver/spcfile.h"
#include "testkit.h"

// Only -h, -r, -t and -o take the next word: every other option is followed here by a word
// that would be missed if it were taken. A positional word loses its trailing blanks and line
// ends, and 16 are kept. KAVREL's words are split on blanks and tabs. -P picks the first device
// name that begins its text.
TEST(Options, SecondCharacterChoosesAndOnlyValueOptionsTakeTheNextWord) {
    const Scratch s;
    const std::string a = s / "a.eps";
    // clang-format off
    std::vector<const char *> w = {"kavrel", "-o", a.c_str(), "-a", "p0", "-cc", "p1", "-c",
        "-quiet", "p2", "-d", "-dd", "-nh", "-nq", "p3", "-nx", "-n", "-pemf3", "p4", "-x",
        "p5 \r\n", "-h", "1.5", "-r", "0.99", "tmin=2", "p6", "p7", "p8", "p9", "p10", "p11", "p12",
        "p13", "p14", "p15", "p16", "-t", "100", nullptr};
    // clang-format on
    EXPECT_EQ(cmdopts(int(w.size()) - 1, w.data()), 0);
    EXPECT_EQ(opt.posarg[5] + "," + opt.posarg.back(), "p5,p15");
    EXPECT_EQ(std::vector({opt.asciiopt, opt.coloropt, opt.nohdropt, opt.nqopt, opt.netopt,
                           int(opt.debugopt), int(opt.verbose), opt.devindex, opt.devres}),
              std::vector({1, 2, 1, 1, 2, 2, 0, 1, 3}));
    EXPECT_EQ(changed(), "head=1.5 tail=100 tmin=2 "); // a rate below 1 is not taken
    setenv("KAVREL", "-Pps \ta.spc  b\t-c -o", 1);
    MsgCap cap; // the echo is the program's to check
    envopts();
    unsetenv("KAVREL");
    EXPECT_TRUE(out.outfile == nullptr && std::filesystem::exists(a)); // -o at the end closed it
    EXPECT_EQ(
        std::tuple(opt.posarg[0] + "," + opt.posarg[1], opt.nposarg, opt.devindex, opt.coloropt),
        std::tuple("a.spc,b", 2, 4, 3));
    std::string got;
    // clang-format off
    for (const char *t : {"co", "emf1", "emf2", "emf3", "emf", "ljd", "lj1", "lj3", "ljq", "lj2",
                          "ip", "ps1", "ps2", "ps3", "ps4", "ps9", "PS", "xyz"})
        devpick(t), got += std::to_string(opt.devindex * 10 + opt.devres) + " ";
    // clang-format on
    // a name of no device is said and changes nothing
    EXPECT_EQ(got, "0 11 12 13 10 20 21 23 23 21 30 41 42 43 44 43 43 43 ");
    EXPECT_EQ(cap.times("unknown device 'xyz'"), 1);
    opt = Opts{}, pardefaults();
}

// On the PostScript device, in the order the scan hands them over: a line from (1, 1) to
// (1.6, 1.2) inches is 300 300 M 180 60 L, 0.02 in (6 dots) wide; an arrowhead is 0.15 in long
// and 0.1125 in wide, its notch 0.03 in behind the tip: at (1.6, 1.2) its notch, barbs and tip
// are (471, 357) (432, 362) (480, 360) (443, 330) in dots, at (1, 1) (309, 303) (348, 298)
// (300, 300) (337, 330).
TEST(Session, PlotEndFinishesOrAbandonsThePlotAndThenClosesTheOutput) {
    const Scratch s;
    // clang-format off
    const std::string pg = "%%Page: 1 1\n", line = "300 300 M 180 60 L 6 S\n",
                      end = "showpage\n%%EOF\n";
    const std::tuple<const char *, Outcome, std::string> cases[] = {
        {"plot 1 1 1.6 1.2", ENDPLOT, pg + line + line + end}, // a second drawing, same device
        {"aronum=1", ENDPLOT, pg + "471 357 M -39 5 L 6 S\n443 330 M 28 27 L 6 S\n" + line +
                              "432 362 M 48 -2 L 6 S\n480 360 M -37 -30 L 6 S\n" + end},
        {"aronum=-1", ENDPLOT, pg + "300 300 M 37 30 L 6 S\n337 330 M -28 -27 L 6 S\n"
                               "309 303 M 39 -5 L 6 S\n348 298 M -48 2 L 6 S\n" + line + end},
        {"aronum=0", ABANDON, "%%EOF\n"},
        {"aronum=0", GOON, ""}};
    // clang-format on
    openplot = sesopen;
    for (const auto &[aronum, outcome, doc] : cases) {
        out = Output{}, opt.devindex = 4, pardefaults();
        ASSERT_EQ(outopen((s / "o.eps").c_str()), 0);
        spcline(aronum);
        spcline("plot  1 1 1.6  1.2 3 \n");
        plotend(outcome);
        // the plot and the output stay open but for an abandon, which closes both; a refused
        // page fails the run, and its document goes on to the run's end
        EXPECT_EQ(
            std::pair(ses.plotopen + !!out.outfile, out.failed + out.outlost),
            std::pair(2 * (outcome != ABANDON), 2 * (outcome == ABANDON) + (outcome == ENDPLOT)));
        if (outcome == ENDPLOT) runclose(0);
        EXPECT_TRUE(readfile(s / "o.eps").ends_with(doc)) << aronum;
    }
    runclose(1), out = Output{}, opt = Opts{}, pardefaults();
}

// A message line is two numbers and a text in double quotes.
TEST(ParameterFile, MessageIsTwoNumbersThenAQuotedText) {
    // clang-format off
    const std::tuple<const char *, int, double, double, const char *> cases[] = {
        {"1.5  -2e0   \"a b\" x", 1, 1.5, -2, "a b"}, {"1 2\"tight\"", 1, 1, 2, "tight"},
        {"x y \"t\"", 1, 0, 0, "t"}, {"1 2 \"\"", 1, 1, 2, ""}, {"1 2 3 \"t\"", 0, 0, 0, ""},
        {"\"t\" 1 2", 0, 0, 0, ""}, {"1 \"t\"", 0, 0, 0, ""}, {"1 2 \"open", 0, 0, 0, ""},
        {"", 0, 0, 0, ""}};
    // clang-format on
    for (const auto &[line, ok, x, y, text] : cases) {
        double gx = 9, gy = 9;
        std::string gt;
        const int got = msgparse(line, &gx, &gy, &gt);
        EXPECT_EQ(std::tuple(got, got * gx, got * gy, gt), std::tuple(ok, x, y, text)) << line;
    }
}

// A name not found gets ".spc" in place of the extension of its last component. A line is cut
// at 255 characters, the rest dropped and said; leading blanks are skipped; ';' starts a comment, a
// double quote makes a message (its '=' assigns nothing), else '=' assigns every name that matches;
// %1, %% and %p are replaced, a missing argument is said, an unknown sequence stays.
TEST(ParameterFile, LinesOfEachKindWithTheirArgumentsInPlace) {
    const Scratch s;
    std::filesystem::create_directory(s / "d.x");
    writefile(s / "d.x/talk.spc", "tmin=1\n");
    writefile(s / "l.spc", ";" + std::string(254, 'c') +
                               "tmin=7\n   XPAGE=%1%%3 ; x\n  Wind=%p\n  ; ypage=3\nxlen=\"3\"\n"
                               "yllc=%9 %x\nfmax=1%e3\nylen 5\n");
    // clang-format off
    const std::tuple<std::string, std::string, std::string> cases[] = {
        {s / "d.x/talk.old", "SPC file: " + s / "d.x/talk.spc\nnothing to plot in " + s / "d.x/talk.spc\n", "tmin=1 "},
        {s / "d.x", "can't open file " + s / "d.x\n", ""},
        {s / "l.spc", "SPC file: " + s / "l.spc\nWARNING(" + s / "l.spc, line 1): line longer than "
         "255 characters; the rest is dropped\nWARNING(" + s / "l.spc, line 5): text line not "
         "understood: 'xlen=\"3\"'\nWARNING: don't have arg #9\nnothing to plot in " + s / "l.spc\n",
         "window=1 fmax=1 windwidth=1 xpage=12 yllc=0 "}};
    // clang-format on
    for (const auto &[name, msgs, set] : cases) {
        opt.posarg = {name, "12"}, opt.nposarg = 2, out.failed = 0, pardefaults();
        MsgCap cap;
        dofile(name);
        EXPECT_EQ(std::tuple(cap.text(), changed(), out.failed, stamp.rundate.size()),
                  std::tuple(msgs, set, 1, 25u)); // none of them plots
    }
    opt = Opts{}, pardefaults();
}
