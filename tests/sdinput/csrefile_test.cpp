// CSRE files: the header rate always holds; sample counts are kept within the file.
#include "sdfix.h"

#include "sdinput/sdblock.h"

#include <cmath>

using namespace sdfix;

using CsreFile = SdTest;

namespace {
std::vector<uint8_t> csre(int32_t n, float khz, int nwritten) {
    Bytes w;
    w.str("CSRE40").zeros(2).u32(static_cast<uint32_t>(n)).zeros(12).f32(khz);
    w.zeros(516 - w.b.size());
    return sig16(w, nwritten).b;
}
} // namespace

TEST_F(CsreFile, HeaderCountAndRate) {
    const struct {
        const char *what;
        int32_t n;
        float khz, rate;
        int written, ok;
        int32_t nsamp;
        float srate;
    } cases[] = {
        {"20 kHz even with rate set", 400, 20.0f, 8000, 400, 1, 400, 20000},
        {"count below the data", 100, 10.0f, 0, 400, 1, 100, 10000},
        {"count past the data", 100000, 10.0f, 0, 400, 1, 400, 10000},
        {"no samples", 0, 10.0f, 0, 0, 1, 0, 10000},
        {"negative count", -5, 10.0f, 0, 400, 0, 0, 0},
        {"NaN rate", 400, NAN, 0, 400, 1, 400, 0},
        {"negative rate", 400, -8.0f, 0, 400, 1, 400, 0},
    };
    for (const auto &c : cases) {
        par.rate = c.rate;
        sd.srate = -1;
        ASSERT_EQ(openbytes("c.csre", csre(c.n, c.khz, c.written)), c.ok) << c.what;
        EXPECT_EQ(sd.sdtype, SD_CSR);
        if (!c.ok) {
            EXPECT_NE(msgs().find("CSRE sample count -5 is negative"), std::string::npos);
        }
        EXPECT_EQ(msgs().find("samples/second"), std::string::npos); // never asks
        if (!c.ok) continue;
        EXPECT_EQ(sd.nsamp, c.nsamp) << c.what;
        EXPECT_EQ(sd.srate, c.srate) << c.what;
        EXPECT_EQ(sdb.dataoff, 516);
        if (c.nsamp > 0) { EXPECT_EQ(getsamp(c.nsamp - 1), sig(c.nsamp - 1)) << c.what; }
        EXPECT_EQ(getsamp(0), c.nsamp > 0 ? sig(0) : 0);
    }
}

TEST_F(CsreFile, OnlyAWholeHeaderCounts) {
    std::vector<uint8_t> b = csre(10, 10.0f, 0);
    b.resize(515);
    save(path("short.csre"), b);
    sdident(path("short.csre"), 1);
    EXPECT_EQ(sd.sdtype, SD_NOH);
    b = csre(10, 10.0f, 10);
    b[6] = 'x'; // "CSRE40" not terminated
    save(path("unterm.csre"), b);
    sdident(path("unterm.csre"), 1);
    EXPECT_EQ(sd.sdtype, SD_NOH);
}
