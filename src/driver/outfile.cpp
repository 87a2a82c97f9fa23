// The run's output stream. Write errors surface only when the stream is flushed, so every
// close checks both the error flag and the flush; a failure fails the run (kavrel exits 1).
#include "driver/outfile.h"

#include <sys/stat.h>

#include "driver/msg.h"
#include "driver/run.h"

FILE *outfp() {
    if (run.outfile) return run.outfile;
    if (run.outlost) {
        if (!run.outwarned) {
            msg("output file %s was closed by an abandoned plot; later plots of this run are "
                "not written\n",
                run.outname.c_str());
            run.outwarned = 1;
        }
        return nullptr;
    }
    run.stdoutused = 1;
    return stdout;
}

// 1 when the stream's pending output could not be written.
static int flushfails(FILE *f) {
    const int bad = std::fflush(f) != 0;
    return bad || std::ferror(f);
}

void outclose() {
    FILE *f = run.outfile;
    if (!f) return;
    run.outfile = nullptr;
    struct stat st;
    const bool regular = fstat(fileno(f), &st) == 0 && S_ISREG(st.st_mode);
    int bad = flushfails(f);
    if (std::fclose(f) != 0) bad = 1;
    if (!bad) return;
    msg("error writing output file %s\n", run.outname.c_str());
    run.failed = 1;
    // a truncated plot must not pass for a finished one; devices and pipes stay
    if (regular) std::remove(run.outname.c_str());
}

void outflush() {
    if (!run.stdoutused) return;
    run.stdoutused = 0;
    if (!flushfails(stdout)) return;
    msg("error writing output file %s\n", "(standard output)");
    run.failed = 1;
    std::clearerr(stdout); // the window program's next run starts clean
}
