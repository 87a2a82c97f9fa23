// The run's output stream. Write errors surface only when the stream is flushed, so every
// close checks both the error flag and the flush; a failure fails the run (kavrel exits 1).
#include "base/outfile.h"

#include <sys/stat.h>

#include "base/msg.h"

FILE *outfp() {
    if (out.outfile) return out.outfile;
    if (out.outlost) {
        if (!out.outwarned) {
            msg("output file %s was closed by an abandoned plot; later plots of this run are "
                "not written\n",
                out.outname.c_str());
            out.outwarned = 1;
        }
        return nullptr;
    }
    out.stdoutused = 1;
    return stdout;
}

int outopen(const char *name) {
    outclose();
    out.outfile = std::fopen(name, "wb");
    if (!out.outfile) {
        msg("can't open output file %s\n", name);
        return 1;
    }
    out.outname = name;
    return 0;
}

// 1 when the stream's pending output could not be written.
static int flushfails(FILE *f) {
    const int bad = std::fflush(f) != 0;
    return bad || std::ferror(f);
}

// 1 when `name` is still the regular file the stream wrote (not a link to it, not a file
// put in its place since): only what this run made may be removed.
static int samefile(const std::string &name, const struct stat &st) {
    struct stat now;
    return lstat(name.c_str(), &now) == 0 && S_ISREG(now.st_mode) && now.st_dev == st.st_dev &&
           now.st_ino == st.st_ino;
}

void outclose() {
    FILE *f = out.outfile;
    if (!f) return;
    out.outfile = nullptr;
    struct stat st;
    const bool regular = fstat(fileno(f), &st) == 0 && S_ISREG(st.st_mode);
    int bad = flushfails(f);
    if (std::fclose(f) != 0) bad = 1;
    if (!bad) return;
    msg("error writing output file %s\n", out.outname.c_str());
    out.failed = 1;
    // a truncated plot must not pass for a finished one; devices and pipes stay
    if (!regular) return;
    if (samefile(out.outname, st))
        std::remove(out.outname.c_str());
    else
        msg("output file %s is incomplete\n", out.outname.c_str());
}

void outflush() {
    if (!out.stdoutused) return;
    out.stdoutused = 0;
    if (!flushfails(stdout)) return;
    msg("error writing output file %s\n", "(standard output)");
    out.failed = 1;
    std::clearerr(stdout); // the window program's next run starts clean
}
