// The progress line of a recording of several pages: shown on a terminal (a pseudo-terminal
// made by script), written over in place and cleared at the end; never in a file or pipe.
#include "testkit.h"

namespace {

// What kavrel writes to standard error, in s, with the words: through a terminal (tty) or
// into a file. Standard output goes to a file either way.
std::string errtext(const Scratch &s, const std::string &words, bool tty) {
    EXPECT_TRUE(have("script"));
    const std::string run = std::string(KAVREL_BIN) + " " + words + " >o.ps";
    const Ran r = shrun(s, tty ? "script -qec '" + run + "' /dev/null" : run);
    EXPECT_EQ(r.status, 0) << run;
    return tty ? r.out : r.err;
}

} // namespace

TEST(Progress, PageOfPagesOnATerminalOnly) {
    Scratch s("prog");
    ASSERT_TRUE(sox(s.dir, "-n -r 8000 -b 16 t.wav synth 3 sine 1000"));
    const std::string tty = errtext(s, "-Pps -o t.eps t.wav tpage=1", true);
    for (int n = 1; n <= 3; n++)
        EXPECT_NE(tty.find("page " + std::to_string(n) + " of 3\r"), std::string::npos) << tty;
    // cleared: the last text, between two carriage returns, is blanks over the whole line
    const size_t end = tty.rfind('\r'), clr = tty.rfind('\r', end - 1);
    EXPECT_TRUE(end == tty.size() - 1 && end - clr > std::string("page 3 of 3").size() &&
                tty.find_first_not_of(' ', clr + 1) == end)
        << "left on screen";
    // one page, quiet mode, a file: no progress line
    for (auto [words, tty] : {std::pair{"-Pps -o t.eps t.wav", true},
                              {"-q -Pps -o t.eps t.wav tpage=1", true},
                              {"-Pps -o t.eps t.wav tpage=1", false}}) {
        const std::string err = errtext(s, words, tty);
        EXPECT_EQ(err.find("page "), std::string::npos) << words << "\n" << err;
        if (!tty) { EXPECT_EQ(err.find('\r'), std::string::npos) << err; }
    }
}
