// Identification and recognition: the classes sdident returns, the recognition order, the
// kind names, sdopen of the kinds that cannot be opened, and closing.
#include "base/opts.h"
#include "sdfix.h"

#include "sdinput/sdfile.h"

using namespace sdfix;

namespace {

struct IdentCase {
    const char *what;
    std::vector<uint8_t> bytes; // empty and nofile: no file at all
    int nofile;
    int asciidata;
    int nohdr;
    int cls;  // expected class
    int kind; // expected sdtype
};

std::vector<uint8_t> text(const char *s) {
    return std::vector<uint8_t>(s, s + std::strlen(s));
}

std::vector<uint8_t> wavbytes() {
    Wav w;
    Bytes d;
    sig16(d, 10);
    w.data = d.b;
    return w.bytes();
}

} // namespace

using SdIdent = SdTest;

TEST_F(SdIdent, ClassesAndKindsInRecognitionOrder) {
    Bytes ilsh = ils(0, 4, 1);
    sig16(ilsh, 4);
    Bytes tok = ils(1, 4, 1, 1, 4);
    Bytes csre;
    csre.str("CSRE40").zeros(516 - 6);
    Bytes mat;
    matvar(mat, 3, 1, 4, "x", {1, 2, 3, 4});
    std::vector<uint8_t> sndb = snd(1, 0x2E736E64u, 3, 8000, {0, 1, 0, 2});
    std::vector<uint8_t> binary = {0x80, 0x81, 0x00, 0x10};
    // an ILS header that also begins "RIFF....WAVE": the ILS test comes first
    Bytes ilswav = ils(0, 4, 1);
    std::memcpy(ilswav.b.data(), "RIFF\0\0\0\0WAVE", 12);
    const IdentCase cases[] = {
        {"text, command line without -a", text("tmax=1\n"), 0, 0, 0, 0, SD_SPC},
        {"empty file, command line", {}, 0, 0, 0, 0, SD_SPC},
        {"empty file, file command", {}, 0, 1, 0, 1, SD_LST},
        {"text, file command", text("1\n2\n"), 0, 1, 0, 1, SD_LST},
        {"ILS", ilsh.b, 0, 1, 0, 1, SD_ILS},
        {"token file", tok.b, 0, 1, 0, 1, SD_TOK},
        {"CSRE", csre.b, 0, 1, 0, 1, SD_CSR},
        {"MAT", mat.b, 0, 0, 0, 1, SD_MAT},
        {"WAV", wavbytes(), 0, 0, 0, 1, SD_WAV},
        {"SND", sndb, 0, 0, 0, 1, SD_SND},
        {"binary of no format", binary, 0, 0, 0, 1, SD_NOH},
        {"ILS before WAV", ilswav.b, 0, 0, 0, 1, SD_ILS},
        {"missing file keeps SDF", {}, 1, 1, 0, 1, SD_SDF},
        {"-nh forces headerless", wavbytes(), 0, 1, 1, 7, SD_NOH},
        {"-nh even for text", text("tmax=1\n"), 0, 0, 1, 7, SD_NOH},
    };
    int k = 0;
    for (const auto &c : cases) {
        std::string p = path("ident" + std::to_string(k++));
        if (!c.nofile) save(p, c.bytes);
        opt.nohdropt = c.nohdr;
        sd.sdtype = -5;
        EXPECT_EQ(sdident(p, c.asciidata), c.cls) << c.what;
        EXPECT_EQ(sd.sdtype, c.nofile ? SD_SDF : c.kind) << c.what;
    }
}

TEST_F(SdIdent, TextTestLooksAtTheFirst512Bytes) {
    std::string late(512, 'a');
    late += '\x80'; // beyond the first 512 bytes: still text
    std::string nul = "ab";
    nul += '\0';
    const struct {
        std::string bytes;
        int text;
    } cases[] = {{late, 1}, {nul, 0}, {"a\x7f", 1}, {"a\xff", 0}};
    for (const auto &c : cases) {
        save(path("txt"), c.bytes);
        EXPECT_EQ(sdident(path("txt"), 0), c.text ? 0 : 1) << c.bytes.size();
    }
}

TEST_F(SdIdent, FormatOfAMissingFileLeavesTheKind) {
    sd.sdtype = SD_WAV;
    sdformat(path("no-such-file"));
    EXPECT_EQ(sd.sdtype, SD_WAV);
    sd.sdname = path("no-such-file");
    sd.sdtype = SD_SDF;
    EXPECT_EQ(sdopen(), 0);
}

TEST_F(SdIdent, KindNames) {
    const char *names[] = {"SPC", "SDF", "TSD", "ILS", "SND", "LST",
                           "MAT", "NOH", "WAV", "TOK", "CSR"};
    for (int k = 0; k <= 10; k++) EXPECT_STREQ(sdtypename(k), names[k]);
    EXPECT_STREQ(sdtypename(11), "???");
    EXPECT_STREQ(sdtypename(-1), "???");
}

TEST_F(SdIdent, OpenOfParameterUnknownAndTimeStepKindsChangesNothing) {
    getsamp = nullptr;
    for (int kind : {0, 1, 2, 11, -1}) {
        sd.sdtype = kind;
        sd.nsamp = 77;
        EXPECT_EQ(sdopen(), 0);
        EXPECT_EQ(sd.nsamp, 77);
        EXPECT_EQ(getsamp, nullptr);
    }
}

TEST_F(SdIdent, ReaderInstalledEvenWhenTheOpenFails) {
    save(path("bad.wav"), std::string("RIFF\0\0\0\0WAVEjunk", 16));
    getsamp = nullptr;
    EXPECT_EQ(openas(path("bad.wav")), 0);
    EXPECT_EQ(sd.sdtype, SD_WAV);
    ASSERT_NE(getsamp, nullptr);
    sd.nsamp = 10;
    sd.wzero = 3.7f;
    EXPECT_EQ(getsamp(2), 3); // nothing open: trunc(wzero)
}

TEST_F(SdIdent, CloseTwiceAndReopen) {
    save(path("c.wav"), wavbytes());
    ASSERT_EQ(openas(path("c.wav")), 1);
    EXPECT_EQ(getsamp(3), sig(3));
    sdclose();
    sdclose();
    EXPECT_LT(sdb.fd, 0);
    ASSERT_EQ(openas(path("c.wav")), 1);
    EXPECT_EQ(getsamp(9), sig(9));
    // a second open without a close releases the first descriptor
    int fd = sdb.fd;
    ASSERT_EQ(sdopen(), 1);
    EXPECT_EQ(sdb.fd, fd);
}

TEST_F(SdIdent, IdentifyingAnotherFileLeavesTheOpenReader) {
    Wav w;
    Bytes d;
    w.data = sig16(d, 600).b;
    save(path("open.wav"), w.bytes());
    ASSERT_EQ(openas(path("open.wav")), 1);
    EXPECT_EQ(getsamp(10), sig(10));
    // every format test reads a header; none may disturb the file being read
    Bytes ilsh = ils(1, 4, 1);
    Bytes csre;
    csre.str("CSRE40").zeros(600);
    Bytes mu;
    mu.zeros(2000);
    save(path("other.ils"), ilsh.b);
    save(path("other.csre"), csre.b);
    save(path("other.snd"), snd(0, 0x2E736E64u, 1, 8000, mu.b));
    for (const char *f : {"other.ils", "other.csre", "other.snd"}) {
        sdident(path(f), 1);
        for (int i : {0, 300, 599}) EXPECT_EQ(getsamp(i), sig(i)) << f << " " << i;
    }
}
