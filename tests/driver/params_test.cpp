// The parameter table: names, defaults, the four-character lookup and the conversions.
#include "driver/params.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <set>
#include <string>

namespace {

// Assigns through the command-line path and returns the word as the lookup left it.
std::string assign(const char *word) {
    std::string w = word;
    parassign(w.data());
    return w;
}

// Number of parameters (markers aside) whose value differs from a fresh table.
int changed() {
    const Params fresh{};
    int n = 0;
    for (int i = 1; i < 38; i++) n += par.*intpars[i].val != fresh.*intpars[i].val;
    for (int i = 1; i < 49; i++) n += par.*floatpars[i].val != fresh.*floatpars[i].val;
    return n;
}

TEST(ParameterTable, NamesAreSortedAndToldApartByFourCharacters) {
    EXPECT_STREQ(intpars[0].name, "_bpar");
    EXPECT_STREQ(floatpars[0].name, "_fpar");
    std::set<std::string> ipre, fpre;
    for (int i = 1; i < 38; i++) {
        if (i > 1) { EXPECT_LT(std::strcmp(intpars[i - 1].name, intpars[i].name), 0) << i; }
        EXPECT_LE(std::strlen(intpars[i].name), 9u);
        EXPECT_TRUE(ipre.insert(std::string(intpars[i].name, 4)).second) << intpars[i].name;
    }
    for (int i = 1; i < 49; i++) {
        if (i > 1) { EXPECT_LT(std::strcmp(floatpars[i - 1].name, floatpars[i].name), 0) << i; }
        EXPECT_TRUE(fpre.insert(std::string(floatpars[i].name, 4)).second) << floatpars[i].name;
    }
    // the one prefix the two tables share
    int shared = 0;
    for (const std::string &p : ipre) shared += fpre.count(p);
    EXPECT_EQ(shared, 1);
    EXPECT_TRUE(fpre.count("wind"));
    EXPECT_STREQ(intpars[35].name, "window");
    EXPECT_STREQ(floatpars[40].name, "windwidth");
}

TEST(ParameterTable, DefaultsAreTheDocumentedValues) {
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
            if (std::strcmp(p.name, c.name) != 0) continue;
            found++;
            EXPECT_EQ(par.*p.val, c.value) << c.name;
        }
        for (const FloatPar &p : floatpars) {
            if (std::strcmp(p.name, c.name) != 0) continue;
            found++;
            EXPECT_EQ(par.*p.val, static_cast<float>(c.value)) << c.name;
        }
        EXPECT_EQ(found, 1) << c.name;
    }
}

TEST(ParameterTable, ResetRestoresEverythingButTheMarkers) {
    pardefaults();
    assign("tmin=3");
    assign("mval=7");
    assign("_bpar=3");
    assign("_fpar=4.5");
    EXPECT_EQ(changed(), 2); // the markers are not counted as parameters that changed
    pardefaults();
    EXPECT_EQ(par.tmin, 0.0f);
    EXPECT_EQ(par.mval, 4);
    EXPECT_EQ(par._bpar, 3); // never written by the reset
    EXPECT_EQ(par._fpar, 4.5f);
    par._bpar = 0;
    par._fpar = 0;
}

TEST(ParameterLookup, FirstFourCharactersDecideCaseFolded) {
    struct {
        const char *word;
        float Params::*field; // nullptr: nothing may change
        float value;
    } const cases[] = {
        {"TMIN=1", &Params::tmin, 1},
        {"tminimum=1", &Params::tmin, 1},
        {"tmin=1", &Params::tmin, 1},
        {"tmi=1", nullptr, 0},
        {"XPAGE=9", &Params::xpage, 9},
        {"xpag=9", &Params::xpage, 9},
        {"xpa=9", nullptr, 0},
        {"xlen=", &Params::xlen, 0},
        {"tmin=0.5 ; start", &Params::tmin, 0.5f},
        {"=5", nullptr, 0},
        {"nosuch=5", nullptr, 0},
    };
    for (const auto &c : cases) {
        pardefaults();
        assign(c.word);
        if (c.field) {
            EXPECT_EQ(par.*c.field, c.value) << c.word;
            EXPECT_EQ(changed(), par.*c.field != Params{}.*c.field ? 1 : 0) << c.word;
        } else {
            EXPECT_EQ(changed(), 0) << c.word;
        }
    }
}

TEST(ParameterLookup, FoldsOnlyTheComparedCharacters) {
    char w1[] = "TMAX=AB";
    EXPECT_EQ(parmatch(w1, "tmin"), 0);
    EXPECT_STREQ(w1, "tmaX=AB"); // folding stops at the first difference
    char w2[] = "XPAGE=Q";
    EXPECT_EQ(parmatch(w2, "xpage"), 1);
    EXPECT_STREQ(w2, "xpagE=Q"); // four characters compared, four folded
    char w3[] = "ab";
    EXPECT_EQ(parmatch(w3, "abcd"), 0);
}

TEST(ParameterLookup, IntegersKeepTheLowEightBits) {
    struct {
        const char *word;
        int8_t Params::*field;
        int value;
    } const cases[] = {
        {"aronum=-1", &Params::aronum, -1}, {"aronum=255", &Params::aronum, -1},
        {"mval=300", &Params::mval, 44},    {"mval=-300", &Params::mval, -44},
        {"nlpc=12abc", &Params::nlpc, 12},  {"grid=x", &Params::grid, 0},
        {"ftpi= +7", &Params::ftpi, 7},     {"bits=1e3", &Params::bits, 1},
    };
    for (const auto &c : cases) {
        pardefaults();
        assign(c.word);
        EXPECT_EQ(par.*c.field, c.value) << c.word;
    }
}

TEST(ParameterLookup, WindowAndWindwidthAreSetTogether) {
    pardefaults();
    assign("window=1.9");
    EXPECT_EQ(par.window, 1);
    EXPECT_EQ(par.windwidth, 1.9f);
    pardefaults();
    assign("windwidth=0.02");
    EXPECT_EQ(par.window, 0);
    EXPECT_EQ(par.windwidth, 0.02f);
    pardefaults();
    assign("WIND=1");
    EXPECT_EQ(par.window, 1);
    EXPECT_EQ(par.windwidth, 1.0f);
}

TEST(ParameterLookup, FileAssignmentSetsEveryMatch) {
    pardefaults();
    char line[] = "Window=0.5";
    parset(line);
    EXPECT_EQ(par.window, 0);
    EXPECT_EQ(par.windwidth, 0.5f);
    char tab[] = "\ttmin=5"; // a tab is part of the name: nothing matches
    parset(tab);
    EXPECT_EQ(par.tmin, 0.0f);
    char noeq[] = "tmin 5";
    parset(noeq);
    EXPECT_EQ(par.tmin, 0.0f);
}

TEST(ValueConversion, IntegerReadsBlanksSignAndDigits) {
    struct {
        const char *text;
        int value;
    } const cases[] = {{"  -12abc", -12}, {"+7", 7},        {"abc", 0}, {"", 0},
                       {"0.5", 0},        {"22050", 22050}, {"- 3", 0}};
    for (const auto &c : cases) EXPECT_EQ(parint(c.text), c.value) << c.text;
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
        {"abc", 0.0f},
    };
    for (const auto &c : cases) EXPECT_EQ(parfloat(c.text), c.value) << c.text;
    EXPECT_EQ(parfloat("0.1"), 0.1f); // nearest float, as the defaults
}

} // namespace
