// The progress line: one terminal line, ended by a carriage return so that the next message
// or progress line writes over it, and cleared with spaces.
#include "analysis/progress.h"

#include <cstdio>
#include <unistd.h>

#include "base/msg.h"
#include "base/opts.h"

namespace {

int shown = 0; // length of the line on the terminal, 0 when none

} // namespace

void progshow(int n, int total) {
    FILE *fp = msgfp ? msgfp : stderr;
    const int fd = fileno(fp);
    if (total < 2 || !opt.verbose || fd < 0 || !isatty(fd)) return;
    char line[64];
    shown = std::snprintf(line, sizeof line, "page %d of %d", n, total);
    msg("%s\r", line);
    std::fflush(fp);
}

void progclear() {
    if (!shown) return;
    msg("%*s\r", shown, "");
    std::fflush(msgfp ? msgfp : stderr);
    shown = 0;
}
