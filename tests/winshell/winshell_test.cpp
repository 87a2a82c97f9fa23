// The window shell without a window: read-out texts and arithmetic, the cursor access, the
// argument vectors of the menu commands, and the read-out of a real plot of a tone.
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <filesystem>

#include "base/opts.h"
#include "devices/screen.h"
#include "driver/run.h"
#include "render/core.h"
#include "sdinput/cursor.h"
#include "sdinput/sdblock.h"
#include "sdinput/sdfile.h"
#include "sdinput/sdrate.h"
#include "testkit.h"
#include "winshell/readout.h"
#include "winshell/shell.h"

namespace {

// n samples of a f Hz tone at amplitude a and rate r.
std::vector<int16_t> tone(double f, int r, int n, double a) {
    std::vector<int16_t> v(n);
    for (int i = 0; i < n; i++)
        v[i] = static_cast<int16_t>(std::lround(a * std::sin(2 * M_PI * f * i / r)));
    return v;
}

// A 16-bit WAV file of the samples (interleaved frames when chans > 1), written by sox.
void wav(const Scratch &s, const std::string &name, const std::vector<int16_t> &v, int rate,
         int chans = 1) {
    writefile(s / "raw", std::string(reinterpret_cast<const char *>(v.data()), v.size() * 2));
    EXPECT_TRUE(sox(s.dir, "-t raw -r " + std::to_string(rate) + " -e signed -b 16 -c " +
                               std::to_string(chans) + " raw " + name));
}

} // namespace

TEST(Readout, TimesAndFrequenciesAsShown) {
    // clang-format off
    const std::tuple<std::string (*)(double), double, const char *> cases[] = {
        {fmttime, 0.000005, "5.00 us"}, {fmttime, 0.0005, " 500 us"}, {fmttime, 0.05, "50.0 ms"},
        {fmttime, 1, "1.00 s"},         {fmttime, 500, " 500 s"},     {fmttime, 1e6, "INF"},
        {fmtfreq, 5, "5.00 Hz"},        {fmtfreq, 1000, "1000 Hz"},   {fmtfreq, 1500, "1.50 kHz"},
        {fmtfreq, 150000, " 150 kHz"},  {fmtfreq, 1.5e6, "1.50 MHz"}, {fmtfreq, 2e12, "INF"}};
    // clang-format on
    for (auto [fmt, v, text] : cases) EXPECT_EQ(fmt(v), text) << v;
}

TEST(Readout, FrequencyOnEachAxisType) {
    PlotRec r;
    r.flo = 100, r.fhi = 1600;
    EXPECT_DOUBLE_EQ(freqat(0.5, r), 850); // linear
    r.axtype = 1, r.lnr = std::log(16.0f);
    EXPECT_NEAR(freqat(0.5, r), 400, 1e-3); // octaves: halfway is the geometric middle
    // place: halfway in place between the ends, under place(f) = log10(f / A + C) / B
    r.axtype = 2, r.fpA = 165.4f, r.fpB = 0.006f, r.fpC = 0.88f;
    auto place = [&](double f) { return std::log10(f / r.fpA + r.fpC) / r.fpB; };
    EXPECT_NEAR(freqat(0, r), 100, 1e-3);
    EXPECT_NEAR(freqat(1, r), 1600, 1e-2);
    EXPECT_NEAR(place(freqat(0.5, r)), (place(100) + place(1600)) / 2, 1e-4);
}

// A file the cursor holds open stays readable after it is removed; another name or channel
// closes it.
TEST(Cursor, ReopensOnlyForAnotherNameOrChannel) {
    Scratch s("cur");
    std::vector<int16_t> a = tone(100, 8000, 800, 9000), b = tone(300, 8000, 800, 5000), ab;
    for (size_t i = 0; i < a.size(); i++) ab.push_back(a[i]), ab.push_back(b[i]);
    wav(s, "a.wav", a, 8000), wav(s, "b.wav", b, 8000), wav(s, "ab.wav", ab, 8000, 2);
    // file (a.wav removed once read: reopened only while the cursor holds it), time, channel,
    // sample
    const std::tuple<std::string, double, int, int> cases[] = {
        {"", 0.01, 1, 0},           {"a.wav", 0.01, 1, a[80]},
        {"a.wav", 0.02, 1, a[160]}, {"b.wav", 0.0201, 1, b[161]},
        {"a.wav", 0.02, 1, 0},      {"b.wav", 0.01, 1, b[80]},
        {"ab.wav", 0.01, 2, b[80]}, {"ab.wav", 0.01, 1, a[80]}};
    for (const auto &[name, t, chan, want] : cases) {
        EXPECT_EQ(cursamp(name.empty() ? "" : (s / name).c_str(), t, 8000, chan), want)
            << name << t;
        std::filesystem::remove(s / "a.wav");
    }
    curclose();
    EXPECT_EQ(cur.curname, "");
    EXPECT_LT(sdb.fd, 0);
}

