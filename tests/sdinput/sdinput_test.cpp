// The sampled-data input as a run sees it: identification, recognition order, header rules,
// rates, sample values, refusals, the block cache, time-step files and files sox wrote.
#include "sdfix.h"

#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace std::string_literals;
static const char *const asked = "samples/second: ";
static const std::string raw600 = Bytes{}.sig16(600).b;

TEST_F(SdInput, IdentificationInRecognitionOrder) {
    const std::string bin(40, '\x80'), i4 = ils(0, 4, 1, 4), c1 = csre(1, 10, 0);
    // an ID3 tag of no bytes; a layer III frame header (the containers the codec library reads
    // are identified from real files by its tests)
    const std::string id3 = "ID3\4\0\0\0\0\0\0"s, frame = "\xff\xfb\x90\x64"s;
    auto m = [](int be, int t, int r, int i = 0) { return mat({"", be}, t, r, 3, "", {}, 0, i).b; };
    // file command, class, kind name, files
    // clang-format off
    const std::tuple<int, int, const char *, std::vector<std::string>> cases[] = {
        {0, 0, "SPC", {"", std::string(512, 'a') + "\x80", "a\x7f"}}, // text at its start
        {1, 1, "LST", {"", "1\n"}},
        {0, 1, "NOH", {"a\x80", "ab\0"s, i4.substr(0, 127), c1.substr(0, 515)}},
        {0, 1, "NOH", {"CSRE40x" + c1.substr(7), "RIFF\0\0\0\0WAVX"s + bin}},
        {1, 2, "TSD", {tsdfile(0, 4, 2).b, tsdfile(1, 4, 2).b}},
        {0, 1, "ILS", {i4.substr(0, 128), ils(1, 4, 1, 4), "CSRE40\0"s + i4.substr(7)}},
        // a magic of its own is tried before the ILS test: a WAV sample at word 62 of -32000
        {0, 1, "WAV", {"RIFF\0\0\0\0WAVE"s + i4.substr(12)}},
        {0, 1, "TOK", {ils(0, 4, 1, 4, 1, 4), ils(1, 4, 1, 4, 1, 4)}}, {0, 1, "CSR", {c1}},
        {0, 1, "MAT", {m(0, 0, 1), m(1, 30, 1), m(0, 40, 1)}},
        {0, 1, "NOH", {m(0, 50, 1), m(0, 1, 1), m(0, 0, 2)}},
        {0, 1, "NOH", {m(0, 0, 1, 1), m(0, 200, 1), m(0, 2000, 1)}},
        {0, 1, "WAV", {"RIFF\0\0\0\0WAVE"s + bin, "FFIR\0\0\0\0EVAW"s + bin}},
        {0, 1, "SND", {".snd" + bin, "dns." + bin, ".sd\0"s + bin, "\0ds."s + bin}},
        {0, 1, "SND", {".snd is text\n"}}, // magics are tried before the text test
        {0, 1, "MP3", {id3 + frame, id3.substr(0, 5) + "\x10\0\0\0\0"s + std::string(10, 'x') + frame}},
        {0, 1, "RF6", {"BW64\0\0\0\0WAVE"s}},
        {0, 1, "DAT", {"; Sample Rate 8000\n; Channels 2\n 0 0.5 0\n", "; Sample Rate 1\r\n"}},
        {0, 0, "SPC", {"; Sample Rate x\n", "; Sample rate 8000\n"}},
        // an ID3 tag before anything but a layer III frame header: reserved version, layer I,
        // free or bad bit rate, reserved rate; a size not stored 7 bits a byte
        {0, 1, "NOH", {id3 + "\xff\xeb\x90\0"s, id3 + "\xff\xff\x90\0"s, id3 + "\xff\xfb\x00\0"s,
                       id3 + "\xff\xfb\xf0\0"s, id3 + "\xff\xfb\x9c\0"s, frame + frame,
                       id3.substr(0, 9) + "\x80"s + frame}},
        {0, 0, "SPC", {"NIST_1B\n", "FORM    AIFX", "RF64    WAVX"}},
    };
    // clang-format on
    for (const auto &[ascii, cls, name, files] : cases)
        for (const std::string &f : files) {
            writefile(p, f);
            EXPECT_EQ(sdident(p, ascii), cls) << name << " " << f.size();
            EXPECT_STREQ(sdtypename(sd.sdtype), name) << f.size();
        }
    EXPECT_STREQ((sdident(s / "none", 1), sdtypename(sd.sdtype)), "SDF"); // no file: no format
    EXPECT_EQ(sdopen(), 0);
    for (int k : {-1, 20}) EXPECT_STREQ(sdtypename(k), "???");
    EXPECT_EQ((opt.nohdropt = 1, sdident(p, 0), sd.sdtype), SD_NOH); // -nh: headerless
}

