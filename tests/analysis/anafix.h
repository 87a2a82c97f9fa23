// Fixture of the analysis tests: a vector test device that records what reaches it, an
// in-memory sample reader, message capture, and a WAV writer for plots of real files.
#pragma once
#include "base/opts.h"
#include "base/outfile.h"
#include "testkit.h"
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "analysis/fftslice.h"
#include "analysis/plot.h"
#include "analysis/scan.h"
#include "analysis/setup.h"
#include "analysis/window.h"
#include "base/msg.h"
#include "base/params.h"
#include "render/core.h"
#include "sdinput/sdfile.h"

// What the test device received.
struct AnaDev {
    struct Img {
        int row, col, nrows, ncols, count;
        std::vector<uint8_t> vals;
    };
    struct Rect {
        int row, col, nrows, ncols;
    };
    std::vector<Img> imgs;
    std::vector<Rect> rects;
    std::vector<size_t> pagebreaks; // imgs.size() at every page end
    int closes = 0, aborts = 0;
    int lines = 0; // polylines: text strokes among them
};
inline AnaDev anadev;

inline void adclose(int normal) {
    normal ? anadev.closes++ : anadev.aborts++;
}
inline void adpage() {
    anadev.pagebreaks.push_back(anadev.imgs.size());
}
inline void adrect(int r, int c, int nr, int nc) {
    anadev.rects.push_back({r, c, nr, nc});
}
inline void adline(int, const int *, const int *, double) {
    anadev.lines++;
}
inline void adimage(int r, int c, int nr, int nc, int n, const uint8_t *v, const float *) {
    anadev.imgs.push_back({r, c, nr, nc, n, std::vector<uint8_t>(v, v + n)});
}

// Opens the test device at 300 dots per inch as a plot of this run would have it.
inline void anaopen() {
    anadev = AnaDev{};
    page = Page{.xres = 300,
                .yres = 300,
                .pagerows = 3300,
                .pagecols = 2400,
                .planes = 1,
                .dotwidth = 1.0 / 300};
    devtab = DevTab{.devclose = adclose,
                    .devline = adline,
                    .devband = nullptr,
                    .devrect = adrect,
                    .devpage = adpage,
                    .devret = nullptr,
                    .devimage = adimage};
    devprep();
    ses.plotopen = 1;
    out.failed = 0;
    opt.verbose = 0;
    opt.debugopt = 0;
    ana.xres = 300;
    ana.yres = 300;
}

// Samples served from memory; indices outside read as trunc(wzero).
inline std::vector<int32_t> memsamps;
inline int32_t memsamp(int32_t i) {
    if (i < 0 || i >= static_cast<int32_t>(memsamps.size())) return static_cast<int32_t>(sd.wzero);
    return memsamps[i];
}
inline void memfile(std::vector<int32_t> s, float srate) {
    memsamps = std::move(s);
    sd.nsamp = static_cast<int32_t>(memsamps.size());
    sd.srate = srate;
    sd.wzero = 0;
    sd.sdname = "mem.wav";
    getsamp = memsamp;
}

// 16-bit mono RIFF WAVE of n samples of f(i).
inline void writewav(const std::string &path, int rate, int n,
                     const std::function<double(int)> &f) {
    FILE *fp = std::fopen(path.c_str(), "wb");
    if (!fp) return;
    auto put = [fp](uint32_t v, int bytes) {
        for (int i = 0; i < bytes; i++) std::fputc((v >> (8 * i)) & 0xff, fp);
    };
    std::fputs("RIFF", fp);
    put(36 + 2 * n, 4);
    std::fputs("WAVEfmt ", fp);
    put(16, 4);
    put(1, 2);
    put(1, 2);
    put(rate, 4);
    put(rate * 2, 4);
    put(2, 2);
    put(16, 2);
    std::fputs("data", fp);
    put(2 * n, 4);
    for (int i = 0; i < n; i++)
        put(static_cast<uint16_t>(static_cast<int16_t>(std::lround(f(i)))), 2);
    std::fclose(fp);
}

// Sets the parameters to their defaults and the analysis to a fresh plot.
inline void anareset() {
    pardefaults();
    plot.xpos = 0;
    plotclear();
    fsl.maxpow = 0;
}
