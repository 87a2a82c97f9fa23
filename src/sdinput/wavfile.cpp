// RIFF WAVE files, little-endian only. Frames of several channels give one channel's samples.
// Chunks before "fmt " and between "fmt " and "data" are skipped (with the pad byte of odd sizes);
// a data size past the end of the file (streamed files) is lowered to the samples present. Format
// tags: PCM, IEEE float, mu-law and the extensible wrapper.
#include "sdinput/wavfile.h"

#include "base/msg.h"
#include "sdinput/sdblock.h"
#include "sdinput/sdfile.h"
#include "sdinput/sdpipe.h"
#include "sdinput/sdrate.h"

#include <unistd.h>

namespace {

struct WavFmt {
    uint32_t size = 0; // format chunk size S
    int tag = 0;       // format tag (the sub-format's for the extensible wrapper)
    int chans = 0;     // channels per frame
    uint32_t rate = 0; // header rate
    int bits = 0;      // bits per sample
};

const char *name() {
    return sd.sdname.c_str();
}

// Walks the chunks from byte 12 to the format chunk (padding, broadcast and list chunks may
// come first); the position of its tag, or -1.
int64_t wavfmtpos(unsigned char *h) {
    for (int64_t pos = 12;; pos += 8 + static_cast<int64_t>(get32(h + 4, 0)) + (h[4] & 1)) {
        if (sdpread(sdb.fd, pos, h, 8) != 8) break;
        if (std::memcmp(h, "fmt ", 4) == 0) return pos;
    }
    msg("ERROR(%s): RIFF WAVE file without a \"fmt \" chunk after \"WAVE\"\n", name());
    return -1;
}

// Reads the format chunk into f; its end (the position of the next tag) or -1.
int64_t wavfmt(int64_t size, WavFmt &f) {
    unsigned char h[48] = {};
    const int64_t pos = wavfmtpos(h);
    if (pos < 0) return -1;
    f.size = get32(h + 4, 0);
    int64_t end = pos + 8 + static_cast<int64_t>(f.size) + (f.size & 1);
    if (f.size < 16) {
        msg("ERROR(%s): RIFF WAVE \"fmt \" chunk of %u bytes is too short\n", name(), f.size);
        return -1;
    }
    if (end > size) {
        msg("ERROR(%s): RIFF WAVE chunk \"fmt \" of %u bytes runs past the end of the file\n",
            name(), f.size);
        return -1;
    }
    long want = f.size >= 40 ? 40 : 16;
    if (sdpread(sdb.fd, pos + 8, h, want) != want) return -1;
    f.tag = get16(h, 0);
    f.chans = get16(h + 2, 0);
    f.rate = get32(h + 4, 0);
    f.bits = get16(h + 14, 0);
    if (f.tag == 0xFFFE && f.size >= 40) f.tag = get16(h + 24, 0); // the sub-format's tag
    return end;
}

// Walks the chunks from pos to the "data" chunk; its data size in *dsize and the data
// offset, or -1 when there is none.
int64_t wavdata(int64_t pos, int64_t size, uint32_t *dsize) {
    unsigned char h[8];
    for (;;) {
        if (sdpread(sdb.fd, pos, h, 8) != 8) {
            msg("ERROR(%s): RIFF WAVE file without a \"data\" chunk\n", name());
            return -1;
        }
        uint32_t len = get32(h + 4, 0);
        if (std::memcmp(h, "data", 4) == 0) {
            *dsize = len;
            return pos + 8;
        }
        int64_t next = pos + 8 + len + (len & 1);
        if (next > size) {
            msg("ERROR(%s): RIFF WAVE chunk \"%.4s\" of %u bytes runs past the end of the file\n",
                name(), reinterpret_cast<const char *>(h), len);
            return -1;
        }
        pos = next;
    }
}

// The block encoding of a format tag and sample size; 0 when it is not supported.
int wavenc(const WavFmt &f) {
    if (f.tag == 1 && f.bits == 8) return ENC_U8;
    if (f.tag == 1 && f.bits == 16) return ENC_S16;
    if (f.tag == 1 && f.bits == 24) return ENC_S24;
    if (f.tag == 1 && f.bits == 32) return ENC_S32HI;
    if (f.tag == 3 && f.bits == 32) return ENC_F32;
    if (f.tag == 7 && f.bits == 8) return ENC_ULAW;
    return ENC_NONE;
}

// The channel read of a file of n channels, 0-based; -1 when refused (said).
int wavchan(int n) {
    if (n < 1 || n > SDMAXCHANS) {
        msg("ERROR(%s): RIFF WAVE file of %d channels cannot be read\n", name(), n);
        return -1;
    }
    return sdchannel(n);
}

} // namespace

int wavchans(const std::string &path) {
    int fd = sdopenrd(path);
    if (fd < 0) return 0;
    unsigned char h[24];
    long n = sdpread(fd, 0, h, 24);
    ::close(fd);
    return n == 24 && std::memcmp(h + 12, "fmt ", 4) == 0 ? get16(h + 22, 0) : 0;
}

int wavtest(const std::string &path) {
    int fd = sdopenrd(path);
    if (fd < 0) return 0;
    unsigned char h[12];
    long n = sdpread(fd, 0, h, 12);
    ::close(fd);
    if (n != 12) return 0;
    if (std::memcmp(h, "RIFF", 4) == 0 && std::memcmp(h + 8, "WAVE", 4) == 0) return SD_WAV;
    if (std::memcmp(h, "FFIR", 4) == 0 && std::memcmp(h + 8, "EVAW", 4) == 0) return SD_WAV;
    return 0;
}

int wavopen() {
    if (!sdfopen()) return 0;
    unsigned char h[12];
    if (sdpread(sdb.fd, 0, h, 12) != 12) return sdfail();
    if (std::memcmp(h, "FFIR", 4) == 0) {
        msg("ERROR(%s): RIFF WAVE tags in reversed byte order are not supported\n", name());
        return sdfail();
    }
    if (std::memcmp(h, "RIFF", 4) != 0 || std::memcmp(h + 8, "WAVE", 4) != 0) return sdfail();
    int64_t size = sdfsize(sdb.fd);
    WavFmt f;
    int64_t pos = wavfmt(size, f);
    uint32_t dsize = 0;
    if (pos < 0 || (pos = wavdata(pos, size, &dsize)) < 0) return sdfail();
    int enc = wavenc(f);
    if (enc == ENC_NONE) {
        msg("ERROR(%s): RIFF WAVE format tag %d with %d bits per sample is not supported\n", name(),
            f.tag, f.bits);
        return sdfail();
    }
    int chan = wavchan(f.chans);
    if (chan < 0) return sdfail();
    sdsetenc(enc);
    sdb.chans = f.chans, sdb.chan = chan;
    sd.nchan = f.chans, sd.chan = chan + 1;
    sdb.dataoff = pos;
    sdb.swap = 0;
    sdb.scale = enc == ENC_F32 ? 32767.0 : 1.0; // float audio is full scale
    sdb.sat = enc == ENC_F32;
    sdb.unsig = 0;
    sd.nsamp = sdclaim(dsize / (sdb.bps * f.chans), size); // frames: one sample each
    sd.srate = sdrate(hdrrate(f.rate));
    sdb.curblk = -1;
    return 1;
}
