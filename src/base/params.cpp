// Parameter names, defaults and the four-character lookup rule.
#include "base/params.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#define IP(n)                                                                                      \
    { #n, &Params::n }
const IntPar intpars[38] = {
    IP(_bpar),  IP(aronum), IP(aswv),     IP(bits),   IP(date),   IP(eaxis),   IP(elabel),
    IP(fannot), IP(faxis),  IP(flabel),   IP(ftpi),   IP(ftpw),   IP(grid),    IP(hfemph),
    IP(invwav), IP(mfft),   IP(mhal),     IP(mval),   IP(mxtnt),  IP(newpage), IP(nflim),
    IP(nlpc),   IP(over),   IP(periodic), IP(prenrg), IP(prspec), IP(prwave),  IP(rmdc),
    IP(sign),   IP(swap),   IP(tannot),   IP(taxis),  IP(tlabel), IP(toba),    IP(waxis),
    IP(window), IP(wlabel), IP(wrfile)};
#undef IP

#define FP(n)                                                                                      \
    { #n, &Params::n }
const FloatPar floatpars[50] = {
    FP(_fpar),  FP(agcsp),     FP(annlwt),  FP(annsiz),   FP(arosiz),   FP(arotip), FP(arowid),
    FP(axlnwd), FP(bandwidth), FP(channel), FP(contrast), FP(darkness), FP(eeps),   FP(elen),
    FP(ellc),   FP(emax),      FP(emin),    FP(enrm),     FP(fgrid),    FP(fint),   FP(floor),
    FP(fmax),   FP(fmin),      FP(foct),    FP(fpma),     FP(fpmb),     FP(fpmc),   FP(head),
    FP(lablwt), FP(labsiz),    FP(msgang),  FP(msglwt),   FP(msgsiz),   FP(pltlwt), FP(rate),
    FP(tail),   FP(ticsiz),    FP(tmax),    FP(tmin),     FP(token),    FP(tpage),  FP(windwidth),
    FP(wlen),   FP(wllc),      FP(xlen),    FP(xllc),     FP(xpage),    FP(ylen),   FP(yllc),
    FP(ypage)};
#undef FP

void pardefaults() {
    const int8_t bmark = par._bpar;
    const float fmark = par._fpar;
    par = Params{};
    par._bpar = bmark; // the markers are never written by the reset
    par._fpar = fmark;
}

int parmatch(std::string_view word, const char *name) {
    for (size_t i = 0; i < 4; i++) {
        char c = i < word.size() ? word[i] : '\0';
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != name[i] || c == '\0') return 0;
    }
    return 1;
}

int parint(const char *text) {
    // atoi's rule (blanks, sign, digits) without its overflow: keep the low bits of long long
    return static_cast<int>(std::strtoll(text, nullptr, 10));
}

// Only a plain decimal number counts (strtod alone would also take hex, "inf" and "nan").
float parfloat(const char *text) {
    const char *p = text;
    while (std::isspace(static_cast<unsigned char>(*p))) p++;
    const char *start = p;
    if (*p == '+' || *p == '-') p++;
    int digits = 0;
    while (std::isdigit(static_cast<unsigned char>(*p))) p++, digits++;
    if (*p == '.') {
        p++;
        while (std::isdigit(static_cast<unsigned char>(*p))) p++, digits++;
    }
    if (digits == 0) return 0.0f;
    if (*p == 'e' || *p == 'E') {
        const char *q = p + 1;
        if (*q == '+' || *q == '-') q++;
        if (std::isdigit(static_cast<unsigned char>(*q))) {
            while (std::isdigit(static_cast<unsigned char>(*q))) q++;
            p = q;
        }
    }
    const std::string num(start, p);
    return static_cast<float>(std::strtod(num.c_str(), nullptr));
}

// The value text after the first '=', none when the word has no '='.
static std::optional<std::string> valueof(std::string_view word) {
    const size_t eq = word.find('=');
    if (eq == std::string_view::npos) return std::nullopt;
    return std::string(word.substr(eq + 1));
}

void parassign(std::string_view word) {
    const std::optional<std::string> v = valueof(word);
    if (!v) return;
    const char *value = v->c_str();
    for (const IntPar &p : intpars) {
        if (parmatch(word, p.name)) {
            par.*p.val = static_cast<int8_t>(parint(value) & 0xff);
            break;
        }
    }
    for (const FloatPar &p : floatpars) {
        if (parmatch(word, p.name)) {
            par.*p.val = parfloat(value);
            break;
        }
    }
}

int parset(std::string_view line) {
    const std::optional<std::string> v = valueof(line);
    if (!v) return 0;
    const char *value = v->c_str();
    int set = 0;
    for (const IntPar &p : intpars)
        if (parmatch(line, p.name)) par.*p.val = static_cast<int8_t>(parint(value) & 0xff), set++;
    for (const FloatPar &p : floatpars)
        if (parmatch(line, p.name)) par.*p.val = parfloat(value), set++;
    return set;
}