TEST_F(SdInput, HeadersGiveCountRateAndSamples) {
    const Bytes r8 = mat({}, 0, 1, 1, "rate", {8000}), f5 = mat({"", 1}, 0, 1, 1, "fmax", {5000});
    const Bytes walk = mat(mat(r8, 11, 1, 3, "c", {1, 2, 3}, 0, 1), 51, 1, 2, "t", {97, 98});
    auto m3 = [](int be, int t, std::vector<double> v) { return mat({"", be}, t, 3, 1, "x", v).b; };
    // chunks before the format chunk: padding of odd size, a broadcast chunk
    const Bytes junk =
        Bytes{"RIFF\0\0\0\0WAVEJUNK"s}.n(3, 4).n(0x636261, 4).n(0x74786562, 4).n(0, 4);
    const Bytes fmt = Bytes{junk.b + "fmt "}.n(16, 4).n(0x10001, 4).n(8000, 4).n(16000, 4);
    const Bytes bwav = Bytes{fmt.b}.n(0x100002, 4).n(0x61746164, 4).n(20, 4).sig16(10);
    const struct Case {
        std::string bytes;
        int nsamp, first, last, srate; // the first and the last sample
        const char *words, *said = "", *reply = "";
    } cases[] = {
        {ils(1, 3, 16, 600), 600, sig(0), sig(599), 16000, ""},
        {bwav.b, 10, sig(0), sig(9), 8000, ""},
        // a text recording: its rate and the selected channel's values x 32767, truncated, clipped
        {"; Sample Rate 8000\n; Channels 2\n  0  0.5  -0.25\n  1  1.5  -2\n 2 0.1 0.00002\n", 3,
         -8191, 0, 8000, "channel=2"},
        {"; Sample Rate 8000\n 0 0.5 -0.25\n  1 -3 x\n", 2, 16383, -32768, 11025, "rate=11025"},
        {ils(0, 9, 1, 10), 10, sig(0), sig(9), 1000000000, ""},
        {ils(0, -1, 5, 10), 10, sig(0), sig(9), 7, "", asked, "7\n"}, // 0.5 is no rate
        {ils(0, 4, 1, 10), 10, sig(0), sig(9), 12000, "rate=12000"},
        {ils(0, 4, 1, 400, 4, 100), 100, sig(200), sig(299), 10000, "token=3"},
        {ils(1, 4, 1, 400, 4, 100), 100, sig(100), sig(199), 10000, "token=2.9"},
        {csre(400, 20, 400), 400, sig(0), sig(399), 20000, "rate=8000"}, // the header's rate holds
        {csre(100000, 10, 400), 400, sig(0), sig(399), 10000, ""},
        {mat(walk, 30, 1, 9, "w", {}, 9).b, 9, sig(0), sig(8), 8000, "",
         "    rate = 8000\n    c*\n    t\n    w\n"},
        {mat(f5, 30, 9, 1, "w", {}, 9).b, 9, sig(0), sig(8), 10000, "", "    fmax = 5000\n    w\n"},
        // wide values are scaled by their peak to 32767, 32-bit integers only beyond 16 bits
        {m3(0, 0, {0.5, -0.25, 0.1}) + std::string(8, '\x7f'), 3, 32767, 6553, 8000, "rate=8000",
         "    x\n"}, // the bytes after the data (a huge double) are no sample
        {m3(0, 20, {-32768, 9, 32767}), 3, -32768, 32767, 8000, "rate=8000", "    x\n"},
        {m3(1, 20, {-50000, 9, 100000}), 3, -16383, 32767, 8000, "rate=8000", "    x\n"},
        {m3(0, 40, {2e9, 9, 4e9}), 3, 16383, 32767, 8000, "rate=8000", "    x\n"},
        // lists: one number with a point scales them all by the peak
        {"1.0\n100\n200\n", 3, 163, 32767, 8000, "rate=8000"},
        {"# rate\n+0.0, 5\n\t0.001,-7\n/\n1, x\n99999999999\n", 4, 5, -1, 8000, "rate=8000"},
        {"100\n0.0\n-200\n", 3, 100, -200, 0, "", asked},     // not 0.0; no rate: asked
        {"1\n; rate=8000\n2\n", 2, 1, 2, 8000, "rate=16000"}, // the list's own rate line wins
        {raw600, 539, sig(10), sig(548), 8000, "-nh rate=8000 head=20 tail=101"}, // 1 byte left
        {Bytes{"", 1}.sig16(600).b, 600, sig(0), sig(599), 8000, "-nh rate=8000 swap=1"},
        {raw600, 0, 0, 0, 8000, "-nh rate=8000 head=1000 tail=200"},
        {raw600, 600, sig(0), sig(599), 8000, "-nh", asked, "  8000 Hz\n"},
        {raw600, 600, sig(0), sig(599), 0, "-nh", asked, "0x1F40\n"}, // decimal only
        {raw600, 600, sig(0), sig(599), 0, "-nh", asked, "4e38\n"},   // beyond a float
    };
    for (const Case &c : cases) {
        EXPECT_EQ((std::tuple{open(c.bytes, c.words, c.reply), sd.nsamp, sd.srate, said(),
                              getsamp(0), getsamp(c.nsamp - 1), getsamp(c.nsamp)}),
                  (std::tuple{1, c.nsamp, c.srate, c.said, c.first, c.last, 0}));
    }
}

