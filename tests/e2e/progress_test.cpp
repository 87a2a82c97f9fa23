// The progress line of a recording of several pages: shown on a terminal (a pseudo-terminal
// made by script), written over in place and cleared at the end; never in a file or pipe.
#include "testkit.h"

#include <sstream>

namespace {

// What kavrel writes to standard error, in s, with the words: through a terminal (tty) or
// into a file. Standard output goes to a file either way.
std::string errtext(const Scratch &s, const std::string &words, bool tty) {
    EXPECT_TRUE(have("script"));
    const std::string run = std::string("unset KAVREL; ") + KAVREL_BIN + " " + words + " >o.ps",
                      cmd = "cd '" + s.dir + "' && " +
                            (tty ? "script -qec '" + run + "' /dev/null >.tty 2>&1"
                                 : "sh -c '" + run + " 2>.tty'");
    EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;
    return readfile(s / ".tty");
}

// The last line a terminal shows once every carriage return has moved back to its start.
std::string lastline(const std::string &text) {
    std::string line, out;
    std::istringstream in(text);
    for (std::getline(in, line); !in.eof(); std::getline(in, line)) {}
    for (size_t i = 0, col = 0; i < line.size(); i++) {
        if (line[i] == '\r') {
            col = 0;
            continue;
        }
        if (col < out.size())
            out[col] = line[i];
        else
            out += line[i];
        col++;
    }
    return out;
}

} // namespace

TEST(Progress, PageOfPagesOnATerminalOnly) {
    Scratch s("prog");
    ASSERT_TRUE(sox(s.dir, "-n -r 8000 -b 16 t.wav synth 3 sine 1000"));
    const std::string tty = errtext(s, "-Pps -o t.eps t.wav tpage=1", true);
    for (int n = 1; n <= 3; n++)
        EXPECT_NE(tty.find("page " + std::to_string(n) + " of 3\r"), std::string::npos) << tty;
    EXPECT_EQ(lastline(tty).find_first_not_of(' '), std::string::npos) << "left on screen";
    // one page, quiet mode, a file: no progress line
    for (auto [words, tty] : {std::pair{"-Pps -o t.eps t.wav", true},
                              {"-q -Pps -o t.eps t.wav tpage=1", true},
                              {"-Pps -o t.eps t.wav tpage=1", false}}) {
        const std::string err = errtext(s, words, tty);
        EXPECT_EQ(err.find("page "), std::string::npos) << words << "\n" << err;
        if (!tty) { EXPECT_EQ(err.find('\r'), std::string::npos) << err; }
    }
}
