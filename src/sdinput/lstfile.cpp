// ASCII lists: each line that reads as a number is a sample ("time, value" lines give the
// value), "; rate=" lines give the rate. Any non-zero number with a decimal point switches
// the whole list to scaling by its peak to 32767. Lines are read in pieces of 79 characters.
#include "sdinput/lstfile.h"

#include "base/params.h"
#include "sdinput/sdblock.h"
#include "sdinput/sdfile.h"
#include "sdinput/sdpipe.h"
#include "sdinput/sdrate.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <unistd.h>

namespace {

// The characters a number may begin with: + , - . / and the digits.
int numstart(char c) {
    return c >= '+' && c <= '9';
}

const char *skipblank(const char *s) {
    while (*s == ' ' || *s == '\t') s++;
    return s;
}

// A whole-number value, saturated at the 32-bit range.
double lstint(const char *s) {
    long long v = std::strtoll(s, nullptr, 10);
    if (v > INT32_MAX) v = INT32_MAX;
    if (v < INT32_MIN) v = INT32_MIN;
    return static_cast<double>(v);
}

// Pass 1: the count of numbers, the peak magnitude and the float flag.
long lstcount(FILE *fp, double *peak, int *isfloat) {
    char line[80];
    long count = 0;
    while (std::fgets(line, sizeof line, fp)) {
        double v;
        if (!lstnum(line, &v, isfloat)) continue;
        count++;
        if (std::fabs(v) > *peak) *peak = std::fabs(v);
    }
    return count;
}

// Pass 2: stores up to count samples; a "; rate=" line sets *r.
void lstfill(FILE *fp, long count, double scale, int isfloat, long *r) {
    char line[80];
    int dummy = 0;
    while (static_cast<long>(sdb.lst.size()) < count && std::fgets(line, sizeof line, fp)) {
        double v;
        if (lstnum(line, &v, &dummy)) {
            sdb.lst.push_back(isfloat ? sdconv(v * scale, 0) : sdconv(v, 0));
        } else if (std::strncmp(line, "; rate=", 7) == 0) {
            long long x = std::strtoll(line + 7, nullptr, 10);
            *r = x > INT32_MAX ? INT32_MAX : (x < INT32_MIN ? INT32_MIN : static_cast<long>(x));
        }
    }
}

} // namespace

int lstnum(const char *line, double *v, int *isfloat) {
    const char *s = skipblank(line);
    if (!numstart(*s)) return 0;
    if (const char *c = std::strchr(s, ',')) {
        s = skipblank(c + 1);
        if (!numstart(*s)) return 0;
    }
    if (std::strchr(s, '.')) {
        float f = std::strtof(s, nullptr);
        *v = f;
        if (f != 0) *isfloat = 1;
    } else {
        *v = lstint(s);
    }
    return 1;
}

int lstopen() {
    sdb.lst.clear();
    FILE *fp = sdfopenrd(sd.sdname);
    if (!fp) return 0;
    float rp = par.rate;
    long r = rp > 0 && rp < 2.0e9f ? static_cast<long>(rp) : 0;
    double peak = 0;
    int isfloat = 0;
    long count = lstcount(fp, &peak, &isfloat);
    try {
        sdb.lst.reserve(count);
    } catch (const std::bad_alloc &) {
        std::fclose(fp);
        return 0;
    }
    double scale = isfloat && peak > 0 ? 32767.0 / peak : 1.0;
    std::rewind(fp);
    lstfill(fp, count, scale, isfloat, &r);
    std::fclose(fp);
    float fr = r > 0 ? hdrrate(static_cast<double>(r)) : 0;
    sd.srate = fr > 0 ? fr : sdask();
    sd.nsamp = static_cast<int32_t>(sdb.lst.size());
    return 1;
}

int32_t lstget(int32_t i) {
    if (i < 0 || i >= sd.nsamp || i >= static_cast<int32_t>(sdb.lst.size())) return sdzero();
    return sdb.lst[i];
}

int istext(const std::string &path) {
    int fd = sdopenrd(path);
    if (fd < 0) return 0;
    unsigned char b[512];
    long n = sdpread(fd, 0, b, 512);
    ::close(fd);
    if (n < 0) return 0;
    for (long i = 0; i < n; i++)
        if (b[i] < 1 || b[i] > 127) return 0;
    return 1;
}

int lsttest(const std::string &path) {
    return istext(path) ? SD_LST : 0;
}
