// SND audio files: six 32-bit header words in either byte order, with the magic ".snd" or its
// variant ".sd\0"; frames of several channels give one channel's samples. Floating-point samples
// whose peak is at most 1.0 are full-scale audio and are scaled by 32767; larger values are taken
// as sample values (scale 1).
#include "sdinput/sndfile.h"

#include "base/msg.h"
#include "sdinput/sdblock.h"
#include "sdinput/sdfile.h"
#include "sdinput/sdpipe.h"
#include "sdinput/sdrate.h"

#include <unistd.h>

namespace {

struct SndHdr {
    int swap = 0;
    long len = 0;      // header bytes read (of 28)
    uint32_t off = 0;  // data offset
    uint32_t size = 0; // data size, 0xFFFFFFFF: to the end of the file
    uint32_t code = 0; // SND encoding
    uint32_t rate = 0;
    uint32_t chans = 1; // channels per frame
};

// SND encodings as block encodings; 0 for the unsupported ones.
int sndenc(uint32_t code) {
    switch (code) {
    case 1: return ENC_ULAW;
    case 2: return ENC_S8;
    case 3: return ENC_S16;
    case 6: return ENC_F32;
    case 7: return ENC_F64;
    default: return ENC_NONE;
    }
}

// Reads the header of fd into h; 1 when a magic was found.
int sndhdr(int fd, SndHdr &h) {
    unsigned char b[28] = {};
    h.len = sdpread(fd, 0, b, 28);
    if (h.len < 4) return 0;
    uint32_t m = get32(b, 0);
    if (m == 0x2E736E64u || m == 0x2E736400u)
        h.swap = 0;
    else if (m == 0x646E732Eu || m == 0x0064732Eu)
        h.swap = 1;
    else
        return 0;
    h.off = get32(b + 4, h.swap);
    h.size = get32(b + 8, h.swap);
    h.code = get32(b + 12, h.swap);
    h.rate = get32(b + 16, h.swap);
    h.chans = get32(b + 20, h.swap);
    return 1;
}

// The header's sample count (to the end of the file for 0xFFFFFFFF; 0 when unsupported).
int32_t sndcount(const SndHdr &h, int64_t fsize) {
    int bps = sdencbytes(sndenc(h.code));
    if (bps == 0) return 0;
    int64_t fbytes =
        static_cast<int64_t>(bps) * (h.chans >= 1 && h.chans <= SDMAXCHANS ? h.chans : 1);
    int64_t n = h.size / fbytes;
    if (h.size == 0xFFFFFFFFu) n = fsize > h.off ? (fsize - h.off) / fbytes : 0;
    return n > INT32_MAX ? INT32_MAX : static_cast<int32_t>(n);
}

// The descriptor from a header; the block state is left alone until the file is opened.
void sndfill(const SndHdr &h, int64_t fsize) {
    sd.nsamp = sndcount(h, fsize);
    sd.srate = static_cast<float>(h.rate);
}

// Full-scale float audio (peak at most 1.0) is scaled by 32767 and saturates at 16 bits.
void sndscale() {
    if (sdb.enc != ENC_F32 && sdb.enc != ENC_F64) return;
    double peak = sdpeak();
    if (peak <= 1.0) sdb.scale = 32767.0, sdb.sat = 1;
}

} // namespace

int sndchans(const std::string &path) {
    int fd = sdopenrd(path);
    if (fd < 0) return 0;
    SndHdr h;
    int ok = sndhdr(fd, h) && h.len >= 24;
    ::close(fd);
    return ok && h.chans >= 1 && h.chans <= SDMAXCHANS ? static_cast<int>(h.chans) : 0;
}

int sndtest(const std::string &path) {
    int fd = sdopenrd(path);
    if (fd < 0) return 0;
    SndHdr h;
    int ok = sndhdr(fd, h);
    if (ok) sndfill(h, sdfsize(fd));
    ::close(fd);
    return ok ? SD_SND : 0;
}

int sndopen() {
    if (!sdfopen()) return 0;
    const char *p = sd.sdname.c_str();
    SndHdr h;
    if (!sndhdr(sdb.fd, h)) return sdfail();
    int64_t fsize = sdfsize(sdb.fd);
    sndfill(h, fsize);
    sdsetenc(sndenc(h.code));
    sdb.swap = h.swap, sdb.scale = 1.0, sdb.sat = 0, sdb.unsig = 0;
    sdb.dataoff = h.off;
    if (h.len < 24) {
        msg("ERROR(%s): SND header cut short: %ld of 24 bytes\n", p, h.len);
        return sdfail();
    }
    if (sdb.enc == ENC_NONE) {
        msg("ERROR(%s): SND encoding %u is not supported\n", p, h.code);
        return sdfail();
    }
    if (h.off > fsize) {
        msg("SND seeking for data location failed\n");
        return sdfail();
    }
    if (h.off < 24) {
        msg("ERROR(%s): SND data offset %u lies inside the header\n", p, h.off);
        return sdfail();
    }
    if (h.chans < 1 || h.chans > SDMAXCHANS) {
        msg("ERROR(%s): SND file of %u channels cannot be read\n", p, h.chans);
        return sdfail();
    }
    int chan = sdchannel(static_cast<int>(h.chans));
    if (chan < 0) return sdfail();
    sdb.chans = static_cast<int>(h.chans), sdb.chan = chan;
    sd.nchan = sdb.chans, sd.chan = chan + 1;
    sd.nsamp = sdclaim(sd.nsamp, fsize);
    sd.srate = sdrate(hdrrate(h.rate));
    sndscale();
    sdb.curblk = -1;
    return 1;
}
