// The parameter table: names and defaults, the four-character lookup, the value
// conversions, and the reset that every run starts with.
#include "base/params.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>

#include "msgcap.h"

namespace {

TEST(ParameterTable, EachNameHasItsDefaultAndItsOwnFirstFourCharacters) {
    struct {
        const char *name;
        double value;
    } const cases[] = {
        {"aswv", 1},      {"ftpi", 64},      {"ftpw", 64},       {"mhal", 1},
        {"mval", 4},      {"newpage", 1},    {"window", 2},      {"wrfile", 0},
        {"agcsp", 0.5},   {"annsiz", 0.08f}, {"arosiz", 0.15f},  {"arotip", 0.2f},
        {"arowid", 0.75}, {"axlnwd", 0.01f}, {"bandwidth", 400}, {"eeps", 200},
        {"emin", -40},    {"enrm", 0.1f},    {"fmax", 8000},     {"head", -1},
        {"token", 1},     {"wllc", 6.25},    {"xlen", 8.5},      {"xllc", 1.25},
        {"xpage", 11},    {"ylen", 4.5},     {"ypage", 8},       {"ellc", 5.75},
    };
    pardefaults();
    for (const auto &c : cases) {
        int found = 0;
        for (const IntPar &p : intpars) {
            if (std::strcmp(p.name, c.name)) continue;
            EXPECT_EQ(par.*p.val, c.value) << c.name;
            found++;
        }
        for (const FloatPar &p : floatpars) {
            if (std::strcmp(p.name, c.name)) continue;
            EXPECT_EQ(par.*p.val, static_cast<float>(c.value)) << c.name;
            found++;
        }
        EXPECT_EQ(found, 1) << c.name;
    }
    std::map<std::string, int> prefixes; // only window and windwidth share theirs
    for (const IntPar &p : intpars) prefixes[std::string(p.name, 4)]++;
    for (const FloatPar &p : floatpars) prefixes[std::string(p.name, 4)]++;
    for (const auto &[pre, n] : prefixes) { EXPECT_EQ(n, pre == "wind" ? 2 : 1) << pre; }
    EXPECT_STREQ(intpars[0].name, "_bpar");
    EXPECT_STREQ(floatpars[0].name, "_fpar");
}

// A command-line word sets what its first four characters name; a run's reset undoes it.
TEST(ParameterAssignment, FirstFourCharactersNameItIntegersKeepEightBits) {
    struct {
        const char *word;
        void (*want)(Params &);
    } const cases[] = {
        {"TMIN=1", [](Params &p) { p.tmin = 1; }},
        {"tminimum=1", [](Params &p) { p.tmin = 1; }},
        {"tmi=1", [](Params &) {}},
        {"XPAGE=9", [](Params &p) { p.xpage = 9; }},
        {"xpag=9", [](Params &p) { p.xpage = 9; }},
        {"xpa=9", [](Params &) {}},
        {"xlen=", [](Params &p) { p.xlen = 0; }},
        {"tmin=0.5 ; start", [](Params &p) { p.tmin = 0.5f; }},
        {"=5", [](Params &) {}},
        {"nosuch=5", [](Params &) {}},
        {"aronum=-1", [](Params &p) { p.aronum = -1; }},
        {"aronum=255", [](Params &p) { p.aronum = -1; }},
        {"mval=300", [](Params &p) { p.mval = 44; }},
        {"mval=-300", [](Params &p) { p.mval = -44; }},
        {"nlpc=12abc", [](Params &p) { p.nlpc = 12; }},
        {"grid=x", [](Params &p) { p.grid = 0; }},
        {"ftpi= +7", [](Params &p) { p.ftpi = 7; }},
        {"bits=1e3", [](Params &p) { p.bits = 1; }},
        {"mfft=- 3", [](Params &) {}},
        {"window=1.9", [](Params &p) { p.window = 1, p.windwidth = 1.9f; }},
        {"windwidth=0.02", [](Params &p) { p.window = 0, p.windwidth = 0.02f; }},
        {"WIND=1", [](Params &p) { p.window = 1, p.windwidth = 1; }},
        {"_bpar=3", [](Params &p) { p._bpar = 3; }},
        {"_fpar=4.5", [](Params &p) { p._fpar = 4.5f; }},
    };
    for (const auto &c : cases) {
        par = Params{};
        std::string w = c.word;
        parassign(w.data());
        Params want{};
        c.want(want);
        EXPECT_EQ(pardiff(par, want), "") << c.word;
        pardefaults(); // everything back but the markers, which the reset never writes
        EXPECT_EQ(pardiff(par, Params{._bpar = want._bpar, ._fpar = want._fpar}), "") << c.word;
    }
    par = Params{};
}

TEST(ValueConversion, FloatReadsADecimalNumberOnly) {
    struct {
        const char *text;
        float value;
    } const cases[] = {
        {"0.5 ; start", 0.5f}, {"1e3", 1000.0f}, {"1e", 1.0f},
        {"1e+", 1.0f},         {".5", 0.5f},     {"5.", 5.0f},
        {"-.5e-1x", -0.05f},   {"  2.5", 2.5f},  {"", 0.0f},
        {".", 0.0f},           {"-", 0.0f},      {"0x10", 0.0f},
        {"inf", 0.0f},         {"nan", 0.0f},    {"+3E2,", 300.0f},
        {"0.1", 0.1f},
    };
    for (const auto &c : cases) EXPECT_EQ(parfloat(c.text), c.value) << c.text;
}

} // namespace
