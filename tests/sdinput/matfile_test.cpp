// Version 4 MAT-files: the variable walk and its listing, rate variables, every precision in
// both byte orders, scaling by the peak, and headers that cannot be walked.
#include "sdfix.h"

#include "sdinput/sdblock.h"

using namespace sdfix;

using MatFile = SdTest;

TEST_F(MatFile, RateVariablesAndTheListing) {
    std::vector<double> ramp(8000);
    for (int i = 0; i < 8000; i++) ramp[i] = (i % 200) - 100;
    const struct {
        const char *what;
        const char *var;
        double value;
        float rate;
        float srate;
        const char *listing;
    } cases[] = {
        {"rate", "rate", 16000, 0, 16000, "    rate = 16000\n    wave\n"},
        {"fmax", "fmax", 5000, 0, 10000, "    fmax = 5000\n    wave\n"},
        {"rate parameter first", "rate", 16000, 8000, 8000, "    rate = 16000\n    wave\n"},
        {"other scalar", "gain", 3, 22050, 22050, "    gain\n    wave\n"},
    };
    for (int be : {0, 1})
        for (const auto &c : cases) {
            Bytes w;
            w.be = be;
            matvar(w, 0, 1, 1, c.var, {c.value});
            matvar(w, 0, 1, 8000, "wave", ramp);
            par.rate = c.rate;
            std::string before = msgs();
            ASSERT_EQ(openbytes("r.mat", w.b), 1) << c.what;
            EXPECT_EQ(sd.sdtype, SD_MAT);
            EXPECT_EQ(msgs().substr(before.size()), c.listing) << c.what;
            EXPECT_EQ(sd.srate, c.srate) << c.what;
            EXPECT_EQ(sd.nsamp, 8000);
            EXPECT_EQ(sdb.swap, be);
            // doubles with peak 100: scaled by 327.67
            EXPECT_EQ(getsamp(0), -32767);
            EXPECT_EQ(getsamp(150), static_cast<int>(50 * (32767.0 / 100)));
            EXPECT_EQ(getsamp(7999), static_cast<int>(99 * (32767.0 / 100)));
        }
}

TEST_F(MatFile, PrecisionsAndScaling) {
    const struct {
        const char *what;
        int p;
        std::vector<double> v;
        std::vector<int> want;
    } cases[] = {
        {"double, peak 0.5: scale 65534", 0, {0.5, -0.25, 0.1}, {32767, -16383, 6553}},
        {"float", 1, {2.0f, -1.0f, 0.5f}, {32767, -16383, 8191}},
        {"int32 within 16 bits: kept", 2, {-32768, 32767, 5}, {-32768, 32767, 5}},
        {"int32 wider: scaled by peak", 2, {100000, -50000, 1}, {32767, -16383, 0}},
        {"int16 kept", 3, {-32768, 1234, 32767}, {-32768, 1234, 32767}},
        {"uint32 within 16 bits", 4, {0, 7, 32767}, {0, 7, 32767}},
        {"uint32 wider", 4, {4000000000.0, 2000000000.0, 0}, {32767, 16383, 0}},
        {"all zero floats", 1, {0, 0, 0}, {0, 0, 0}},
    };
    for (int be : {0, 1})
        for (const auto &c : cases) {
            Bytes w;
            w.be = be;
            matvar(w, c.p, static_cast<int>(c.v.size()), 1, "x", c.v);
            par.rate = 8000;
            ASSERT_EQ(openbytes("p.mat", w.b), 1) << c.what;
            ASSERT_EQ(sd.nsamp, 3);
            for (int i = 0; i < 3; i++) EXPECT_EQ(getsamp(i), c.want[i]) << c.what << be << i;
        }
}

TEST_F(MatFile, WalkSkipsMatricesImaginaryAndText) {
    Bytes w;
    matvar(w, 0, 1, 1, "rate", {8000});
    matvar(w, 1, 1, 3, "cplx", {1, 2, 3}, 1); // imaginary: values twice, not the data
    // a text variable (precision 5, type 1): 4 bytes of characters
    w.u32(51).u32(1).u32(4).u32(0).u32(5).raw("note", 5).raw("abcd", 4);
    matvar(w, 3, 2, 3, "grid", {1, 2, 3, 4, 5, 6}); // a matrix is data too
    par.rate = 0;
    ASSERT_EQ(openbytes("w.mat", w.b), 1);
    EXPECT_EQ(msgs(), "    rate = 8000\n    cplx*\n    note\n    grid\n");
    EXPECT_EQ(sd.nsamp, 6);
    EXPECT_EQ(sd.srate, 8000.0f);
    for (int i = 0; i < 6; i++) EXPECT_EQ(getsamp(i), i + 1);
}

