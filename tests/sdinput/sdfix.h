// Shared fixture of the sampled-data tests: a scratch directory, byte writers of every
// format in either byte order, message capture, and a clean reader state for each test.
#pragma once
#include "base/msg.h"
#include "base/opts.h"
#include "base/params.h"
#include "sdinput/sdblock.h"
#include "sdinput/sdfile.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace sdfix {

// The scratch directory of this test program, made once and removed at exit.
inline const std::string &dir() {
    struct Scratch {
        std::string d;
        Scratch() {
            char tmpl[] = "/tmp/kavrel-sd-XXXXXX";
            const char *p = mkdtemp(tmpl);
            d = p ? p : "";
        }
        ~Scratch() {
            std::error_code ec;
            if (!d.empty()) std::filesystem::remove_all(d, ec);
        }
    };
    static Scratch s;
    return s.d;
}
inline std::string path(const std::string &name) {
    return dir() + "/" + name;
}

// Appending byte writer; be selects big-endian numbers.
struct Bytes {
    std::vector<uint8_t> b;
    int be = 0;
    Bytes &raw(const void *p, size_t n) {
        auto *c = static_cast<const uint8_t *>(p);
        b.insert(b.end(), c, c + n);
        return *this;
    }
    Bytes &str(const char *s) { return raw(s, std::strlen(s)); }
    Bytes &u8(unsigned v) { return b.push_back(static_cast<uint8_t>(v)), *this; }
    Bytes &n(uint64_t v, int len) {
        for (int i = 0; i < len; i++) {
            int sh = be ? 8 * (len - 1 - i) : 8 * i;
            b.push_back(static_cast<uint8_t>(v >> sh));
        }
        return *this;
    }
    Bytes &u16(unsigned v) { return n(v & 0xFFFF, 2); }
    Bytes &u32(uint32_t v) { return n(v, 4); }
    Bytes &f32(float f) {
        uint32_t u;
        std::memcpy(&u, &f, 4);
        return n(u, 4);
    }
    Bytes &f64(double d) {
        uint64_t u;
        std::memcpy(&u, &d, 8);
        return n(u, 8);
    }
    Bytes &zeros(size_t k) { return b.insert(b.end(), k, 0), *this; }
    void put16(size_t off, unsigned v) {
        b[off + (be ? 1 : 0)] = v & 0xFF;
        b[off + (be ? 0 : 1)] = (v >> 8) & 0xFF;
    }
};

