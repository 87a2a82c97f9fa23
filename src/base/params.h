// The parameter table: 38 eight-bit integer and 50 float parameters, one process-wide
// struct; every run restores the defaults of the member initialisers.
#pragma once
#include <cstdint>
#include <string_view>

struct Params {
    // integer table, in table order (entry 0 is a marker no reader uses)
    int8_t _bpar = 0, aronum = 0, aswv = 1, bits = 0, date = 0, eaxis = 1, elabel = 1, fannot = 1,
           faxis = 1, flabel = 1, ftpi = 64, ftpw = 64, grid = 1, hfemph = 1, invwav = 0, mfft = 0,
           mhal = 1, mval = 4, mxtnt = 0, newpage = 1, nflim = 1, nlpc = 0, over = 0, periodic = 0,
           prenrg = 1, prspec = 1, prwave = 1, rmdc = 0, sign = 0, swap = 0, tannot = 1, taxis = 1,
           tlabel = 1, toba = 1, waxis = 1, window = 2, wlabel = 1, wrfile = 0;
    // float table, in table order (entry 0 is a marker no reader uses)
    float _fpar = 0.0f, agcsp = 0.5f, annlwt = 1.0f, annsiz = 0.08f, arosiz = 0.15f, arotip = 0.2f,
          arowid = 0.75f, axlnwd = 0.01f, bandwidth = 400.0f, channel = 1.0f, contrast = 0.5f,
          darkness = 0.5f, eeps = 200.0f, elen = 0.25f, ellc = 5.75f, emax = 0.0f, emin = -40.0f,
          enrm = 0.1f, fgrid = 1000.0f, fint = 1000.0f, floor = 100.0f, fmax = 8000.0f, fmin = 0.0f,
          foct = 0.0f, fpma = 0.0f, fpmb = 0.0f, fpmc = 0.0f, head = -1.0f, lablwt = 1.0f,
          labsiz = 0.1f, msgang = 0.0f, msglwt = 1.0f, msgsiz = 0.1f, pltlwt = 1.0f, rate = 0.0f,
          tail = 0.0f, ticsiz = 0.08f, tmax = 0.0f, tmin = 0.0f, token = 1.0f, tpage = 0.0f,
          windwidth = 0.0f, wlen = 1.0f, wllc = 6.25f, xlen = 8.5f, xllc = 1.25f, xpage = 11.0f,
          ylen = 4.5f, yllc = 1.0f, ypage = 8.0f;
};
inline Params par;

struct IntPar {
    const char *name;
    int8_t Params::*val;
};
struct FloatPar {
    const char *name;
    float Params::*val;
};
extern const IntPar intpars[38];
extern const FloatPar floatpars[50];

// Restores every parameter but the two markers to its default.
void pardefaults();
// 1 when the word's first four characters, letters folded to lower case, equal the name's.
int parmatch(std::string_view word, const char *name);
// A 'name=value' word of the command line or the environment: first match of each table.
void parassign(std::string_view word);
// A 'name=value' line of a parameter file: every matching entry of each table; the number
// of entries set (0: the name is no parameter's).
int parset(std::string_view line);
// The value conversions of every assignment: leading integer (low 8 bits kept by the
// caller) and leading floating value, 0 when there is none.
int parint(const char *text);
float parfloat(const char *text);
