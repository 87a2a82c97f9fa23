// ILS files and ILS token files in both byte orders: header rate, token selection, and the
// refusal of token indices and records that point outside the file.
#include "sdfix.h"

#include "sdinput/sdblock.h"

using namespace sdfix;

using IlsFile = SdTest;

namespace {

// A token file: count tokens of len samples (token t, sample i is sig(t * len + i)), then
// the token record at the block after them (record words as given).
std::vector<uint8_t> tokfile(int be, int count, int len, int reccount = -1, int reclen = -1) {
    Bytes w = ils(be, 4, 1, count, len);
    sig16(w, count * len);
    size_t rec = (w.b.size() + 511) / 512 * 512;
    w.zeros(rec - w.b.size());
    w.u16(reccount >= 0 ? reccount : count).u16(reclen >= 0 ? reclen : len).u16(0).u16(0);
    return w.b;
}

} // namespace

TEST_F(IlsFile, PlainFilesInBothByteOrders) {
    for (int be : {0, 1}) {
        Bytes w = ils(be, 4, 1);
        sig16(w, 1001);
        ASSERT_EQ(openbytes("a.ils", w.b), 1);
        EXPECT_EQ(sd.sdtype, SD_ILS);
        EXPECT_EQ(sdb.swap, be);
        EXPECT_EQ(sdb.dataoff, 512);
        EXPECT_EQ(sd.nsamp, 1001);
        EXPECT_EQ(sd.srate, 10000.0f); // 1 x 10^4
        for (int i : {0, 500, 1000}) EXPECT_EQ(getsamp(i), sig(i)) << be;
        EXPECT_EQ(getsamp(1001), 0);
    }
}

TEST_F(IlsFile, HeaderRateAndPrecedence) {
    const struct {
        int w60, w61;
        float rate;
        const char *answer;
        float want;
    } cases[] = {
        {4, 1, 0, "", 10000},     {3, 16, 0, "", 16000},       {0, 8000, 0, "", 8000},
        {4, 1, 12000, "", 12000}, {0, 0, 0, "11025\n", 11025}, {-1, 5, 0, "7\n", 7},
        {300, 1, 0, "", 0},       {2, -100, 0, "", 0},
    };
    for (const auto &c : cases) {
        Bytes w = ils(0, c.w60, c.w61);
        sig16(w, 10);
        par.rate = c.rate;
        reply(c.answer);
        ASSERT_EQ(openbytes("r.ils", w.b), 1);
        EXPECT_EQ(sd.srate, c.want) << c.w60 << " " << c.w61;
    }
}

TEST_F(IlsFile, TokenSelection) {
    for (int be : {0, 1}) {
        par.token = 3;
        ASSERT_EQ(openbytes("t.tok", tokfile(be, 4, 1000)), 1) << be;
        EXPECT_EQ(sd.sdtype, SD_TOK);
        EXPECT_EQ(sdb.dataoff, 4512);
        EXPECT_EQ(sd.nsamp, 1000);
        EXPECT_EQ(sd.srate, 10000.0f);
        EXPECT_EQ(getsamp(0), sig(2000));
        EXPECT_EQ(getsamp(999), sig(2999));
        EXPECT_EQ(getsamp(1000), 0);
        par.token = 1.9f; // truncated
        ASSERT_EQ(openbytes("t.tok", tokfile(be, 4, 1000)), 1);
        EXPECT_EQ(getsamp(0), sig(0));
    }
}

TEST_F(IlsFile, TokensOutsideTheFileAreRefused) {
    const struct {
        const char *what;
        float token;
        int reccount, reclen;
        int ok;
        int32_t nsamp;
        const char *says;
    } cases[] = {
        {"token 0", 0, -1, -1, 0, 0, "token 0 outside 1..3"},
        {"token -2", -2, -1, -1, 0, 0, "token -2 outside 1..3"},
        {"token past the count", 4, -1, -1, 0, 0, "token 4 outside 1..3"},
        {"huge token", 1e12f, -1, -1, 0, 0, "outside 1..3"},
        {"negative length", 1, 3, 0xFFF0, 0, 0, "token length -16 is negative"},
        {"record claims more tokens than stored", 30, 40, 100, 0, 0, "lies outside the file"},
        {"last token cut short", 2, 3, 300, 1, 0, ""},
    };
    for (const auto &c : cases) {
        par.token = c.token;
        std::string before = msgs();
        int ok = openbytes("o.tok", tokfile(0, 3, 100, c.reccount, c.reclen));
        EXPECT_EQ(ok, c.ok) << c.what;
        std::string said = msgs().substr(before.size());
        if (!c.ok) {
            EXPECT_NE(said.find(c.says), std::string::npos) << c.what << ": " << said;
            EXPECT_NE(said.find(path("o.tok")), std::string::npos) << said;
        }
    }
    // a token of 300 claimed samples holds only what is before the end of the file
    par.token = 2;
    ASSERT_EQ(openbytes("o.tok", tokfile(0, 3, 100, 3, 300)), 1);
    int64_t present = (sdfsize(sdb.fd) - sdb.dataoff) / 2;
    EXPECT_EQ(sdb.dataoff, 512 + 2 * 1 * 300);
    EXPECT_LT(present, 300);
    EXPECT_EQ(sd.nsamp, present);
    par.token = 3; // starts past the end
    EXPECT_EQ(openbytes("o.tok", tokfile(0, 3, 100, 3, 300)), 0);
}

TEST_F(IlsFile, TokenFileWithoutItsRecordReadsTheWholeData) {
    Bytes w = ils(0, 4, 1, 2, 100);
    sig16(w, 150); // the record block is never reached
    ASSERT_EQ(openbytes("n.tok", w.b), 1);
    EXPECT_EQ(sd.sdtype, SD_TOK);
    EXPECT_EQ(sdb.dataoff, 512);
    EXPECT_EQ(sd.nsamp, 150);
}

TEST_F(IlsFile, ShortHeaders) {
    Bytes w = ils(0, 4, 1);
    w.b.resize(127);
    save(path("s.ils"), w.b);
    sdident(path("s.ils"), 1);
    EXPECT_EQ(sd.sdtype, SD_NOH);
    // long enough for the markers, shorter than the header: refused
    w = ils(1, 4, 1);
    w.b.resize(300);
    EXPECT_EQ(openbytes("c.ils", w.b), 0);
    EXPECT_EQ(sd.sdtype, SD_ILS);
    EXPECT_NE(msgs().find("ILS header cut short: 300 of 512 bytes"), std::string::npos) << msgs();
}