TEST(Shell, OpenVectorFollowsTheTemplateBesideTheFile) {
    Scratch s("open");
    wav(s, "t.wav", tone(100, 8000, 80, 1000), 8000);
    writefile(s / "p.spc", "tmax=1\n");
    const std::filesystem::path old = std::filesystem::current_path();
    std::filesystem::current_path(s.dir);
    const Words spc{"Kavrel", s / "p.spc"};
    EXPECT_EQ(openvec(s / "t.wav"), (Words{"Kavrel", s / "t.wav"}));
    EXPECT_EQ(openvec(s / "p.spc"), spc);
    writefile(s / "template.spc", "sdfile %1\n");
    EXPECT_EQ(openvec(s / "t.wav"), (Words{"Kavrel", "template.spc", s / "t.wav"}));
    EXPECT_EQ(openvec(s / "p.spc"), spc);
    std::filesystem::current_path(old);
}

TEST(Shell, ExportVectorByFilterAndExtension) {
    run = ::Run{.runfile = "talk.spc", .runkind = 0};
    opt = Opts{};
    EXPECT_EQ(savestem(), "talk");
    // filter, name typed, device option, name used
    const char *const cases[][4] = {
        {"1", "a.ps", "-Pps", "a.ps"},      {"2", "a.emf", "-Pemf", "a.emf"},
        {"3", "a.EPS", "-Pps", "a.EPS"},    {"3", "a.pcl", "-Plj3", "a.pcl"},
        {"3", "a.png", "-Pco", "a.png"},    {"3", "d.x/a", "-Pps", "d.x/a.ps"},
        {"3", "a.doc", "-Pps", "a.doc.ps"}, {"3", "", "", ""}};
    for (auto &c : cases) {
        std::string name = c[1];
        EXPECT_EQ(exportdev(std::atoi(c[0]), &name) + " " + name, std::string(c[2]) + " " + c[3]);
    }
    EXPECT_EQ(exportvec("-Pps", "t.ps"), (Words{"wkavrel", "-Pps", "-o", "t.ps", "talk.spc"}));
    // colour on, and a recording run through the template (after Open): the same words
    run = ::Run{.runfile = "template.spc", .runkind = 0};
    opt.coloropt = 1, opt.posarg = {"rec.wav", "dir/rec.wav"}, opt.nposarg = 2;
    EXPECT_EQ(savestem(), "dir/rec");
    EXPECT_EQ(exportvec("-Pemf", "r.emf"),
              (Words{"wkavrel", "-Pemf", "-o", "r.emf", "-c", "template.spc", "dir/rec.wav"}));
    run = ::Run{}, opt = Opts{};
}

TEST(Shell, ColorTwiceAndReplotWithNothingToRun) {
    opt.coloropt = 0;
    EXPECT_EQ(colortoggle(), 1);
    EXPECT_EQ(scr.palette[1], (Rgb{0, 2, 253}));
    EXPECT_EQ(colortoggle(), 0);
    EXPECT_EQ(scr.palette[1], (Rgb{255, 255, 255}));
    MsgCap m;
    shell.runargv = {"wkavrel"};
    shell.readout = "kept";
    EXPECT_EQ(replot(), -1);
    EXPECT_EQ(shell.readout, "kept");
    EXPECT_EQ(m.text(), "");
    EXPECT_EQ(navcode("Home") + navcode("Down") + navcode("Return"), 327 + 336);
}

