// Command-line options and the KAVREL environment variable. An option is chosen by its
// second character alone ("-quiet" is -q), the third for "-n"; unknown letters do nothing.
#include "driver/options.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "base/msg.h"
#include "base/opts.h"
#include "base/outfile.h"
#include "base/params.h"
#include "devices/devlist.h"

static const char *const usagelines[22] = {
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
    "   -Ppdf   output to PDF file",
    "   -Psvg   output to SVG file",
};

void usage() {
    for (const char *line : usagelines) msg("%s\n", line);
}

// The row whose name begins the text, or nullptr.
static const DevRow *devrow(const char *text) {
    for (int i = 0; i < ndevrows; i++)
        if (std::strncmp(text, devrows[i].name, std::strlen(devrows[i].name)) == 0)
            return &devrows[i];
    return nullptr;
}

void devpick(const char *text) {
    const DevRow *d = devrow(text);
    if (!d) {
        msg("unknown device '%s': the output file's extension or the screen decides\n", text);
        return;
    }
    opt.devindex = d->devindex;
    opt.devres = d->devres;
    opt.devnamed = 1;
}

void devbyname() {
    static const char *const byext[][2] = {{"eps", "ps"},  {"ps", "ps"},   {"emf", "emf"},
                                           {"pdf", "pdf"}, {"svg", "svg"}, {"pcl", "lj3"},
                                           {"imp", "ip"},  {"png", "co"}};
    if (opt.devnamed || !opt.devbyext || !out.outfile) return;
    const std::string &name = out.outname;
    const size_t dot = name.rfind('.'), slash = name.rfind('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return;
    std::string ext = name.substr(dot + 1);
    for (char &c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const auto &[e, row] : byext) {
        if (ext != e) continue;
        const DevRow *d = devrow(row);
        if (!d) return;
        opt.devindex = d->devindex;
        opt.devres = d->devres;
        return;
    }
}

// -h, -r, -t: the value counts only when its integer part is at least 1.
static void setsize(float &target, const char *word) {
    if (parint(word) >= 1) target = parfloat(word);
}

// One option word; returns how many following words it consumed, -1 when the output file
// of -o cannot be made.
static int option(const char *word, const char *next) {
    switch (word[1]) {
    case 'a': opt.asciiopt++; return 0;
    case 'c': opt.coloropt++; return 0;
    case 'd': opt.debugopt++; return 0;
    case 'q': opt.verbose = 0; return 0;
    case 'P':
    case 'p': devpick(word + 2); return 0;
    case 'n':
        if (word[2] == 'h')
            opt.nohdropt++;
        else if (word[2] == 'q')
            opt.nqopt++;
        else
            opt.netopt++;
        return 0;
    case 'h':
    case 'r':
    case 't':
        if (!next) return 0;
        setsize(word[1] == 'h' ? par.head : word[1] == 'r' ? par.rate : par.tail, next);
        return 1;
    case 'o':
        if (!next) {
            outclose();
            return 0;
        }
        return outopen(next) ? -1 : 1;
    default: return 0;
    }
}

// A positional word loses its trailing blanks and line ends.
static std::string trimmed(const char *word) {
    std::string s = word;
    while (!s.empty() && (s.back() == ' ' || s.back() == '\r' || s.back() == '\n')) s.pop_back();
    return s;
}

int cmdopts(int argc, const char *const *argv) {
    opt.nposarg = 0;
    opt.posarg.clear();
    for (int i = 1; i < argc; i++) {
        const char *word = argv[i];
        const bool assign = std::strchr(word, '=') != nullptr;
        if (word[0] != '-' && !assign) {
            if (opt.nposarg < 16) {
                opt.posarg.push_back(trimmed(word));
                opt.nposarg++;
            }
        } else if (word[0] == '-') {
            const int used = option(word, i + 1 < argc ? argv[i + 1] : nullptr);
            if (used < 0) return 1;
            i += used;
        } else {
            parassign(word);
        }
    }
    devbyname();
    return 0;
}

int envopts() {
    static const char name[] = "KAVREL";
    opt.devnamed = 0;
    const char *value = std::getenv(name);
    if (!value) return 0;
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
    if (words.size() < 2) return 0;
    std::vector<const char *> vec;
    for (const std::string &w : words) vec.push_back(w.c_str());
    return cmdopts(static_cast<int>(vec.size()), vec.data());
}
