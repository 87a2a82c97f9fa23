// kavrel run as a user runs it, in a scratch folder: arguments, the KAVREL variable, standard
// input, messages and exit status, and the files it writes read back by real readers
// (Ghostscript, libpng, the raster decoders, Inkscape). Every recording is made by sox.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "pngread.h"
#include "rasterread.h"
#include "sdinput/sdfix.h"
#include "testkit.h"

using namespace std::string_literals;

namespace {

// kavrel with the words, run in s after the shell text pre ("KAVREL='-q'"), in on standard
// input.
Ran kavrel(const Scratch &s, const std::string &words, const std::string &pre = "",
           const std::string &in = "") {
    return shrun(s, pre + " " + KAVREL_BIN + " " + words, in);
}

TEST(Program, WithoutAFileItPrintsTheUsageAndSucceeds) {
    const Scratch s("e2e");
    const Ran r = kavrel(s, "-c -Pps xlen=3");
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.err.starts_with("KAVREL version 2.52                          January 2018\n\n"
                                  "usage: kavrel [-options]"))
        << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 22);
    EXPECT_TRUE(r.err.ends_with("   -t N    sdf trailer size is N bytes\n   -Ppdf   output to PDF "
                                "file\n   -Psvg   output to SVG file\n"));
}

TEST(Program, ExitStatusAndMessagesTellHowTheRunWent) {
    const Scratch s("e2e");
    ASSERT_TRUE(sox(s.dir, "-n -r 16000 -b 16 tone.wav synth 1 sine 1000"));
    ASSERT_TRUE(sox(s.dir, "-n -r 8000 -b 16 -t raw noh.raw synth 0.5 sine 1000"));
    for (const char *name : {"q.spc", "noext"}) writefile(s / name, "tmin=1\n");
    writefile(s / "late.spc", "tmin=5\nsdfile tone.wav\nplot 1 1 2 2\nplot 2 2 3 3\n");
    writefile(s / "template.spc", "; plotting %1 %2\n");
    writefile(s / "cut.wav", readfile(s / "tone.wav").substr(0, 44)); // header, no samples
    std::filesystem::create_symlink("/dev/full", s / "full");
    // a time-step file of 1 s in frames of 10 ms, a cochlear place map, tone.wav its stimulus
    Bytes tsd = tsdfile(0, 4, 100).at(140, 100, 4).at(108, f32(0.165f), 4);
    tsd.at(112, f32(0.021f), 4).at(116, f32(0.88f), 4).b.replace(16, 8, "tone.wav");
    writefile(s / "m.tsd", tsd.b);
    const std::string wav = "WAV file: tone.wav\n", ps = "%!PS-Adobe-2.0 EPSF-2.0\n",
                      end = "%%EOF\n";
    struct {
        std::string pre, words, in;
        int status;
        std::string err, eps; // eps: how o.eps begins afterwards (up to 24 bytes)
    } const cases[] = {
        {"", "missing", "", 1, "can't open file missing\n", ""},
        {"", "noext", "", 1, "SPC file: noext\ncan't open parameter file noext.spc\n", ""},
        {"KAVREL='-o no/o.eps'", "q", "", 1,
         "KAVREL=-o no/o.eps\ncan't open output file no/o.eps\n", ""},
        {"", "noh.raw", "", 1,
         "NOH file: noh.raw\nWARNING: don't have arg #2\nnothing to plot in template.spc\n", ""},
        {"KAVREL='-Pps -o o.eps'", "-q cut.wav x", "", 1,
         "KAVREL=-Pps -o o.eps\nWAV file: cut.wav\nno samples in cut.wav\n", ""},
        {"", "-Pps -o o.eps late", "", 1,
         "SPC file: late.spc\ninvalid time range\noutput file o.eps was closed by an abandoned "
         "plot; later plots of this run are not written\n",
         end},
        {"", "-q -Pps -o o.eps noh.raw x", "8000\n", 0, "NOH file: noh.raw\nsamples/second: ", ps},
        {"", "-q -Pps -o o.eps noh.raw x", "", 1,
         "NOH file: noh.raw\nsamples/second: ERROR(noh.raw): no sampling rate\n", end},
        {"", "-q -r 8000 -Pps -o o.eps noh.raw x", "", 0, "NOH file: noh.raw\n", ps},
        {"", "-q -Pps -o o.eps m.tsd x", "", 0, "TSD file: m.tsd\n", ps}, // the cochlear plot
        // the screen device keeps its picture without -o; a metafile cannot go to a pipe
        {"", "-q tone.wav x", "", 0,
         wav + "Plot drawn but not saved; to save it as a PNG picture: kavrel -o plot.png ...\n",
         ""},
        {"", "-q -Pemf tone.wav x", "", 1,
         wav + "metafile output needs a file that can be rewound (-o file.emf): nothing written\n",
         ""},
        // write errors: a device named by -o, through a link, stays; standard output is named
        {"", "-q -o full tone.wav x", "", 1, wav + "error writing output file full\n", ""},
        {"", "-q -Pps tone.wav x >/dev/full", "", 1,
         wav + "error writing output file (standard output)\n", ""},
    };
    for (const auto &c : cases) {
        std::filesystem::remove(s / "o.eps");
        const Ran r = kavrel(s, c.words, c.pre, c.in);
        EXPECT_EQ(r.status, c.status) << c.words;
        EXPECT_EQ(r.err, c.err) << c.words;
        EXPECT_EQ(r.out, "") << c.words;
        EXPECT_EQ(readfile(s / "o.eps").substr(0, 24), c.eps) << c.words;
    }
    EXPECT_TRUE(std::filesystem::is_symlink(s / "full"));
}

