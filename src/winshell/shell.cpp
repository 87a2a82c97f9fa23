// Shell commands that need no window: each builds an argument vector for the program body,
// exactly as a command line would, or a decision the window layer carries out.
#include "winshell/shell.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/msg.h"
#include "base/opts.h"
#include "devices/devlist.h"
#include "devices/screen.h"
#include "driver/run.h"
#include "driver/spcfile.h"
#include "sdinput/cursor.h"
#include "sdinput/sdfile.h"

namespace {

bool exists(const std::string &path) {
    struct stat st;
    return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// The message stream of a run in the window: standard error and runmsgs both.
ssize_t teewrite(void *, const char *b, size_t n) {
    std::fwrite(b, 1, n, stderr);
    shell.runmsgs.append(b, n);
    return static_cast<ssize_t>(n);
}

// The recording a run through the template plots (its %1), or "": after Open or from the
// command line, the template alone would be run over an empty %1.
std::string tmplrec() {
    if (run.runfile == "template.spc" && opt.nposarg >= 2) return opt.posarg[1];
    return "";
}

std::string lower(std::string s) {
    for (char &c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// Extension of the name's last component, without the dot; "" when none.
std::string extof(const std::string &name) {
    size_t slash = name.find_last_of('/');
    size_t dot = name.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
    return lower(name.substr(dot + 1));
}

// Device option for an extension when any file may be chosen; "" when none fits.
std::string devofext(const std::string &ext) {
    static const char *const map[][2] = {{"ps", "-Pps"},   {"eps", "-Pps"}, {"emf", "-Pemf"},
                                         {"pcl", "-Plj3"}, {"imp", "-Pip"}, {"png", "-Pco"}};
    for (auto &m : map)
        if (ext == m[0]) return m[1];
    // documents whose device is in the list by that name (pdf, svg)
    for (int i = 0; i < ndevrows; i++)
        if (!ext.empty() && ext == devrows[i].name) return "-P" + ext;
    return "";
}

Words splitwords(const char *s) {
    Words w;
    for (const char *p = s; *p;) {
        while (*p == ' ' || *p == '\t') p++;
        const char *e = p;
        while (*e && *e != ' ' && *e != '\t') e++;
        if (e > p) w.emplace_back(p, e);
        p = e;
    }
    return w;
}

} // namespace

void clientsize(int sw, int *w, int *h) {
    *w = sw * 7 / 8;
    *h = static_cast<int>(*w * 8 / 10.5) - 54;
}

int runwords(const Words &words) {
    curclose();
    shell.readout.clear();
    shell.runmsgs.clear();
    std::vector<char *> argv;
    for (const std::string &s : words) argv.push_back(const_cast<char *>(s.c_str()));
    argv.push_back(nullptr);
    FILE *old = msgfp;
    cookie_io_functions_t io{.read = nullptr, .write = teewrite, .seek = nullptr, .close = nullptr};
    FILE *tee = fopencookie(nullptr, "w", io);
    if (tee) {
        setvbuf(tee, nullptr, _IONBF, 0);
        msgfp = tee;
    }
    opt.devbyext = 0; // the window's screen is the device unless -P names another
    int status = runmain(static_cast<int>(words.size()), argv.data());
    msgfp = old;
    if (tee) std::fclose(tee);
    shell.runfailed = status != 0;
    shell.runusage = status == 0 && opt.nposarg == 0;
    return status;
}

int replot() {
    if (shell.runargv.size() <= 1) return -1;
    return runwords(shell.runargv);
}

Words openvec(const std::string &openname) {
    Words w{"Kavrel"};
    if (exists("template.spc") && sdident(openname, 0) == 1) w.push_back("template.spc");
    w.push_back(openname);
    return w;
}

int colortoggle() {
    opt.coloropt = opt.coloropt ? 0 : 1;
    mkpalette();
    return opt.coloropt;
}

int navcode(const char *key) {
    static const struct {
        const char *name;
        int code;
    } keys[] = {{"Home", 327},  {"Up", 328},  {"Left", 331},
                {"Right", 333}, {"End", 335}, {"Down", 336}};
    for (auto &k : keys)
        if (std::strcmp(key, k.name) == 0) return k.code;
    return 0;
}

std::string savestem() {
    std::string name = tmplrec();
    if (name.empty()) name = run.runfile;
    setext(name, "");
    return name;
}

std::string exportdev(int filter, std::string *name) {
    if (name->empty()) return "";
    if (filter == 1) return "-Pps";
    if (filter == 2) return "-Pemf";
    std::string dev = devofext(extof(*name));
    if (!dev.empty()) return dev;
    *name += ".ps";
    return "-Pps";
}

Words exportvec(const std::string &dev, const std::string &name) {
    Words w{"wkavrel", dev, "-o", name};
    if (opt.coloropt) w.push_back("-c");
    std::string rec = tmplrec();
    if (!rec.empty()) w.push_back("template.spc");
    w.push_back(rec.empty() ? run.runfile : rec);
    return w;
}

void printsize(int dpi, int keptw, int kepth, int *w, int *h) {
    *w = dpi * 21 / 2;
    *h = keptw > 0 ? kepth * *w / keptw : 0;
}

bool onpath(const std::string &prog) {
    const char *path = std::getenv("PATH");
    if (!path || prog.empty()) return false;
    std::string p = path;
    for (size_t a = 0; a <= p.size();) {
        size_t e = p.find(':', a);
        if (e == std::string::npos) e = p.size();
        std::string file = (e > a ? p.substr(a, e - a) : ".") + "/" + prog;
        if (access(file.c_str(), X_OK) == 0) return true;
        a = e + 1;
    }
    return false;
}

Words editvec() {
    // from the command line the recording is what the user named; after Open the template
    std::string rec = run.runkind == 1 ? tmplrec() : "";
    std::string file = rec.empty() ? run.runfile : rec;
    if (!exists(file)) return {};
    if (rec.empty() && run.runkind == 0) {
        const char *ed = std::getenv("VISUAL");
        if (!ed || !*ed) ed = std::getenv("EDITOR");
        if (!ed || !*ed) return {"xdg-open", file};
        Words w = splitwords(ed);
        if (w.empty()) return {"xdg-open", file};
        w.push_back(file);
        if (onpath("x-terminal-emulator")) w.insert(w.begin(), {"x-terminal-emulator", "-e"});
        return w;
    }
    if (!rec.empty() || run.runkind == 1) return {onpath("lumbra") ? "lumbra" : "xdg-open", file};
    return {};
}

std::string lastline(const std::string &text) {
    size_t e = text.find_last_not_of("\n\r ");
    if (e == std::string::npos) return "";
    size_t b = text.find_last_of('\n', e);
    return text.substr(b == std::string::npos ? 0 : b + 1,
                       e - (b == std::string::npos ? 0 : b + 1) + 1);
}
