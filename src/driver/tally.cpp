// Counts and the two lines the user sees. The rate counts the recordings the workers ended
// (skipped ones cost nothing), so the time left is that of the work still to do.
#include "driver/tally.h"

#include <unistd.h>

#include <cstdio>

#include "base/msg.h"
#include "driver/workers.h"

namespace {

// Minutes and seconds, or hours and minutes for a long time.
std::string span(double s) {
    char b[32];
    const long t = static_cast<long>(s + 0.5);
    if (t >= 3600)
        std::snprintf(b, sizeof b, "%ld:%02ld h", t / 3600, t / 60 % 60);
    else
        std::snprintf(b, sizeof b, "%ld:%02ld", t / 60, t % 60);
    return b;
}

void clearline() {
    if (tally.shown) msg("\r\033[K");
    tally.shown = 0;
}

} // namespace

void tallystart(int total) {
    tally = Tally{};
    tally.total = total;
    tally.start = clocknow();
    tally.tty = isatty(2) && msgfp == stderr;
}

void tallycount(const std::string &status) {
    if (status == "done") tally.done++;
    if (status == "skipped") tally.skipped++;
    if (status == "failed") tally.failed++;
}

std::string progline(int ended, int total, double seconds) {
    char b[160];
    const double rate = seconds > 0 ? ended / seconds : 0;
    if (rate > 0) {
        std::snprintf(b, sizeof b, "%d of %d recordings, %.1f/s, %s left", ended, total, rate,
                      span((total - ended) / rate).c_str());
    } else {
        std::snprintf(b, sizeof b, "%d of %d recordings", ended, total);
    }
    return b;
}

void tallyshow(int force) {
    const double now = clocknow();
    if (!tally.tty || (!force && now - tally.drawn < 0.2)) return;
    tally.drawn = now;
    const int ended = tally.done + tally.failed;
    const int total = tally.total - tally.skipped;
    msg("\r%s\033[K", progline(ended, total, now - tally.start).c_str());
    std::fflush(msgfp);
    tally.shown = 1;
}

void tallysay(const std::string &line) {
    clearline();
    msg("%s\n", line.c_str());
    if (tally.tty) tallyshow(1);
}

std::string tallysummary() {
    clearline();
    char b[160];
    std::snprintf(b, sizeof b, "%d done, %d skipped, %d failed in %.1f s", tally.done,
                  tally.skipped, tally.failed, clocknow() - tally.start);
    return b;
}
