// Shared by the corruption test and the fuzz target: valid files of every sampled-data
// format (templates a damaged file starts from) and a probe that identifies, opens and reads
// a file the ways the program does and checks that the descriptor it got is sane.
#pragma once
#include "base/opts.h"
#include "base/params.h"
#include "sdinput/sdblock.h"
#include "sdinput/sdfile.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace sdprobe {

// Minimal byte writer (be: big-endian numbers).
struct Out {
    std::vector<uint8_t> b;
    int be = 0;
    Out &n(uint64_t v, int len) {
        for (int i = 0; i < len; i++)
            b.push_back(static_cast<uint8_t>(v >> (be ? 8 * (len - 1 - i) : 8 * i)));
        return *this;
    }
    Out &s(const char *t, size_t len = 0) {
        b.insert(b.end(), t, t + (len ? len : std::strlen(t)));
        return *this;
    }
    Out &z(size_t k) { return b.insert(b.end(), k, 0), *this; }
    Out &f32(float f) {
        uint32_t u;
        std::memcpy(&u, &f, 4);
        return n(u, 4);
    }
    Out &f64(double d) {
        uint64_t u;
        std::memcpy(&u, &d, 8);
        return n(u, 8);
    }
    Out &at16(size_t off, unsigned v) {
        b[off + (be ? 1 : 0)] = v & 0xFF, b[off + (be ? 0 : 1)] = (v >> 8) & 0xFF;
        return *this;
    }
    Out &ramp16(int k) {
        for (int i = 0; i < k; i++) n(static_cast<uint16_t>(i * 977 - 30000), 2);
        return *this;
    }
};

inline std::vector<uint8_t> wav(int tag, int bits, int fmtsize, const char *extra) {
    Out o;
    o.s("RIFF").n(0, 4).s("WAVE").s("fmt ").n(fmtsize, 4).n(fmtsize == 40 ? 0xFFFE : tag, 2);
    o.n(2, 2).n(8000, 4).n(16000, 4).n(bits / 8, 2).n(bits, 2);
    if (fmtsize == 40)
        o.n(22, 2).n(bits, 2).n(3, 4).n(tag, 2).z(14);
    else
        o.z(fmtsize - 16);
    if (extra) o.s(extra, 4).n(5, 4).s("abcde").z(1);
    o.s("data").n(600, 4).ramp16(300);
    return o.b;
}

inline std::vector<uint8_t> snd(int be, uint32_t magic, int enc) {
    Out o;
    o.be = be;
    o.n(magic, 4).n(32, 4).n(512, 4).n(enc, 4).n(11025, 4).n(2, 4).z(8);
    if (enc == 6)
        for (int i = 0; i < 128; i++) o.f32(std::sin(static_cast<float>(i) * 0.1f) * 0.9f);
    else
        o.ramp16(256);
    return o.b;
}

inline std::vector<uint8_t> ils(int be, int tokens) {
    Out o;
    o.be = be;
    o.z(512).at16(120, 4).at16(122, 1).at16(124, static_cast<uint16_t>(-32000));
    if (tokens) o.at16(126, 11111).at16(10, 1);
    o.ramp16(256); // tokens of 64 samples from byte 512, record at byte 1024
    if (tokens) o.n(4, 2).n(64, 2).z(4);
    return o.b;
}

inline std::vector<uint8_t> csre() {
    Out o;
    o.s("CSRE40").z(2).n(300, 4).z(12).f32(16.0f).z(516 - 28).ramp16(300);
    return o.b;
}

inline std::vector<uint8_t> mat(int be, int p) {
    Out o;
    o.be = be;
    int m = be ? 1000 : 0;
    o.n(m, 4).n(1, 4).n(1, 4).n(0, 4).n(5, 4).s("rate", 5).f64(8000);
    o.n(m + 10 * p, 4).n(1, 4).n(64, 4).n(0, 4).n(2, 4).s("x", 2);
    for (int i = 0; i < 64; i++) {
        if (p == 0)
            o.f64(i * 0.01 - 0.3);
        else if (p == 2)
            o.n(static_cast<uint32_t>(i * 100000 - 3000000), 4);
        else
            o.n(static_cast<uint16_t>(i * 500 - 16000), 2);
    }
    return o.b;
}

