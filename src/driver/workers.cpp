// The parent's loop: keep every worker busy, read replies as they come, kill a worker past
// its time limit, replace a worker that died. A stop signal (SIGINT, SIGTERM, SIGHUP) wakes
// the loop through a pipe; the workers doing a job are ended and their part files removed.
#include "driver/workers.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

void onstop(int sig) {
    pool.stopsig = sig;
    const char b = 1;
    [[maybe_unused]] ssize_t n = write(pool.wake[1], &b, 1);
}

void catchstops() {
    if (pool.wake[0] < 0 && pipe2(pool.wake, O_CLOEXEC | O_NONBLOCK) != 0) return;
    struct sigaction sa {};
    sa.sa_handler = onstop;
    sigemptyset(&sa.sa_mask);
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) sigaction(sig, &sa, nullptr);
    std::signal(SIGPIPE, SIG_IGN); // a dead worker's pipe: its end is read as a loss
}

void closefd(int &fd) {
    if (fd >= 0) close(fd);
    fd = -1;
}

// Writes all of the text; 1 when the pipe is gone.
int writeall(int fd, const std::string &s) {
    for (size_t at = 0; at < s.size();) {
        const ssize_t n = write(fd, s.data() + at, s.size() - at);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return 1;
        at += static_cast<size_t>(n);
    }
    return 0;
}

// A worker's life: read a job number, do it, reply; the parent closing the pipe ends it.
int workloop(int in, int out, const Work &work) {
    int null = open("/dev/null", O_RDONLY); // a prompt for a rate gets an end of file
    if (null >= 0) dup2(null, 0), close(null);
    std::string line;
    char c;
    while (true) {
        const ssize_t n = read(in, &c, 1);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return 0;
        if (c != '\n') {
            line += c;
            continue;
        }
        const int job = std::atoi(line.c_str());
        line.clear();
        if (writeall(out, std::to_string(job) + '\t' + work.run(job))) return 1;
    }
}

// In the new worker: drop the parent's ends of every pipe and its signal handling.
void becomechild(Worker &self) {
    pool.child = 1;
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) std::signal(sig, SIG_DFL);
    closefd(pool.wake[0]);
    closefd(pool.wake[1]);
    for (Worker &w : pool.w)
        if (&w != &self) closefd(w.to), closefd(w.from);
}

// Starts a worker in the slot; in the new process, returns 1 after its loop (status in *st).
int spawn(Worker &w, const Work &work, int *st) {
    int down[2], up[2];
    if (pipe2(down, O_CLOEXEC) != 0) return 0;
    if (pipe2(up, O_CLOEXEC) != 0) return close(down[0]), close(down[1]), 0;
    std::fflush(nullptr); // nothing buffered is written twice
    w.pid = fork();
    if (w.pid == 0) {
        close(down[1]), close(up[0]);
        becomechild(w);
        *st = workloop(down[0], up[1], work);
        return 1;
    }
    close(down[0]), close(up[1]);
    w.to = down[1], w.from = up[0];
    if (w.pid < 0) closefd(w.to), closefd(w.from);
    return 0;
}

// Ends a worker's process and its pipes; the exit status as waitpid gives it.
int reap(Worker &w, int sig) {
    closefd(w.to);
    closefd(w.from);
    int status = 0;
    if (w.pid > 0) {
        if (sig) kill(w.pid, sig);
        while (waitpid(w.pid, &status, 0) < 0 && errno == EINTR) {}
    }
    w.pid = -1;
    w.buf.clear();
    return status;
}

// Why a worker that ended by itself gave no reply.
std::string endwhy(int status) {
    if (WIFSIGNALED(status))
        return std::string("the run crashed (") + strsignal(WTERMSIG(status)) + ")";
    return "the worker ended without a reply (status " + std::to_string(WEXITSTATUS(status)) + ")";
}