TEST_F(SdInput, HostileHeadersAreRefusedWithTheirReason) {
    ASSERT_TRUE(sox(s.dir, "-n -r 8000 -b 16 a.wav synth 0.01 sine 440"));
    ASSERT_TRUE(sox(s.dir, "-n -r 8000 -b 16 -B a.au synth 0.01 sine 440"));
    const std::string wav = readfile(s / "a.wav"), au = readfile(s / "a.au");
    auto put = [](std::string b, int at, std::string v) { return b.replace(at, v.size(), v); };
    const Bytes r8 = mat({}, 0, 1, 1, "r", {8000});
    // the bytes, what follows "ERROR(@): " ("!": a message of its own), the words
    const std::tuple<std::string, const char *, const char *> cases[] = {
        {ils(1, 4, 1, 9).substr(0, 300), "ILS header cut short: 300 of 512 bytes", ""},
        {ils(0, 4, 1, 300, 3, 100), "token 32767 outside 1..3", "token=1e12"},
        {ils(0, 4, 1, 300, 40, 100), "token 30 of 100 samples lies outside the file", "token=30"},
        {csre(-5, 10, 10), "CSRE sample count -5 is negative", ""},
        {mat(r8, 30, -2, -3, "n", {}).b, "MAT variable of -2 x -3 values, name length 2", ""},
        {mat(r8, 70, 1, 4, "t", {}).b, "MAT variable of type 70 cannot be read", ""},
        {mat(r8, 50, 1, 4, "t", {1, 2, 3, 4}).b, "MAT data of type 50 cannot be read", ""},
        {r8.b, "", ""}, // no data vector
        {put(wav, 0, "FFIR0000EVAW"), "RIFF WAVE tags in reversed byte order are not supported",
         ""},
        {put(wav, 12, "fmx "), "RIFF WAVE file without a \"fmt \" chunk after \"WAVE\"", ""},
        {put(wav, 16, "\x0e"), "RIFF WAVE \"fmt \" chunk of 14 bytes is too short", ""},
        {put(wav, 36, "dat_"), "RIFF WAVE file without a \"data\" chunk", ""},
        {put(put(wav, 36, "LIST"), 43, "\x10"),
         "RIFF WAVE chunk \"LIST\" of 268435616 bytes runs past the end of the file", ""},
        {put(wav, 34, "\x0c"), "RIFF WAVE format tag 1 with 12 bits per sample is not supported",
         ""},
        {au.substr(0, 12), "SND header cut short: 12 of 24 bytes", ""},
        {put(au, 15, "\x04"), "SND encoding 4 is not supported", ""},
        {put(au, 6, "\x50"), "!SND seeking for data location failed\n", ""},
        {put(au, 7, "\x08"), "SND data offset 8 lies inside the header", ""},
        {raw600, "head 9000000000000000 and tail 0 bytes exceed the file's 1200 bytes",
         "-nh head=1e20"},
        {"", "", "-nh"},
    };
    for (const auto &[bytes, msg, words] : cases) {
        EXPECT_EQ(open(bytes, words + " rate=8000"s), 0) << msg;
        const std::string t = said(), w = *msg == '!' ? msg + 1 : "ERROR(@): "s + msg + "\n";
        EXPECT_TRUE(*msg ? t.ends_with(w) : t.find("ERROR") == std::string::npos) << msg << t;
    }
    // identified, then removed before it is opened: refused
    std::string kinds;
    for (const std::string &f : {ils(1, 4, 1, 9), ils(0, 4, 1, 300, 3, 100), csre(10, 10, 10),
                                 mat(r8, 30, 1, 4, "t", {}, 4).b, wav, au, "1\n"s, raw600}) {
        opt.nohdropt = f == raw600, writefile(p, f), sd = Sd{.sdname = p};
        kinds += sdtypename((sdident(p, f == "1\n"), std::remove(p.c_str()), sd.sdtype));
        EXPECT_EQ(sdopen(), 0) << kinds;
    }
    EXPECT_EQ(kinds, "ILSTOKCSRMATWAVSNDLSTNOH");
}

