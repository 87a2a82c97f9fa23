// The real-input FFT against single-precision FFTW (real to complex, out of place, planned with
// FFTW_MEASURE outside the timed loop) at the lengths the spectrograph uses most. rfft works in
// place, so each iteration first copies the input; the copy alone is timed too and the ratio is
// given with and without it. Times are the fastest of five repetitions (the machine is shared).
#include "analysis/fft.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>
#ifdef KAVREL_HAVE_FFTW
#include <fftw3.h>
#endif

namespace {

const int lengths[] = {256, 1024, 8192};

std::vector<float> input(int n) {
    std::mt19937 gen(12345);
    std::uniform_real_distribution<float> u(-1.0f, 1.0f);
    std::vector<float> x(n);
    for (float &v : x) v = u(gen);
    return x;
}

void copy(benchmark::State &st) {
    int n = static_cast<int>(st.range(0));
    std::vector<float> x = input(n), buf(n + 2);
    for (auto _ : st) {
        std::memcpy(buf.data(), x.data(), n * sizeof(float));
        benchmark::DoNotOptimize(buf.data());
        benchmark::ClobberMemory();
    }
}

void ours(benchmark::State &st) {
    int n = static_cast<int>(st.range(0));
    std::vector<float> x = input(n), buf(n + 2);
    for (auto _ : st) {
        std::memcpy(buf.data(), x.data(), n * sizeof(float));
        rfft(buf.data(), n);
        benchmark::DoNotOptimize(buf.data());
        benchmark::ClobberMemory();
    }
}

#ifdef KAVREL_HAVE_FFTW
// Out of place, its fastest form: the input stays as it is, so no copy is needed.
void fftw(benchmark::State &st) {
    int n = static_cast<int>(st.range(0));
    std::vector<float> x = input(n);
    float *in = fftwf_alloc_real(n);
    fftwf_complex *out = fftwf_alloc_complex(n / 2 + 1);
    fftwf_plan plan = fftwf_plan_dft_r2c_1d(n, in, out, FFTW_MEASURE);
    std::memcpy(in, x.data(), n * sizeof(float)); // planning overwrote it
    for (auto _ : st) {
        fftwf_execute(plan);
        benchmark::DoNotOptimize(out);
        benchmark::ClobberMemory();
    }
    fftwf_destroy_plan(plan);
    fftwf_free(out);
    fftwf_free(in);
}
#endif

// Keeps the fastest time per iteration (ns, CPU) of each benchmark and length.
struct Keep : benchmark::ConsoleReporter {
    std::map<std::string, std::map<int, double>> best;
    void ReportRuns(const std::vector<Run> &runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &r : runs) {
            bool min = r.run_type == Run::RT_Aggregate && r.aggregate_name == "min";
            if (r.error_occurred || (r.run_type != Run::RT_Iteration && !min)) continue;
            double ns = r.GetAdjustedCPUTime();
            auto &slot = best[r.run_name.function_name];
            int n = std::stoi(r.run_name.args);
            slot[n] = slot.count(n) ? std::min(slot[n], ns) : ns;
        }
    }
};

void ratios(Keep &k) {
    auto &mine = k.best["rfft"], &ref = k.best["fftw"], &cp = k.best["copy"];
    std::printf("\nrfft against fftw, fastest of 5 (CPU time per transform):\n");
    for (int n : lengths) {
        if (!mine.count(n) || !ref.count(n)) continue;
        double c = cp.count(n) ? cp[n] : 0.0;
        std::printf("N = %5d: rfft %9.1f ns (copy %7.1f ns), fftw %9.1f ns, ratio %.2f "
                    "(%.2f without the copy)\n",
                    n, mine[n], c, ref[n], mine[n] / ref[n], (mine[n] - c) / ref[n]);
    }
}

double fastest(const std::vector<double> &v) {
    return *std::min_element(v.begin(), v.end());
}

void add(const char *name, void (*fn)(benchmark::State &), int n) {
    benchmark::RegisterBenchmark(name, fn)
        ->Arg(n)
        ->Unit(benchmark::kNanosecond)
        ->Repetitions(5)
        ->DisplayAggregatesOnly(true)
        ->ComputeStatistics("min", fastest);
}

} // namespace

int main(int argc, char **argv) {
    for (int n : lengths) {
        add("copy", copy, n);
        add("rfft", ours, n);
#ifdef KAVREL_HAVE_FFTW
        add("fftw", fftw, n);
#endif
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    Keep keep;
    benchmark::RunSpecifiedBenchmarks(&keep);
    benchmark::Shutdown();
#ifdef KAVREL_HAVE_FFTW
    ratios(keep);
#else
    std::printf("FFTW not found: no ratios\n");
#endif
    return 0;
}
