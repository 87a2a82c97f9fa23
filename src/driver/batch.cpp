// The batch: find the recordings, take this shard's, name their outputs, skip those whose
// output is newer than the recording and the parameter file, and give the rest to the
// workers. Two recordings that would write one output name fail, the later ones, before
// any run: neither may overwrite the other.
#include "driver/batch.h"

#include <sys/stat.h>

#include <map>
#include <string>
#include <vector>

#include "base/msg.h"
#include "driver/batchopts.h"
#include "driver/corpus.h"
#include "driver/outname.h"
#include "driver/plotjob.h"
#include "driver/tally.h"
#include "driver/workers.h"

namespace {

// The file's modification time in nanoseconds; -1 when it does not exist.
long long mtime(const std::string &path) {
    struct stat st;
    if (stat(path.c_str(), &st) != 0) return -1;
    return st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec;
}

// Ends a recording: its row, its count, a failure said.
void ended(int i) {
    Job &job = batch.jobs[static_cast<size_t>(i)];
    if (job.row.status.empty()) return; // stopped: no row, the next run does it
    job.row.input = job.rec.path;
    manrow(job.row);
    tallycount(job.row.status);
    if (job.row.status == "failed")
        tallysay("kavrel-batch: " + job.rec.path + ": " + job.row.message);
    tallyshow(0);
}

void tick() {
    tallyshow(0);
}

// The first recording of the whole list (every shard's) that each output name belongs to.
std::map<std::string, std::string> owners(const std::vector<Rec> &all) {
    std::map<std::string, std::string> owner;
    for (const Rec &r : all) owner.emplace(outname(bopt.pattern, r, 1), r.path);
    return owner;
}

// The jobs of this shard's recordings, and which of them need a run.
std::vector<int> plan(const std::vector<Rec> &all, long long spctime) {
    std::vector<int> todo;
    const std::map<std::string, std::string> owner = owners(all);
    batch.jobs.clear();
    for (const Rec &r : shardpick(all, bopt.shardk, bopt.shardn))
        batch.jobs.push_back({r, outname(bopt.pattern, r, 1), {}});
    tally.total = static_cast<int>(batch.jobs.size());
    for (size_t i = 0; i < batch.jobs.size(); i++) {
        Job &j = batch.jobs[i];
        const std::string &first = owner.at(j.out);
        const long long made = mtime(j.out);
        if (first != j.rec.path) {
            j.row.status = "failed";
            j.row.message = "output " + j.out + " is also that of " + first;
        } else if (!bopt.force && made > mtime(j.rec.path) && made > spctime) {
            j.row.outputs = {j.out};
            j.row.status = "skipped";
        } else {
            todo.push_back(static_cast<int>(i));
            continue;
        }
        ended(static_cast<int>(i));
    }
    return todo;
}

// Checks the command line's pattern and parameter file; 1 when the batch cannot start.
int startcheck(long long *spctime) {
    const std::string bad = patcheck(bopt.pattern);
    if (!bad.empty()) return msg("kavrel-batch: -o %s: %s\n", bopt.pattern.c_str(), bad.c_str()), 1;
    *spctime = -1;
    if (bopt.spcfile.empty()) return 0;
    *spctime = mtime(bopt.spcfile);
    if (*spctime < 0) return msg("kavrel-batch: -f %s: no such file\n", bopt.spcfile.c_str()), 1;
    return 0;
}

} // namespace

int batchmain(int argc, char **argv, int *worker) {
    *worker = 0;
    if (batchargs(argc, argv)) return 1;
    if (bopt.help) return batchusage(), 0;
    long long spctime;
    if (startcheck(&spctime)) return 1;
    int missing = 0;
    const std::vector<Rec> all = corpusfind(bopt.inputs, &missing);
    if (!bopt.manifest.empty() && manopen(bopt.manifest, bopt.shardk == 0)) return 1;
    tallystart(0);
    const std::vector<int> todo = plan(all, spctime);
    const Work work{
        .run = plotjob, .reply = jobreply, .lost = joblost, .ended = ended, .tick = tick};
    const int n = std::min(batchjobs(), static_cast<int>(todo.size()));
    const int sig = todo.empty() ? 0 : runjobs(todo, n, bopt.timeout, work);
    if (pool.child) return *worker = 1, sig;
    msg("kavrel-batch: %s%s\n", tallysummary().c_str(), sig ? " (stopped)" : "");
    const int bad = manclose() || missing || tally.failed;
    return sig ? 128 + sig : bad;
}
