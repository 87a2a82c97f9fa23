// The block cache: raw blocks of 256 or 512 bytes (510 for 24-bit samples) converted to 16-bit
// samples. A failed load leaves the cache empty, so the block is read again on the next call;
// every conversion is defined for every bit pattern (NaN, infinities, huge values).
#include "sdinput/sdblock.h"

#include "base/params.h"
#include "sdinput/sdfile.h"
#include "sdinput/sdpipe.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <sys/stat.h>
#include <unistd.h>

int sdencbytes(int enc) {
    switch (enc) {
    case ENC_S8:
    case ENC_ULAW:
    case ENC_U8: return 1;
    case ENC_S16: return 2;
    case ENC_S24: return 3;
    case ENC_S32:
    case ENC_F32:
    case ENC_S32HI: return 4;
    case ENC_F64: return 8;
    default: return 0;
    }
}

// One block is 256 bytes of 8-bit samples, else 512 bytes (510 of 24-bit samples).
void sdsetenc(int enc) {
    sdb.enc = enc;
    sdb.bps = sdencbytes(enc);
    if (sdb.bps > 0) sdb.spb = (sdb.bps == 1 ? 256 : 512) / sdb.bps; // else left as it was
}

int32_t sdzero() {
    float z = sd.wzero;
    if (!(z == z)) return 0;
    if (z >= 2147483647.0f) return INT32_MAX;
    if (z <= -2147483648.0f) return INT32_MIN;
    return static_cast<int32_t>(z);
}

int16_t sdconv(double v, int sat) {
    if (std::isnan(v)) return 0;
    if (sat) {
        if (v >= 32767.0) return 32767;
        if (v <= -32768.0) return -32768;
        return static_cast<int16_t>(static_cast<int32_t>(v));
    }
    int64_t t;
    if (v >= 2147483647.0)
        t = INT32_MAX;
    else if (v <= -2147483648.0)
        t = INT32_MIN;
    else
        t = static_cast<int64_t>(v);
    return static_cast<int16_t>(static_cast<uint16_t>(t & 0xFFFF));
}

// G.711 mu-law expansion to -32124..32124.
static int16_t ulaw(unsigned char u) {
    u = static_cast<unsigned char>(~u);
    int t = ((u & 0x0F) << 3) + 0x84;
    t <<= (u & 0x70) >> 4;
    return static_cast<int16_t>((u & 0x80) ? 0x84 - t : t - 0x84);
}

// Converts n raw samples of b into out.
static void sdconvert(const unsigned char *b, int n, int16_t *out) {
    int s = sdb.swap;
    switch (sdb.enc) {
    case ENC_S8:
        for (int i = 0; i < n; i++) out[i] = static_cast<int8_t>(b[i]);
        break;
    case ENC_ULAW:
        for (int i = 0; i < n; i++) out[i] = ulaw(b[i]);
        break;
    case ENC_U8:
        for (int i = 0; i < n; i++) out[i] = b[i];
        break;
    case ENC_S16:
        if (s)
            for (int i = 0; i < n; i++) out[i] = gets16(b + 2 * i, 1);
        else
            for (int i = 0; i < n; i++) out[i] = gets16(b + 2 * i, 0);
        break;
    case ENC_S24:
        for (int i = 0; i < n; i++) out[i] = gets16(b + 3 * i + 1, 0);
        break;
    case ENC_S32HI:
        for (int i = 0; i < n; i++) out[i] = gets16(b + 4 * i + 2, 0);
        break;
    case ENC_S32:
        for (int i = 0; i < n; i++) {
            uint32_t u = get32(b + 4 * i, s);
            double v = sdb.unsig ? static_cast<double>(u) : static_cast<int32_t>(u);
            out[i] = sdb.scale == 1.0 ? sdconv(v, 0) : sdconv(v * sdb.scale, sdb.sat);
        }
        break;
    case ENC_F32:
        for (int i = 0; i < n; i++) out[i] = sdconv(sdb.scale * getf32(b + 4 * i, s), sdb.sat);
        break;
    case ENC_F64:
        for (int i = 0; i < n; i++) out[i] = sdconv(sdb.scale * getf64(b + 8 * i, s), sdb.sat);
        break;
    default:
        for (int i = 0; i < n; i++) out[i] = 0;
        break;
    }
}

