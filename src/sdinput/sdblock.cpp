// The block cache: raw blocks of 256 or 512 bytes (510 for 24-bit samples) converted to 16-bit
// samples. A failed load leaves the cache empty, so the block is read again on the next call;
// every conversion is defined for every bit pattern (NaN, infinities, huge values).
#include "sdinput/sdblock.h"

#include "base/params.h"
#include "sdinput/sdfile.h"

#include <cerrno>
#include <cmath>
#include <fcntl.h>
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

// Converts n raw samples of the buffer into smp.
static void sdconvblk(int n) {
    const unsigned char *b = sdb.buf;
    int s = sdb.swap;
    for (int i = 0; i < n; i++) {
        switch (sdb.enc) {
        case ENC_S8: sdb.smp[i] = static_cast<int8_t>(b[i]); break;
        case ENC_ULAW: sdb.smp[i] = ulaw(b[i]); break;
        case ENC_U8: sdb.smp[i] = b[i]; break;
        case ENC_S16: sdb.smp[i] = gets16(b + 2 * i, s); break;
        case ENC_S24: sdb.smp[i] = gets16(b + 3 * i + 1, 0); break;
        case ENC_S32HI: sdb.smp[i] = gets16(b + 4 * i + 2, 0); break;
        case ENC_S32: {
            uint32_t u = get32(b + 4 * i, s);
            double v = sdb.unsig ? static_cast<double>(u) : static_cast<int32_t>(u);
            sdb.smp[i] = sdb.scale == 1.0 ? sdconv(v, 0) : sdconv(v * sdb.scale, sdb.sat);
            break;
        }
        case ENC_F32: sdb.smp[i] = sdconv(sdb.scale * getf32(b + 4 * i, s), sdb.sat); break;
        case ENC_F64: sdb.smp[i] = sdconv(sdb.scale * getf64(b + 8 * i, s), sdb.sat); break;
        default: sdb.smp[i] = 0; break;
        }
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
    long n = sdb.chans > 1 ? sdframes(k)
                           : sdpread(sdb.fd, sdb.dataoff + static_cast<int64_t>(k) * len, sdb.buf, len);
    if (n <= 0) return 0;
    int ns = static_cast<int>(n / sdb.bps);
    sdconvblk(ns);
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
    sdb.fd = ::open(sd.sdname.c_str(), O_RDONLY);
    return sdb.fd >= 0;
}

int sdfail() {
    if (sdb.fd >= 0) ::close(sdb.fd);
    sdb.fd = -1;
    sdb.curblk = -1;
    sdb.chans = 1;
    sdb.chan = 0;
    return 0;
}

long sdpread(int fd, int64_t pos, void *p, long n) {
    if (fd < 0 || pos < 0) return -1;
    long got = 0;
    while (got < n) {
        ssize_t r = ::pread(fd, static_cast<char *>(p) + got, n - got, pos + got);
        if (r < 0 && errno == EINTR) continue;
        if (r < 0) return got > 0 ? got : -1;
        if (r == 0) break;
        got += r;
    }
    return got;
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
