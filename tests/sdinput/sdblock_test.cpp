// The block reader: out-of-range and periodic indices, short and failed blocks, and the
// conversion of every encoding to 16-bit samples, for every bit pattern.
#include "sdfix.h"

#include "sdinput/sdblock.h"

#include <cmath>
#include <limits>

using namespace sdfix;

namespace {

// Opens raw bytes as the block reader would after a format's open routine.
struct RawTest : SdTest {
    void raw(const std::vector<uint8_t> &b, int enc, int swap = 0, double scale = 1.0,
             int32_t nsamp = -1) {
        save(path("raw"), b);
        sd.sdname = path("raw");
        ASSERT_EQ(sdfopen(), 1);
        sdsetenc(enc);
        sdb.swap = swap, sdb.scale = scale, sdb.sat = 0, sdb.unsig = 0, sdb.dataoff = 0;
        sd.nsamp = nsamp >= 0 ? nsamp : static_cast<int32_t>(b.size() / sdb.bps);
        sdb.curblk = -1;
        getsamp = blkget;
    }
};

} // namespace

using SdBlockReader = RawTest;

TEST_F(SdBlockReader, IndicesOutsideTheFileAndPeriodicWrap) {
    Bytes w;
    sig16(w, 300); // two blocks, the second short
    raw(w.b, ENC_S16);
    sd.wzero = -7.9f;
    const struct {
        int periodic;
        int32_t index;
        int32_t want;
    } cases[] = {
        {0, -1, -7},
        {0, 300, -7},
        {0, INT32_MIN, -7},
        {0, INT32_MAX, -7},
        {1, -1, sig(299)},
        {1, 300, sig(0)},
        {1, -301, sig(299)},
        {1, 557, sig(257)},
        {1, INT32_MIN, sig(static_cast<int>((INT32_MIN % 300 + 300) % 300))},
        {0, 0, sig(0)},
        {0, 255, sig(255)},
        {0, 256, sig(256)},
        {0, 299, sig(299)},
    };
    for (const auto &c : cases) {
        par.periodic = c.periodic;
        EXPECT_EQ(getsamp(c.index), c.want) << c.periodic << " " << c.index;
    }
}

TEST_F(SdBlockReader, PeriodicWithNoSamplesGivesTheZeroLevel) {
    raw({}, ENC_S16);
    par.periodic = 1;
    sd.wzero = 12.5f;
    for (int32_t i : {-1, 0, 1, 1000}) EXPECT_EQ(getsamp(i), 12);
}

TEST_F(SdBlockReader, MissingTailAndFailedBlocks) {
    Bytes w;
    sig16(w, 300);
    raw(w.b, ENC_S16, 0, 1.0, 1000); // claims more than the file holds
    sd.wzero = 5.0f;
    EXPECT_EQ(getsamp(0), sig(0));
    EXPECT_EQ(getsamp(320), 5); // short last block: tail is the zero level
    EXPECT_EQ(getsamp(299), sig(299));
    EXPECT_EQ(getsamp(600), 5); // block past the end: load fails
    EXPECT_EQ(sdb.curblk, -1);
    EXPECT_EQ(getsamp(1), sig(1)); // the earlier block is read again, not served the fill
    EXPECT_EQ(getsamp(299), sig(299));
}

TEST_F(SdBlockReader, ZeroLevelOfAnyValue) {
    const struct {
        float wzero;
        int32_t want;
    } cases[] = {{0.0f, 0},
                 {-3.99f, -3},
                 {1e30f, INT32_MAX},
                 {-1e30f, INT32_MIN},
                 {std::numeric_limits<float>::quiet_NaN(), 0},
                 {std::numeric_limits<float>::infinity(), INT32_MAX}};
    for (const auto &c : cases) {
        sd.wzero = c.wzero;
        EXPECT_EQ(sdzero(), c.want) << c.wzero;
    }
}