inline std::vector<uint8_t> text(const char *t) {
    return std::vector<uint8_t>(t, t + std::strlen(t));
}

// Valid files of every format, both byte orders where there are two.
inline const std::vector<std::vector<uint8_t>> &templates() {
    static const std::vector<std::vector<uint8_t>> t = {
        wav(1, 16, 16, "LIST"),
        wav(3, 32, 18, "fact"),
        wav(1, 24, 40, nullptr),
        wav(7, 8, 16, "JUNK"),
        snd(1, 0x2E736E64u, 3),
        snd(0, 0x2E736400u, 6),
        snd(1, 0x2E736E64u, 1),
        ils(0, 0),
        ils(1, 0),
        ils(0, 1),
        ils(1, 1),
        csre(),
        mat(0, 0),
        mat(1, 2),
        mat(0, 3),
        mat(1, 0),
        text("; rate=8000\n0.5\n-1.0\n0, 3\n/\n12\n"),
        text("0.25\n-0.125\n1,2.0\n"),
    };
    return t;
}

// Writes a file in place: no O_TRUNC, whose flush on close makes rewriting one name slow.
inline void save(const std::string &path, const uint8_t *data, size_t n) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT, 0644);
    if (fd < 0) return;
    size_t done = 0;
    while (done < n) {
        ssize_t w = ::write(fd, data + done, n - done);
        if (w <= 0) break;
        done += static_cast<size_t>(w);
    }
    if (::ftruncate(fd, static_cast<off_t>(n)) != 0) done = 0;
    ::close(fd);
}

// Checks the open file's descriptor and reads samples; what is wrong, or nullptr.
inline const char *sdcheck(int64_t fsize) {
    if (sd.nsamp < 0) return "negative nsamp";
    if (!(sd.srate >= 0.0f && sd.srate <= 1.0e9f)) return "srate not a rate";
    if (sd.sdtype == SD_LST) {
        if (static_cast<size_t>(sd.nsamp) != sdb.lst.size()) return "list count";
    } else {
        if (sdb.bps <= 0 || sdb.dataoff < 0) return "block geometry";
        if (sdb.dataoff + static_cast<int64_t>(sd.nsamp) * sdb.bps > fsize) return "past the file";
    }
    const int32_t n = sd.nsamp;
    const int32_t idx[] = {0, 1, n / 3, n / 2, n - 1, n, n + 1, -1, INT32_MAX, INT32_MIN};
    for (int periodic : {0, 1}) {
        par.periodic = static_cast<int8_t>(periodic);
        for (int32_t i : idx) {
            int32_t v = getsamp(i);
            if (v < -32768 || v > 32767) return "sample out of range";
            if (!periodic && (i < 0 || i >= n) && v != 0) return "outside the data not wzero";
        }
        int32_t step = n / 64 + 1;
        for (int32_t i = 0; i < n; i += step)
            if (getsamp(i) < -32768 || getsamp(i) > 32767) return "sample out of range";
    }
    par.periodic = 0;
    return nullptr;
}

// Identifies and opens the bytes as a command-line file, a file command and under -nh.
inline const char *probe(const std::string &path, const uint8_t *data, size_t n) {
    static FILE *noanswer = std::fopen("/dev/null", "r");
    save(path, data, n);
    const char *bad = nullptr;
    for (int mode = 0; mode < 3 && !bad; mode++) {
        pardefaults();
        opt.nohdropt = mode == 2;
        sdb.askfp = noanswer;
        sd = Sd{};
        sd.sdname = path;
        int cls = sdident(path, mode == 1);
        if (cls != 1 && cls != 7) continue;
        if (sdopen())
            bad = sdcheck(static_cast<int64_t>(n));
        else if (sdb.fd >= 0)
            bad = "refused file left open";
        sdclose();
    }
    opt.nohdropt = 0;
    return bad;
}

} // namespace sdprobe
