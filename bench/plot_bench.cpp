// Plotting speed and memory, as a user sees them: kavrel run as a process on 60 s and 600 s of
// 16 kHz speech-like audio (the demo recording repeated), beside sox drawing its default
// spectrogram picture of the same file; the 600 s recording in 10 s pages against a floor
// pipeline run in this process; the screen picture and the metafile against PostScript; and
// peak memory against length. Every figure is a ratio of medians of interleaved runs (CPU time,
// user + system: the machine is shared); each round runs every command once.
#include "analysis/fft.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

struct Cost {
    double cpu = 0, wall = 0; // seconds
    long rsskb = 0;
    int status = -1;
};

// Runs argv as a child with standard error to errfile (or /dev/null): its CPU and wall time,
// peak resident memory and exit status.
Cost runchild(const std::vector<std::string> &args, const std::string &errfile = "/dev/null") {
    std::vector<char *> argv;
    for (const std::string &a : args) argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);
    auto t0 = std::chrono::steady_clock::now();
    pid_t pid = fork();
    if (pid == 0) {
        int fd = open(errfile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd >= 0) dup2(fd, 2);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    Cost c;
    int st = 0;
    struct rusage ru {};
    if (pid > 0 && wait4(pid, &st, 0, &ru) == pid) {
        c.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        c.cpu = ru.ru_utime.tv_sec + ru.ru_stime.tv_sec +
                (ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
        c.rsskb = ru.ru_maxrss;
        c.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    }
    return c;
}

double cpunow() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    size_t n = v.size();
    return n == 0 ? 0 : n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// The shape of a paged plot as kavrel made it: pages, image strips (one transform each) and
// bytes per page, and the transform and window lengths from its summary.
struct Shape {
    int pages = 0, strips = 0, nfft = 0, nwin = 0;
    long bytes = 0;
};

Shape shapeof(const std::string &eps, const std::string &summary) {
    Shape s;
    FILE *f = std::fopen(eps.c_str(), "rb");
    char line[512];
    while (f && std::fgets(line, sizeof line, f)) {
        s.bytes += static_cast<long>(std::strlen(line));
        if (std::strncmp(line, "showpage", 8) == 0) s.pages++;
        size_t n = std::strlen(line);
        if (n >= 4 &&
            (std::strcmp(line + n - 4, " GS\n") == 0 || std::strcmp(line + n - 4, " CS\n") == 0))
            s.strips++;
    }
    if (f) std::fclose(f);
    f = std::fopen(summary.c_str(), "r");
    while (f && std::fgets(line, sizeof line, f)) {
        std::sscanf(line, "window width = %d", &s.nwin);
        std::sscanf(line, "FFT width = %d", &s.nfft);
    }
    if (f) std::fclose(f);
    return s;
}

// The floor of a paged plot: the WAV read once, page by page into one buffer, then per page
// the same number of transforms of the same length on windows of its samples, and the same
// number of bytes written to the same sink as the plot. Returns CPU seconds per page.
double floorpipe(const std::string &wav, const Shape &sh, long samples) {
    double t0 = cpunow();
    int fd = open(wav.c_str(), O_RDONLY), sink = open("/dev/null", O_WRONLY);
    const int pages = std::max(sh.pages, 1), per = std::max(sh.strips / pages, 1);
    const int nfft = std::max(sh.nfft, 2), nwin = std::clamp(sh.nwin, 1, nfft);
    const long pagesmp = samples / pages, hop = std::max(pagesmp / per, 1L);
    std::vector<int16_t> smp(pagesmp + nwin);
    std::vector<float> x(nfft + 2), hann(nwin), pw(nfft / 2 + 1);
    for (int i = 0; i < nwin; i++) hann[i] = 0.5f - 0.5f * std::cos(6.2831853f * i / nwin);
    std::vector<char> out(sh.bytes / pages, '0');
    if (fd >= 0) lseek(fd, 44, SEEK_SET); // the canonical header
    for (int p = 0; p < pages; p++) {
        char *b = reinterpret_cast<char *>(smp.data());
        for (long at = 0, want = pagesmp * 2; at < want;) {
            ssize_t n = read(fd, b + at, want - at);
            if (n <= 0) break;
            at += n;
        }
        for (int k = 0; k < per; k++) {
            const int16_t *w = smp.data() + std::min<long>(k * hop, pagesmp);
            for (int i = 0; i < nwin; i++) x[i] = w[i] * hann[i];
            std::fill(x.begin() + nwin, x.end(), 0.0f);
            rfft(x.data(), nfft);
            rfftunp(x.data(), nfft);
            for (int q = 0; q <= nfft / 2; q++)
                pw[q] = x[2 * q] * x[2 * q] + x[2 * q + 1] * x[2 * q + 1];
            out[(k * 7) % out.size()] = static_cast<char>('0' + static_cast<int>(pw[1]) % 10);
        }
        for (size_t at = 0; at < out.size();) {
            ssize_t n = write(sink, out.data() + at, std::min<size_t>(1 << 16, out.size() - at));
            if (n <= 0) break;
            at += n;
        }
    }
    if (fd >= 0) close(fd);
    close(sink);
    return (cpunow() - t0) / pages;
}

} // namespace

