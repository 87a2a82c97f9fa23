// The command line of kavrel-batch. Its own options are -o, -j, -f and the long ones; every
// other option goes to the runs as kavrel reads it (-h, -r, -t with their value), so the
// words mean what they mean to kavrel.
#include "driver/batchopts.h"

#include <sched.h>

#include <cstdlib>
#include <cstring>

#include "base/msg.h"

namespace {

const char *const usagetext =
    "usage: kavrel-batch [options] [param=value ...] [-f SPCFILE] FILE_OR_DIR...\n"
    "\n"
    "Plots every recording named, and those found in the folders named (searched\n"
    "recursively by the extensions of the formats kavrel reads), each as kavrel would.\n"
    "\n"
    "  -o PATTERN     output names: fields {stem} {name} {dir} {page}, e.g.\n"
    "                 'plots/{dir}/{stem}.pdf'; the extension chooses the device\n"
    "  -f SPCFILE     run each recording through this parameter file (as its %1)\n"
    "  -j N           worker processes (default: the processors available)\n"
    "  --timeout S    a recording taking longer than S seconds fails\n"
    "  --force        redo recordings whose output is newer than the recording\n"
    "  --manifest F   a row per recording into F (.csv or .jsonl)\n"
    "  --shard K/N    only every N-th recording of the sorted list, from the K-th\n"
    "\n"
    "Other options (-c, -q, -Ppdf, -r N, ...) and param=value go to every run.\n";

// A whole number from text; 1 when the text is not one (or below min).
int number(const char *text, int min, int *v) {
    char *end = nullptr;
    const long n = std::strtol(text, &end, 10);
    if (end == text || *end || n < min || n > 1 << 20) return 1;
    *v = static_cast<int>(n);
    return 0;
}

// K/N of --shard, with 0 <= K < N.
int shardarg(const char *text) {
    const char *slash = std::strchr(text, '/');
    if (!slash) return 1;
    const std::string k(text, slash);
    if (number(k.c_str(), 0, &bopt.shardk) || number(slash + 1, 1, &bopt.shardn)) return 1;
    return bopt.shardk >= bopt.shardn;
}

int timeoutarg(const char *text) {
    char *end = nullptr;
    bopt.timeout = std::strtod(text, &end);
    return end == text || *end || !(bopt.timeout > 0);
}

// A long option and its value; 1 when unknown or its value is wrong (said).
int longopt(const std::string &word, const char *value, int *used) {
    *used = 0;
    if (word == "--force") return bopt.force = 1, 0;
    if (word == "--help") return bopt.help = 1, 0;
    const bool takes = word == "--timeout" || word == "--manifest" || word == "--shard";
    if (!takes) return msg("kavrel-batch: unknown option %s\n", word.c_str()), 1;
    if (!value) return msg("kavrel-batch: %s needs a value\n", word.c_str()), 1;
    *used = 1;
    int bad = 0;
    if (word == "--timeout") bad = timeoutarg(value);
    if (word == "--shard") bad = shardarg(value);
    if (word == "--manifest") bopt.manifest = value;
    if (bad) msg("kavrel-batch: %s %s: not a valid value\n", word.c_str(), value);
    return bad;
}

// A short option of the batch with its value: the next word, as kavrel takes -o ("-output F"
// is -o F), or for -j the digits attached ("-j4") as well.
int ownopt(const char *word, const char *next, int *used) {
    const bool attached = word[1] == 'j' && word[2];
    const char *value = attached ? word + 2 : next;
    *used = attached ? 0 : 1;
    if (!value) return msg("kavrel-batch: %s needs a value\n", word), 1;
    if (word[1] == 'o') bopt.pattern = value;
    if (word[1] == 'f') bopt.spcfile = value;
    if (word[1] == 'j' && number(value, 1, &bopt.jobs))
        return msg("kavrel-batch: -j %s: not a number of workers\n", value), 1;
    return 0;
}

// One option word; *used counts the following words it took.
int option(const char *word, const char *next, int *used) {
    *used = 0;
    if (word[1] == '-') return longopt(word, next, used);
    if (std::strchr("ofj", word[1])) return ownopt(word, next, used);
    bopt.words.push_back(word);
    // kavrel's options that take the next word
    if (next && std::strchr("hrt", word[1])) bopt.words.push_back(next), *used = 1;
    return 0;
}

} // namespace

int batchargs(int argc, const char *const *argv) {
    bopt = BatchOpts{};
    for (int i = 1; i < argc; i++) {
        const char *word = argv[i], *next = i + 1 < argc ? argv[i + 1] : nullptr;
        int used = 0;
        if (word[0] == '-' && word[1]) {
            if (option(word, next, &used)) return 1;
        } else if (std::strchr(word, '=')) {
            bopt.words.push_back(word);
        } else {
            bopt.inputs.push_back(word);
        }
        i += used;
    }
    if (bopt.inputs.empty()) bopt.help = 1;
    if (!bopt.help && bopt.pattern.empty())
        return msg("kavrel-batch: an output pattern is needed, e.g. -o 'plots/{dir}/{stem}.pdf'\n"),
               1;
    return 0;
}

void batchusage() {
    msg("%s", usagetext);
}

int batchjobs() {
    if (bopt.jobs > 0) return bopt.jobs;
    cpu_set_t set;
    // a scheduler's allocation (taskset, a cluster job) shows in the affinity mask
    if (sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 0) return CPU_COUNT(&set);
    return 1;
}