TEST_F(MatFile, RefusedAndLoweredHeaders) {
    auto withdata = [](Bytes w) {
        matvar(w, 3, 1, 4, "d", {1, 2, 3, 4});
        return w.b;
    };
    Bytes onlyscalar;
    matvar(onlyscalar, 0, 1, 1, "rate", {8000});
    Bytes negrows;
    matvar(negrows, 0, 1, 1, "rate", {8000});
    negrows.u32(30).u32(static_cast<uint32_t>(-2)).u32(static_cast<uint32_t>(-3)).u32(0).u32(2);
    negrows.raw("n", 2);
    Bytes badname;
    matvar(badname, 0, 1, 1, "rate", {8000});
    badname.u32(30).u32(1).u32(4).u32(0).u32(0xFFFF);
    Bytes badtype;
    matvar(badtype, 0, 1, 1, "rate", {8000});
    badtype.u32(70).u32(1).u32(4).u32(0).u32(2).raw("t", 2);
    Bytes huge;
    matvar(huge, 0, 1, 1, "rate", {8000});
    huge.u32(0).u32(0x7FFFFFFF).u32(0x7FFFFFFF).u32(1).u32(2).raw("h", 2); // skipped: past end
    Bytes claims;
    claims.u32(30).u32(1).u32(100000).u32(0).u32(2).raw("c", 2);
    sig16(claims, 50);
    const struct {
        const char *what;
        std::vector<uint8_t> b;
        int ok;
        int32_t nsamp;
        const char *says;
    } cases[] = {
        {"no data vector", onlyscalar.b, 0, 0, ""},
        {"negative dimensions", withdata(negrows), 0, 0, "-2 x -3 values"},
        {"name length not above 0", withdata(badname), 0, 0, "name length 65535"},
        {"precision 7", withdata(badtype), 0, 0, "type 70 cannot be read"},
        {"values past the end", withdata(huge), 0, 0, ""},
        {"more samples claimed than present", claims.b, 1, 50, ""},
    };
    for (const auto &c : cases) {
        par.rate = 8000;
        std::string before = msgs();
        EXPECT_EQ(openbytes("bad.mat", c.b), c.ok) << c.what;
        std::string said = msgs().substr(before.size());
        EXPECT_NE(said.find(c.says), std::string::npos) << c.what << ": " << said;
        if (c.ok) { EXPECT_EQ(sd.nsamp, c.nsamp) << c.what; }
    }
}

TEST_F(MatFile, RecognitionOfTheFirstHeader) {
    const struct {
        uint32_t type, rows, cols, imag, namelen;
        int mat;
    } cases[] = {
        {0, 1, 10, 0, 2, 1},   {10, 10, 1, 0, 2, 1},  {40, 1, 3, 0, 2, 1},
        {1030, 1, 3, 0, 2, 1}, {50, 1, 3, 0, 2, 0},   {1, 1, 3, 0, 2, 0},
        {0, 2, 3, 0, 2, 0},    {0, 1, 3, 1, 2, 0},    {0, 1, 3, 0, 0, 0},
        {200, 1, 3, 0, 2, 0},  {2000, 1, 3, 0, 2, 0}, {0xFFFFFFF6u, 1, 3, 0, 2, 0},
    };
    for (const auto &c : cases) {
        Bytes w;
        w.be = c.type >= 1000 && c.type < 2000;
        w.u32(c.type).u32(c.rows).u32(c.cols).u32(c.imag).u32(c.namelen);
        w.raw("x\0", 2).zeros(64);
        w.b.push_back(0xFF);
        save(path("t.mat"), w.b);
        sd.sdtype = SD_SDF;
        sdformat(path("t.mat"));
        EXPECT_EQ(sd.sdtype == SD_MAT, c.mat == 1) << c.type << " " << c.rows << "x" << c.cols;
    }
}

TEST_F(MatFile, LongNamesAreCut) {
    Bytes w;
    std::string name(120, 'n');
    matvar(w, 3, 1, 4, name.c_str(), {1, 2, 3, 4});
    par.rate = 8000;
    ASSERT_EQ(openbytes("long.mat", w.b), 1);
    EXPECT_EQ(msgs(), "    " + std::string(79, 'n') + "\n");
    EXPECT_EQ(sdb.dataoff, 20 + 121);
    EXPECT_EQ(getsamp(3), 4);
}