int main(int argc, char **argv) {
    namespace fs = std::filesystem;
    const int rounds = argc > 1 ? std::max(std::atoi(argv[1]), 1) : 7;
    fs::path bin = fs::absolute(argv[0]).parent_path().parent_path();
    std::string kavrel = (bin / "kavrel").string(), mkdemo = (bin / "tools" / "mkdemo").string();
    char tmpl[] = "/tmp/kavrel-bench-XXXXXX";
    if (!mkdtemp(tmpl)) return 1;
    std::string dir = tmpl, demo = dir + "/demo.wav", s60 = dir + "/s60.wav",
                s600 = dir + "/s600.wav";
    if (runchild({mkdemo, demo}).status != 0 ||
        runchild({"sox", demo, s60, "repeat", "29"}).status != 0 ||
        runchild({"sox", demo, s600, "repeat", "299"}).status != 0) {
        std::fprintf(stderr, "plot_bench: cannot make the recordings (mkdemo, sox)\n");
        fs::remove_all(dir);
        return 1;
    }
    // the paged plot once, for its shape
    runchild({kavrel, "-Pps", "-o", dir + "/paged.eps", s600, "tpage=10"}, dir + "/summary.txt");
    const Shape sh = shapeof(dir + "/paged.eps", dir + "/summary.txt");
    auto k = [&](std::vector<std::string> a) {
        a.insert(a.begin(), {kavrel, "-q"});
        return a;
    };
    auto sox = [&](const std::string &wav) {
        return std::vector<std::string>{"sox", wav, "-n", "spectrogram", "-o", dir + "/x.png"};
    };
    const std::map<std::string, std::vector<std::string>> cmds = {
        {"ps60", k({"-Pps", "-o", "/dev/null", s60})},
        {"ps600", k({"-Pps", "-o", "/dev/null", s600})},
        {"paged", k({"-Pps", "-o", "/dev/null", s600, "tpage=10"})},
        {"png60", k({"-o", dir + "/x60.png", s60})},
        {"emf60", k({"-Pemf", "-o", dir + "/x60.emf", s60})},
        {"sox60", sox(s60)},
        {"sox600", sox(s600)}};
    std::map<std::string, std::vector<double>> cpu;
    std::map<std::string, long> rss;
    std::vector<double> floors;
    for (int r = 0; r < rounds; r++) {
        for (auto &[name, args] : cmds) {
            Cost c = runchild(args);
            if (c.status != 0) std::fprintf(stderr, "plot_bench: %s failed\n", name.c_str());
            cpu[name].push_back(c.cpu);
            rss[name] = std::max(rss[name], c.rsskb);
        }
        floors.push_back(floorpipe(s600, sh, 600L * 16000));
    }
    auto m = [&](const char *name) { return median(cpu[name]); };
    std::printf("medians of %d interleaved runs, CPU milliseconds (user + system)\n", rounds);
    std::printf("%-46s %9s %9s %7s\n", "", "kavrel", "ref", "ratio");
    auto row = [](const char *what, double a, double b) {
        std::printf("%-46s %9.1f %9.1f %7.2f\n", what, 1e3 * a, 1e3 * b, b > 0 ? a / b : 0);
    };
    row("60 s to PostScript, one page / sox", m("ps60"), m("sox60"));
    row("600 s to PostScript, one page / sox", m("ps600"), m("sox600"));
    std::printf("600 s in 10 s pages: %d pages, %d transforms of %d, %ld bytes per page\n",
                sh.pages, sh.strips / std::max(sh.pages, 1), sh.nfft,
                sh.bytes / std::max(sh.pages, 1));
    row("  per page / floor pipeline per page", m("paged") / std::max(sh.pages, 1), median(floors));
    row("  all pages / sox of the whole 600 s", m("paged"), m("sox600"));
    row("60 s screen picture (PNG) / PostScript", m("png60"), m("ps60"));
    row("60 s metafile / PostScript", m("emf60"), m("ps60"));
    std::printf("%-46s %9ld %9ld %7.2f\n", "peak memory KiB, 600 s / 60 s (one page)", rss["ps600"],
                rss["ps60"], rss["ps60"] ? double(rss["ps600"]) / rss["ps60"] : 0);
    fs::remove_all(dir);
    return 0;
}