// Ends the worker's job with its reply line, or as lost by the process pid for why.
void finish(Worker &w, const Work &work, const std::string *line, long pid,
            const std::string &why) {
    const int job = w.job;
    w.job = -1;
    // a stop signal sent to the whole group (a terminal's Ctrl-C) ends the workers too
    if (line)
        work.reply(job, *line);
    else
        work.lost(job, pid, clocknow() - w.started, pool.stopsig ? "" : why);
    work.ended(job);
}

// Reads what a busy worker wrote: a whole line ends its job, an end of file loses it.
void readworker(Worker &w, const Work &work) {
    char b[512];
    const ssize_t n = read(w.from, b, sizeof b);
    if (n < 0 && errno == EINTR) return;
    if (n > 0) {
        w.buf.append(b, static_cast<size_t>(n));
        const size_t nl = w.buf.find('\n');
        if (nl == std::string::npos) return;
        const size_t tab = w.buf.find('\t');
        const std::string line = w.buf.substr(tab + 1, nl - tab);
        w.buf.erase(0, nl + 1);
        return finish(w, work, &line, w.pid, "");
    }
    const long pid = w.pid;
    const std::string why = endwhy(reap(w, 0));
    finish(w, work, nullptr, pid, why);
}

// Kills the workers past their time; their jobs fail.
void overtime(double timeout, const Work &work) {
    const double now = clocknow();
    for (Worker &w : pool.w) {
        if (w.job < 0 || timeout <= 0 || now - w.started < timeout) continue;
        const long pid = w.pid;
        reap(w, SIGKILL);
        char why[80];
        std::snprintf(why, sizeof why, "timed out after %g s", timeout);
        finish(w, work, nullptr, pid, why);
    }
}

// How long poll may wait: until the nearest time limit, a second at most (for the tick).
int waitms(double timeout) {
    double ms = 1000;
    for (const Worker &w : pool.w)
        if (w.job >= 0 && timeout > 0) ms = std::min(ms, (w.started + timeout - clocknow()) * 1000);
    return std::max(0, static_cast<int>(std::ceil(ms)));
}

// Waits for replies, deaths and the time limits once.
void waitonce(double timeout, const Work &work) {
    std::vector<pollfd> fds{{pool.wake[0], POLLIN, 0}};
    std::vector<Worker *> who{nullptr};
    for (Worker &w : pool.w)
        if (w.job >= 0) fds.push_back({w.from, POLLIN, 0}), who.push_back(&w);
    if (poll(fds.data(), fds.size(), waitms(timeout)) > 0)
        for (size_t i = 1; i < fds.size(); i++)
            if (fds[i].revents) readworker(*who[i], work);
    overtime(timeout, work);
    work.tick();
}

// Ends every worker: idle ones read the end of their pipe, busy ones get the stop signal.
void stopall(const Work &work) {
    for (Worker &w : pool.w) closefd(w.to);
    for (Worker &w : pool.w) {
        if (w.pid < 0) continue;
        const long pid = w.pid;
        const int job = w.job;
        reap(w, job >= 0 ? SIGTERM : 0);
        if (job >= 0) work.lost(job, pid, 0, "");
        w.job = -1;
    }
}

} // namespace

double clocknow() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

int runjobs(const std::vector<int> &todo, int n, double timeout, const Work &work) {
    catchstops();
    pool.w.assign(static_cast<size_t>(std::max(1, n)), Worker{});
    size_t next = 0;
    auto busy = [] {
        return std::any_of(pool.w.begin(), pool.w.end(),
                           [](const Worker &w) { return w.job >= 0; });
    };
    while ((next < todo.size() || busy()) && !pool.stopsig) {
        for (Worker &w : pool.w) {
            if (w.job >= 0 || next >= todo.size()) continue;
            int st = 0;
            if (w.pid < 0 && spawn(w, work, &st)) return st;
            w.job = todo[next++];
            w.started = clocknow();
            if (w.pid < 0) {
                finish(w, work, nullptr, -1, std::string("no worker process: ") + strerror(errno));
                continue;
            }
            // a worker gone already shows as the end of its reply pipe
            writeall(w.to, std::to_string(w.job) + "\n");
        }
        if (busy()) waitonce(timeout, work);
    }
    stopall(work);
    return pool.stopsig;
}