// Reads the frames of block k and keeps channel chan of each in buf: the byte count kept.
static long sdframes(int32_t k) {
    long len = static_cast<long>(sdb.bps) * sdb.spb;
    long flen = len * sdb.chans;
    std::vector<unsigned char> raw(flen);
    long n = sdpread(sdb.fd, sdb.dataoff + static_cast<int64_t>(k) * flen, raw.data(), flen);
    if (n <= 0) return n;
    long fbytes = static_cast<long>(sdb.bps) * sdb.chans;
    long nf = n / fbytes;
    for (long f = 0; f < nf; f++)
        std::memcpy(sdb.buf + f * sdb.bps, raw.data() + f * fbytes + sdb.chan * sdb.bps, sdb.bps);
    return nf * sdb.bps;
}

int sdload(int32_t k) {
    if (sdb.fd < 0 || sdb.bps <= 0 || k < 0) return 0;
    long len = static_cast<long>(sdb.bps) * sdb.spb;
    long n = sdb.chans > 1
                 ? sdframes(k)
                 : sdpread(sdb.fd, sdb.dataoff + static_cast<int64_t>(k) * len, sdb.buf, len);
    if (n <= 0) return 0;
    int ns = static_cast<int>(n / sdb.bps);
    sdconvert(sdb.buf, ns, sdb.smp);
    sdb.curblk = k;
    return ns;
}

int32_t blkget(int32_t i) {
    int32_t z = sdzero();
    if (i < 0 || i >= sd.nsamp) {
        if (!par.periodic || sd.nsamp <= 0) return z;
        i %= sd.nsamp;
        if (i < 0) i += sd.nsamp;
    }
    if (sdb.spb <= 0) return z;
    int32_t k = i / sdb.spb;
    if (k != sdb.curblk) {
        int n = sdload(k);
        if (n <= 0) sdb.curblk = -1; // a failed load is retried, never served from the fill
        for (int j = n; j < sdb.spb; j++) sdb.smp[j] = static_cast<int16_t>(z);
        if (n <= 0) return static_cast<int16_t>(z);
    }
    return sdb.smp[i % sdb.spb];
}

// The span cache for the reader as it is now: emptied when the file or layout changed.
static SdSpan &spancache() {
    SdSpan &c = sdb.span;
    SdSpanKey k{sdb.fd,  sdb.enc,   sdb.chans, sdb.chan,    sdb.swap,
                sdb.sat, sdb.unsig, sdb.spb,   sdb.dataoff, sdb.scale};
    if (!(k == c.key)) {
        c.key = k;
        c.blk = -1;
        long flen = static_cast<long>(sdb.bps) * sdb.spb * sdb.chans;
        c.nblk = static_cast<int>(std::max(1L, 65536 / flen));
    }
    return c;
}

// Block j of the large block in hand loaded alone, as blkget would load it.
static void spanblock(SdSpan &c, int j) {
    int ns = sdload(c.blk * c.nblk + j);
    c.got[j] = ns > 0 ? ns : -1;
    if (ns > 0)
        std::memcpy(&c.smp[static_cast<size_t>(j) * sdb.spb], sdb.smp, ns * sizeof(int16_t));
    sdb.curblk = -1; // smp is only partly filled
}

// Reads large block b in one piece; after a read error every block of it is loaded alone,
// so exactly the blocks that blkget could not load fail.
static void spanload(SdSpan &c, int32_t b) {
    long fbytes = static_cast<long>(sdb.bps) * sdb.chans, flen = fbytes * sdb.spb;
    long want = flen * c.nblk;
    c.blk = b;
    c.raw.resize(want);
    c.smp.resize(static_cast<size_t>(sdb.spb) * c.nblk);
    c.got.assign(c.nblk, -1);
    int err = 0;
    long n =
        sdreadall(sdb.fd, sdb.dataoff + static_cast<int64_t>(b) * want, c.raw.data(), want, &err);
    if (err) {
        for (int j = 0; j < c.nblk; j++) spanblock(c, j);
        return;
    }
    long nf = n / fbytes; // whole frames; channel chan of each kept in place
    if (sdb.chans > 1)
        for (long f = 0; f < nf; f++)
            std::memmove(&c.raw[f * sdb.bps], &c.raw[f * fbytes + sdb.chan * sdb.bps], sdb.bps);
    sdconvert(c.raw.data(), static_cast<int>(nf), c.smp.data());
    for (int j = 0; j < c.nblk; j++) {
        long ns = std::clamp(nf - static_cast<long>(j) * sdb.spb, 0L, static_cast<long>(sdb.spb));
        c.got[j] = ns > 0 ? static_cast<int>(ns) : -1; // nothing read: loaded again when used
    }
}