// The marks of a 1 kHz tone plot 1.5 in along the landscape page: a clean margin 0.5 in up
// from its lower left, the frame at 0 Hz, the tone at 1 kHz, quiet at 4.5 kHz, by the mean gray
// of 0.2 in along and 0.06 in up around each, in a picture of pa pixels per inch along the page
// and pu up it: landscape, or turned onto a portrait page with time running down.
void tonemarks(const Picture &p, bool land, double pa, double pu) {
    auto gray = [&](double up) {
        const int a0 = int((1.5 - 0.1) * pa), a1 = int((1.5 + 0.1) * pa);
        const int u0 = int((up - 0.03) * pu), u1 = int((up + 0.03) * pu);
        return land ? mean(p, a0, a1, p.h - u1, p.h - u0) : mean(p, u0, u1, a0, a1);
    };
    EXPECT_EQ((std::tuple{gray(0.5), gray(1.0) < 235, gray(1.5625) < 30, gray(3.53125)}),
              (std::tuple{255, true, true, 255}));
}

TEST(Pictures, EveryDeviceDrawsTheToneAsADarkBandAt1kHz) {
    const Scratch s("e2e");
    ASSERT_TRUE(sox(s.dir, "-n -r 16000 -b 16 tone.wav synth 1 sine 1000 gain -6"));
    struct {
        std::string words, file;
        double pa, pu; // pixels per inch along the page and up it
        bool land;     // a landscape picture; else a portrait page, time running down
        int h;         // its height in pixels, 0 when the picture ends at its last ink
    } const cases[] = {
        {"-Pps", "o.eps", 75, 75, false, 825},     // letter paper, 11 in
        {"", "o.png", 160, 153, true, 1226},       // 8 in
        {"-Plj3", "o.pcl", 300, 300, false, 3144}, // whole bands of 8 rows in 10.5 in
        {"-Plj", "o1.pcl", 150, 150, false, 1568},
        {"-Pip", "o.imp", 300, 300, false, 0},
        // the metafile reader is slow: half an inch of plot, drawn at 96 dpi
        {"-Pemf xlen=0.5 tmax=0.1 prwave=0 prenrg=0", "o.emf", 96, 96, true, 768},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.file);
        ASSERT_EQ(kavrel(s, c.words + " -o " + c.file + " tone.wav").status, 0);
        const std::string ext = c.file.substr(c.file.find('.') + 1), f = readfile(s / c.file);
        const Pcl pcl = readpcl(ext == "pcl" ? f : "");
        EXPECT_EQ(pcl.err, "");
        if (ext == "emf") { // its header and records: the device tests
            ASSERT_TRUE(tool(s.dir, "inkscape o.emf --export-type=png --export-filename=emf.png "
                                    "--export-background=white"));
        }
        const Picture p = ext == "eps"   ? readpages(s, c.file).at(0)
                          : ext == "png" ? readpng(s / c.file)
                          : ext == "emf" ? readpng(s / "emf.png")
                          : ext == "imp" ? readimp(f)
                                         : pcl.page;
        if (c.h) { EXPECT_EQ(p.h, c.h); }
        tonemarks(p, c.land, c.pa, c.pu);
    }
}

