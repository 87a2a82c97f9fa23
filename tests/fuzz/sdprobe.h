// Shared by the corrupt-input test and the fuzz target: identifies and opens a file the ways a
// run does (command line, file command, -nh) and checks the outcome and the samples at the edges.
#pragma once
#include "base/opts.h"
#include "base/params.h"
#include "sdinput/sdblock.h"
#include "sdinput/sdfile.h"
#include "sdinput/tsdfile.h"

#include <fstream>
#include <string>

// What is wrong with the outcome for these bytes, or nullptr.
inline const char *sdprobe(const std::string &path, const std::string &bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
    const char *bad = nullptr;
    for (int mode = 0; mode < 3; mode++) {
        pardefaults();
        opt.nohdropt = mode == 2;
        sdb.askfp = nullptr; // the rate prompt gets no answer
        sd = Sd{.sdname = path};
        const int cls = sdident(path, mode == 1);
        if (cls == 2 && tsdopen() == 1 && tsd.nstp > 0 && !tsdframe(tsd.nstp - 1)) bad = "frame";
        const int tried = cls != 0 && cls != 2, ok = tried && sdopen(), n = sd.nsamp;
        if (tried && !ok && sdb.fd >= 0) bad = "refused file left open";
        if (ok && n > 0 && getsamp == blkget && sdb.dataoff + int64_t{n} * sdb.bps > ssize(bytes))
            bad = "samples past the end of the file";
        for (int32_t i : {0, n / 2, n - 1, n, -1, INT32_MAX})
            if (int32_t v = ok ? getsamp(i) : 0; v != int16_t(v) || (v && (i < 0 || i >= n)))
                bad = "sample value";
    }
    return bad;
}