TEST_F(SdInput, BlockReaderFetchesByIndexAndCachesOneBlock) {
    ASSERT_EQ(open(raw600, "-nh rate=8000"), 1); // blocks of 256 samples
    sd.wzero = -7.9f;
    // periodic, index, sample (2^31 = 600 x 3579139 + 248); block 0 is loaded last
    const int cases[][3] = {{1, -1, sig(599)}, {1, 857, sig(257)}, {1, INT32_MIN, sig(352)},
                            {0, -1, -7},       {0, 600, -7},       {0, 5, sig(5)}};
    for (const auto &[periodic, i, want] : cases) {
        par.periodic = static_cast<int8_t>(periodic);
        EXPECT_EQ(getsamp(i), want) << periodic << " " << i;
    }
    writefile(p, Bytes{}.sig16(300, 1000).b); // the file changes under the reader:
    // block 0 comes from the cache; block 1 is read again, 44 samples of it, the rest is
    // trunc(wzero); block 2 is gone; a block that failed is never served from the fill
    EXPECT_EQ((std::tuple{getsamp(6), getsamp(299), getsamp(300), getsamp(550), getsamp(260)}),
              (std::tuple{sig(6), sig(1299), -7, -7, sig(1260)}));
}

TEST_F(SdInput, TimeStepFilesInBothByteOrders) {
    // the change, frames then present (-1: refused), what follows "ERROR(@): time-step "
    const std::tuple<std::string (*)(Bytes), int, const char *> cases[] = {
        {[](Bytes w) { return w.b; }, 2, "!"},
        {[](Bytes w) { return w.at(12, 2, 2).at(4, 884, 2).b.insert(868, 16, '\0'); }, 2, "!"},
        {[](Bytes w) { return w.at(148, 10, 4).b; }, 2, "!"}, // lowered to the frames present
        {[](Bytes w) { return w.b.substr(0, 899); }, 1, "!"}, // a partial frame does not count
        {[](Bytes w) { return w.at(10, 7, 2).b; }, -1, "!ERROR:  not a time-step file\n"},
        {[](Bytes w) { return w.at(12, 3, 2).b; }, -1, "!ERROR:  unsupported format: ifmrt=3\n"},
        {[](Bytes w) { return w.b.substr(0, 400); }, -1, "header cut short: 400 of 868 bytes"},
        {[](Bytes w) { return w.at(4, 867, 2).b; }, -1, "data offset 867 outside 868..900"},
        {[](Bytes w) { return w.at(154, 4097, 2).b; }, -1,
         "values per frame 4097: 2 to 4096 (up to 4095 channels) allowed"},
        {[](Bytes w) { return w.b.replace(16, 80, 80, 's'); }, -1,
         "stimulus name not terminated within its 80 bytes"},
    };
    sd.sdname = p;
    for (int be : {0, 1})
        for (const auto &[change, nstp, msg] : cases) {
            writefile(p, change(tsdfile(be, 4, 2)));
            const int cls = (said(), sdident(p, 0)), ok = tsdopen(), k = nstp - 1;
            const std::string once = *msg == '!' ? msg + 1 : "ERROR(@): time-step "s + msg + "\n";
            // said by the check and by the open; frame k: 0, 10k + 1 .. 10k + 3, scalar 100 + k
            const float *f = tsdframe(k), v = f ? f[0] + f[3] + 1000 * tsd.tscal : -1;
            const float want = nstp > 0 ? 10 * k + 3 + 1000 * (100 + k) : -1;
            EXPECT_EQ((std::tuple{cls == 2, ok ? tsd.nstp : -1, said(), v}),
                      (std::tuple{ok == 1, nstp, once + once, want}))
                << be << msg;
        }
    // the header fields; whole frames only; out of range and unreadable frames leave the loaded one
    const int32_t id = (writefile(p, tsdfile(1, 4, 4).b), tsdopen(), tsd.fileid);
    auto value = [](int32_t k) { return tsdframe(k) ? tsdframe(k)[1] + 1000 * tsd.tscal : -1; };
    EXPECT_EQ((std::tuple{tsdopen(), tsd.fileid, tsd.stimname, tsd.ha, tsd.hb, tsd.hc, tsd.tper,
                          value(-1), value(4), value(1)}),
              (std::tuple{1, id, "stim.wav"s, 0.2f, 0.6f, 0.8f, 10 * 1e-4f, -1, -1, 101011}));
    ASSERT_EQ(truncate(p.c_str(), 868 + 16 + 8), 0); // frame 1 stays in the cache, 3 is lost
    EXPECT_EQ((std::tuple{value(1), value(3), value(-1), (tsdopen(), tsd.fileid) != id}),
              (std::tuple{101011, -1, 101011, true}));
    // a file that arrives in pieces, as from a pipe, is read whole, frames and all
    ASSERT_EQ((std::remove(p.c_str()), mkfifo(p.c_str(), 0600)), 0);
    std::thread put([this] {
        const std::string h = tsdfile(0, 4, 2).b;
        std::ofstream f(p);
        f << h.substr(0, 8) << std::flush;
        usleep(50000), f << h.substr(8);
    });
    EXPECT_EQ((std::tuple{(said(), tsdopen()), said(), tsd.nstp, value(1)}),
              (std::tuple{1, ""s, 2, 101011}));
    put.join();
}