void blkspan(int32_t first, int n, int32_t *out) {
    if (sdb.fd < 0 || sdb.bps <= 0 || sdb.spb <= 0) {
        for (int k = 0; k < n; k++) out[k] = blkget(static_cast<int32_t>(int64_t{first} + k));
        return;
    }
    SdSpan &c = spancache();
    const int32_t z = sdzero(), spb = sdb.spb, per = spb * c.nblk;
    for (int k = 0; k < n;) {
        const int32_t i = static_cast<int32_t>(int64_t{first} + k);
        if (i < 0 || i >= sd.nsamp) { // zero level or the periodic wrap, as blkget does it
            out[k++] = blkget(i);
            continue;
        }
        if (i / per != c.blk) spanload(c, i / per);
        const int32_t off = i - c.blk * per, j = off / spb, at = off - j * spb;
        if (c.got[j] < 0) spanblock(c, j);
        const int run =
            static_cast<int>(std::min<int64_t>({n - k, sd.nsamp - int64_t{i}, spb - at}));
        const int16_t *src = &c.smp[off];
        const int have = std::clamp(c.got[j] - at, 0, run);
        for (int q = 0; q < have; q++) out[k + q] = src[q];
        for (int q = have; q < run; q++) out[k + q] = static_cast<int16_t>(z);
        k += run;
    }
}

double sdpeak(int *fits) {
    double peak = 0;
    int ok = 1;
    int bps = sdb.bps;
    if (fits) *fits = 1;
    if (sdb.fd < 0 || (bps != 4 && bps != 8)) return 0;
    // Whole frames per read; only channel chan of each frame counts.
    long fbytes = static_cast<long>(bps) * sdb.chans;
    long len = 512 / fbytes * fbytes;
    if (len == 0) len = fbytes;
    std::vector<unsigned char> b(len);
    int64_t pos = sdb.dataoff, seen = 0;
    while (seen < sd.nsamp) {
        long n = sdpread(sdb.fd, pos, b.data(), len);
        if (n <= 0) break;
        for (long f = 0; f + fbytes <= n && seen < sd.nsamp; f += fbytes, seen++) {
            const unsigned char *j = b.data() + f + sdb.chan * bps;
            double v;
            if (sdb.enc == ENC_F64)
                v = getf64(j, sdb.swap);
            else if (sdb.enc == ENC_F32)
                v = getf32(j, sdb.swap);
            else if (sdb.unsig)
                v = get32(j, sdb.swap);
            else
                v = gets32(j, sdb.swap);
            if (v < -32768.0 || v > 32767.0) ok = 0;
            if (std::fabs(v) > peak) peak = std::fabs(v);
        }
        if (n < len) break;
        pos += len;
    }
    if (fits) *fits = ok;
    return peak;
}

int sdfopen() {
    sdb.span.key = SdSpanKey{}; // a new file may get the descriptor number of the last one
    sdb.span.blk = -1;
    sdb.fd = sdopenrd(sd.sdname);
    return sdb.fd >= 0;
}

int sdfail() {
    if (sdb.fd >= 0) ::close(sdb.fd);
    sdb.fd = -1;
    sdb.curblk = -1;
    sdb.span.key = SdSpanKey{};
    sdb.span.blk = -1;
    sdb.chans = 1;
    sdb.chan = 0;
    return 0;
}

long sdreadall(int fd, int64_t pos, void *p, long n, int *err) {
    *err = 0;
    if (fd < 0 || pos < 0) return *err = 1, -1;
    long got = 0;
    while (got < n) {
        ssize_t r = sdb.rawread(fd, static_cast<char *>(p) + got, n - got, pos + got);
        if (r < 0 && errno == EINTR) continue;
        if (r < 0) {
            *err = 1;
            return got > 0 ? got : -1;
        }
        if (r == 0) break;
        got += r;
    }
    return got;
}

long sdpread(int fd, int64_t pos, void *p, long n) {
    int err;
    return sdreadall(fd, pos, p, n, &err);
}

int64_t sdfsize(int fd) {
    struct stat st;
    if (fd < 0 || fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return 0;
    return st.st_size;
}

int64_t sdpresent(int64_t size, int bps) {
    if (bps <= 0 || size <= sdb.dataoff) return 0;
    return (size - sdb.dataoff) / (static_cast<int64_t>(bps) * sdb.chans);
}

int32_t sdclaim(int64_t claimed, int64_t size) {
    int64_t n = sdpresent(size, sdb.bps);
    if (claimed < n) n = claimed;
    if (n < 0) n = 0;
    return n > INT32_MAX ? INT32_MAX : static_cast<int32_t>(n);
}
