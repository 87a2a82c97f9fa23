// RIFF WAVE files from the tests' own writer: data offsets, chunks between "fmt " and "data",
// sample formats, oversized data sizes, the rate precedence and the refusals with reasons.
#include "sdfix.h"

#include "sdinput/sdblock.h"

using namespace sdfix;

namespace {

std::vector<uint8_t> sig16bytes(int n) {
    Bytes d;
    return sig16(d, n).b;
}

} // namespace

using WavFile = SdTest;

TEST_F(WavFile, DataOffsetAfterFmtFactAndOtherChunks) {
    const struct {
        const char *what;
        int fmtextra;
        std::vector<Bytes> chunks;
        int64_t off;
    } cases[] = {
        {"16-byte fmt", 0, {}, 44},
        {"18-byte fmt and a 4-byte fact", 2, {chunk("fact", 4)}, 58},
        {"two fact chunks", 0, {chunk("fact", 4), chunk("fact", 8)}, 72},
        {"LIST of odd size, with its pad byte", 0, {chunk("LIST", 25)}, 44 + 8 + 26},
        {"JUNK, bext and cue",
         0,
         {chunk("JUNK", 28), chunk("bext", 602), chunk("cue ", 4)},
         44 + 36 + 610 + 12},
    };
    for (const auto &c : cases) {
        Wav w;
        w.fmtextra = c.fmtextra;
        w.chunks = c.chunks;
        w.data = sig16bytes(600);
        ASSERT_EQ(openbytes("off.wav", w.bytes()), 1) << c.what;
        EXPECT_EQ(sd.sdtype, SD_WAV);
        EXPECT_EQ(sdb.dataoff, c.off) << c.what;
        EXPECT_EQ(sd.nsamp, 600) << c.what;
        EXPECT_EQ(sd.srate, 8000.0f);
        for (int i : {0, 1, 255, 256, 300, 599}) EXPECT_EQ(getsamp(i), sig(i)) << c.what << i;
        EXPECT_EQ(getsamp(600), 0);
        EXPECT_EQ(msgs(), "") << c.what;
    }
}

TEST_F(WavFile, SampleFormats) {
    // each case: tag, bits, extensible sub-format (-1 none), the data, the samples expected
    Bytes f32;
    f32.f32(0.5f).f32(-1.0f).f32(1.5f).f32(-0.25f);
    Bytes s24, s32, s8, mu;
    s24.n(0x123456, 3).n(0xFEDCBA, 3).n(0x7FFFFF, 3);
    s32.u32(0x12345678).u32(0xFEDCBA98).u32(0x80000000u);
    s8.u8(0).u8(128).u8(255);
    mu.u8(0x00).u8(0x80).u8(0xFF);
    const struct {
        const char *what;
        int tag, bits, sub;
        std::vector<uint8_t> data;
        std::vector<int> want;
    } cases[] = {
        {"8-bit PCM unsigned, no offset removal", 1, 8, -1, s8.b, {0, 128, 255}},
        {"16-bit PCM", 1, 16, -1, sig16bytes(3), {sig(0), sig(1), sig(2)}},
        {"24-bit PCM: top 16 bits", 1, 24, -1, s24.b, {0x1234, -292, 0x7FFF}},
        {"32-bit PCM: top 16 bits", 1, 32, -1, s32.b, {0x1234, -292, -32768}},
        {"float: full scale, saturating", 3, 32, -1, f32.b, {16383, -32767, 32767, -8191}},
        {"mu-law", 7, 8, -1, mu.b, {-32124, 32124, 0}},
        {"extensible PCM 16", 0, 16, 1, sig16bytes(3), {sig(0), sig(1), sig(2)}},
        {"extensible PCM 24", 0, 24, 1, s24.b, {0x1234, -292, 0x7FFF}},
        {"extensible float", 0, 32, 3, f32.b, {16383, -32767, 32767, -8191}},
    };
    for (const auto &c : cases) {
        Wav w;
        w.tag = c.tag, w.bits = c.bits, w.subtag = c.sub, w.data = c.data;
        ASSERT_EQ(openbytes("fmt.wav", w.bytes()), 1) << c.what << msgs();
        ASSERT_EQ(sd.nsamp, static_cast<int32_t>(c.want.size())) << c.what;
        for (size_t i = 0; i < c.want.size(); i++) EXPECT_EQ(getsamp(i), c.want[i]) << c.what;
    }
}

TEST_F(WavFile, UnsupportedFormatsAreRefusedByName) {
    const struct {
        int tag, bits, sub;
        const char *says;
    } cases[] = {
        {1, 12, -1, "format tag 1 with 12 bits"}, {3, 64, -1, "format tag 3 with 64 bits"},
        {2, 4, -1, "format tag 2 with 4 bits"},   {7, 16, -1, "format tag 7 with 16 bits"},
        {0, 16, 2, "format tag 2 with 16 bits"},  {6, 8, -1, "format tag 6 with 8 bits"},
    };
    for (const auto &c : cases) {
        Wav w;
        w.tag = c.tag, w.bits = c.bits, w.subtag = c.sub, w.data = sig16bytes(8);
        std::string before = msgs();
        EXPECT_EQ(openbytes("odd.wav", w.bytes()), 0) << c.says;
        std::string said = msgs().substr(before.size());
        EXPECT_NE(said.find(path("odd.wav")), std::string::npos) << said;
        EXPECT_NE(said.find(c.says), std::string::npos) << said;
        EXPECT_LT(sdb.fd, 0);
    }
}

