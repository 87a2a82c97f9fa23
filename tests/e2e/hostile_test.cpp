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
    const char *holds = "";    // text the output file must hold
};

TEST(HostileInput, EachCaseEndsInTimeWithItsStatusAndMessage) {
    const Scratch s("hostile");
    ASSERT_TRUE(sox(s.dir, "-n -r 16000 -b 16 t.wav synth 0.5 sine 1000"));
    ASSERT_TRUE(sox(s.dir, "-n -r 16000 -b 16 long.wav synth 2 sine 300"));
    std::string flood = "newpage=0\n";
    for (int i = 0; i < 600; i++) flood += "plot 1 1 2 2\n";
    const Case cases[] = {
        {"a refused page leaves the document open for the next plot", "-Plj -o o.pcl p.spc",
         "xllc=-5\nsdfile t.wav\nxllc=0.75\nsdfile t.wav\n", 1, "x=0.0 and xllc=-5.0", 1L << 22,
         "pcl"},
        {"a name that is no parameter's, and lines not understood", "-Pps -o o.eps p.spc",
         "xyzw=2\n10 \"no y\nplot 1\nsdfile t.wav\n", 0,
         "WARNING(p.spc, line 1): no parameter is named 'xyzw'\nWARNING(p.spc, line 2): text line "
         "not understood: '10 \"no y'\nWARNING(p.spc, line 3): line command without two points: "
         "'plot 1'\n",
         1L << 22, "gs"},
        {"a folder named as a recording", "-Pps -o o.eps p.spc", "sdfile .\n", 1,
         "can't open file .\n", 0},
        {"a page that holds less than a sample", "-Pps -o o.eps p.spc",
         "tpage=1e-9\nsdfile t.wav\n", 1, "bad value of tpage: a page holds less than one sample",
         1L << 16},
        {"more pages than anyone prints", "-Pps -o o.eps p.spc", "tpage=1e-4\nsdfile long.wav\n", 1,
         "bad value of tpage: 20001 pages, more than 10000", 1L << 16},
        {"a zoom of 10 ms a page", "-Pps -o o.eps p.spc", "tmax=0.1\ntpage=0.01\nsdfile t.wav\n", 0,
         "", 1L << 22, "gs", "\a", "%%Page: 10 10\n"},
        {"a line past the page's far edge is drawn to the edge", "-Pps -o o.eps p.spc",
         "plot 1 1 20 20\n", 0, "", 1L << 16, "gs", "nothing drawn", " S\n"},
        {"every mark off the page: still a document", "-Pps -o o.eps p.spc", "plot 20 20 30 30\n",
         0, "nothing drawn\n", 1L << 16, "gs", "\a", "showpage\n%%EOF\n"},
        {"more marks than a page holds: said once, counted, failed", "-Pps -o o.eps p.spc",
         flood.c_str(), 1,
         "Overlay limit exceeded: 512\n*** Warning: failed to get overlay\n88 marks dropped on "
         "page 1\n",
         1L << 20, "gs"},
        {"a text wider than any page", "-Pps -o o.eps p.spc", "msgsiz=2e30\n1 1 \"big\"\n", 0, "",
         1L << 16, "gs"},
        {"an LPC order past the FFT width", "-Pps -o o.eps p.spc",
         "windwidth=0.0003\nmfft=3\nnlpc=12\nsdfile t.wav\n", 0, "FFT width     =        8",
         1L << 22, "gs"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        if (c.spc) writefile(s / "p.spc", c.spc);
        for (const auto &e : std::filesystem::directory_iterator(s.dir))
            if (e.path().stem() == "o") std::filesystem::remove(e.path());
        const Ran r = shrun(s, "timeout 20 " KAVREL_BIN " " + std::string(c.words));
        const std::string &err = r.err;
        EXPECT_EQ(r.status, c.status) << err;
        EXPECT_NE(err.find(c.said), std::string::npos) << err;
        EXPECT_LT(err.size(), 4096u) << "a flood of messages";
        EXPECT_EQ(err.find(c.unsaid), std::string::npos) << err;
        EXPECT_EQ(r.out, "");
        const std::string out = c.words + std::string(c.words).find("-o ") + 3;
        const std::string name = out.substr(0, out.find(' '));
        const std::string text = readfile(s / name);
        const long size = static_cast<long>(text.size());
        EXPECT_NE(text.find(c.holds), std::string::npos);
        EXPECT_TRUE(size <= c.maxout && (size > 0 || !*c.reader)) << size;
        if (std::string(c.reader) == "pcl") {
            EXPECT_EQ(readpcl(text).err, "");
        } else if (std::string(c.reader) == "gs") {
            EXPECT_TRUE(tool(s.dir, "gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=nullpage " + name));
        }
    }
}

} // namespace
