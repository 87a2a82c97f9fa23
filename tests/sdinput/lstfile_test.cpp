// ASCII lists: number parsing, scaling by the peak when any number has a decimal point,
// "; rate=" lines, long lines, and the list reader.
#include "sdfix.h"

#include "sdinput/lstfile.h"

using namespace sdfix;

using LstFile = SdTest;

TEST_F(LstFile, SamplesOfAList) {
    const struct {
        const char *what;
        const char *text;
        std::vector<int> want;
    } cases[] = {
        {"floats scaled by the peak", "0.5\n-1.0\n0.25\n", {16383, -32767, 8191}},
        {"integers unscaled", "100\n200\n", {100, 200}},
        {"one float switches the list", "100\n1.0\n200\n", {16383, 163, 32767}},
        {"zero with a point does not", "100\n0.0\n-200\n", {100, 0, -200}},
        {"time, value lines", "0.000, 5\n0.001,\t-7\n", {5, -7}},
        {"slash is a number", "/\n3\n", {0, 3}},
        {"other lines ignored", "# head\nabc\n\n 12\n\t-4\n+6\n", {12, -4, 6}},
        {"comma then no number", "1, x\n2\n", {2}},
        {"integers beyond 32 bits saturate",
         "99999999999\n-99999999999\n70000\n",
         {-1, 0, 70000 - 65536}},
        {"a long line is several lines",
         "1                                                                              2\n",
         {1, 2}},
        {"no numbers", "hello\n", {}},
        {"empty", "", {}},
    };
    for (const auto &c : cases) {
        par.rate = 8000;
        save(path("l.txt"), std::string(c.text));
        ASSERT_EQ(openas(path("l.txt")), 1) << c.what;
        EXPECT_EQ(sd.sdtype, SD_LST);
        ASSERT_EQ(sd.nsamp, static_cast<int32_t>(c.want.size())) << c.what;
        for (size_t i = 0; i < c.want.size(); i++) EXPECT_EQ(getsamp(i), c.want[i]) << c.what;
    }
}

TEST_F(LstFile, RateLines) {
    const struct {
        const char *text;
        float rate;
        const char *answer;
        float want;
        int asks;
    } cases[] = {
        {"; rate=8000\n1\n", 16000, "", 8000, 0},
        {"1\n; rate=8000\n2\n", 0, "", 8000, 0},
        {"1\n", 11025.7f, "", 11025, 0},
        {"1\n", 0, "22050\n", 22050, 1},
        {"1\n;rate=8000\n", 0, "", 0, 1},
        {"; rate=-5\n1\n", 0, "", 0, 1},
        {"; rate=99999999999999\n1\n", 0, "", 0, 1}, // not a rate
    };
    for (const auto &c : cases) {
        par.rate = c.rate;
        reply(c.answer);
        save(path("r.txt"), std::string(c.text));
        std::string before = msgs();
        ASSERT_EQ(openas(path("r.txt")), 1);
        EXPECT_EQ(sd.srate, c.want) << c.text;
        EXPECT_EQ(msgs().substr(before.size()), c.asks ? "samples/second: " : "") << c.text;
    }
}

TEST_F(LstFile, ListReaderOutsideTheList) {
    save(path("o.txt"), std::string("1\n2\n3\n"));
    par.rate = 8000;
    ASSERT_EQ(openas(path("o.txt")), 1);
    sd.wzero = 9.5f;
    par.periodic = 1; // no effect on lists
    EXPECT_EQ(getsamp(-1), 9);
    EXPECT_EQ(getsamp(3), 9);
    EXPECT_EQ(getsamp(2), 3);
    sdclose();
    EXPECT_EQ(getsamp(0), 9); // released
}

TEST_F(LstFile, NumberParsing) {
    const struct {
        const char *line;
        int num;
        double v;
        int isfloat;
    } cases[] = {
        {"12", 1, 12, 0}, {"  -3.5", 1, -3.5, 1}, {"0.0", 1, 0, 0},    {".5", 1, 0.5, 1},
        {"x1", 0, 0, 0},  {"1,2.5", 1, 2.5, 1},   {"1.5,2", 1, 2, 0},  {",7", 1, 7, 0},
        {"", 0, 0, 0},    {"; rate=1", 0, 0, 0},  {"+nan.", 1, 0, -1}, {"-inf", 1, 0, 0},
    };
    for (const auto &c : cases) {
        double v = 0;
        int f = 0;
        EXPECT_EQ(lstnum(c.line, &v, &f), c.num) << c.line;
        if (!c.num || c.isfloat < 0) continue;
        EXPECT_EQ(v, c.v) << c.line;
        EXPECT_EQ(f, c.isfloat) << c.line;
    }
}
