// Time-step files: header check in both byte orders, refusal of unsafe headers, frame count,
// whole-frame reads and the frame cache. Files are written here by a small writer.
#include "base/msg.h"
#include "base/opts.h"
#include "sdinput/sdfile.h"
#include "sdinput/tsdfile.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// What the writer puts into a time-step file.
struct TsdLayout {
    int be = 0;        // big-endian file
    int dataoff = 868; // byte position of frame 0
    int f10 = 0;       // the field that must be 0
    int ifmrt = 1;     // format code
    std::string name = "stim.wav";
    int unterminated = 0; // fill the 80 name bytes with no zero
    float tstep = 1e-4f;  // model time step
    int32_t nstep = 10;   // model steps per frame
    float ha = 0.2f, hb = 0.6f, hc = 0.8f;
    int32_t nframe = INT32_MIN; // header frame count; INT32_MIN: the frames written
    int npts = 4;               // values per frame
    std::vector<std::vector<float>> frames;
    long cut = -1; // keep only this many bytes of the file
};

struct Writer {
    std::vector<unsigned char> b;
    int be;
    void put16(size_t off, int v) {
        unsigned u = static_cast<uint16_t>(v);
        b[off + (be ? 1 : 0)] = u & 0xff;
        b[off + (be ? 0 : 1)] = u >> 8;
    }
    void put32(size_t off, uint32_t u) {
        for (int i = 0; i < 4; i++) b[off + (be ? 3 - i : i)] = (u >> (8 * i)) & 0xff;
    }
    void putf(size_t off, float f) {
        uint32_t u;
        std::memcpy(&u, &f, 4);
        put32(off, u);
    }
};

std::vector<unsigned char> tsdbytes(const TsdLayout &s) {
    Writer w{std::vector<unsigned char>(868, 0), s.be};
    w.put32(0, 0x74736400u);
    w.put16(4, s.dataoff);
    w.put16(6, 0x1234);
    w.put16(8, 0x5678);
    w.put16(10, s.f10);
    w.put16(12, s.ifmrt);
    if (s.unterminated)
        std::memset(w.b.data() + 16, 'x', 80);
    else
        std::memcpy(w.b.data() + 16, s.name.c_str(), s.name.size() + 1);
    w.putf(96, s.tstep);
    w.putf(108, s.ha);
    w.putf(112, s.hb);
    w.putf(116, s.hc);
    w.put32(140, static_cast<uint32_t>(s.nstep));
    int32_t nf = s.nframe != INT32_MIN ? s.nframe : static_cast<int32_t>(s.frames.size());
    w.put32(148, static_cast<uint32_t>(nf));
    w.put16(154, s.npts);
    if (s.dataoff > 868) w.b.resize(s.dataoff, 0);
    for (const auto &f : s.frames) {
        size_t off = w.b.size();
        w.b.resize(off + 4 * f.size());
        for (size_t i = 0; i < f.size(); i++) w.putf(off + 4 * i, f[i]);
    }
    if (s.cut >= 0 && static_cast<size_t>(s.cut) < w.b.size()) w.b.resize(s.cut);
    return w.b;
}

// Frame k of a test file: scalar 100 + k, then channel values k x 10 + position.
std::vector<std::vector<float>> testframes(int nframe, int npts) {
    std::vector<std::vector<float>> fr(nframe, std::vector<float>(npts));
    for (int k = 0; k < nframe; k++)
        for (int q = 0; q < npts; q++) fr[k][q] = q == 0 ? 100.0f + k : k * 10.0f + q;
    return fr;
}

class TsdTest : public ::testing::Test {
  protected:
    std::string dir;
    char *mbuf = nullptr;
    size_t mlen = 0;
    void SetUp() override {
        char tmpl[] = "/tmp/tsdtestXXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir = tmpl;
        msgfp = open_memstream(&mbuf, &mlen);
    }
    void TearDown() override {
        tsdclose();
        std::fclose(msgfp);
        msgfp = stderr;
        std::free(mbuf);
        std::system(("rm -rf " + dir).c_str());
    }
    std::string write(const std::string &name, const TsdLayout &s) {
        std::string path = dir + "/" + name;
        auto bytes = tsdbytes(s);
        FILE *f = std::fopen(path.c_str(), "wb");
        if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
        return path;
    }
    std::string messages() {
        std::fflush(msgfp);
        std::string m = mbuf ? std::string(mbuf, mlen) : std::string();
        std::fseek(msgfp, 0, SEEK_SET);
        mlen = 0;
        return m;
    }
    int openpath(const std::string &path) {
        sd.sdname = path;
        return tsdopen();
    }
};

