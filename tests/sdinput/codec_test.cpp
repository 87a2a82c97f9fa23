// Recordings in today's containers, decoded through the codec library: each kind read back
// against the WAV it was made from, channels of every format, conversions, and damaged files.
#include "sdfix.h"

#include <cmath>
#include <regex>

using namespace std::string_literals;

namespace {

// The samples of a whole file opened as a file command opens it, with the words.
struct Read {
    int ok;
    std::string kind, said;
    float srate;
    std::vector<int> v;
};

struct Codec : SdInput {
    Read read(const std::string &path, const std::string &words = "") {
        Read r{openpath(path, words), sdtypename(sd.sdtype), "", sd.srate, {}};
        if (r.ok) r.v = samples(sd.nsamp);
        return r.said = said(), r;
    }
};

// Root mean square of a - b over the first n samples, relative to that of a.
double relerr(const std::vector<int> &a, const std::vector<int> &b) {
    double e = 0, s = 0;
    for (size_t i = 0; i < std::min(a.size(), b.size()); i++)
        e += double(a[i] - b[i]) * (a[i] - b[i]), s += double(a[i]) * a[i];
    return std::sqrt(e / s);
}

} // namespace

// A 1 kHz tone over a rising sweep, made once as WAV and converted by sox and ffmpeg: the
// lossless kinds give its samples exactly, the lossy ones within an error of 3 % (Opus),
// 6 % (Vorbis) or 8 % (MP3) of its root mean square, all at its length; each cut short or
// damaged is refused or read safely.
TEST_F(Codec, EveryKindReadsTheRecordingItWasMadeFromAndDamagedFilesSafely) {
    ASSERT_TRUE(
        sox(s.dir, "-n -r 16000 -b 16 t.wav synth 1 sine 1000 synth 1 sine mix 200:3000 gain -6"));
    const Read wav = read(s / "t.wav");
    ASSERT_EQ(wav.v.size(), 16000u);
    // the tool's command (from t.wav to the file it names last), the kind, the tolerance; a
    // codec the container's reader lacks is refused
    // clang-format off
    const std::tuple<std::string, const char *, double> cases[] = {
        {"sox t.wav t.flac", "FLC", 0},                {"sox t.wav -t sph t.sph", "SPH", 0},
        {"sox t.wav t.aiff", "AIF", 0},                {"sox t.wav -t aifc t.aifc", "AIF", 0},
        {"sox t.wav -t w64 t.w64", "W64", 0},          {"ffmpeg -y -i t.wav -rf64 always -f wav t.rf", "RF6", 0},
        {"ffmpeg -y -i t.wav -f caf t.caf", "CAF", 0}, {"ffmpeg -y -i t.wav -c:a flac -f caf t.fc", "CAF", -1},
        {"sox t.wav -C 6 t.ogg", "OGG", 0.06},         {"ffmpeg -y -i t.wav -c:a libopus -b:a 64k t.opus", "OGG", 0.03},
        {"ffmpeg -y -i t.wav -b:a 128k t.mp3", "MP3", 0.08}};
    // clang-format on
    for (const auto &[cmd, kind, tol] : cases) {
        SCOPED_TRACE(cmd);
        ASSERT_TRUE(tool(s.dir, cmd));
        const Read r = read(s / cmd.substr(cmd.rfind(' ') + 1));
        EXPECT_EQ(std::tuple(r.kind, r.ok, r.said.starts_with("ERROR(")),
                  std::tuple(kind, tol >= 0, tol < 0));
        if (tol < 0) continue;
        EXPECT_EQ((std::tuple{r.srate, r.v.size()}), (std::tuple{16000.0f, 16000u}));
        EXPECT_LE(relerr(wav.v, r.v), tol);
        // cut short: refused with the reason; cut anywhere or damaged: read safely
        const std::string t = readfile(s / cmd.substr(cmd.rfind(' ') + 1));
        for (size_t len : {t.size() / 4, t.size() / 2, t.size() - 9}) {
            writefile(p, t.substr(0, len));
            const Read c = read(p);
            EXPECT_TRUE(c.ok == 0 && c.said.starts_with("ERROR(@): ")) << len << c.said;
        }
        damaged(t, 7, 997, 200, 60);
    }
    // the rate parameter comes first, as for WAV files
    EXPECT_EQ(read(s / "t.flac", "rate=12000").srate, 12000.0f);
    // an MP3 stream without a Xing or Info frame has no length of its own: it is as long as it
    // decodes, whole frames of 576 samples at 16 kHz with the encoder's delay and padding;
    // without an ID3 tag only its name tells it from headerless data
    ASSERT_TRUE(tool(s.dir, "ffmpeg -y -i t.wav -write_xing 0 -id3v2_version 0 -f mp3 bare.MP3"));
    std::filesystem::copy(s / "bare.MP3", s / "bare.bin");
    const Read r = read(s / "bare.MP3");
    EXPECT_EQ((std::tuple{r.ok, r.kind, r.v.size() % 576}), (std::tuple{1, "MP3"s, 0u}));
    EXPECT_TRUE(r.v.size() > 16000 && r.v.size() < 16000 + 3 * 576) << r.v.size();
    EXPECT_EQ(read(s / "bare.bin", "rate=8000").kind, "NOH");
}

