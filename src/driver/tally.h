// The batch's counts, its progress line and its summary. The progress line (recordings done
// of total, rate, time left) is written over in place on a terminal only; a log or a pipe
// gets the failures and the summary and nothing else.
#pragma once
#include <string>

struct Tally {
    int total = 0; // recordings of this run
    int done = 0, skipped = 0, failed = 0;
    double start = 0; // clock at the start
    double drawn = 0; // clock when the progress line was last written
    int tty = 0;      // standard error is a terminal
    int shown = 0;    // a progress line stands on the terminal
};
inline Tally tally;

// Starts the count of total recordings.
void tallystart(int total);
// Counts a recording that ended as status ("done", "skipped", "failed").
void tallycount(const std::string &status);
// Writes the progress line when due (at most five times a second), or now when forced.
void tallyshow(int force);
// Writes a line of its own, the progress line moved below it.
void tallysay(const std::string &line);
// The summary: "N done, N skipped, N failed in S s".
std::string tallysummary();
// The progress line's text at seconds since the start.
std::string progline(int ended, int total, double seconds);
