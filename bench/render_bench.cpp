// The band scan of a full 3150 x 2400 page at 300 dpi: a gray line of 129 values on every
// row (a 4.5-inch spectrogram panel), plus an axes' worth of rectangles and text, rendered
// into bands for planes 1 and 8 (and handed over to a vector device for comparison).
// Reports rows per second, the peak resident memory and the most overlays held at once.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "render/core.h"
#include "render/gray.h"
#include "render/lines.h"
#include "render/text.h"

namespace {

uint64_t sink; // every band byte is summed so that nothing is optimised away

void benchband(const uint8_t *buf, int len) {
    for (int i = 0; i < len; i++) sink += buf[i];
}
void benchclose(int) {}
void benchpage() {}
void benchline(int n, const int *rows, const int *, double) {
    sink += n + rows[0];
}
void benchrect(int r, int c, int, int) {
    sink += r + c;
}
void benchimage(int, int, int, int, int n, const uint8_t *v, const float *) {
    sink += v[n / 2];
}

void openbench(int planes, int vector) {
    page = Page{.xres = 300,
                .yres = 300,
                .pagerows = 3150,
                .pagecols = 2400,
                .planes = planes,
                .dotwidth = static_cast<float>(1.0 / 300)};
    devtab = DevTab{.devclose = benchclose,
                    .devline = vector ? benchline : nullptr,
                    .devband = vector ? nullptr : benchband,
                    .devrect = vector ? benchrect : nullptr,
                    .devpage = benchpage,
                    .devret = nullptr,
                    .devimage = vector ? benchimage : nullptr};
    devprep();
}

long peakrss() {
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    return ru.ru_maxrss;
}

// The panel frame, numbers and titles drawn before the first slice.
void frame() {
    ovlrect(375, 300, 2550, 3); // spectrogram panel bottom and top
    ovlrect(375, 1650, 2550, 3);
    ovlrect(375, 1725, 2550, 3); // waveform panel
    ovlrect(375, 2025, 2550, 3);
    txtup(-1, 0);
    txtsize(0.1);
    txtbox(0);
    txtjust(2, 4);
    txtdraw(0.9, 3.25, "Frequency (Hz)");
    txtup(0, 1);
    txtjust(3, 3);
    char label[16];
    for (int k = 0; k <= 8; k++) {
        std::snprintf(label, sizeof label, "%d", k * 1000);
        txtdraw(1.2, 1.0 + k * 0.5625, label);
        ovlrect(360, 300 + k * 169, 15, 3); // frequency tics
    }
}

// One page: a gray line per row over the panel, time tics and numbers as the scan reaches
// them; returns the most overlays held at once.
int scanpage(const std::vector<uint8_t> &vals) {
    int most = 0;
    frame();
    txtjust(2, 1);
    for (int row = 0; row < 3150; row++) {
        if (row >= 375 && row < 2925) {
            ovlgray(vals.data(), 129, 300, 1350, 1);
            if ((row - 375) % 30 == 0) ovlrect(row, 285, 3, (row - 375) % 300 ? 15 : 24);
            if ((row - 375) % 300 == 0) {
                char label[16];
                std::snprintf(label, sizeof label, "%.1f", (row - 375) / 300.0 * 0.2);
                txtdraw(row / 300.0, 0.9, label);
            }
        }
        rowadv(1);
        if (scan.novl > most) most = scan.novl;
    }
    pageend();
    return most;
}

void BM_bandscan(benchmark::State &st) {
    int planes = static_cast<int>(st.range(0)), vector = static_cast<int>(st.range(1));
    static float pos[129];
    for (int i = 0; i < 129; i++) pos[i] = i / 128.0f;
    std::vector<uint8_t> vals(130);
    for (int i = 0; i < 129; i++) vals[i] = static_cast<uint8_t>((i * 37) % 256);
    openbench(planes, vector);
    setgraypos(pos);
    long rss0 = peakrss();
    int most = 0;
    for (auto _ : st) {
        most = scanpage(vals);
        benchmark::DoNotOptimize(sink);
    }
    st.counters["rows_per_s"] =
        benchmark::Counter(3150.0 * st.iterations(), benchmark::Counter::kIsRate);
    st.counters["peak_rss_kB"] = static_cast<double>(peakrss());
    st.counters["rss_growth_kB"] = static_cast<double>(peakrss() - rss0);
    st.counters["max_overlays"] = most;
    st.SetLabel(vector ? "vector" : "planes " + std::to_string(planes));
}

} // namespace

BENCHMARK(BM_bandscan)->Args({1, 0})->Args({8, 0})->Args({1, 1})->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
