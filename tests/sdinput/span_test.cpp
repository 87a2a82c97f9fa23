// The span reader: runs of samples read through large blocks give exactly the samples the
// index reader gives, in every encoding and channel layout, and a read error fails only the
// blocks the index reader could not read, only while it lasts.
#include "sdfix.h"
#include "sdinput/sdblock.h"

#include <cerrno>
#include <random>

namespace {

// Reads touching bytes bad0 .. bad1 - 1 stop before them, then fail with EIO: a short read
// at the first bad byte, a long one (over 4 KiB) at the last whole 4 KiB page before it.
int64_t bad0 = 0, bad1 = 0;
ssize_t badread(int fd, void *p, size_t n, off_t pos) {
    if (pos < bad1 && pos + static_cast<off_t>(n) > bad0) {
        const int64_t stop = n > 4096 ? bad0 / 4096 * 4096 : bad0;
        if (pos < stop) return ::pread(fd, p, stop - pos, pos);
        errno = EIO;
        return -1;
    }
    return ::pread(fd, p, n, pos);
}

struct Span : SdInput {
    void TearDown() override { sdb.rawread = ::pread, SdInput::TearDown(); }
    // blkspan's samples first .. first + n - 1 against blkget's, one by one
    void same(int32_t first, int n) {
        std::vector<int32_t> got(n);
        blkspan(first, n, got.data());
        for (int k = 0; k < n; k++) ASSERT_EQ(got[k], blkget(first + k)) << "sample " << first + k;
    }
};

} // namespace

TEST_F(Span, RunsOfSamplesAreTheSamplesReadOneByOne) {
    std::mt19937 rng(64);
    std::string bytes(300001, '\0');
    for (char &c : bytes) c = static_cast<char>(rng());
    ASSERT_EQ(open(bytes, "-nh rate=8000"), 1);
    // encoding, byte swap, channels, channel kept, data offset
    const int cases[][5] = {{ENC_S16, 0, 1, 0, 0},  {ENC_S16, 1, 1, 0, 44}, {ENC_S8, 0, 1, 0, 3},
                            {ENC_ULAW, 0, 1, 0, 0}, {ENC_U8, 0, 3, 2, 1},   {ENC_S24, 0, 1, 0, 46},
                            {ENC_S24, 0, 2, 1, 0},  {ENC_S32, 1, 1, 0, 0},  {ENC_S32HI, 0, 2, 0, 8},
                            {ENC_F32, 0, 1, 0, 0},  {ENC_F64, 1, 5, 3, 7}};
    for (auto [enc, swap, chans, chan, off] : cases) {
        SCOPED_TRACE(testing::Message() << "encoding " << enc << " channels " << chans);
        sdsetenc(enc);
        sdb.swap = swap, sdb.chans = chans, sdb.chan = chan, sdb.dataoff = off;
        sdb.scale = enc == ENC_F32 || enc == ENC_F64 ? 32768 : 1, sdb.sat = enc == ENC_F32;
        // a claim past the end of the file reads the zero level there
        sd.nsamp = static_cast<int32_t>(sdpresent(bytes.size(), sdb.bps)) + 300, sd.wzero = -3.7f;
        for (int periodic : {0, 1}) {
            par.periodic = static_cast<int8_t>(periodic);
            same(-500, sd.nsamp + 1000);
            for (int k = 0; k < 20; k++)
                same(static_cast<int32_t>(rng() % (sd.nsamp + 2000)) - 1000, rng() % 70000);
        }
    }
}

TEST_F(Span, AReadErrorFailsTheBlocksTheIndexReaderFailsWhileItLasts) {
    Bytes w; // 24-bit samples: blocks of 170 samples in 510 bytes
    for (int i = 0; i < 60000; i++) w.n(0, 1).n(static_cast<uint16_t>(sig(i)), 2);
    ASSERT_EQ(open(w.b, "-nh rate=8000"), 1);
    sdsetenc(ENC_S24);
    sd.nsamp = 60000, sd.wzero = 5;
    // bytes 100001 .. 101499 are bad: block 196 (from byte 99960) reads 13 whole samples, 197
    // and 198 fail, and so does 199 from byte 101490, good bytes past 101500 and all; the
    // large read stops at byte 98304, in block 192, which reads whole on its own
    bad0 = 100001, bad1 = 101500, sdb.rawread = badread;
    std::vector<int32_t> got(60000);
    blkspan(0, 60000, got.data());
    for (int i = 0; i < 60000; i++)
        ASSERT_EQ(got[i], i >= 33333 && i < 34000 ? 5 : sig(i)) << "sample " << i;
    same(32000, 3000);
    // the failed blocks (from sample 33490) are read again once the reads succeed
    sdb.rawread = ::pread;
    blkspan(33490, 510, got.data());
    for (int i = 0; i < 510; i++) ASSERT_EQ(got[i], sig(33490 + i)) << "sample " << 33490 + i;
}
