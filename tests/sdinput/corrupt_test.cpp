// Damaged files of every format: each header cut at every length, and random bytes written
// over valid files (fixed seed). Every case must end in a refusal or a sane descriptor.
#include "sdfix.h"

#include "fuzz/sdprobe.h"

#include <random>

using namespace sdfix;

using DamagedFile = SdTest;

TEST_F(DamagedFile, TemplatesAreValidFiles) {
    const int kinds[] = {SD_WAV, SD_WAV, SD_WAV, SD_WAV, SD_SND, SD_SND, SD_SND, SD_ILS, SD_ILS,
                         SD_TOK, SD_TOK, SD_CSR, SD_MAT, SD_MAT, SD_MAT, SD_MAT, SD_LST, SD_LST};
    const auto &t = sdprobe::templates();
    ASSERT_EQ(t.size(), sizeof kinds / sizeof kinds[0]);
    for (size_t k = 0; k < t.size(); k++) {
        par.rate = 8000;
        ASSERT_EQ(openbytes("tmpl", t[k]), 1) << k << msgs();
        EXPECT_EQ(sd.sdtype, kinds[k]) << k;
        EXPECT_GT(sd.nsamp, 2) << k;
        EXPECT_EQ(sdprobe::probe(path("tmpl"), t[k].data(), t[k].size()), nullptr) << k;
    }
}

TEST_F(DamagedFile, CutAtEveryLength) {
    const auto &t = sdprobe::templates();
    int cases = 0;
    for (size_t k = 0; k < t.size(); k++) {
        size_t full = t[k].size();
        for (size_t len = 0; len <= full; len += len < 96 || len + 8 > full ? 1 : 5) {
            const char *bad = sdprobe::probe(path("cut"), t[k].data(), len);
            ASSERT_EQ(bad, nullptr) << "template " << k << " cut at " << len << ": " << bad;
            cases++;
        }
    }
    EXPECT_GT(cases, 2000);
}

TEST_F(DamagedFile, RandomBytes) {
    std::mt19937 rng(20261207);
    const auto &t = sdprobe::templates();
    const uint8_t special[] = {0x00, 0xFF, 0x7F, 0x80, 0x01, 0xFE};
    for (int c = 0; c < 3000; c++) {
        std::vector<uint8_t> f = t[rng() % t.size()];
        int nbytes = 1 + rng() % 6;
        size_t span = rng() % 4 == 0 ? f.size() : std::min<size_t>(f.size(), 64);
        for (int j = 0; j < nbytes; j++) {
            uint8_t v = rng() % 2 ? special[rng() % 6] : static_cast<uint8_t>(rng());
            f[rng() % span] = v;
        }
        if (rng() % 5 == 0) f.resize(rng() % (f.size() + 1));
        const char *bad = sdprobe::probe(path("rnd"), f.data(), f.size());
        ASSERT_EQ(bad, nullptr) << "case " << c << ": " << bad;
    }
    for (int c = 0; c < 300; c++) { // no template at all
        std::vector<uint8_t> f(rng() % 700);
        for (auto &b : f) b = static_cast<uint8_t>(rng());
        ASSERT_EQ(sdprobe::probe(path("noise"), f.data(), f.size()), nullptr) << c;
    }
}
