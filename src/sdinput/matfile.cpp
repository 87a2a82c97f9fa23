// Version 4 MAT-files: variables of a 20-byte header (type, rows, columns, imaginary flag,
// name length), a name and the values. The first vector is the data; scalars named "rate"
// or "fmax" before it give the rate. Wide data is scaled by its peak to 32767.
#include "sdinput/matfile.h"

#include "base/msg.h"
#include "base/params.h"
#include "sdinput/sdblock.h"
#include "sdinput/sdfile.h"
#include "sdinput/sdpipe.h"
#include "sdinput/sdrate.h"

#include <cmath>
#include <unistd.h>

namespace {

struct MatHdr {
    int32_t type = 0, rows = 0, cols = 0, imag = 0, namelen = 0;
    int swap = 0;
    int m = 0, o = 0, p = 0, t = 0; // type digits
};

// Bytes and block encoding of precision P (P 5, 8-bit text, is only ever skipped).
constexpr int precbytes[6] = {8, 4, 4, 2, 4, 1};
constexpr int precenc[6] = {ENC_F64, ENC_F32, ENC_S32, ENC_S16, ENC_S32, ENC_NONE};

// Decodes a 20-byte header, reversing its words when its type says so.
MatHdr matdecode(const unsigned char *b) {
    MatHdr h;
    uint32_t type = get32(b, 0);
    h.swap = type > 9999 || (type / 1000) % 10 != 0;
    h.type = gets32(b, h.swap), h.rows = gets32(b + 4, h.swap), h.cols = gets32(b + 8, h.swap);
    h.imag = gets32(b + 12, h.swap), h.namelen = gets32(b + 16, h.swap);
    if (h.type >= 0 && h.type <= 9999) {
        h.m = h.type / 1000, h.o = h.type / 100 % 10, h.p = h.type / 10 % 10, h.t = h.type % 10;
    } else {
        h.m = h.o = h.p = h.t = -1; // not a type
    }
    return h;
}

// One value of precision P at byte pos; 0 when it cannot be read.
double matscalar(int fd, int64_t pos, const MatHdr &h) {
    unsigned char b[8] = {};
    if (h.p < 0 || h.p > 4 || sdpread(fd, pos, b, precbytes[h.p]) != precbytes[h.p]) return 0;
    switch (h.p) {
    case 0: return getf64(b, h.swap);
    case 1: return getf32(b, h.swap);
    case 2: return gets32(b, h.swap);
    case 3: return gets16(b, h.swap);
    default: return get32(b, h.swap);
    }
}

// Reads the name at pos into name (80 bytes) and lists the variable; a rate found in a
// "rate" or "fmax" scalar goes to *cand.
void matlist(int64_t pos, const MatHdr &h, double *cand) {
    char name[80] = {};
    int len = static_cast<int16_t>(h.namelen);
    if (len > 80) len = 80;
    sdpread(sdb.fd, pos, name, len);
    name[79] = 0;
    int64_t vpos = pos + static_cast<int16_t>(h.namelen);
    if (std::strcmp(name, "fmax") == 0 || std::strcmp(name, "rate") == 0) {
        double v = matscalar(sdb.fd, vpos, h);
        *cand = name[0] == 'f' ? 2 * v : v;
        msg("    %s = %.0f\n", name, v);
    } else {
        msg("    %s%s\n", name, h.imag ? "*" : "");
    }
}

// A header that cannot be walked safely: says why, 1.
int matbad(const MatHdr &h) {
    const char *p = sd.sdname.c_str();
    if (h.t < 0 || h.p < 0 || h.p > 5) {
        msg("ERROR(%s): MAT variable of type %d cannot be read\n", p, h.type);
        return 1;
    }
    if (h.rows < 0 || h.cols < 0 || static_cast<int16_t>(h.namelen) <= 0) {
        msg("ERROR(%s): MAT variable of %d x %d values, name length %d\n", p, h.rows, h.cols,
            h.namelen);
        return 1;
    }
    return 0;
}

// Scale of the data: peak scan for floating-point data and for 32-bit integers wider than 16 bits.
void matscale() {
    sdb.scale = 1.0;
    if (sdb.enc != ENC_F32 && sdb.enc != ENC_F64 && sdb.enc != ENC_S32) return;
    int fits = 1;
    double peak = sdpeak(&fits);
    if (sdb.enc == ENC_S32 && fits) return;
    if (peak > 0) sdb.scale = 32767.0 / peak;
}

} // namespace

int mattest(const std::string &path) {
    int fd = sdopenrd(path);
    if (fd < 0) return 0;
    unsigned char b[20];
    long n = sdpread(fd, 0, b, 20);
    ::close(fd);
    if (n != 20) return 0;
    MatHdr h = matdecode(b);
    int ok = h.t == 0 && (h.m == 0 || h.m == 1) && (h.o == 0 || h.o == 1) && h.p >= 0 && h.p <= 4 &&
             h.imag == 0 && (h.rows == 1 || h.cols == 1) && h.namelen > 0;
    return ok ? SD_MAT : 0;
}

int matopen() {
    if (!sdfopen()) return 0;
    int64_t size = sdfsize(sdb.fd), p = 0;
    double cand = 0;
    unsigned char b[20];
    MatHdr h;
    for (;;) {
        if (sdpread(sdb.fd, p, b, 20) != 20) return sdfail();
        h = matdecode(b);
        if (matbad(h)) return sdfail();
        matlist(p + 20, h, &cand);
        p += 20 + static_cast<int16_t>(h.namelen);
        if (p > size) return sdfail(); // the name runs past the end
        int64_t n = static_cast<int64_t>(h.rows) * h.cols;
        if (n >= 2 && h.t == 0 && h.imag == 0) break;
        if (n > size) return sdfail(); // values past the end: no data vector follows
        p += precbytes[h.p] * n * (h.imag ? 2 : 1);
    }
    if (h.p > 4) {
        msg("ERROR(%s): MAT data of type %d cannot be read\n", sd.sdname.c_str(), h.type);
        return sdfail();
    }
    sdsetenc(precenc[h.p]);
    sdb.swap = h.swap, sdb.sat = 0, sdb.unsig = h.p == 4;
    sdb.dataoff = p;
    sd.srate = sdrate(hdrrate(cand));
    sd.nsamp = sdclaim(static_cast<int64_t>(h.rows) * h.cols, size);
    matscale();
    sdb.curblk = -1;
    return 1;
}