TEST_F(WavFile, BrokenFilesSayWhy) {
    Wav good;
    good.data = sig16bytes(4);
    std::vector<uint8_t> rev = good.bytes();
    std::memcpy(rev.data(), "FFIR", 4);
    std::memcpy(rev.data() + 8, "EVAW", 4);
    std::vector<uint8_t> nodata = good.bytes();
    std::memcpy(nodata.data() + 36, "dat_", 4); // an unknown chunk running to the end
    std::vector<uint8_t> notfmt = good.bytes();
    std::memcpy(notfmt.data() + 12, "fmx ", 4);
    std::vector<uint8_t> shortfmt = good.bytes();
    shortfmt[16] = 14;
    std::vector<uint8_t> hugefmt = good.bytes();
    hugefmt[19] = 0x70;
    Wav longchunk;
    longchunk.chunks = {chunk("LIST", 4)};
    longchunk.data = sig16bytes(4);
    std::vector<uint8_t> pastend = longchunk.bytes();
    pastend[44 - 4 + 3] = 0x10; // the LIST size runs past the file
    std::vector<uint8_t> cut = good.bytes();
    cut.resize(40);
    const struct {
        const char *what;
        std::vector<uint8_t> bytes;
        const char *says;
    } cases[] = {
        {"reversed tags", rev, "reversed byte order"},
        {"no data chunk", nodata, "without a \"data\" chunk"},
        {"no fmt chunk at byte 12", notfmt, "without a \"fmt \" chunk"},
        {"fmt chunk below 16 bytes", shortfmt, "\"fmt \" chunk of 14 bytes is too short"},
        {"fmt chunk past the end", hugefmt, "\"fmt \" of 1879048208 bytes runs past the end"},
        {"chunk past the end", pastend, "runs past the end"},
        {"cut before the data chunk", cut, "without a \"data\" chunk"},
    };
    for (const auto &c : cases) {
        std::string before = msgs();
        EXPECT_EQ(openbytes("broken.wav", c.bytes), 0) << c.what;
        EXPECT_EQ(sd.sdtype, SD_WAV) << c.what;
        std::string said = msgs().substr(before.size());
        EXPECT_NE(said.find(c.says), std::string::npos) << c.what << ": " << said;
        EXPECT_NE(said.find(path("broken.wav")), std::string::npos) << said;
    }
}

TEST_F(WavFile, OversizedDataSizesAreLoweredToTheSamplesPresent) {
    for (int64_t dsize : {int64_t(0x7FFFF000), int64_t(0xFFFFFFFF), int64_t(1001), int64_t(2000)}) {
        Wav w;
        w.dsize = dsize;
        w.data = sig16bytes(500);
        w.data.push_back(0x55); // an odd byte at the end is no sample
        ASSERT_EQ(openbytes("pipe.wav", w.bytes()), 1);
        EXPECT_EQ(sd.nsamp, 500) << dsize;
        EXPECT_EQ(getsamp(499), sig(499));
    }
    Wav w;
    w.dsize = 200; // smaller than the data: the header holds
    w.data = sig16bytes(500);
    ASSERT_EQ(openbytes("small.wav", w.bytes()), 1);
    EXPECT_EQ(sd.nsamp, 100);
    EXPECT_EQ(getsamp(100), 0);
}

TEST_F(WavFile, StereoIsOneInterleavedStream) {
    Wav w;
    w.channels = 2;
    w.data = sig16bytes(1000); // 500 frames
    ASSERT_EQ(openbytes("st.wav", w.bytes()), 1);
    EXPECT_EQ(sd.nsamp, 1000);
    EXPECT_EQ(getsamp(1), sig(1));
    EXPECT_EQ(getsamp(999), sig(999));
}

TEST_F(WavFile, RatePrecedence) {
    const struct {
        float rate;
        uint32_t hdr;
        const char *answer;
        float want;
        int asks;
    } cases[] = {
        {0, 11025, "", 11025, 0},       {16000, 11025, "", 16000, 0},
        {0, 0, "22050\n", 22050, 1},    {0, 0, "", 0, 1}, // end of input: the rate stays 0
        {0, 0, "fast\n", 0, 1},                           // no number
        {0, 0, "  8000 Hz\n", 8000, 1}, {0, 0, "nan\n", 0, 1},
        {0, 0, "0x1F40\n", 0, 1},  // decimal only
        {-5, 44100, "", 44100, 0}, // rate counts only above 0
    };
    for (const auto &c : cases) {
        Wav w;
        w.rate = c.hdr;
        w.data = sig16bytes(10);
        par.rate = c.rate;
        reply(c.answer);
        std::string before = msgs();
        ASSERT_EQ(openbytes("rate.wav", w.bytes()), 1);
        EXPECT_EQ(sd.srate, c.want) << c.answer;
        EXPECT_EQ(msgs().substr(before.size()), c.asks ? "samples/second: " : "") << c.answer;
    }
}
