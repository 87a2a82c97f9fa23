// The parameter table and the run's output stream.
#include <gtest/gtest.h>

#include "base/outfile.h"
#include "base/parcheck.h"
#include "testkit.h"

#include <unistd.h>

// A word names the parameters whose first four characters, letters folded, are its own (only
// window and windwidth share theirs, one in each table); integers keep their low 8 bits.
TEST(Parameters, WordsSetWhatTheirFirstFourCharactersNameToAPlainNumber) {
    // clang-format off
    const char *const cases[] = { // the word, then what it sets
        "TMIN=5", "tmin=5 ",           "tmins=.5 ; x", "tmin=0.5 ",      "tmi=5", "",
        "nosuch=5", "",                "xlen=", "xlen=0 ",               "AGCSP=2", "agcsp=2 ",
        "Wind=1", "window=1 windwidth=1 ",                               "mval=300", "mval=44 ",
        "mval=-300", "mval=-44 ",      "mval=4294967340", "mval=44 ",    "aronum=255", "aronum=-1 ",
        "nlpc=12abc", "nlpc=12 ",      "ftpi= +7", "ftpi=7 ",            "bits=1e3", "bits=1 ",
        "tmin=1e3", "tmin=1000 ",      "tmin=+3E2,", "tmin=300 ",        "tmin=1e+", "tmin=1 ",
        "tmin=-.5e-1x", "tmin=-0.05 ", "tmin=  2.5", "tmin=2.5 ",        "tmin=0x10", "",
        "CHANnel=2.5", "channel=2.5 ", "tmin=inf", "",                    "_bpar=3", "_bpar=3 "};
    // clang-format on
    for (size_t i = 0; i < std::size(cases); i += 2) {
        for (auto assign : {+[](std::string_view w) { parassign(w); },
                            +[](std::string_view w) { (void)parset(w); }}) {
            par = Params{};
            assign(cases[i]);
            EXPECT_EQ(changed(), cases[i + 1]) << cases[i];
        }
    }
    EXPECT_EQ(std::tuple(parset("Wind=1"), parset("xyzw=1"), parset("tmin")), std::tuple(2, 0, 0));
    // each table after its marker in ascending order, which the lookup's uniqueness rests on
    for (size_t i = 2; i < std::size(floatpars); i++)
        EXPECT_LT(std::string(floatpars[i - 1].name), floatpars[i].name);
    parassign("tmin=1"), parassign("_fpar=0.5"), pardefaults(); // all back but the markers
    EXPECT_EQ(changed(), "_bpar=3 _fpar=0.5 ");
    par = Params{};
}

// A failed write fails the run; a regular file it left incomplete is removed, a device stays.
TEST(OutputStream, ClosingSaysWriteErrorsAndRemovesOnlyARegularFile) {
    const Scratch s;
    writefile(s / "ro.eps", "x");
    MsgCap cap;
    const std::tuple<std::string, const char *, int, bool> cases[] = {
        {"/dev/full", "wb", 1, true}, {s / "ro.eps", "rb", 1, false}, {s / "a.eps", "wb", 0, true}};
    for (const auto &[path, mode, failed, kept] : cases) {
        out = Output{.outfile = std::fopen(path.c_str(), mode), .outname = path};
        std::fputs(std::string(10000, 'p').c_str(), outfp()); // "rb": every write fails
        EXPECT_EQ(outopen((s / "b.eps").c_str()), 0);         // closes the file before
        EXPECT_EQ(std::tuple(out.failed, cap.times("error writing output file " + path + "\n"),
                             std::filesystem::exists(path)),
                  std::tuple(failed, failed, kept));
    }
    EXPECT_EQ(readfile(s / "a.eps"), std::string(10000, 'p'));
    outclose(), out = Output{};
}

// After a write error only what the run made is removed: a link named by -o, or a file put in
// the name's place meanwhile, stays, and the run says the output is incomplete.
TEST(OutputStream, AWriteErrorRemovesNothingButTheFileTheRunMade) {
    const Scratch s;
    MsgCap cap;
    writefile(s / "target.eps", "t"), writefile(s / "moved.eps", "m"),
        writefile(s / "new.eps", "n");
    ASSERT_EQ(symlink((s / "target.eps").c_str(), (s / "link.eps").c_str()), 0);
    for (const std::string name : {"link.eps", "moved.eps"}) {
        const std::string path = s / name;
        out = Output{.outfile = std::fopen(path.c_str(), "rb"), .outname = path}; // writes fail
        std::fputs(std::string(10000, 'p').c_str(), outfp());
        if (name == "moved.eps") std::filesystem::rename(s / "new.eps", path);
        outclose();
        EXPECT_EQ(std::tuple(out.failed, cap.times("output file " + path + " is incomplete\n")),
                  std::tuple(1, 1))
            << name;
        EXPECT_TRUE(std::filesystem::exists(std::filesystem::symlink_status(path))) << name;
    }
    EXPECT_EQ(std::tuple(readfile(s / "target.eps"), readfile(s / "moved.eps")),
              std::tuple("t", "n"));
    out = Output{};
}
