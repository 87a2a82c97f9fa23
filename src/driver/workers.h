// The worker processes of a batch: each a fork of the batch, reused for many jobs, given a
// job number down a pipe and answering with a line. A worker that dies or outlives the time
// limit fails its job alone and another takes its place; a stop signal ends them all.
#pragma once
#include <sys/types.h>

#include <csignal>
#include <string>
#include <vector>

// What the pool does with a job, in a worker and in the parent.
struct Work {
    std::string (*run)(int job);                     // in a worker: its reply line
    void (*reply)(int job, const std::string &line); // in the parent: that line
    void (*lost)(int job, long pid, double secs, const std::string &why); // no reply
    void (*ended)(int job);                                               // after reply or lost
    void (*tick)(); // now and then while waiting
};

struct Worker {
    pid_t pid = -1; // -1: none running
    int to = -1;    // job numbers go down this pipe
    int from = -1;  // reply lines come up this one
    int job = -1;   // the job it is doing, -1 when idle
    double started = 0;
    std::string buf; // a reply line read in part
};

struct Pool {
    std::vector<Worker> w;
    int wake[2] = {-1, -1};            // a stop signal writes here
    volatile sig_atomic_t stopsig = 0; // the signal that stopped the batch
    int child = 0;                     // 1 in a worker process
};
inline Pool pool;

// Runs the jobs of todo on n workers, at most timeout seconds each (0: no limit). Returns 0
// when every job has ended, or the signal that stopped the batch. In a worker process it
// returns the worker's status when the parent has no more jobs for it, with pool.child 1.
int runjobs(const std::vector<int> &todo, int n, double timeout, const Work &work);
// Seconds on a steady clock.
double clocknow();
