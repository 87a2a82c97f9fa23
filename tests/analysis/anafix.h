// Fixture of the analysis tests: a vector device that records what reaches it, opened through
// the plot hook as the session opens the run's device, parameters set as on the command line,
// samples served from memory, and plots of files.
#pragma once
#include "testkit.h"
#include <array>
#include <set>
#include <sstream>

#include "analysis/axes.h"
#include "analysis/plot.h"
#include "analysis/scan.h"
#include "analysis/setup.h"
#include "base/opts.h"
#include "base/outfile.h"
#include "base/params.h"
#include "render/core.h"
#include "sdinput/sdfile.h"

// What reached the device; sets, as the frame of a page reaches it twice.
struct Rec {
    struct Img {
        int row, col, nrows, ncols;
        std::vector<uint8_t> vals;
    };
    std::set<std::array<int, 4>> rects; // row, col, nrows, ncols
    std::set<std::vector<int>> lines;   // strokes: rows, then columns
    std::vector<Img> imgs;
    std::vector<size_t> pages; // imgs.size() at every page end
};
inline Rec rec;
inline int recyres = 300; // dots per inch along y; 300 along x

// A landscape page of 11 by 8 inches.
inline void recopen() {
    rec = Rec{};
    page = Page{300, recyres, 3300, 8 * recyres, 1, 1.0 / 300};
    devtab.devline = [](int n, const int *r, const int *c, double) {
        std::vector<int> v(r, r + n);
        v.insert(v.end(), c, c + n);
        rec.lines.insert(v);
    };
    devtab.devrect = [](int r, int c, int nr, int nc) { rec.rects.insert({r, c, nr, nc}); };
    devtab.devpage = [] { rec.pages.push_back(rec.imgs.size()); };
    devtab.devimage = [](int r, int c, int nr, int nc, int n, const uint8_t *v, const float *) {
        rec.imgs.push_back({r, c, nr, nc, std::vector<uint8_t>(v, v + n)});
    };
}

// Defaults but for "name=value ..." as on the command line (whose four-letter rule sets
// windwidth with window), and a fresh plot that opens the test device.
inline void fresh(const std::string &pars = "") {
    pardefaults();
    std::istringstream in(pars);
    for (std::string w; in >> w;) parassign(w);
    if (pars.find("windw") == std::string::npos) par.windwidth = 0;
    openplot = [] { return devstart(recopen, 0); };
    plot.xpos = out.failed = opt.debugopt = opt.verbose = 0;
    plotclear();
}

// A fresh plot of `seconds` of silence at rate r, its samples served from memory, to be
// overwritten at will.
inline std::vector<int32_t> memsamps;
inline void silence(const std::string &pars, float r = 10000, float seconds = 1) {
    fresh(pars);
    const int n = static_cast<int>(r * seconds);
    memsamps.assign(n, 0);
    sd = Sd{.sdname = "mem.wav", .sdtype = SD_WAV, .nsamp = n, .srate = r, .wzero = 0};
    getsamp = [](int32_t i) { return i >= 0 && i < sd.nsamp ? memsamps[i] : 0; };
}

// Plots path as a file of sampled data (kind 1) or a time-step file (kind 2).
inline Outcome plotfile(const std::string &path, int kind = 1) {
    return sd.sdname = path, sdformat(path), plotcmd(kind);
}
