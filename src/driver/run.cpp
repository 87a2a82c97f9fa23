// The program body: one run resets the parameters and per-run options, applies the
// environment and the vector, interprets one file and closes the plot and the output.
#include "driver/run.h"

#include <csignal>

#include "analysis/plot.h"
#include "base/msg.h"
#include "base/opts.h"
#include "base/outcome.h"
#include "base/outfile.h"
#include "base/params.h"
#include "driver/options.h"
#include "driver/session.h"
#include "driver/spcfile.h"

int runmain(int argc, char **argv) {
    if (!msgfp) msgfp = stderr; // the window shell may have its own stream
#ifdef SIGPIPE
    std::signal(SIGPIPE, SIG_IGN); // a closed pipe becomes a write error, reported at close
#endif
    openplot = runopen ? runopen : sesopen;
    opt.hostorder = 0;
    opt.devindex = 0;
    opt.debugopt = 0;
    opt.verbose = 1;
    out.failed = 0;
    out.outlost = 0;
    out.outwarned = 0;
    pardefaults();
    // an output file that cannot be made ends the run before anything is read
    if (envopts() || cmdopts(argc, argv)) return 1;
    if (opt.nposarg == 0) {
        usage();
        return 0;
    }
    plotclear();
    dofile(opt.posarg[0]);
    runclose(0);
    return out.failed ? 1 : 0;
}
