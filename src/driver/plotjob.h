// One recording of a batch: the run a worker makes of it (the program body over the batch's
// words, written under a part name and renamed when whole) and what the parent makes of the
// worker's reply, or of a worker that died or ran out of time with it.
#pragma once
#include <string>
#include <vector>

#include "driver/corpus.h"
#include "driver/manifest.h"

struct Job {
    Rec rec;         // the recording
    std::string out; // its output's name (page 1)
    Row row;         // how it went
};

struct Batch {
    std::vector<Job> jobs; // the recordings of this run (of this shard), sorted
};
inline Batch batch;

// In a worker: makes job i's output and returns the reply line for the parent.
std::string plotjob(int i);
// In the parent: job i's row from its worker's reply line.
void jobreply(int i, const std::string &line);
// In the parent: the worker (process id pid) doing job i ended without a reply, for the
// reason why after secs ("" when the batch is being stopped: no row); its part files go.
void joblost(int i, long pid, double secs, const std::string &why);
// The line of a run's messages that says why it failed: the first error, else the last.
std::string failline(const std::string &messages);