TEST_F(TsdTest, HeaderFieldsAndFramesReadInBothByteOrders) {
    for (int be : {0, 1}) {
        SCOPED_TRACE(be ? "big-endian" : "little-endian");
        TsdLayout s;
        s.be = be;
        s.npts = 5;
        s.dataoff = 1000;
        s.frames = testframes(3, 5);
        std::string path = write(be ? "be.tsd" : "le.tsd", s);
        EXPECT_EQ(tsdcheck(path), 1);
        ASSERT_EQ(openpath(path), 1);
        EXPECT_EQ(sd.sdtype, 3);
        EXPECT_EQ(tsd.stimname, "stim.wav");
        EXPECT_FLOAT_EQ(tsd.ha, 0.2f);
        EXPECT_FLOAT_EQ(tsd.hb, 0.6f);
        EXPECT_FLOAT_EQ(tsd.hc, 0.8f);
        EXPECT_EQ(tsd.npts, 5);
        EXPECT_EQ(tsd.nstp, 3);
        EXPECT_FLOAT_EQ(tsd.tper, 10.0f * 1e-4f);
        for (int k : {2, 0, 1}) {
            float *f = tsdframe(k);
            ASSERT_NE(f, nullptr);
            EXPECT_EQ(f[0], 0.0f);
            EXPECT_EQ(tsd.tscal, 100.0f + k);
            for (int q = 1; q < 5; q++) EXPECT_EQ(f[q], k * 10.0f + q);
        }
        tsdclose();
        EXPECT_EQ(messages(), "");
    }
}

TEST_F(TsdTest, UnsafeOrForeignHeadersRefused) {
    struct Case {
        const char *what;
        void (*change)(TsdLayout &);
        const char *message; // expected text; "" no message; starting with '(' names the file
    };
    const Case cases[] = {
        {"empty file", [](TsdLayout &s) { s.cut = 0; }, ""},
        {"three bytes", [](TsdLayout &s) { s.cut = 3; }, ""},
        {"other magic", [](TsdLayout &) {}, nullptr},
        {"header cut", [](TsdLayout &s) { s.cut = 400; }, "(header cut short: 400 of 868"},
        {"offset-10 field", [](TsdLayout &s) { s.f10 = 7; }, "ERROR:  not a time-step file\n"},
        {"format code", [](TsdLayout &s) { s.ifmrt = 3; }, "ERROR:  unsupported format: ifmrt=3\n"},
        {"offset in header", [](TsdLayout &s) { s.dataoff = 100; }, "(data offset 100"},
        {"negative offset", [](TsdLayout &s) { s.dataoff = -4; }, "(data offset -4"},
        {"offset past file", [](TsdLayout &s) { s.dataoff = 30000, s.cut = 2000; },
         "(data offset 30000"},
        {"one value", [](TsdLayout &s) { s.npts = 1; }, "(values per frame 1"},
        {"no values", [](TsdLayout &s) { s.npts = 0; }, "(values per frame 0"},
        {"negative values", [](TsdLayout &s) { s.npts = -3; }, "(values per frame -3"},
        {"too many channels", [](TsdLayout &s) { s.npts = 4097; }, "(values per frame 4097"},
        {"zero period", [](TsdLayout &s) { s.tstep = 0; }, "(frame period 0"},
        {"negative period", [](TsdLayout &s) { s.nstep = -2; }, "(frame period -0.0002"},
        {"period not a number", [](TsdLayout &s) { s.tstep = std::nanf(""); }, "(frame period"},
        {"name unterminated", [](TsdLayout &s) { s.unterminated = 1; }, "(stimulus name"},
    };
    for (int be : {0, 1})
        for (const Case &c : cases) {
            SCOPED_TRACE(std::string(c.what) + (be ? " big-endian" : " little-endian"));
            TsdLayout s;
            s.be = be;
            s.frames = testframes(2, 4);
            c.change(s);
            std::string path = write("bad.tsd", s);
            if (c.message == nullptr) { // overwrite the magic with a sampled-data header
                FILE *f = std::fopen(path.c_str(), "r+b");
                std::fwrite("RIFF", 1, 4, f);
                std::fclose(f);
            }
            EXPECT_EQ(tsdcheck(path), 0);
            EXPECT_EQ(openpath(path), 0);
            EXPECT_LT(tsd.fd, 0);
            std::string m = messages();
            if (c.message == nullptr || c.message[0] == 0) {
                EXPECT_EQ(m, "");
            } else if (c.message[0] == '(') {
                // once from the check, once from the open; the file and the field are named
                std::string want = "ERROR(" + path + "): time-step " + (c.message + 1);
                EXPECT_EQ(m.find(want), 0u) << m;
                EXPECT_NE(m.find(want, 1), std::string::npos) << m;
            } else {
                EXPECT_EQ(m, std::string(c.message) + c.message);
            }
        }
}

TEST_F(TsdTest, FrameCountCutToFramesPresent) {
    struct Case {
        int32_t header;
        int written;
        long cut; // bytes kept, -1 all
        int32_t want;
    };
    const int fb = 4 * 4;
    const Case cases[] = {
        {10, 3, -1, 3},              // header claims more
        {2, 5, -1, 2},               // header claims fewer: kept
        {5, 5, 868 + 3 * fb + 7, 3}, // a partial last frame does not count
        {5, 5, 868, 0},              // no frame at all
        {-6, 2, -1, 0},              // a negative count reads as no frame
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.header);
        TsdLayout s;
        s.nframe = c.header;
        s.frames = testframes(c.written, 4);
        s.cut = c.cut;
        ASSERT_EQ(openpath(write("cut.tsd", s)), 1);
        EXPECT_EQ(tsd.nstp, c.want);
        tsdclose();
    }
}

