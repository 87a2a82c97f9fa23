// The program body: one run resets the parameters and per-run options, applies the
// environment and the vector, interprets one file and closes the plot and the output.
// runmain returns 0 whatever happened; run.failed tells kavrel to exit 1.
#include "driver/run.h"

#include <csignal>
#include <cstdlib>

#include "analysis/plot.h"
#include "driver/msg.h"
#include "driver/options.h"
#include "driver/params.h"
#include "driver/spcfile.h"
#include "render/core.h"

int runmain(int argc, char **argv) {
    msgfp = stderr;
#ifdef SIGPIPE
    std::signal(SIGPIPE, SIG_IGN); // a closed pipe becomes a write error, reported at close
#endif
    run.hostorder = 0;
    run.devindex = 0;
    run.debugopt = 0;
    run.verbose = 1;
    run.failed = 0;
    run.outlost = 0;
    run.outwarned = 0;
    pardefaults();
    envopts();
    cmdopts(argc, argv);
    if (run.nposarg == 0) {
        usage();
        std::exit(0);
    }
    plotclear();
    dofile(run.posarg[0]);
    runclose(0);
    return 0;
}

void runclose(int abandon) {
    std::fflush(msgfp);
    if (abandon) run.failed = 1;
    if (run.plotopen) {
        if (abandon) {
            std::signal(SIGINT, SIG_IGN);
            plotabort();
        } else {
            if (par.newpage) pageend();
            plotfinish();
        }
        run.plotopen = 0;
    }
    if (run.outfile) {
        outclose();
        // later plots of this run must not write to a closed stream
        if (abandon) run.outlost = 1;
    }
    outflush();
}