// Float sources are full scale: beyond it they clip, and the open says how many samples did. A
// float W64 ending 0.5, 1.5, -2 and -1: two samples clipped.
TEST_F(Codec, FloatsClipAtFullScaleAndSaySo) {
    ASSERT_TRUE(sox(s.dir, "-n -r 8000 -e floating-point -b 32 -t w64 fl.w64 synth 0.0005 sine 1"));
    std::string f = readfile(s / "fl.w64");
    f.replace(f.size() - 16, 16,
              Bytes{}.n(f32(0.5), 4).n(f32(1.5), 4).n(f32(-2), 4).n(f32(-1), 4).b);
    writefile(p, f);
    const Read r = read(p);
    EXPECT_EQ(std::vector<int>(r.v.end() - 4, r.v.end()),
              (std::vector<int>{16383, 32767, -32768, -32767}));
    EXPECT_EQ(r.said, "2 samples clipped in @\n");
}

// A SPHERE header padded with blanks, as the corpora have them, is a SPHERE file, not text.
TEST_F(Codec, BlankPaddedSphereHeaderIsRead) {
    std::string h =
        "NIST_1A\n   1024\nsample_count -i 600\nsample_n_bytes -i 2\nchannel_count -i 1\n"
        "sample_byte_format -s2 01\nsample_rate -i 11025\nsample_coding -s3 pcm\nend_head\n";
    const std::string raw = Bytes{}.sig16(600).b;
    writefile(p, h + std::string(1024 - h.size(), ' ') + raw);
    const Read r = read(p);
    EXPECT_EQ((std::tuple{r.ok, r.kind, r.srate, r.v.size(), r.v[1], r.v[599]}),
              (std::tuple{1, "SPH"s, 11025.0f, 600u, sig(1), sig(599)}));
    writefile(p, std::regex_replace(h, std::regex("pcm"), "pcm,embedded-shorten-v2.00") +
                     std::string(1024 - h.size() - 23, ' ') + raw);
    EXPECT_EQ(read(p).said,
              "ERROR(@): compressed SPHERE data (shorten, wavpack) is not supported\n");
}

// Two channels, silence on the first and the tone on the second: each plots at the file's
// frame count; a channel the file lacks is refused with the count; 2.9 is channel 2.
TEST_F(Codec, ChannelParameterSelectsOneChannelOfEveryFormat) {
    ASSERT_TRUE(sox(s.dir, "-n -r 8000 -b 16 st.wav synth 0.5 sine 0 sine 1000 gain -6"));
    ASSERT_TRUE(sox(s.dir, "-n -r 8000 -b 16 m.wav synth 0.5 sine 1000 gain -6"));
    for (const char *conv : {"st.au", "st.flac", "-b 24 st24.wav", "-e floating-point stf.au"})
        ASSERT_TRUE(sox(s.dir, "st.wav "s + conv));
    const Read mono = read(s / "m.wav");
    for (const char *file : {"st.wav", "st.au", "st.flac", "st24.wav", "stf.au"}) {
        SCOPED_TRACE(file);
        const Read one = read(s / file), two = read(s / file, "channel=2.9");
        EXPECT_EQ(std::tuple(one.ok, one.v.size(), sd.nchan, sd.chan), std::tuple(1, 4000u, 2, 2));
        EXPECT_EQ(one.v, std::vector<int>(4000, 0));
        EXPECT_LE(relerr(mono.v, two.v), 1e-4); // the float file rounds
        for (const char *words : {"channel=3", "channel=0.5", "channel=-1"}) {
            const Read no = read(s / file, words);
            EXPECT_EQ(no.ok, 0);
            EXPECT_TRUE(no.said.ends_with("ERROR(" + s / file + "): no channel " +
                                          std::string(words + 8) + ": the file has 2 channels\n"))
                << no.said;
        }
        EXPECT_EQ(sdnchan(s / file), 2);
    }
    EXPECT_EQ((read(s / "m.wav", "channel=2").said),
              "ERROR(" + s / "m.wav" + "): no channel 2: the file has 1 channel\n");
}
