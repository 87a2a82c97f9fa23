// The device tests' way of making a plot: the device of a -P name drawn on as a run draws
// on it, the plot ended and the -o file closed as a run ends them.
#pragma once
#include "base/opts.h"
#include "base/outfile.h"
#include "devices/devlist.h"
#include "render/core.h"
#include "testkit.h"

// The bytes of a plot, written to a scratch file unless a file is named: the device of the
// first row of the list whose name begins name, opened at the row's resolution, then draw.
// The run's outcome stays in out.
inline std::string run(const char *name, void (*draw)(), int colour = 0,
                       const char *file = nullptr) {
    Scratch s("dev");
    out = Output{}, opt = Opts{}, opt.coloropt = colour;
    EXPECT_EQ(outopen(file ? file : (s / "t.out").c_str()), 0);
    int i = 0;
    while (i < ndevrows - 1 && !std::string_view(name).starts_with(devrows[i].name)) i++;
    opt.devindex = devrows[i].devindex, opt.devres = devrows[i].devres;
    EXPECT_EQ(devstart(devfind(opt.devindex)->open, opt.devindex), 0) << name;
    draw();
    plotfinish();
    outclose();
    return file ? "" : readfile(s / "t.out");
}
