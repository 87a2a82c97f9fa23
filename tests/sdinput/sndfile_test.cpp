// SND files from the tests' own writer: both magics in both byte orders, every supported
// encoding, full-scale floats, streamed data sizes, and the refusals.
#include "sdfix.h"

#include "sdinput/sdblock.h"

using namespace sdfix;

using SndFile = SdTest;

namespace {
constexpr uint32_t snd1 = 0x2E736E64u, snd2 = 0x2E736400u;
}

TEST_F(SndFile, BothMagicsInBothByteOrders) {
    for (uint32_t magic : {snd1, snd2})
        for (int be : {0, 1}) {
            Bytes d;
            d.be = be;
            sig16(d, 700);
            std::vector<uint8_t> b = snd(be, magic, 3, 16000, d.b);
            // the first bytes as the file holds them
            uint8_t first = be ? 0x2E : (magic == snd1 ? 0x64 : 0x00);
            ASSERT_EQ(b[0], first);
            save(path("x.snd"), b);
            sd.sdname = path("x.snd");
            sdident(sd.sdname, 1);
            ASSERT_EQ(sd.sdtype, SD_SND);
            EXPECT_EQ(sd.nsamp, 700); // the test fills the descriptor
            EXPECT_EQ(sd.srate, 16000.0f);
            ASSERT_EQ(sdopen(), 1);
            EXPECT_EQ(sdb.swap, be);
            EXPECT_EQ(sdb.dataoff, 28);
            for (int i : {0, 255, 256, 350, 699}) EXPECT_EQ(getsamp(i), sig(i)) << be << i;
            EXPECT_EQ(getsamp(700), 0);
        }
}

TEST_F(SndFile, Encodings) {
    for (int be : {0, 1}) {
        Bytes mu, s8, f, fbig, d, dbig;
        mu.be = s8.be = f.be = fbig.be = d.be = dbig.be = be;
        mu.u8(0x00).u8(0x80).u8(0xFF);
        s8.u8(0x80).u8(0x7F).u8(0x01);
        f.f32(0.5f).f32(-1.0f).f32(0.25f);
        fbig.f32(1234.9f).f32(-2.5f).f32(70000.0f);
        d.f64(-0.5).f64(1.0).f64(0.125);
        dbig.f64(-100.7).f64(3.0).f64(-70000.0);
        const struct {
            const char *what;
            int enc;
            std::vector<uint8_t> data;
            std::vector<int> want;
        } cases[] = {
            {"mu-law", 1, mu.b, {-32124, 32124, 0}},
            {"8-bit linear", 2, s8.b, {-128, 127, 1}},
            {"float, full scale", 6, f.b, {16383, -32767, 8191}},
            {"float sample values", 6, fbig.b, {1234, -2, 70000 - 65536}},
            {"double, full scale", 7, d.b, {-16383, 32767, 4095}},
            {"double sample values", 7, dbig.b, {-100, 3, -70000 + 65536}},
        };
        for (const auto &c : cases) {
            ASSERT_EQ(openbytes("e.snd", snd(be, snd1, c.enc, 8000, c.data)), 1) << c.what;
            ASSERT_EQ(sd.nsamp, 3) << c.what;
            for (int i = 0; i < 3; i++) EXPECT_EQ(getsamp(i), c.want[i]) << c.what << be << i;
        }
    }
}

TEST_F(SndFile, UnsupportedEncodingsAreRefusedByName) {
    for (uint32_t enc : {0u, 4u, 5u, 8u, 27u, 0xFFFFFFFFu}) {
        save(path("u.snd"), snd(1, snd1, enc, 8000, {1, 2, 3, 4, 5, 6, 7, 8}));
        sd.sdname = path("u.snd");
        EXPECT_EQ(sdident(sd.sdname, 1), 1);
        EXPECT_EQ(sd.sdtype, SD_SND);
        EXPECT_EQ(sd.nsamp, 0);
        std::string before = msgs();
        EXPECT_EQ(sdopen(), 0);
        std::string said = msgs().substr(before.size());
        EXPECT_NE(said.find(path("u.snd")), std::string::npos) << said;
        EXPECT_NE(said.find("encoding " + std::to_string(enc)), std::string::npos) << said;
    }
}

TEST_F(SndFile, DataSizesAndOffsets) {
    Bytes d;
    d.be = 1;
    sig16(d, 100);
    const struct {
        const char *what;
        int64_t dsize;
        uint32_t off;
        int ok;
        int32_t nsamp;
        const char *says;
    } cases[] = {
        {"exact", 200, 28, 1, 100, ""},
        {"shorter than the file", 50, 28, 1, 25, ""},
        {"past the end", 100000, 28, 1, 100, ""},
        {"unknown: to the end", 0xFFFFFFFF, 28, 1, 100, ""},
        {"24-byte header", 200, 24, 1, 100, ""},
        {"offset past the file", 200, 5000, 0, 0, "SND seeking for data location failed\n"},
        {"offset inside the header", 200, 8, 0, 0, "lies inside the header"},
    };
    for (const auto &c : cases) {
        std::vector<uint8_t> b = snd(1, snd1, 3, 8000, d.b, c.dsize, c.off < 24 ? 24 : c.off);
        b[7] = c.off & 0xFF, b[6] = (c.off >> 8) & 0xFF;
        if (c.off > 28) b.resize(28 + d.b.size()); // the data still follows byte 28
        std::string before = msgs();
        EXPECT_EQ(openbytes("s.snd", b), c.ok) << c.what;
        std::string said = msgs().substr(before.size());
        if (c.ok) {
            EXPECT_EQ(sd.nsamp, c.nsamp) << c.what;
            EXPECT_EQ(getsamp(c.nsamp - 1), sig(c.nsamp - 1)) << c.what;
            EXPECT_EQ(said, "") << c.what;
        } else {
            EXPECT_NE(said.find(c.says), std::string::npos) << c.what << ": " << said;
        }
    }
    std::vector<uint8_t> cut = snd(0, snd1, 3, 8000, d.b);
    cut.resize(12);
    EXPECT_EQ(openbytes("cut.snd", cut), 0);
    EXPECT_NE(msgs().find("SND header cut short: 12 of 24 bytes"), std::string::npos);
}

TEST_F(SndFile, RatePrecedence) {
    Bytes d;
    sig16(d, 4);
    par.rate = 12000;
    ASSERT_EQ(openbytes("r.snd", snd(0, snd1, 3, 16000, d.b)), 1);
    EXPECT_EQ(sd.srate, 12000.0f);
    par.rate = 0;
    ASSERT_EQ(openbytes("r.snd", snd(0, snd1, 3, 16000, d.b)), 1);
    EXPECT_EQ(sd.srate, 16000.0f);
    reply("9600\n");
    ASSERT_EQ(openbytes("r.snd", snd(0, snd1, 3, 0, d.b)), 1);
    EXPECT_EQ(sd.srate, 9600.0f);
    EXPECT_EQ(msgs(), "samples/second: ");
}