// Writes a file in place (rewriting one name with O_TRUNC is slow on some file systems).
inline void save(const std::string &p, const std::vector<uint8_t> &b) {
    int fd = ::open(p.c_str(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(fd, 0) << p;
    ASSERT_EQ(::write(fd, b.data(), b.size()), static_cast<ssize_t>(b.size()));
    ASSERT_EQ(::ftruncate(fd, static_cast<off_t>(b.size())), 0);
    ::close(fd);
}
inline void save(const std::string &p, const std::string &s) {
    save(p, std::vector<uint8_t>(s.begin(), s.end()));
}

// A test signal: distinct 16-bit values of both signs.
inline int16_t sig(int i) {
    return static_cast<int16_t>((i * 7919 + 123) % 65536 - 32768);
}

// 16-bit samples 0..n-1 of sig in the writer's byte order.
inline Bytes &sig16(Bytes &w, int n) {
    for (int i = 0; i < n; i++) w.u16(static_cast<uint16_t>(sig(i)));
    return w;
}

// RIFF WAVE writer.
struct Wav {
    int tag = 1, channels = 1, bits = 16;
    uint32_t rate = 8000;
    int fmtextra = 0;          // bytes beyond the 16 of the format chunk
    int subtag = -1;           // extensible: the sub-format's tag (fmt size 40)
    std::vector<Bytes> chunks; // chunks between "fmt " and "data"
    int64_t dsize = -1;        // data size field; -1: the real size
    std::vector<uint8_t> data;
    std::vector<uint8_t> bytes() const {
        Bytes w;
        int fs = subtag >= 0 ? 40 : 16 + fmtextra;
        w.str("RIFF").u32(0).str("WAVE").str("fmt ").u32(fs);
        w.u16(subtag >= 0 ? 0xFFFE : tag).u16(channels).u32(rate);
        w.u32(rate * channels * bits / 8).u16(channels * bits / 8).u16(bits);
        if (subtag >= 0) {
            w.u16(22).u16(bits).u32(0).u16(subtag);
            w.raw("\x00\x00\x00\x00\x10\x00\x80\x00\x00\xAA\x00\x38\x9B\x71", 14);
        } else {
            w.zeros(fmtextra);
        }
        for (auto &c : chunks) w.raw(c.b.data(), c.b.size());
        w.str("data").u32(dsize >= 0 ? static_cast<uint32_t>(dsize) : data.size());
        w.raw(data.data(), data.size());
        return w.b;
    }
};
// A chunk with tag and len body bytes (and the pad byte when len is odd).
inline Bytes chunk(const char *tag, int len) {
    Bytes c;
    c.str(tag).u32(len).zeros(len + (len & 1));
    return c;
}

// SND writer: header of `off` bytes (24 minimum), then the data bytes.
inline std::vector<uint8_t> snd(int be, uint32_t magic, uint32_t enc, uint32_t rate,
                                const std::vector<uint8_t> &data, int64_t dsize = -1,
                                uint32_t off = 28) {
    Bytes w;
    w.be = be;
    w.u32(magic).u32(off).u32(dsize >= 0 ? static_cast<uint32_t>(dsize) : data.size());
    w.u32(enc).u32(rate).u32(1);
    if (off > 24) w.zeros(off - 24);
    w.raw(data.data(), data.size());
    return w.b;
}

// ILS header of 512 bytes (word 62 the marker, 63 the token marker when tokens > 0).
inline Bytes ils(int be, int w60, int w61, int tokens = 0, int toklen = 0) {
    Bytes w;
    w.be = be;
    w.zeros(512);
    w.put16(2 * 60, w60);
    w.put16(2 * 61, w61);
    w.put16(2 * 62, static_cast<uint16_t>(-32000));
    if (tokens > 0) {
        w.put16(2 * 63, 11111);
        int blk = (512 + 2 * tokens * toklen + 511) / 512; // the record follows the tokens
        w.put16(2 * 5, blk - 1);
    }
    return w;
}

// MAT version 4 variable: header, name, values (as doubles, written in precision p).
inline void matvar(Bytes &w, int p, int rows, int cols, const char *name,
                   const std::vector<double> &v, int imag = 0) {
    w.u32((w.be ? 1000 : 0) + 10 * p).u32(rows).u32(cols).u32(imag).u32(std::strlen(name) + 1);
    w.raw(name, std::strlen(name) + 1);
    for (int k = 0; k < (imag ? 2 : 1); k++)
        for (double x : v) {
            switch (p) {
            case 0: w.f64(x); break;
            case 1: w.f32(static_cast<float>(x)); break;
            case 2: w.u32(static_cast<uint32_t>(static_cast<int32_t>(x))); break;
            case 3: w.u16(static_cast<uint16_t>(static_cast<int16_t>(x))); break;
            default: w.u32(static_cast<uint32_t>(x)); break;
            }
        }
}

// Message capture plus a clean reader state: defaults, no -nh, an empty answer to any
// rate prompt (never the real standard input).
struct SdTest : ::testing::Test {
    char *mbuf = nullptr;
    size_t mlen = 0;
    FILE *oldmsg = nullptr;
    FILE *answer = nullptr;
    void SetUp() override {
        oldmsg = msgfp;
        msgfp = open_memstream(&mbuf, &mlen);
        pardefaults();
        opt.nohdropt = 0;
        sdclose();
        sd = Sd{};
        answer = std::fopen("/dev/null", "r");
        sdb.askfp = answer;
    }
    void TearDown() override {
        sdclose();
        sdb.askfp = stdin;
        if (answer) std::fclose(answer);
        std::fclose(msgfp);
        msgfp = oldmsg;
        std::free(mbuf);
    }
    // The rate prompt will read this text.
    void reply(const char *text) {
        if (answer) std::fclose(answer);
        static std::string keep;
        keep = text;
        answer = fmemopen(keep.data(), keep.size(), "r");
        sdb.askfp = answer;
    }
    std::string msgs() {
        std::fflush(msgfp);
        return std::string(mbuf, mlen);
    }
    // Identifies (as a file command does) and opens a file: sdopen's result.
    int openas(const std::string &p) {
        sd.sdname = p;
        sdident(p, 1);
        return sdopen();
    }
    int openbytes(const std::string &name, const std::vector<uint8_t> &b) {
        save(path(name), b);
        return openas(path(name));
    }
};

} // namespace sdfix
