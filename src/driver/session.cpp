// The plot session: opens the chosen device through the device list and ends the plot.
// Stages below the driver never close anything themselves; they return an outcome here.
#include "driver/session.h"

#include <csignal>

#include "base/msg.h"
#include "base/opts.h"
#include "base/outfile.h"
#include "base/params.h"
#include "devices/devlist.h"
#include "render/core.h"

int devopen() {
    const DevRow *dev = devfind(opt.devindex);
    if (!dev) {
        msg("Invalid printer selection: %d\n", opt.devindex);
        out.failed = 1;
        return 1;
    }
    if (devstart(dev->open, opt.devindex) == 0) return 0;
    out.failed = 1;
    return 1;
}

int sesopen() {
    if (ses.plotopen) return 0;
    if (devopen() != 0) return 1;
    ses.plotopen = 1;
    return 0;
}

void runclose(int abandon) {
    std::fflush(msgfp);
    if (abandon) out.failed = 1;
    if (ses.plotopen) {
        if (abandon) {
            std::signal(SIGINT, SIG_IGN);
            plotabort();
        } else {
            if (par.newpage) pageend();
            plotfinish();
        }
        ses.plotopen = 0;
    }
    if (out.outfile) {
        outclose();
        // later plots of this run must not write to a closed stream
        if (abandon) out.outlost = 1;
    }
    outflush();
}

void plotend(Outcome outcome) {
    // A page the page driver refused ends only that plot: the device, its document and the
    // output file stay open, so the run's later plots continue the same document.
    if (outcome == ENDPLOT) out.failed = 1;
    if (outcome == ABANDON) runclose(1);
}