TEST_F(SdBlockReader, EightBitEncodings) {
    std::vector<uint8_t> b = {0x00, 0x0F, 0x10, 0x3C, 0x7E, 0x7F, 0x80, 0xC3, 0xFE, 0xFF};
    const int ulaw[] = {-32124, -16764, -15996, -2364, -8, 0, 32124, 1692, 8, 0};
    raw(b, ENC_ULAW);
    for (size_t i = 0; i < b.size(); i++) EXPECT_EQ(getsamp(i), ulaw[i]) << i;
    raw(b, ENC_S8);
    for (size_t i = 0; i < b.size(); i++) EXPECT_EQ(getsamp(i), static_cast<int8_t>(b[i]));
    raw(b, ENC_U8);
    for (size_t i = 0; i < b.size(); i++) EXPECT_EQ(getsamp(i), b[i]);
    // every mu-law code: odd symmetry, and the magnitude falls as the code rises in each half
    std::vector<uint8_t> all(256);
    for (int c = 0; c < 256; c++) all[c] = static_cast<uint8_t>(c);
    raw(all, ENC_ULAW);
    for (int c = 0; c < 128; c++) {
        EXPECT_EQ(getsamp(c), -getsamp(c + 128)) << c;
        if (c > 0) { EXPECT_GT(getsamp(c), getsamp(c - 1)) << c; }
    }
}

TEST_F(SdBlockReader, WideEncodingsInBothByteOrders) {
    for (int be : {0, 1}) {
        Bytes w16, w32, wf, wd;
        w16.be = w32.be = wf.be = wd.be = be;
        w16.u16(0x8001).u16(0x7FFF).u16(1);
        raw(w16.b, ENC_S16, be);
        EXPECT_EQ(getsamp(0), -32767);
        EXPECT_EQ(getsamp(1), 32767);
        EXPECT_EQ(getsamp(2), 1);
        w32.u32(123).u32(static_cast<uint32_t>(-456)).u32(70000);
        raw(w32.b, ENC_S32, be);
        EXPECT_EQ(getsamp(0), 123);
        EXPECT_EQ(getsamp(1), -456);
        EXPECT_EQ(getsamp(2), 70000 - 65536); // unscaled: low 16 bits
        wf.f32(0.5f).f32(-0.25f).f32(std::nanf("")).f32(1e20f).f32(-1e20f).f32(70000.5f);
        raw(wf.b, ENC_F32, be, 1000.0);
        EXPECT_EQ(getsamp(0), 500);
        EXPECT_EQ(getsamp(1), -250);
        EXPECT_EQ(getsamp(2), 0);  // NaN
        EXPECT_EQ(getsamp(3), -1); // saturates at INT32_MAX, low bits 0xFFFF
        EXPECT_EQ(getsamp(4), 0);  // saturates at INT32_MIN, low bits 0
        EXPECT_EQ(getsamp(5), static_cast<int16_t>(70000500 & 0xFFFF));
        wd.f64(1.5).f64(-2.75).f64(std::nan("")).f64(-1e300);
        raw(wd.b, ENC_F64, be, 2.0);
        EXPECT_EQ(getsamp(0), 3);
        EXPECT_EQ(getsamp(1), -5);
        EXPECT_EQ(getsamp(2), 0);
        EXPECT_EQ(getsamp(3), 0);
    }
}

TEST_F(SdBlockReader, SaturationOfFullScaleAudio) {
    const struct {
        double v;
        int sat;
        int16_t want;
    } cases[] = {
        {32767.9, 1, 32767},
        {40000.0, 1, 32767},
        {-40000.0, 1, -32768},
        {-32768.5, 1, -32768},
        {-1.5, 1, -1},
        {1e300, 1, 32767},
        {40000.0, 0, 40000 - 65536},
        {-65537.0, 0, -1},
        {1e300, 0, -1},
        {-1e300, 0, 0},
        {std::nan(""), 1, 0},
        {std::nan(""), 0, 0},
    };
    for (const auto &c : cases) EXPECT_EQ(sdconv(c.v, c.sat), c.want) << c.v << " " << c.sat;
}

TEST_F(SdBlockReader, BlockGeometryOfEachEncoding) {
    const struct {
        int enc, bps, spb;
    } cases[] = {{ENC_S8, 1, 256},  {ENC_ULAW, 1, 256}, {ENC_U8, 1, 256},
                 {ENC_S16, 2, 256}, {ENC_S32, 4, 128},  {ENC_F32, 4, 128},
                 {ENC_F64, 8, 64},  {ENC_S24, 3, 170},  {ENC_S32HI, 4, 128}};
    for (const auto &c : cases) {
        sdsetenc(c.enc);
        EXPECT_EQ(sdb.bps, c.bps) << c.enc;
        EXPECT_EQ(sdb.spb, c.spb) << c.enc;
        EXPECT_LE(c.bps * c.spb, static_cast<int>(sizeof sdb.buf));
    }
    sdsetenc(ENC_NONE); // unsupported: no bytes, samples per block as before
    EXPECT_EQ(sdb.bps, 0);
    EXPECT_EQ(sdb.spb, 128);
}
