// The sample-rate prompt. End of input or a line without a number leaves the rate 0, which
// the analysis refuses with its own message; only plain decimal numbers are taken.
#include "sdinput/sdrate.h"

#include "base/msg.h"
#include "base/params.h"
#include "sdinput/sdblock.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

// One answer to the prompt; 0 when there is none.
static int answer(char *line, int size) {
    static const char prompt[] = "samples/second: ";
    if (askhook) {
        line[0] = 0;
        if (!askhook(prompt, line, size)) return 0;
        line[size - 1] = 0;
        return 1;
    }
    msg("%s", prompt);
    std::fflush(msgfp);
    return sdb.askfp && std::fgets(line, size, sdb.askfp);
}

float sdask() {
    char line[80];
    if (!answer(line, sizeof line)) return 0;
    // keep the leading decimal number only: no hexadecimal, no "inf" or "nan"
    const char *p = line;
    while (*p == ' ' || *p == '\t') p++;
    size_t n = std::strspn(p, "+-.0123456789eE");
    char num[80];
    std::memcpy(num, p, n);
    num[n] = 0;
    double r = std::strtod(num, nullptr);
    if (!std::isfinite(r) || std::fabs(r) > 3.0e38) return 0;
    return static_cast<float>(r);
}

float hdrrate(double r) {
    if (!(r > 0.0) || r > 1.0e9) return 0;
    return static_cast<float>(r);
}

float sdrate(float hdr) {
    if (par.rate > 0) return par.rate;
    if (hdr > 0) return hdr;
    return sdask();
}
