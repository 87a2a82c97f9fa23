// Plotting speed and memory: kavrel run as a process on 10 s of 16 kHz speech-like audio to
// PostScript on /dev/null (defaults, LPC order 12, one page per second), beside sox drawing
// its spectrogram of the same file; then 10 s and 100 s paged, to show memory stays flat.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

struct Cost {
    double secs = 0;
    long rsskb = 0;
    int status = -1;
};

// Runs argv as a child; wall time, peak resident memory and exit status.
Cost runchild(const std::vector<std::string> &args) {
    std::vector<char *> argv;
    for (const std::string &a : args) argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);
    auto t0 = std::chrono::steady_clock::now();
    pid_t pid = fork();
    if (pid == 0) {
        int fd = open("/dev/null", O_WRONLY);
        if (fd >= 0) dup2(fd, 2);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    Cost c;
    int st = 0;
    struct rusage ru {};
    if (pid > 0 && wait4(pid, &st, 0, &ru) == pid) {
        c.secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        c.rsskb = ru.ru_maxrss;
        c.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    }
    return c;
}

// The best of n runs (the machine is shared).
Cost best(const std::vector<std::string> &args, int n = 7) {
    Cost b;
    for (int i = 0; i < n; i++) {
        Cost c = runchild(args);
        if (i == 0 || c.secs < b.secs) b = c;
    }
    return b;
}

void row(const char *what, int pages, const Cost &c) {
    std::printf("%-34s %6d %10.3f %12.3f %10ld%s\n", what, pages, c.secs, c.secs / pages, c.rsskb,
                c.status == 0 ? "" : "  (failed)");
}

} // namespace

int main(int, char **argv) {
    namespace fs = std::filesystem;
    fs::path bin = fs::absolute(argv[0]).parent_path().parent_path();
    std::string kavrel = (bin / "kavrel").string(), mkdemo = (bin / "tools" / "mkdemo").string();
    char tmpl[] = "/tmp/kavrel-bench-XXXXXX";
    if (!mkdtemp(tmpl)) return 1;
    std::string dir = tmpl, demo = dir + "/demo.wav", s10 = dir + "/s10.wav",
                s100 = dir + "/s100.wav";
    // speech-like audio: the 2 s demo recording repeated
    if (runchild({mkdemo, demo}).status != 0 ||
        runchild({"sox", demo, s10, "repeat", "4"}).status != 0 ||
        runchild({"sox", demo, s100, "repeat", "49"}).status != 0) {
        std::fprintf(stderr, "plot_bench: cannot make the recordings (mkdemo, sox)\n");
        return 1;
    }
    std::printf("%-34s %6s %10s %12s %10s\n", "10 s of 16 kHz speech-like audio", "pages",
                "seconds", "s per page", "peak KiB");
    auto plot = [&](const std::string &wav, std::vector<std::string> extra) {
        std::vector<std::string> a = {kavrel, "-q", "-Pps", "-o", "/dev/null", wav};
        a.insert(a.end(), extra.begin(), extra.end());
        return best(a);
    };
    row("kavrel, defaults (one page)", 1, plot(s10, {}));
    row("kavrel, nlpc=12 (one page)", 1, plot(s10, {"nlpc=12"}));
    row("kavrel, tpage=1", 10, plot(s10, {"tpage=1"}));
    row("kavrel, tpage=1 nlpc=12", 10, plot(s10, {"tpage=1", "nlpc=12"}));
    row("sox spectrogram to PNG", 1, best({"sox", s10, "-n", "spectrogram", "-o", dir + "/x.png"}));
    std::printf("\nmemory against length, tpage=1\n");
    row("kavrel, 10 s", 10, plot(s10, {"tpage=1"}));
    row("kavrel, 100 s", 100, best({kavrel, "-q", "-Pps", "-o", "/dev/null", s100, "tpage=1"}, 1));
    fs::remove_all(dir);
    return 0;
}
