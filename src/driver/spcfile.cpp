// The parameter-file interpreter. A line is cut at 255 characters (the rest is dropped, never
// run, and said once); lines are told apart by their first characters: ';' comment, a double quote
// anywhere a message,
// '=' an assignment, then the file and line commands by the four-character name rule.
#include "driver/spcfile.h"

#include <cmath>
#include <cstdio>
#include <ctime>
#include <sys/stat.h>

#include "analysis/plot.h"
#include "analysis/setup.h"
#include "base/msg.h"
#include "base/opts.h"
#include "base/outfile.h"
#include "base/params.h"
#include "base/stamp.h"
#include "driver/run.h"
#include "driver/session.h"
#include "render/core.h"
#include "render/lines.h"
#include "render/text.h"
#include "sdinput/sdfile.h"

namespace {

// The parameter file being read and its line, for the warnings on its lines.
struct Where {
    std::string file;
    int line = 0;
    int marks = 0; // plot commands and marks the file gave
};
Where where;

// One warning on a line that does nothing: a typo must not pass unnoticed.
void warnline(const char *what, const std::string &word) {
    if (where.file.empty())
        msg("WARNING: %s '%s'\n", what, word.c_str());
    else
        msg("WARNING(%s, line %d): %s '%s'\n", where.file.c_str(), where.line, what, word.c_str());
}

// A name to open: anything but a directory that exists.
bool exists(const std::string &path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

std::string trimmed(std::string s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\r' || s.back() == '\n')) s.pop_back();
    return s;
}

// Opens the output device for a drawing command; 0 when there is none to draw on.
int drawready() {
    return plotready() == 0;
}

// x y "text" drawn with the text state of the message parameters.
void msgcmd(const std::string &text) {
    double x, y;
    std::string s;
    if (!msgparse(text, &x, &y, &s)) return warnline("text line not understood:", text);
    if (!drawready()) return;
    constexpr float degrad = static_cast<float>(3.14159265358979323846 / 180.0);
    const float t = par.msgang * degrad;
    txtup(-std::sin(static_cast<double>(t)), std::cos(static_cast<double>(t)));
    txtweight(par.msglwt);
    txtsize(par.msgsiz);
    txtjust(par.mhal, par.mval);
    txtbox(par.mxtnt);
    txtdraw(x, y, s);
    where.marks++;
}

// One arrowhead drawn with the width of its line.
void drawarrow(double x1, double y1, double x2, double y2, double w) {
    double px[5], py[5];
    if (arrowhead(x1, y1, x2, y2, px, py)) drawpoly(5, px, py, w);
}

// 'plot x1 y1 x2 y2 ...': an open polyline with arrowheads by aronum.
void linecmd(const std::string &text) {
    if (!drawready()) return;
    std::vector<double> x, y;
    plotpoints(text, x, y);
    const int n = static_cast<int>(x.size());
    if (n < 2) return warnline("line command without two points:", text);
    const double w = par.pltlwt * 0.02;
    drawpoly(n, x.data(), y.data(), w);
    where.marks++;
    if (par.aronum == 1 || par.aronum == 2) drawarrow(x[n - 2], y[n - 2], x[n - 1], y[n - 1], w);
    if (par.aronum == 2 || par.aronum == -1) drawarrow(x[1], y[1], x[0], y[0], w);
}

// One complete plot of the named file with the parameters in force now.
void filecmd(const std::string &text) {
    const std::string name = filearg(text);
    sd.sdname = name;
    const int kind = sdident(name, 1);
    run.curkind = kind;
    where.marks++;
    plotend(plotcmd(kind));
}

// Says which channel of a file of several is plotted; a channel it lacks is refused later.
void chanline(const std::string &path) {
    const int n = sdnchan(path);
    if (n > 1 && par.channel >= 1.0f && par.channel < n + 1.0f)
        msg("channel %d of %d\n", static_cast<int>(par.channel), n);
}

// Reads runfile as a parameter file, line by line, then ends the page if it was used.
void spcread() {
    if (run.runfile.find('.') == std::string::npos) run.runfile += ".spc";
    FILE *fp = std::fopen(run.runfile.c_str(), "r");
    if (!fp) {
        msg("can't open parameter file %s\n", run.runfile.c_str());
        out.failed = 1;
        return;
    }
    char buf[256];
    for (where = Where{run.runfile, 1}; std::fgets(buf, sizeof buf, fp); where.line++) {
        std::string line = buf;
        if (line.back() != '\n' && !std::feof(fp)) {
            int c;
            while ((c = std::fgetc(fp)) != EOF && c != '\n') {}
            msg("WARNING(%s, line %d): line longer than 255 characters; the rest is dropped\n",
                where.file.c_str(), where.line);
        }
        argsubst(line);
        spcline(line);
    }
    if (where.marks == 0) { // a file of settings alone would pass for a plot made
        msg("nothing to plot in %s\n", run.runfile.c_str());
        out.failed = 1;
    }
    where = Where{};
    std::fclose(fp);
    // a page is only ended on a device still open: an abandoned plot has none
    if (ses.plotopen) pageeject();
}

} // namespace

std::string datestr() {
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    char buf[64];
    if (std::strftime(buf, sizeof buf, "%a %b %e %H:%M:%S %Y", &tm) == 0) return "";
    return buf;
}

void setext(std::string &path, const std::string &ext) {
    const size_t slash = path.find_last_of("\\/");
    const size_t dot = path.find('.', slash == std::string::npos ? 0 : slash);
    if (dot != std::string::npos) path.erase(dot);
    path += ext;
}

void argsubst(std::string &line) {
    if (line.empty() || line.find('%') == std::string::npos) return;
    std::string out;
    for (size_t i = 0; i < line.size(); i++) {
        if (line[i] != '%') {
            out += line[i];
            continue;
        }
        if (i + 1 == line.size()) { // a '%' ending the file's last line stays itself
            out += '%';
            break;
        }
        const char c = line[++i];
        if (c == '%') {
            out += '%';
        } else if (c >= '0' && c <= '9') {
            const int d = c - '0';
            if (d < opt.nposarg)
                out += opt.posarg[d];
            else
                msg("WARNING: don't have arg #%d\n", d);
        } else if (c == 'd') {
            out += datestr();
        } else if (c == 'p') {
            out += '1';
        } else {
            out += '%';
            out += c;
        }
    }
    line = out;
}

int linekind(const std::string &line, size_t *start) {
    const size_t p = line.find_first_not_of(' ');
    *start = p == std::string::npos ? line.size() : p;
    if (p == std::string::npos) return LN_NONE;
    if (line[p] == ';') return LN_COMMENT;
    if (line.find('"') != std::string::npos) return LN_MESSAGE;
    if (line.find('=') != std::string::npos) return LN_ASSIGN;
    const std::string text = line.substr(p);
    for (const char *cmd : {"ilsfile", "sdfile", "tsdfile", "file"})
        if (parmatch(text, cmd)) return LN_FILE;
    if (parmatch(text, "plot")) return LN_PLOT;
    return LN_NONE;
}

void spcline(std::string line) {
    if (!line.empty() && line.back() == '\n') line.pop_back();
    size_t start;
    const int kind = linekind(line, &start);
    std::string text = line.substr(start);
    switch (kind) {
    case LN_MESSAGE: msgcmd(text); break;
    case LN_ASSIGN:
        if (parset(text) == 0) warnline("no parameter is named", text.substr(0, text.find('=')));
        break;
    case LN_FILE: filecmd(text); break;
    case LN_PLOT: linecmd(text); break;
    default: break;
    }
}

std::string filearg(const std::string &line) {
    const size_t blank = line.find(' ');
    if (blank == std::string::npos) return "";
    const size_t p = line.find_first_not_of(' ', blank);
    if (p == std::string::npos) return "";
    return trimmed(line.substr(p));
}

void plotpoints(const std::string &line, std::vector<double> &x, std::vector<double> &y) {
    x.clear();
    y.clear();
    std::vector<float> nums;
    size_t p = line.find(' '); // the numbers follow the command word
    while (p != std::string::npos && nums.size() < 512) {
        p = line.find_first_not_of(' ', p);
        if (p == std::string::npos) break;
        nums.push_back(parfloat(line.c_str() + p));
        p = line.find(' ', p);
    }
    for (size_t i = 0; i + 1 < nums.size(); i += 2) {
        x.push_back(nums[i]);
        y.push_back(nums[i + 1]);
    }
}

int msgparse(const std::string &line, double *x, double *y, std::string *text) {
    const size_t n = line.size();
    size_t p = 0;
    if (n == 0 || line[0] == '"') return 0;
    // end of the word that starts at p (a blank or a double quote ends it), and blanks after
    auto skipword = [&] {
        while (p < n && line[p] != ' ' && line[p] != '"') p++;
        while (p < n && line[p] == ' ') p++;
    };
    *x = parfloat(line.c_str());
    skipword();
    if (p < n && line[p] == '"') return 0;
    *y = parfloat(line.c_str() + p);
    skipword();
    if (p >= n || line[p] != '"') return 0;
    const size_t close = line.find('"', p + 1);
    if (close == std::string::npos) return 0;
    *text = line.substr(p + 1, close - p - 1);
    return 1;
}

int arrowhead(double x1, double y1, double x2, double y2, double *px, double *py) {
    const float s = par.arosiz, h = par.arowid * par.arosiz / 2, t = par.arotip;
    if (!(s > 0) || !(par.arowid > 0)) return 0;
    const double dx = x2 - x1, dy = y2 - y1;
    const double len = std::sqrt(dx * dx + dy * dy);
    if (!(len > 0)) return 0;
    const double ux = dx / len, uy = dy / len;
    const float ts = t * s;
    px[0] = x2 - ts * ux, py[0] = y2 - ts * uy; // notch
    px[1] = x2 - s * ux - h * uy, py[1] = y2 - s * uy + h * ux;
    px[2] = x2, py[2] = y2;
    px[3] = x2 - s * ux + h * uy, py[3] = y2 - s * uy - h * ux;
    px[4] = px[0], py[4] = py[0];
    return 5;
}

void dofile(std::string name) {
    stamp.rundate = datestr() + "\n";
    stamp.plotname = trimmed(name);
    run.runfile = name;
    if (!exists(run.runfile)) {
        setext(run.runfile, ".spc");
        if (!exists(run.runfile)) {
            msg("can't open file %s\n", name.c_str());
            out.failed = 1;
            return;
        }
    }
    const int kind = sdident(run.runfile, opt.asciiopt);
    run.runkind = run.curkind = kind;
    msg("%s file: %s\n", sdtypename(sd.sdtype), run.runfile.c_str());
    if (kind == 1 && opt.verbose) chanline(run.runfile);
    if (kind == 1 || kind == 2) {
        if (opt.nposarg != 1 || !exists("template.spc")) {
            sd.sdname = run.runfile;
            plotend(plotcmd(kind));
            return;
        }
        // the template plots the data file, which it knows as %1
        opt.posarg.resize(2);
        opt.posarg[1] = run.runfile;
        opt.nposarg = 2;
        run.runfile = "template.spc";
        run.curkind = 0;
    }
    spcread();
}