TEST_F(TsdTest, FrameCacheAndOutOfRangeIndices) {
    TsdLayout s;
    s.frames = testframes(3, 4);
    ASSERT_EQ(openpath(write("c.tsd", s)), 1);
    // before any frame is read an out-of-range index has no frame to give
    EXPECT_EQ(tsdframe(-1), nullptr);
    EXPECT_EQ(tsdframe(3), nullptr);
    float *f = tsdframe(1);
    ASSERT_NE(f, nullptr);
    struct Case {
        int32_t k;
        float want1, wantscal;
    };
    const Case cases[] = {{3, 11, 101}, {-1, 11, 101}, {1000000, 11, 101}, {2, 21, 102},
                          {2, 21, 102}, {7, 21, 102},  {0, 1, 100}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.k);
        float *g = tsdframe(c.k);
        ASSERT_EQ(g, f);
        EXPECT_EQ(g[0], 0.0f);
        EXPECT_EQ(g[1], c.want1);
        EXPECT_EQ(tsd.tscal, c.wantscal);
    }
}

TEST_F(TsdTest, FrameThatCannotBeReadWholeIsMissing) {
    TsdLayout s;
    s.frames = testframes(4, 4);
    std::string path = write("short.tsd", s);
    ASSERT_EQ(openpath(path), 1);
    ASSERT_EQ(tsd.nstp, 4);
    ASSERT_NE(tsdframe(1), nullptr);
    // the file loses its tail while open: frame 3 half there, frame 2 whole
    ASSERT_EQ(truncate(path.c_str(), 868 + 3 * 16 + 8), 0);
    EXPECT_EQ(tsdframe(3), nullptr);
    float *f = tsdframe(1); // the loaded frame is untouched by the failed read
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f[1], 11.0f);
    EXPECT_EQ(f[3], 13.0f);
    EXPECT_EQ(tsd.tscal, 101.0f);
    ASSERT_NE(tsdframe(2), nullptr);
    EXPECT_EQ(tsd.tscal, 102.0f);
    ASSERT_EQ(truncate(path.c_str(), 868), 0);
    EXPECT_EQ(tsdframe(0), nullptr);
}

TEST_F(TsdTest, ByteOrderFollowsEachFile) {
    TsdLayout le, be;
    le.frames = testframes(2, 4);
    be.be = 1;
    be.npts = 6;
    be.frames = testframes(3, 6);
    be.name = "big.wav";
    std::string pl = write("l.tsd", le), pb = write("b.tsd", be);
    struct Case {
        const std::string *path;
        int npts;
        const char *stim;
    };
    const Case order[] = {{&pl, 4, "stim.wav"}, {&pb, 6, "big.wav"}, {&pl, 4, "stim.wav"}};
    for (const Case &c : order) {
        SCOPED_TRACE(*c.path);
        ASSERT_EQ(openpath(*c.path), 1);
        EXPECT_EQ(tsd.npts, c.npts);
        EXPECT_EQ(tsd.stimname, c.stim);
        float *f = tsdframe(1);
        ASSERT_NE(f, nullptr);
        for (int q = 1; q < c.npts; q++) EXPECT_EQ(f[q], 10.0f + q);
        EXPECT_EQ(tsd.tscal, 101.0f);
        tsdclose();
    }
}

TEST_F(TsdTest, FileIdentityChangesOnlyForAnotherFile) {
    TsdLayout s;
    s.frames = testframes(2, 4);
    std::string a = write("a.tsd", s), b = write("b.tsd", s);
    ASSERT_EQ(openpath(a), 1);
    int32_t ida = tsd.fileid;
    tsdclose();
    ASSERT_EQ(openpath(a), 1);
    EXPECT_EQ(tsd.fileid, ida);
    tsdclose();
    ASSERT_EQ(openpath(b), 1);
    EXPECT_NE(tsd.fileid, ida);
    tsdclose();
    ASSERT_EQ(openpath(a), 1);
    EXPECT_NE(tsd.fileid, ida);
}

TEST_F(TsdTest, IdentifiedAsTimeStepBeforeSampledDataTests) {
    opt.nohdropt = 0; // -nh would take every file as headerless
    TsdLayout s;
    s.frames = testframes(3, 4);
    std::string good = write("g.tsd", s);
    EXPECT_EQ(sdident(good, 0), 2);
    EXPECT_EQ(sd.sdtype, 2);
    EXPECT_EQ(messages(), "");
    s.f10 = 1;
    std::string bad = write("f.tsd", s);
    EXPECT_EQ(sdident(bad, 0), 1);
    EXPECT_EQ(sd.sdtype, 7); // an unrecognised binary file: headerless samples
    EXPECT_EQ(messages(), "ERROR:  not a time-step file\n");
}

} // namespace
