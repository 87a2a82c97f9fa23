// Hostile and everyday input, one row per case: the words and the parameter file, and what
// must hold: the status, a message, a bound on the output's size; each run under a time
// limit, so a hang fails its row instead of stopping the suite.
#include <filesystem>
#include <string>

#include "rasterread.h"
#include "testkit.h"

namespace {

struct Case {
    const char *what, *words, *spc; // the parameter file is written to p.spc when given
    int status;
    const char *said;          // a line the messages must hold
    long maxout = 1L << 22;    // bytes of o.* at most
    const char *reader = "";   // a reader that must take the output file
    const char *unsaid = "\a"; // text the messages must not hold
};

TEST(HostileInput, EachCaseEndsInTimeWithItsStatusAndMessage) {
    const Scratch s("hostile");
    ASSERT_TRUE(sox(s.dir, "-n -r 16000 -b 16 t.wav synth 0.5 sine 1000"));
    ASSERT_TRUE(tool(s.dir, "ffmpeg -loglevel error -y -i t.wav -rf64 auto junk.wav"));
    ASSERT_TRUE(sox(s.dir, "t.wav -c 2 t.dat"));
    const std::string longline = ";" + std::string(254, 'x') + "xyzw=1\nsdfile t.wav\n";
    const Case cases[] = {
        {"a refused page leaves the document open for the next plot", "-Plj -o o.pcl p.spc",
         "xllc=-5\nsdfile t.wav\nxllc=0.75\nsdfile t.wav\n", 1, "x=0.0 and xllc=-5.0", 1L << 22,
         "pcl"},
        {"the same in PostScript: one document", "-Pps -o o.eps p.spc",
         "xllc=-5\nsdfile t.wav\nxllc=0.75\nsdfile t.wav\n", 1, "x=0.0 and xllc=-5.0", 1L << 22,
         "gs"},
        {"lines to far-away coordinates on a raster page", "-Plj -o o.pcl p.spc",
         "plot 0 0 1000000 1000000\nplot 1e30 1e30 1 1\n", 0, "SPC file: p.spc", 1L << 20, "pcl"},
        {"a long comment line: its tail is dropped, not run", "-Pps -o o.eps p.spc",
         longline.c_str(), 0,
         "WARNING(p.spc, line 1): line longer than 255 characters; the rest "
         "is dropped",
         1L << 22, "gs", "xyzw"},
        {"a name that is no parameter's, and lines not understood", "-Pps -o o.eps p.spc",
         "xyzw=2\n10 \"no y\nplot 1\nsdfile t.wav\n", 0,
         "WARNING(p.spc, line 1): no parameter is named 'xyzw'\nWARNING(p.spc, line 2): text line "
         "not understood: '10 \"no y'\nWARNING(p.spc, line 3): line command without two points: "
         "'plot 1'\n",
         1L << 22, "gs"},
        {"a text recording with its comment header", "-Pps -o o.eps channel=2 t.dat", nullptr, 0,
         "DAT file: t.dat\nchannel 2 of 2\n", 1L << 22, "gs"},
        {"a parameter file of settings alone", "-Pps -o o.eps p.spc", "tmin=0\n", 1,
         "nothing to plot in p.spc\n", 0},
        {"a WAV whose format chunk comes after padding", "-Pps -o o.eps junk.wav", nullptr, 0,
         "WAV file: junk.wav", 1L << 22, "gs"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        if (c.spc) writefile(s / "p.spc", c.spc);
        for (const auto &e : std::filesystem::directory_iterator(s.dir))
            if (e.path().stem() == "o") std::filesystem::remove(e.path());
        const std::string cmd = "cd '" + s.dir + "' && unset KAVREL; timeout 20 " KAVREL_BIN " " +
                                c.words + " </dev/null >stdout 2>stderr; echo $? >status";
        std::system(cmd.c_str());
        const std::string err = readfile(s / "stderr");
        EXPECT_EQ(std::atoi(readfile(s / "status").c_str()), c.status) << err;
        EXPECT_NE(err.find(c.said), std::string::npos) << err;
        EXPECT_EQ(err.find(c.unsaid), std::string::npos) << err;
        EXPECT_EQ(readfile(s / "stdout"), "");
        const std::string out = c.words + std::string(c.words).find("-o ") + 3;
        const std::string name = out.substr(0, out.find(' '));
        const long size = static_cast<long>(readfile(s / name).size());
        EXPECT_TRUE(size <= c.maxout && (size > 0 || !*c.reader)) << size;
        if (std::string(c.reader) == "pcl") {
            EXPECT_EQ(readpcl(readfile(s / name)).err, "");
        } else if (std::string(c.reader) == "gs") {
            EXPECT_TRUE(tool(s.dir, "gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=nullpage " + name));
        }
    }
}

} // namespace
