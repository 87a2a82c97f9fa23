// Writers of the formats sox cannot write (ILS, CSRE, MAT, time-step) and a fixture that opens
// a file as a file command does, after option and parameter words, with the rate prompt answered.
#pragma once
#include "fuzz/sdprobe.h"
#include "testkit.h"

#include <bit>
#include <functional>
#include <random>
#include <sstream>
#include <sys/mman.h>

// Distinct 16-bit values of both signs: the samples the writers store.
inline constexpr auto sig = [](int i) { return (i * 7919 + 123) % 65536 - 32768; };
inline constexpr auto f32 = [](float x) { return std::bit_cast<uint32_t>(x); };

// Bytes of a file; numbers in its byte order (be: big-endian).
struct Bytes {
    std::string b;
    int be = 0;
    Bytes &n(uint64_t v, int len) {
        for (int i = 0; i < len; i++) b += static_cast<char>(v >> 8 * (be ? len - 1 - i : i));
        return *this;
    }
    Bytes &at(int o, uint64_t v, int l) { return b.replace(o, l, Bytes{{}, be}.n(v, l).b), *this; }
    Bytes &sig16(int k, int from = 0) {
        for (int i = from; i < from + k; i++) n(static_cast<uint16_t>(sig(i)), 2);
        return *this;
    }
};

// ILS file of rate w61 x 10^w60 and n samples; with count tokens of len samples, the token
// record follows the samples in the next block.
inline std::string ils(int be, int w60, int w61, int n, int count = 0, int len = 0) {
    Bytes w{std::string(512, '\0'), be};
    w.at(120, w60, 2).at(122, w61, 2).at(124, 0x8300, 2).sig16(n);
    if (count == 0) return w.b;
    const size_t blk = (w.b.size() + 511) / 512;
    w.at(126, 11111, 2).at(10, blk - 1, 2).b.resize(blk * 512);
    return w.n(count, 2).n(len, 2).b;
}

inline std::string csre(int32_t count, float khz, int n) {
    return Bytes{"CSRE40" + std::string(510, '\0')}.at(8, count, 4).at(24, f32(khz), 4).sig16(n).b;
}

// A MAT variable appended to w: type (its byte-order digit added), dimensions, name, then the
// values and sig(0) .. sig(n - 1) in the type's precision.
inline Bytes mat(Bytes w, int type, int rows, int cols, const std::string &name,
                 std::vector<double> v, int n = 0, int imag = 0) {
    const int p = type / 10 % 10, len[] = {8, 4, 4, 2, 4, 1};
    w.n(type + (w.be ? 1000 : 0), 4).n(rows, 4).n(cols, 4).n(imag, 4).n(name.size() + 1, 4);
    w.b += name + '\0';
    for (int i = 0; i < n; i++) v.push_back(sig(i));
    v.resize(v.size() << imag); // an imaginary part of zeros
    for (double x : v)
        w.n(p == 0 ? std::bit_cast<uint64_t>(x) : p == 1 ? f32(x) : int64_t(x), len[p]);
    return w;
}

// Time-step file of steps of 0.1 ms, 10 a frame: frame k holds value(k, q) for q = 0 (its
// scalar) .. npts - 1, by default the scalar 100 + k, then 10k + 1 .. 10k + npts - 1.
inline Bytes tsdfile(int be, int npts, int frames,
                     const std::function<float(int, int)> &value = nullptr) {
    Bytes w{std::string(868, '\0'), be};
    w.at(0, 0x74736400, 4).at(4, 868, 2).at(12, 1, 2).at(96, f32(1e-4f), 4).at(108, f32(0.2f), 4);
    w.at(112, f32(0.6f), 4).at(116, f32(0.8f), 4).at(140, 10, 4).at(148, frames, 4);
    w.at(154, npts, 2).b.replace(16, 8, "stim.wav");
    for (int k = 0; k < frames; k++)
        for (int q = 0; q < npts; q++) w.n(f32(value ? value(k, q) : q ? 10 * k + q : 100 + k), 4);
    return w;
}

// Opens t cut at every step-th length (every far-th from byte 600 on), and n times with up to
// 4 of its first reach bytes overwritten: never a read past the file, never a value outside
// 16 bits.
inline void damaged(const std::string &t, size_t step, size_t far, size_t reach, int n) {
    static const std::string mem = "/proc/self/fd/" + std::to_string(memfd_create("sd", 0));
    static std::mt19937 rng(20261207);
    for (size_t len = 0; len <= t.size(); len += len < 600 ? step : far)
        ASSERT_STREQ(sdprobe(mem, t.substr(0, len)), nullptr) << t.size() << " cut at " << len;
    std::string f = t;
    for (int k = 1; k <= n; f = k++ % 4 ? f : t) {
        f[rng() % std::min(f.size(), reach)] = static_cast<char>(rng());
        ASSERT_STREQ(sdprobe(mem, f), nullptr) << t.size() << " case " << k;
    }
}

struct SdInput : ::testing::Test {
    Scratch s{"sdin"};
    MsgCap m;
    const std::string p = s / "f"; // the file under test
    std::unique_ptr<FILE, int (*)(FILE *)> ask{nullptr, std::fclose};
    void TearDown() override { sdclose(), tsdclose(), opt.nohdropt = 0, sdb.askfp = nullptr; }
    // Messages since the last call, with the path of the file under test written "@".
    std::string said() {
        std::string r = m.text();
        std::fseek(msgfp, 0, SEEK_SET);
        for (size_t at; (at = r.find(p)) != std::string::npos;) r.replace(at, p.size(), "@");
        return r;
    }
    // sdopen's result for the bytes, identified as a file command does; the words are -nh and
    // parameter assignments.
    int open(const std::string &bytes, const std::string &words = "", const char *reply = "") {
        return writefile(p, bytes), openpath(p, words, reply);
    }
    int openpath(const std::string &path, const std::string &words, const char *reply = "") {
        pardefaults();
        opt.nohdropt = words.starts_with("-nh");
        std::istringstream in(words);
        for (std::string w; in >> w;) parassign(w);
        ask.reset(fmemopen(const_cast<char *>(reply), std::strlen(reply), "r"));
        sdb.askfp = ask.get();
        said(), sd = Sd{.sdname = path};
        return sdident(path, 1), sdopen();
    }
    std::vector<int> samples(int n) {
        std::vector<int> v;
        for (int i = 0; i < n; i++) v.push_back(getsamp(i));
        return v;
    }
};