// A click on the plot of a loud 1 kHz tone reads the tone back: its frequency within a bin,
// its level at the loudest power, the waveform's sample, and the page position off the plot.
TEST(Readout, ClicksOnAPlottedToneReadItBack) {
    Scratch s("click");
    std::vector<int16_t> v = tone(1000, 16000, 16000, 30000), lr;
    for (int16_t x : v) lr.push_back(0), lr.push_back(x); // the tone on the second channel
    wav(s, "t.wav", lr, 16000, 2);
    MsgCap m;
    scr = Screen{}, scr.savehint = 0;
    // the window's device is the screen whatever the output's name says
    ASSERT_EQ(runwords({"wkavrel", "-q", "-o", s / "t.eps", "channel=2", s / "t.wav"}), 0)
        << m.text();
    EXPECT_EQ(readfile(s / "t.eps").substr(1, 3), "PNG");
    ASSERT_EQ(plot.nplotrec, 1);
    const PlotRec &r = plot.plotrec[0];
    const int x = (r.left + r.right) / 2;
    const double q = (1000 - r.flo) / (r.fhi - r.flo);
    std::string text;
    ASSERT_EQ(tclick(x, scr.bmh - static_cast<int>(r.bottom + q * (r.top - r.bottom) + 0.5), &text),
              1);
    EXPECT_EQ(text.size(), 70u);
    double f = 0, db = 0;
    char unit[8] = "";
    ASSERT_EQ(std::sscanf(text.c_str(), " (t,f,v) = (%*f %*s %lf %3s %lf dB)", &f, unit, &db), 3)
        << text;
    f *= std::strcmp(unit, "kHz") == 0 ? 1000 : 1;
    EXPECT_NEAR(f, 1000, 16000.0 / r.nfft) << text;
    EXPECT_NEAR(db, 0, 1) << text;
    // the waveform's sample at the time of the row
    ASSERT_GT(r.wavtop, r.wavbot);
    ASSERT_EQ(tclick(x, scr.bmh - (r.wavbot + r.wavtop) / 2, &text), 1);
    const double t =
        r.tpg0 + static_cast<double>(x - r.left) / (r.right - r.left) * (r.tpg1 - r.tpg0);
    int sample = 0;
    ASSERT_EQ(std::sscanf(text.c_str(), " (t,v) = (%*f %*s %d)", &sample), 1) << text;
    EXPECT_EQ(sample, v[static_cast<int>(t * 16000 + 0.5)]);
    ASSERT_EQ(tclick(r.left / 2, scr.bmh - 10, &text), 1);
    char want[64];
    std::snprintf(want, sizeof want, " (x,y) = (%3.2f in, %3.2f in)",
                  (r.left / 2) / double(page.xres), 10.0 / page.yres);
    EXPECT_EQ(text.substr(0, std::strlen(want)), want);
    // the right click names the file under the pointer
    const PlotRec *at = nullptr;
    ASSERT_EQ(sclick(x, 10, &text, &at), 1);
    EXPECT_EQ(text.substr(0, 6 + r.sdname.size() + 1), "sdf = " + r.sdname + " ");
    curclose();
}

TEST(RatePrompt, AskedThroughTheHookWhenOneIsSet) {
    askhook = [](const char *prompt, char *line, int size) {
        std::snprintf(line, size, "%s", std::strcmp(prompt, "samples/second: ") ? "" : "12000");
        return 1;
    };
    MsgCap m;
    EXPECT_EQ(sdask(), 12000.0f);
    askhook = [](const char *, char *, int) { return 0; }; // cancelled
    EXPECT_EQ(sdask(), 0.0f);
    EXPECT_EQ(m.text(), "") << "nothing is read from standard input";
    askhook = nullptr;
}

// Edit: a parameter file in the user's editor through the terminal, the desktop's opener
// without an editor; a recording in the waveform editor when there is one.
TEST(Shell, EditOpensThePlottedFileInItsProgram) {
    Scratch s("edit");
    writefile(s / "p.spc", "tmax=1\n");
    for (const char *prog : {"x-terminal-emulator", "lumbra"}) {
        writefile(s / prog, "#!/bin/sh\n");
        std::filesystem::permissions(s / prog, std::filesystem::perms::owner_all);
    }
    const std::string path = std::getenv("PATH");
    setenv("PATH", s.dir.c_str(), 1), unsetenv("EDITOR"), setenv("VISUAL", "ed -w", 1);
    run = ::Run{.runfile = s / "p.spc", .runkind = 0};
    EXPECT_EQ(editvec(), (Words{"x-terminal-emulator", "-e", "ed", "-w", s / "p.spc"}));
    unsetenv("VISUAL");
    EXPECT_EQ(editvec(), (Words{"xdg-open", s / "p.spc"}));
    run.runkind = 1;
    EXPECT_EQ(editvec(), (Words{"lumbra", s / "p.spc"}));
    // a recording run through the template from the command line: the recording
    run.runfile = "template.spc", opt.posarg = {"x", s / "p.spc"}, opt.nposarg = 2;
    EXPECT_EQ(editvec(), (Words{"lumbra", s / "p.spc"}));
    opt = Opts{};
    setenv("PATH", path.c_str(), 1);
    run = ::Run{};
}
