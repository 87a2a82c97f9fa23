// Files written by sox from a known 16-bit signal, read back sample for sample: WAV of every
// width (24 and 32 bits in the extensible layout sox writes), float WAV with its "fact"
// chunk, stereo, SND of both byte orders (".snd" and ".sd\0"), mu-law, float, and raw.
#include "base/opts.h"
#include "sdfix.h"

#include "sdinput/sdblock.h"

#include <cmath>
#include <cstdlib>
#include <functional>

using namespace sdfix;

namespace {

constexpr int nsig = 1500; // six blocks of 16-bit samples, the last one short

// The source signals: sig itself, one exact in 8 bits (multiples of 256), and mu-law
// expansion values (which re-encode to the same codes).
int src8(int i) {
    return ((i * 37) % 256 - 128) * 256;
}
int ulaw(int c) {
    int u = ~c & 0xFF, t = (((u & 0x0F) << 3) + 0x84) << ((u & 0x70) >> 4);
    return (u & 0x80) ? 0x84 - t : t - 0x84;
}
int srcmu(int i) {
    return ulaw((i * 53) % 256);
}
// Full-scale float audio as read: (s / 32768) x 32767, truncated.
int asfloat(int s) {
    return static_cast<int>(static_cast<float>(s / 32768.0) * 32767.0);
}

struct SoxCase {
    const char *what;
    const char *args; // sox output options
    const char *name;
    int (*src)(int);
    int channels;
    int kind;
    std::function<int(int)> want;
};

int sigi(int i) {
    return sig(i);
}

} // namespace

struct SoxFile : SdTest {
    void SetUp() override {
        SdTest::SetUp();
        if (std::system("sox --version > /dev/null 2>&1") != 0) GTEST_SKIP() << "no sox";
    }
    // Writes the source as raw 16-bit little-endian and converts it with sox.
    void make(const SoxCase &c) {
        Bytes w;
        for (int i = 0; i < nsig; i++) w.u16(static_cast<uint16_t>(c.src(i)));
        save(path("src.raw"), w.b);
        std::string cmd = "sox -D -t raw -r 8000 -e signed -b 16 -c " + std::to_string(c.channels) +
                          " " + path("src.raw") + " " + c.args + " " + path(c.name) +
                          " 2>/dev/null";
        ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
    }
};

TEST_F(SoxFile, ReadsBackTheSamplesSoxWrote) {
    const SoxCase cases[] = {
        {"16-bit WAV", "-b 16", "a.wav", sigi, 1, SD_WAV, sigi},
        {"8-bit WAV", "-b 8", "b.wav", src8, 1, SD_WAV, [](int i) { return src8(i) / 256 + 128; }},
        {"stereo WAV", "-b 16", "st.wav", sigi, 2, SD_WAV, sigi},
        {"24-bit WAV", "-b 24", "c.wav", sigi, 1, SD_WAV, sigi},
        {"32-bit WAV", "-b 32", "d.wav", sigi, 1, SD_WAV, sigi},
        {"float WAV", "-e floating-point -b 32", "e.wav", sigi, 1, SD_WAV,
         [](int i) { return asfloat(sig(i)); }},
        {"mu-law WAV", "-e mu-law", "m.wav", srcmu, 1, SD_WAV, srcmu},
        {"big-endian .au", "-B -b 16 -e signed", "f.au", sigi, 1, SD_SND, sigi},
        {"little-endian .au", "-L -b 16 -e signed", "g.au", sigi, 1, SD_SND, sigi},
        {"mu-law .au", "-e mu-law", "h.au", srcmu, 1, SD_SND, srcmu},
        {"little-endian mu-law .au", "-L -e mu-law", "i.au", srcmu, 1, SD_SND, srcmu},
        {"float .au", "-e floating-point -b 32", "j.au", sigi, 1, SD_SND,
         [](int i) { return asfloat(sig(i)); }},
        {"little-endian float .au", "-L -e floating-point -b 32", "k.au", sigi, 1, SD_SND,
         [](int i) { return asfloat(sig(i)); }},
        {"raw", "-t raw -e signed -b 16", "r.raw", sigi, 1, SD_NOH, sigi},
    };
    for (const auto &c : cases) {
        make(c);
        par.rate = c.kind == SD_NOH ? 8000 : 0;
        ASSERT_EQ(openas(path(c.name)), 1) << c.what << ": " << msgs();
        EXPECT_EQ(sd.sdtype, c.kind) << c.what;
        EXPECT_EQ(sd.nsamp, nsig) << c.what;
        EXPECT_EQ(sd.srate, 8000.0f) << c.what;
        for (int i : {0, 1, nsig / 2, nsig - 2, nsig - 1})
            EXPECT_EQ(getsamp(i), c.want(i)) << c.what << " sample " << i;
        EXPECT_EQ(getsamp(nsig), 0) << c.what;
        int bad = 0;
        for (int i = 0; i < nsig; i++) bad += getsamp(i) != c.want(i);
        EXPECT_EQ(bad, 0) << c.what;
        EXPECT_EQ(msgs(), "") << c.what;
        sdclose();
    }
}

TEST_F(SoxFile, SwappedRawWithTheSwapParameter) {
    SoxCase c{"big-endian raw", "-t raw -B -e signed -b 16", "be.raw", sigi, 1, SD_NOH, sigi};
    make(c);
    opt.nohdropt = 1;
    par.rate = 8000;
    par.swap = 1;
    ASSERT_EQ(openas(path(c.name)), 1);
    EXPECT_EQ(sd.nsamp, nsig);
    EXPECT_EQ(getsamp(0), sig(0));
    EXPECT_EQ(getsamp(nsig - 1), sig(nsig - 1));
    par.swap = 0; // without it the bytes come out reversed
    ASSERT_EQ(openas(path(c.name)), 1);
    EXPECT_EQ(getsamp(0), static_cast<int16_t>(__builtin_bswap16(static_cast<uint16_t>(sig(0)))));
}

TEST_F(SoxFile, StreamedThroughAPipe) {
    // sox writing to a pipe cannot go back for the length: WAV data size 0x7FFFF000, SND
    // data size 0xFFFFFFFF
    Bytes w;
    sig16(w, nsig);
    save(path("src.raw"), w.b);
    for (const char *type : {"wav", "au"}) {
        std::string out = path(std::string("pipe.") + type);
        std::string cmd = "cat " + path("src.raw") +
                          " | sox -D -t raw -r 8000 -e signed -b 16 -c 1 - -t " + type +
                          " - 2>/dev/null | cat > " + out;
        ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
        ASSERT_EQ(openas(out), 1) << type << msgs();
        EXPECT_EQ(sd.nsamp, nsig) << type;
        EXPECT_EQ(sd.srate, 8000.0f) << type;
        EXPECT_EQ(getsamp(0), sig(0)) << type;
        EXPECT_EQ(getsamp(nsig - 1), sig(nsig - 1)) << type;
        EXPECT_EQ(getsamp(nsig), 0) << type;
    }
}
