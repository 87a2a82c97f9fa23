// Command-line options and the KAVREL environment variable. An option is chosen by its
// second character alone ("-quiet" is -q), the third for "-n"; unknown letters do nothing.
#include "driver/options.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "driver/msg.h"
#include "driver/params.h"
#include "driver/run.h"

const DevName devnames[16] = {
    {"co", 0, 0},  {"emf1", 1, 1}, {"emf2", 1, 2}, {"emf3", 1, 3}, {"emf", 1, 0}, {"ljd", 2, 0},
    {"lj1", 2, 1}, {"lj3", 2, 3},  {"ljq", 2, 3},  {"lj", 2, 1},   {"ip", 3, 0},  {"ps1", 4, 1},
    {"ps2", 4, 2}, {"ps3", 4, 3},  {"ps4", 4, 4},  {"ps", 4, 3},
};

static const char *const usagelines[20] = {
    "KAVREL version 2.52                          January 2018",
    "",
    "usage: kavrel [-options] [param=value] spc_file [arg1 arg2 ...]",
    "   or: kavrel [-options] [param=value] sd_file",
    "",
    "where 'spc_file' is a parameter file and 'sd_file' is a sampled-data file.",
    "",
    "options: ",
    "   -a      sampled-data file is ASCII",
    "   -c      use colors on EGA & VGA",
    "   -d      debug print",
    "   -h N    sdf header size is N bytes",
    "   -n      network printer connected to output",
    "   -nh     assume sdf has no header",
    "   -o F    output to file F",
    "   -Plj    output to LaserJet printer (150 dpi)",
    "   -Pps    output to Postscript printer (300x300 dpi)",
    "   -q      quiet mode",
    "   -r N    set default sample rate to N samples per second",
    "   -t N    sdf trailer size is N bytes",
};

void usage() {
    for (const char *line : usagelines) msg("%s\n", line);
}

void devpick(const char *text) {
    run.devindex = 0;
    run.devres = 0;
    for (const DevName &d : devnames) {
        if (std::strncmp(text, d.name, std::strlen(d.name)) == 0) {
            run.devindex = d.devindex;
            run.devres = d.devres;
            return;
        }
    }
}

// -o: the previous output file is closed first; a file that cannot be made ends the process.
static void openout(const char *name) {
    outclose();
    run.outfile = std::fopen(name, "wb");
    if (!run.outfile) {
        msg("can't open output file %s\n", name);
        std::exit(1);
    }
    run.outname = name;
}

// -h, -r, -t: the value counts only when its integer part is at least 1.
static void setsize(float &target, const char *word) {
    if (parint(word) >= 1) target = parfloat(word);
}

// One option word; returns how many following words it consumed.
static int option(const char *word, const char *next) {
    switch (word[1]) {
    case 'a': run.asciiopt++; return 0;
    case 'c': run.coloropt++; return 0;
    case 'd': run.debugopt++; return 0;
    case 'q': run.verbose = 0; return 0;
    case 'P':
    case 'p': devpick(word + 2); return 0;
    case 'n':
        if (word[2] == 'h')
            run.nohdropt++;
        else if (word[2] == 'q')
            run.nqopt++;
        else
            run.netopt++;
        return 0;
    case 'o':
        if (!next) {
            outclose();
            return 0;
        }
        openout(next);
        return 1;
    case 'h':
    case 'r':
    case 't':
        if (!next) return 0;
        setsize(word[1] == 'h' ? par.head : word[1] == 'r' ? par.rate : par.tail, next);
        return 1;
    default: return 0;
    }
}

// A positional word loses its trailing blanks and line ends.
static std::string trimmed(const char *word) {
    std::string s = word;
    while (!s.empty() && (s.back() == ' ' || s.back() == '\r' || s.back() == '\n')) s.pop_back();
    return s;
}

void cmdopts(int argc, const char *const *argv) {
    run.nposarg = 0;
    run.posarg.clear();
    for (int i = 1; i < argc; i++) {
        const char *word = argv[i];
        if (word[0] == '-') {
            i += option(word, i + 1 < argc ? argv[i + 1] : nullptr);
        } else if (std::strchr(word, '=')) {
            std::string w = word; // the lookup folds case in place: leave the vector alone
            parassign(w.data());
        } else if (run.nposarg < 16) {
            run.posarg.push_back(trimmed(word));
            run.nposarg++;
        }
    }
}

void envopts() {
    static const char name[] = "KAVREL";
    const char *value = std::getenv(name);
    if (!value) return;
    msg("%s=%s\n", name, value);
    std::vector<std::string> words{name};
    const std::string v = value;
    size_t p = 0;
    while (true) {
        p = v.find_first_not_of(" \t", p);
        if (p == std::string::npos) break;
        const size_t e = v.find_first_of(" \t", p);
        words.push_back(v.substr(p, e == std::string::npos ? std::string::npos : e - p));
        if (e == std::string::npos) break;
        p = e;
    }
    if (words.size() < 2) return;
    std::vector<const char *> vec;
    for (const std::string &w : words) vec.push_back(w.c_str());
    cmdopts(static_cast<int>(vec.size()), vec.data());
}
