// One recording's run in a worker. The worker's process-wide state is made as a fresh
// process has it (option counters, the cursor's file) before the program body runs, so the
// output is the one kavrel writes for the recording alone. The run writes to a part name that
// keeps the output's extension (the device follows it); only a whole output is renamed.
#include "driver/plotjob.h"

#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "base/msg.h"
#include "base/opts.h"
#include "devices/svg.h"
#include "driver/batchopts.h"
#include "driver/outname.h"
#include "driver/pagecount.h"
#include "driver/run.h"
#include "sdinput/cursor.h"

namespace {

char partnow[4096]; // the part file being written, for the signal handler

// A stop signal in a worker: the part file goes, then the signal ends the process as usual.
void partgone(int sig) {
    if (partnow[0]) unlink(partnow);
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

// Names the part file the handler removes ("" for none), signals held while it changes.
void setpart(const std::string &name) {
    sigset_t all, old;
    sigfillset(&all);
    sigprocmask(SIG_BLOCK, &all, &old);
    std::snprintf(partnow, sizeof partnow, "%s", name.c_str());
    sigprocmask(SIG_SETMASK, &old, nullptr);
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) std::signal(sig, partgone);
}

// The worker's peak resident memory in kB; clearpeak starts a new peak (Linux), so the
// figure is the run's own, not the largest of the worker's earlier runs.
void clearpeak() {
    if (FILE *f = std::fopen("/proc/self/clear_refs", "w")) std::fputs("5", f), std::fclose(f);
}
long peakkb() {
    long kb = -1;
    if (FILE *f = std::fopen("/proc/self/status", "r")) {
        char line[256];
        while (std::fgets(line, sizeof line, f))
            if (std::strncmp(line, "VmHWM:", 6) == 0) kb = std::atol(line + 6);
        std::fclose(f);
    }
    if (kb >= 0) return kb;
    struct rusage ru;
    return getrusage(RUSAGE_SELF, &ru) == 0 ? ru.ru_maxrss : 0;
}

// The program body over the batch's words for the recording, its messages into *said.
int runone(const Job &job, const std::string &part, std::string *said) {
    std::vector<std::string> w{"kavrel-batch"};
    w.insert(w.end(), bopt.words.begin(), bopt.words.end());
    w.insert(w.end(), {"-o", part});
    if (!bopt.spcfile.empty()) w.push_back(bopt.spcfile);
    w.push_back(job.rec.path);
    std::vector<char *> argv;
    for (std::string &s : w) argv.push_back(s.data());
    argv.push_back(nullptr);
    opt = Opts{}; // the counters of -a, -c, -nh ... count this run's words only
    curclose();
    char *buf = nullptr;
    size_t len = 0;
    FILE *old = msgfp;
    msgfp = open_memstream(&buf, &len);
    runopen = countopen;
    const int st = runmain(static_cast<int>(w.size()), argv.data());
    std::fclose(msgfp);
    msgfp = old;
    said->assign(buf ? buf : "", len);
    std::free(buf);
    return st;
}

// Renames the run's files to their names; the number of files, or -1 (why in *why).
int settle(const Job &job, const std::string &part, std::string *why) {
    int n = 0;
    for (std::string from = part, to = job.out;; n++) {
        if (access(from.c_str(), F_OK) != 0) break;
        if (std::rename(from.c_str(), to.c_str()) != 0)
            return *why = "can't rename " + from + " to " + to + ": " + std::strerror(errno), -1;
        from = svgpagename(part, n + 2);
        to = pagename(bopt.pattern, job.rec, job.out, n + 2);
    }
    return n;
}

// Removes the part file and the pages a device wrote beside it.
void partclear(const std::string &part) {
    std::remove(part.c_str());
    for (int k = 2; std::remove(svgpagename(part, k).c_str()) == 0; k++) {}
}

// The reply: status, pages, files, seconds, peak kB, then the message (tabs and line ends
// made blanks, so the line stays one).
std::string reply(const Row &r, int files) {
    std::string m = r.message;
    for (char &c : m)
        if (c == '\t' || c == '\n' || c == '\r') c = ' ';
    std::ostringstream s;
    s << r.status << '\t' << r.pages << '\t' << files << '\t' << r.seconds << '\t' << r.peakkb
      << '\t' << m << '\n';
    return s.str();
}

} // namespace

std::string failline(const std::string &messages) {
    std::istringstream in(messages);
    std::string line, last;
    while (std::getline(in, line)) {
        if (line.find("ERROR") != std::string::npos || line.find("error") != std::string::npos ||
            line.find("can't") != std::string::npos)
            return line;
        if (!line.empty()) last = line;
    }
    return last.empty() ? "the run failed" : last;
}

std::string plotjob(int i) {
    const Job &job = batch.jobs[static_cast<size_t>(i)];
    Row r;
    int files = 0;
    std::string why;
    if (mkparents(job.out, &why)) return r.status = "failed", r.message = why, reply(r, 0);
    const std::string part = partname(job.out, getpid());
    setpart(part);
    clearpeak();
    const auto t0 = std::chrono::steady_clock::now();
    std::string said;
    const int st = runone(job, part, &said);
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    r.peakkb = peakkb();
    r.pages = countpages();
    if (st == 0 && (files = settle(job, part, &why)) >= 0) {
        r.status = "done";
    } else {
        r.status = "failed";
        r.message = st ? failline(said) : why;
        files = 0;
    }
    partclear(part);
    setpart("");
    return reply(r, files);
}

void jobreply(int i, const std::string &line) {
    Job &job = batch.jobs[static_cast<size_t>(i)];
    std::istringstream s(line);
    int files = 0;
    s >> job.row.status >> job.row.pages >> files >> job.row.seconds >> job.row.peakkb;
    s.get();
    std::getline(s, job.row.message);
    if (job.row.status != "done" && job.row.status != "failed") {
        job.row.status = "failed";
        job.row.message = "the worker's reply could not be read";
    }
    job.row.outputs.clear();
    for (int k = 1; k <= files; k++)
        job.row.outputs.push_back(k == 1 ? job.out : pagename(bopt.pattern, job.rec, job.out, k));
}

void joblost(int i, long pid, double secs, const std::string &why) {
    Job &job = batch.jobs[static_cast<size_t>(i)];
    partclear(partname(job.out, pid));
    job.row.status = why.empty() ? "" : "failed";
    job.row.message = why;
    job.row.seconds = secs;
}
