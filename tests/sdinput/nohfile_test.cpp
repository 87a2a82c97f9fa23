// Headerless files: head and tail, byte order, the rate, and head and tail that leave
// nothing.
#include "base/opts.h"
#include "sdfix.h"

#include "sdinput/sdblock.h"

using namespace sdfix;

using NohFile = SdTest;

TEST_F(NohFile, HeadTailAndSwap) {
    Bytes le, be;
    be.be = 1;
    sig16(le, 600);
    sig16(be, 600);
    const struct {
        const char *what;
        const Bytes *file;
        float head, tail;
        int swap;
        int64_t off;
        int32_t nsamp;
        int first; // signal index of sample 0
    } cases[] = {
        {"whole file", &le, -1, 0, 0, 0, 600, 0},
        {"head -5 reads from byte 0", &le, -5, 0, 0, 0, 600, 0},
        {"head and tail", &le, 20, 100, 0, 20, 540, 10},
        {"odd leftover byte", &le, 2, 1, 0, 2, 598, 1},
        {"negative tail counts as none", &le, 0, -40, 0, 0, 600, 0},
        {"swapped", &be, 0, 0, 1, 0, 600, 0},
        {"head and tail take it all", &le, 1000, 200, 0, 1000, 0, -1},
    };
    for (const auto &c : cases) {
        par.head = c.head, par.tail = c.tail, par.swap = c.swap, par.rate = 8000;
        opt.nohdropt = 1;
        ASSERT_EQ(openbytes("h.raw", c.file->b), 1) << c.what;
        EXPECT_EQ(sd.sdtype, SD_NOH);
        EXPECT_EQ(sdb.dataoff, c.off) << c.what;
        EXPECT_EQ(sd.nsamp, c.nsamp) << c.what;
        if (c.first >= 0) {
            EXPECT_EQ(getsamp(0), sig(c.first)) << c.what;
            EXPECT_EQ(getsamp(c.nsamp - 1), sig(c.first + c.nsamp - 1)) << c.what;
        }
        EXPECT_EQ(getsamp(c.nsamp), 0) << c.what;
    }
}

TEST_F(NohFile, HeadAndTailBeyondTheFileAreRefused) {
    Bytes w;
    sig16(w, 50);
    opt.nohdropt = 1;
    const struct {
        float head, tail;
    } cases[] = {{101, 0}, {0, 101}, {60, 41}, {1e20f, 0}, {0, 3e9f}};
    for (const auto &c : cases) {
        par.head = c.head, par.tail = c.tail;
        std::string before = msgs();
        EXPECT_EQ(openbytes("b.raw", w.b), 0) << c.head << " " << c.tail;
        std::string said = msgs().substr(before.size());
        EXPECT_NE(said.find("exceed the file's 100 bytes"), std::string::npos) << said;
        EXPECT_NE(said.find(path("b.raw")), std::string::npos) << said;
        EXPECT_LT(sdb.fd, 0);
    }
}

TEST_F(NohFile, RateIsTheParameterOrTheAnswer) {
    Bytes w;
    sig16(w, 8);
    opt.nohdropt = 1;
    par.rate = 0;
    reply("12500.5\n");
    ASSERT_EQ(openbytes("r.raw", w.b), 1);
    EXPECT_EQ(sd.srate, 12500.5f);
    EXPECT_EQ(msgs(), "samples/second: ");
    par.rate = 8000;
    ASSERT_EQ(openbytes("r.raw", w.b), 1);
    EXPECT_EQ(sd.srate, 8000.0f);
}

TEST_F(NohFile, EmptyAndUnrecognisedFiles) {
    opt.nohdropt = 1;
    EXPECT_EQ(openbytes("e.raw", {}), 0); // nothing to read
    opt.nohdropt = 0;
    par.rate = 8000;
    std::vector<uint8_t> b = {0x80, 0x00, 0xFF, 0x7F, 0x01}; // binary of no format
    ASSERT_EQ(openbytes("u.bin", b), 1);
    EXPECT_EQ(sd.sdtype, SD_NOH);
    EXPECT_EQ(sd.nsamp, 2);
    EXPECT_EQ(getsamp(0), 0x0080);
    EXPECT_EQ(getsamp(1), 0x7FFF);
}
