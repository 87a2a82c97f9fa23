// ILS files: a 512-byte header of 16-bit words in either byte order (word 62 tells which),
// then 16-bit samples. Token files hold equal-length tokens from byte 512 and a token record
// at block word 5 + 1; the `token` parameter picks one, counting from 1.
#include "sdinput/ilsfile.h"

#include "base/msg.h"
#include "base/params.h"
#include "sdinput/sdblock.h"
#include "sdinput/sdfile.h"
#include "sdinput/sdpipe.h"
#include "sdinput/sdrate.h"

#include <cmath>
#include <unistd.h>

namespace {

constexpr int ilsmark = -32000, ilsmarkx = 131;  // word 62, in file order and swapped
constexpr int tokmark = 11111, tokmarkx = 26411; // word 63

// The token record of the last header read.
struct Tok {
    int count = 0, len = 0, index = 0;
};
Tok tok;

// Header word w as stored, or swapped.
int hword(int w, int swap) {
    return gets16(sdb.buf + 2 * w, swap);
}

// Reads the token record of a token file whose header is in the buffer.
void ilstok(int fd, int swap) {
    int blk = hword(5, swap);
    unsigned char r[8] = {};
    if (sdpread(fd, (static_cast<int64_t>(blk) + 1) * 512, r, 8) <= 0) return;
    tok.count = gets16(r, swap);
    tok.len = gets16(r + 2, swap);
    float t = par.token;
    tok.index = t >= -32768.0f && t <= 32767.0f ? static_cast<int>(t) : (t > 0 ? 32767 : -32768);
}

// Header rate trunc(word 61 x 10^word 60).
double ilsrate(int swap) {
    double r = hword(61, swap) * std::pow(10.0, hword(60, swap));
    return std::isfinite(r) ? std::trunc(r) : 0;
}

// The token's data offset and sample count; 0 (with a message) when it lies outside the file.
int ilstokdata(int64_t size, int64_t *off, int64_t *n) {
    const char *p = sd.sdname.c_str();
    if (tok.count > 0 && (tok.index < 1 || tok.index > tok.count)) {
        msg("ERROR(%s): token %d outside 1..%d\n", p, tok.index, tok.count);
        return 0;
    }
    if (tok.len < 0) {
        msg("ERROR(%s): token length %d is negative\n", p, tok.len);
        return 0;
    }
    *off = 512 + 2 * (static_cast<int64_t>(tok.index) - 1) * tok.len;
    if (*off < 512 || *off > size) {
        msg("ERROR(%s): token %d of %d samples lies outside the file\n", p, tok.index, tok.len);
        return 0;
    }
    *n = tok.count > 0 ? tok.len : (size - *off) / 2;
    return 1;
}

} // namespace

int ilshdr(int fd) {
    std::memset(sdb.buf, 0, 512);
    long n = sdpread(fd, 0, sdb.buf, 512);
    if (n <= 0) return 0;
    tok = Tok{};
    int w63 = n >= 128 ? hword(63, 0) : 0;
    if (w63 != tokmark && w63 != tokmarkx) return static_cast<int>(n / 2);
    ilstok(fd, w63 == tokmarkx);
    return static_cast<int>(n / 2);
}

int ilstest(const std::string &path) {
    int fd = sdopenrd(path);
    if (fd < 0) return 0;
    int nw = ilshdr(fd);
    ::close(fd);
    if (nw < 64) return 0;
    int w63 = hword(63, 0);
    sdb.tokfile = w63 == tokmark || w63 == tokmarkx;
    int w62 = hword(62, 0);
    if (w62 != ilsmark && w62 != ilsmarkx) return 0;
    return sdb.tokfile ? SD_TOK : SD_ILS;
}

int ilsopen() {
    if (!sdfopen()) return 0;
    if (ilshdr(sdb.fd) < 64) return sdfail();
    int64_t size = sdfsize(sdb.fd), off = 512, n = 0;
    int w62 = hword(62, 0), w63 = hword(63, 0), swap;
    if (w63 == tokmark || w63 == tokmarkx) {
        swap = w63 == tokmarkx;
        if (!ilstokdata(size, &off, &n)) return sdfail();
    } else if (w62 == ilsmark || w62 == ilsmarkx) {
        swap = w62 == ilsmarkx;
        if (size < off) {
            msg("ERROR(%s): ILS header cut short: %lld of 512 bytes\n", sd.sdname.c_str(),
                static_cast<long long>(size));
            return sdfail();
        }
        n = (size - off) / 2;
    } else {
        return sdfail();
    }
    sd.srate = sdrate(hdrrate(ilsrate(swap)));
    sdsetenc(ENC_S16);
    sdb.dataoff = off;
    sdb.swap = swap;
    sdb.scale = 1.0, sdb.sat = 0, sdb.unsig = 0;
    sd.nsamp = sdclaim(n, size);
    sdb.curblk = -1;
    return 1;
}