TEST_F(SdInput, SoxFilesReadBackTheSamplesSoxWrote) {
    writefile(s / "src.raw", Bytes{}.sig16(1500).b);
    // as written, signed and unsigned 8 bits (the nearest step), float (x / 32768)
    auto want = [](int how, int i) {
        const int x = sig(i), b = std::min(127, (x + 128) >> 8), fl = x / 32768.0 * 32767.0;
        return std::vector<int>{x, b, b + 128, fl}[how];
    };
    const std::tuple<int, int, const char *, std::vector<const char *>> cases[] = {
        {SD_WAV, 0, "", {"a.wav", "-b 24 c.wav", "-b 32 d.wav", "-t wav - | tee p.wav"}},
        {SD_WAV, 2, "", {"-b 8 b.wav"}},
        {SD_WAV, 3, "", {"-e floating-point e.wav"}},
        {SD_SND, 0, "", {"-B f.au", "-L g.au", "-t au - | tee p.au"}}, // streamed: no sizes
        {SD_SND, 1, "", {"-b 8 -e signed h.au"}},
        {SD_SND, 3, "", {"-e floating-point j.au", "-L -e floating-point -b 64 k.au"}},
        {SD_NOH, 0, "rate=8000", {"-t raw r.raw"}},
        {SD_AIF, 0, "", {"-b 24 a24.aiff"}}, // through the codec library, as WAV samples come
        {SD_AIF, 2, "", {"-b 8 a8.aiff"}},
    };
    for (const auto &[kind, how, words, args] : cases)
        for (const std::string a : args) {
            ASSERT_TRUE(sox(s.dir, "-t raw -r 8000 -e signed -b 16 src.raw " + a));
            ASSERT_EQ(open(readfile(s / a.substr(a.rfind(' ') + 1)), words), 1) << a << said();
            std::vector<int> w(1501, 0);
            for (int i = 0; i < 1500; i++) w[i] = want(how, i);
            EXPECT_EQ((std::tuple{sd.sdtype, sd.srate}), (std::tuple{kind, 8000.0f})) << a;
            EXPECT_EQ(samples(1501), w) << a;
        }
    // float WAV is full-scale audio and saturates, SND floats beyond 1.0 are sample values, a
    // chunk of odd size takes a pad byte, mu-law codes 00 0F 10 3C 7E FF 80 C3 FE expand as G.711
    // says
    std::string e = readfile(s / "e.wav"), a = readfile(s / "a.wav"), j = readfile(s / "j.au");
    e.replace(e.find("data") + 8, 8, Bytes{}.n(f32(1.5), 4).n(f32(-1.5), 4).b);
    EXPECT_EQ((open(e), samples(3)), (std::vector<int>{32767, -32768, want(3, 2)}));
    j.replace(44, 8, Bytes{"", 1}.n(f32(70000.9), 4).n(f32(-2.5), 4).b);
    EXPECT_EQ((open(j), samples(3)), (std::vector<int>{70000 - 65536, -2, 0}));
    a.insert(36, "JUNK\1\0\0\0j\0"s);
    EXPECT_EQ((open(a), samples(2)), (std::vector<int>{sig(0), sig(1)}));
    ASSERT_TRUE(sox(s.dir, "-t raw -r 8000 -e signed -b 16 src.raw -e mu-law m.au"));
    EXPECT_EQ((open(readfile(s / "m.au").replace(44, 9, "\x00\x0f\x10\x3c\x7e\xff\x80\xc3\xfe"s)),
               samples(9)),
              (std::vector<int>{-32124, -16764, -15996, -2364, -8, 0, 32124, 1692, 8}));
}

TEST_F(SdInput, CorruptAndTruncatedFilesAreRefusedOrReadSafely) {
    ASSERT_TRUE(sox(s.dir, "-n -r 8000 -b 24 c.wav synth 0.05 sine 440"));
    ASSERT_TRUE(sox(s.dir, "-n -r 8000 -e floating-point f.au synth 0.05 sine 440"));
    for (const std::string &t :
         {readfile(s / "c.wav"), readfile(s / "f.au"), ils(1, 4, 1, 300, 3, 100),
          csre(300, 16, 300), mat(mat({"", 1}, 0, 1, 1, "rate", {8}), 0, 64, 1, "x", {}, 64).b,
          "; rate=8000\n0.5\n-1.0\n0, 3\n/\n12\n"s, tsdfile(1, 4, 3).b})
        damaged(t, 1, 61, 160, 400); // every cut through the header, its bytes overwritten
}
