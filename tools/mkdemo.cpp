// Synthesises the demo recording: a voiced vowel gliding in pitch and formants, a pause, a
// fricative noise burst and a second vowel, 16-bit mono RIFF WAVE at 16 kHz. Deterministic:
// the noise comes from a fixed linear congruential generator, so every run writes the same.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

constexpr double kRate = 16000;
constexpr double kPi = 3.14159265358979323846;

// Two-pole resonance with unit gain at 0 Hz; its frequency may change every sample.
struct Reson {
    double y1 = 0, y2 = 0;
    double step(double x, double f, double bw) {
        double r = std::exp(-kPi * bw / kRate);
        double a1 = 2 * r * std::cos(2 * kPi * f / kRate), a2 = -r * r;
        double y = (1 - a1 - a2) * x + a1 * y1 + a2 * y2;
        y2 = y1;
        y1 = y;
        return y;
    }
};

// A vowel from t0 to t1: pitch and the first three formants glide linearly.
struct Vowel {
    double t0, t1, f0a, f0b, f1a, f1b, f2a, f2b, f3a, f3b;
};

uint32_t lcg = 12345u;
double noise() {
    lcg = lcg * 1664525u + 1013904223u;
    return (lcg >> 8) / 8388608.0 - 1.0;
}

// Voiced source through the formant cascade; the envelope rises and falls over 30 ms.
void vowel(std::vector<double> &out, const Vowel &v) {
    Reson r1, r2, r3, r4;
    double phase = 0, lp1 = 0, lp2 = 0, last = 0;
    int n0 = static_cast<int>(v.t0 * kRate), n1 = static_cast<int>(v.t1 * kRate);
    for (int n = n0; n < n1; n++) {
        double u = double(n - n0) / (n1 - n0);
        double f0 = v.f0a + (v.f0b - v.f0a) * u;
        phase += f0 / kRate;
        double pulse = 0;
        if (phase >= 1) {
            phase -= 1;
            pulse = 1;
        }
        // glottal spectrum falling 12 dB per octave, lip radiation adds 6
        lp1 = 0.97 * lp1 + pulse;
        lp2 = 0.97 * lp2 + lp1;
        double src = lp2 - last;
        last = lp2;
        src += 0.02 * noise();
        double y = r1.step(src, v.f1a + (v.f1b - v.f1a) * u, 90);
        y = r2.step(y, v.f2a + (v.f2b - v.f2a) * u, 110);
        y = r3.step(y, v.f3a + (v.f3b - v.f3a) * u, 160);
        y = r4.step(y, 3600, 250);
        double t = (n - n0) / kRate, rest = (n1 - n) / kRate;
        double env = std::fmin(1.0, std::fmin(t, rest) / 0.03);
        out[n] += env * y;
    }
}

// Fricative: noise through two high resonances, with a 20 ms rise and fall.
void fricative(std::vector<double> &out, double t0, double t1) {
    Reson a, b;
    int n0 = static_cast<int>(t0 * kRate), n1 = static_cast<int>(t1 * kRate);
    for (int n = n0; n < n1; n++) {
        double x = noise();
        double y = a.step(x, 4800, 900) + 0.7 * b.step(x, 6400, 1200);
        double t = (n - n0) / kRate, rest = (n1 - n) / kRate;
        out[n] += 0.25 * std::fmin(1.0, std::fmin(t, rest) / 0.02) * y;
    }
}

void put16(FILE *f, unsigned v) {
    std::fputc(v & 0xff, f);
    std::fputc((v >> 8) & 0xff, f);
}
void put32(FILE *f, uint32_t v) {
    put16(f, v & 0xffff);
    put16(f, v >> 16);
}

// 16-bit mono PCM RIFF WAVE.
int writewav(const char *path, const std::vector<int16_t> &s) {
    FILE *f = std::fopen(path, "wb");
    if (!f) return 1;
    uint32_t bytes = static_cast<uint32_t>(s.size() * 2);
    std::fputs("RIFF", f);
    put32(f, 36 + bytes);
    std::fputs("WAVEfmt ", f);
    put32(f, 16);
    put16(f, 1);
    put16(f, 1);
    put32(f, static_cast<uint32_t>(kRate));
    put32(f, static_cast<uint32_t>(kRate) * 2);
    put16(f, 2);
    put16(f, 16);
    std::fputs("data", f);
    put32(f, bytes);
    for (int16_t v : s) put16(f, static_cast<uint16_t>(v));
    return std::fclose(f) != 0;
}

} // namespace

int main(int argc, char **argv) {
    const char *path = argc > 1 ? argv[1] : "demo.wav";
    std::vector<double> x(static_cast<size_t>(2.0 * kRate), 0.0);
    vowel(x, {0.10, 0.85, 150, 105, 750, 330, 1100, 2250, 2500, 3000});
    fricative(x, 1.12, 1.42);
    vowel(x, {1.50, 1.92, 115, 165, 320, 720, 850, 1250, 2300, 2600});
    double peak = 0;
    for (double v : x) peak = std::fmax(peak, std::fabs(v));
    std::vector<int16_t> s(x.size());
    for (size_t i = 0; i < x.size(); i++)
        s[i] = static_cast<int16_t>(std::lround(x[i] / peak * 20000));
    if (writewav(path, s)) {
        std::fprintf(stderr, "mkdemo: can't write %s\n", path);
        return 1;
    }
    return 0;
}
