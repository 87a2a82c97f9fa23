// libFuzzer target of the parameter-file language and the command-line words together: the
// input's first line is the command line, the rest the parameter file. Runs plot to a device
// that keeps nothing, over a small recording in a scratch folder; no path leaves the folder
// (every '/' becomes '_'), the rate prompt gets no answer, KAVREL and "template.spc" are gone.
#include "analysis/plot.h"
#include "base/msg.h"
#include "base/opts.h"
#include "base/outcome.h"
#include "base/outfile.h"
#include "base/params.h"
#include "driver/options.h"
#include "driver/session.h"
#include "driver/spcfile.h"
#include "render/core.h"
#include "sdinput/sdblock.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// A vector device whose marks cost nothing: the interpreter and the analysis still run whole.
void nullopen() {
    page = Page{.xres = 300,
                .yres = 300,
                .pagerows = 3150,
                .pagecols = 2400,
                .planes = 1,
                .dotwidth = 1.0 / 300};
    devtab = DevTab{.devclose = [](int) {},
                    .devline = [](int, const int *, const int *, double) {},
                    .devband = nullptr,
                    .devrect = [](int, int, int, int) {},
                    .devpage = [] {},
                    .devret = nullptr,
                    .devimage = [](int, int, int, int, int, const uint8_t *, const float *) {}};
}

int nullplot() {
    if (!ses.plotopen) devstart(nullopen, 0), ses.plotopen = 1;
    return 0;
}

// The scratch folder, made once, with a 0.1 s 8 kHz tone "t.wav" in it; each input runs in
// it and the fuzzer's own folder is entered again after it (the corpus names are relative).
const char *scratch() {
    static char dir[] = "/tmp/kavrel-fuzz-XXXXXX";
    if (!mkdtemp(dir) || chdir(dir) != 0) std::abort();
    std::string w = "RIFF____WAVEfmt \x10\0\0\0\x01\0\x01\0\x40\x1f\0\0\x80\x3e\0\0\x02\0\x10\0data"
                    "\x40\x06\0\0";
    w.resize(44);
    for (int i = 0; i < 800; i++) {
        const int v = static_cast<int>(9000 * std::sin(i * 0.785398));
        w += static_cast<char>(v & 0xff), w += static_cast<char>(v >> 8 & 0xff);
    }
    FILE *f = std::fopen("t.wav", "wb");
    std::fwrite(w.data(), 1, w.size(), f), std::fclose(f);
    unsetenv("KAVREL");
    msgfp = std::fopen("/dev/null", "w");
    std::atexit([] { std::filesystem::remove_all(dir); }); // whatever the runs wrote there
    return dir;
}

// The words of the command line, at most 30, then the parameter file.
std::vector<std::string> words(const std::string &line) {
    std::vector<std::string> w{"kavrel"};
    for (size_t p = 0; w.size() < 31;) {
        p = line.find_first_not_of(" \t", p);
        if (p == std::string::npos) break;
        const size_t e = line.find_first_of(" \t", p);
        w.push_back(line.substr(p, e == std::string::npos ? e : e - p));
        p = e;
    }
    w.push_back("f.spc");
    return w;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static const int home = open(".", O_RDONLY | O_DIRECTORY);
    static const char *const dir = scratch();
    if (chdir(dir) != 0) std::abort();
    std::string in(data, data + size);
    for (char &c : in)
        if (c == '/' || c == '\0') c = '_';
    const size_t nl = in.find('\n');
    FILE *f = std::fopen("f.spc", "w");
    if (nl != std::string::npos) std::fputs(in.c_str() + nl + 1, f);
    std::fclose(f);
    std::remove("template.spc");
    const std::vector<std::string> w = words(in.substr(0, nl));
    std::vector<const char *> argv;
    for (const std::string &s : w) argv.push_back(s.c_str());
    // the program body as a run goes, with the device above in place of the session's
    sdb.askfp = nullptr;
    opt.devindex = 0, opt.debugopt = 0, opt.verbose = 1;
    out.failed = 0, out.outlost = 0, out.outwarned = 0;
    pardefaults();
    openplot = nullplot;
    if (cmdopts(static_cast<int>(argv.size()), argv.data()) == 0 && opt.nposarg > 0) {
        plotclear();
        dofile(opt.posarg[0]);
    }
    runclose(0);
    if (fchdir(home) != 0) std::abort();
    return 0;
}