TEST(Documents, PdfAndSvgDrawWhatThePostScriptDraws) {
    const Scratch s("e2e");
    ASSERT_TRUE(sox(s.dir, "-n -r 16000 -b 16 tone.wav synth 1 sine 1000 gain -6"));
    for (const char *file : {"o.eps", "o.pdf", "o.svg"})
        ASSERT_EQ(kavrel(s, "-o "s + file + " tone.wav").status, 0);
    const Picture eps = readpages(s, "o.eps", 300).at(0);
    for (const char *file : {"o.pdf", "o.svg"}) {
        SCOPED_TRACE(file);
        const std::vector<Picture> p = readpages(s, file, 300);
        ASSERT_EQ(p.size(), 1u);
        // the tone, the frame, the axes' lines and text, the waveform where the PostScript has
        // them: dot (row, column) is its pixel (column, row); antialiased edges only differ
        int bad = 0;
        for (int y = 0; y < 2400; y++)
            for (int x = 0; x < 3150; x++)
                bad += std::abs(eps.gray(2399 - y, x) - p[0].gray(x, y)) > 64;
        EXPECT_LT(bad, 3150 * 2400 / 500);
    }
    // the device writes its later pages to files named after -o: without it they are lost
    const Ran r = kavrel(s, "-q -Psvg tpage=0.5 tone.wav");
    EXPECT_EQ((std::tuple{r.status, r.out.starts_with("<?xml")}), (std::tuple{1, true}));
    EXPECT_EQ(r.err, "WAV file: tone.wav\nSVG output of several pages needs an output file (-o "
                     "name.svg): page 2 and later are not written\n");
}

// Without -P the output name's extension chooses the device, whatever its case; a known -P,
// here from KAVREL, wins; an unknown one is said and the extension decides. Without -o the
// PostScript goes to standard output, titled by the run.
TEST(Documents, OutputNameChoosesTheDeviceAndWithoutOneItIsStandardOutput) {
    const Scratch s("e2e");
    ASSERT_TRUE(sox(s.dir, "-n -r 16000 -b 16 tone.wav synth 0.2 sine 1000"));
    // environment, words, the file, how it begins
    // clang-format off
    const std::tuple<std::string, std::string, std::string, std::string> cases[] = {
        {"", "", "x.eps", "%!PS-Adobe-2.0 EPSF"}, {"", "", "x.PDF", "%PDF-1."},
        {"", "", "x.svg", "<?xml"}, {"", "", "x.emf", "\x01\0\0\0"s}, {"", "", "x.pcl", "\033E"},
        {"", "", "x.png", "\x89PNG"}, {"KAVREL=-Pps", "", "y.png", "%!PS-Adobe-2.0 EPSF"},
        {"", "-Pxyz", "y.eps", "%!PS-Adobe"},
        // -P and -o in either pass, in either order; -Pco names the screen; no extension
        {"KAVREL='-o z.pdf'", "-Plj", "", "\033E"}, {"KAVREL=-Pxyz", "-Pzz", "z.svg", "<?xml"},
        {"", "-Pco", "z.eps", "\x89PNG"}, {"", "", "z", "\x89PNG"}};
    // clang-format on
    for (const auto &[env, words, file, magic] : cases) {
        const Ran r =
            kavrel(s, "-q " + words + (file.empty() ? "" : " -o " + file) + " tone.wav", env);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(readfile(s / (file.empty() ? "z.pdf" : file)).substr(0, magic.size()), magic)
            << file;
    }
    writefile(s / "sketch.spc", "plot 1 1 5 5\n");
    const Ran f = kavrel(s, "-Pps -o o.eps sketch"), o = kavrel(s, "-Pps sketch");
    const std::string eps = readfile(s / "o.eps");
    EXPECT_TRUE(f.status + o.status == 0 &&
                eps.starts_with("%!PS-Adobe-2.0 EPSF-2.0\n%%Title: sketch\n"));
    EXPECT_EQ(nodate(o.out), nodate(eps));
}

// A stereo recording through the codec library to PDF says which channel it plots and its
// real duration, unless -q (the channel's samples and its tone read back: the codec and shell
// tests).
TEST(Recordings, StereoPlotsItsChosenChannelAndSaysWhichUnlessQuiet) {
    const Scratch s("e2e");
    ASSERT_TRUE(sox(s.dir, "-n -r 16000 -b 16 st.wav synth 1 sine 0 sine 1000 gain -6"));
    ASSERT_TRUE(sox(s.dir, "st.wav st.flac"));
    const Ran one = kavrel(s, "-o a.pdf channel=2 st.flac"), two = kavrel(s, "-q -o b.pdf st.flac");
    EXPECT_EQ(one.status + two.status, 0);
    EXPECT_TRUE(one.err.starts_with("FLC file: st.flac\nchannel 2 of 2\n")) << one.err;
    EXPECT_NE(one.err.find("    16000 samples =    1.000 sec"), std::string::npos) << one.err;
    EXPECT_EQ(two.err, "FLC file: st.flac\n");
}

} // namespace
