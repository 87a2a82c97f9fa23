// Recordings decoded through the codec library. Blocks of 1024 frames are decoded into a
// cache that keeps one channel: a sequential read decodes forward, any other seeks. The open
// decodes the whole stream once, a block at a time, so a damaged or cut stream is refused
// before anything is plotted and the length is what the decoder really gives.
#include "sdinput/sfcodec.h"

#include "base/msg.h"
#include "base/params.h"
#include "sdinput/sdblock.h"
#include "sdinput/sdfile.h"
#include "sdinput/sdpipe.h"
#include "sdinput/sdrate.h"
#include "sdinput/sflib.h"
#include "sdinput/sfmagic.h"
#include "sdinput/sfmem.h"

#include <algorithm>
#include <cmath>
#include <fcntl.h>
#include <sndfile.h>
#include <unistd.h>
#include <vector>

namespace {

enum { SFB = 1024 }; // frames per block

// How decoded values become 16-bit samples.
enum SfConv {
    CONV_INT,  // integers, read left-justified in 32 bits: the top 16 bits
    CONV_U8,   // 8-bit sources: 0..255, as 8-bit WAV samples come
    CONV_FLOAT // float sources: times 32767, clipped to 16 bits
};

struct Sf {
    SNDFILE *f = nullptr;
    int chans = 1, chan = 0; // channels per frame, the one kept
    int conv = CONV_INT;
    int64_t pos = 0;         // next frame the decoder gives
    int32_t curblk = -1;     // block in smp, -1 when none
    int16_t smp[SFB] = {};   // the block's samples of channel chan
    std::vector<int> ibuf;   // one block of decoded frames
    std::vector<float> fbuf; // the same for float sources
    SfMem mem;               // reads of a stream's copy
};
Sf sf;

// The container each kind must be, and its name in messages.
struct SfKind {
    int kind, major;
    const char *name;
};
constexpr SfKind kinds[] = {
    {SD_FLC, SF_FORMAT_FLAC, "FLAC"}, {SD_SPH, SF_FORMAT_NIST, "SPHERE"},
    {SD_AIF, SF_FORMAT_AIFF, "AIFF"}, {SD_OGG, SF_FORMAT_OGG, "Ogg"},
    {SD_MP3, SF_FORMAT_MPEG, "MP3"},  {SD_W64, SF_FORMAT_W64, "W64"},
    {SD_RF6, SF_FORMAT_RF64, "RF64"}, {SD_CAF, SF_FORMAT_CAF, "CAF"},
};

const SfKind *kindof(int kind) {
    for (const SfKind &k : kinds)
        if (k.kind == kind) return &k;
    return nullptr;
}

const char *name() {
    return sd.sdname.c_str();
}

int convof(int sub) {
    switch (sub) {
    case SF_FORMAT_PCM_S8:
    case SF_FORMAT_PCM_U8: return CONV_U8;
    case SF_FORMAT_FLOAT:
    case SF_FORMAT_DOUBLE:
    case SF_FORMAT_VORBIS:
    case SF_FORMAT_OPUS:
    case SF_FORMAT_MPEG_LAYER_I:
    case SF_FORMAT_MPEG_LAYER_II:
    case SF_FORMAT_MPEG_LAYER_III: return CONV_FLOAT;
    default: return CONV_INT;
    }
}

// A float value as a 16-bit sample; *clip counts the values beyond 16 bits.
int16_t fsample(float v, int64_t *clip) {
    double x = 32767.0 * v;
    if (std::isnan(x)) return 0;
    if (x > 32767.0 || x < -32768.0) {
        (*clip)++;
        return x > 0 ? 32767 : -32768;
    }
    return static_cast<int16_t>(static_cast<int32_t>(x));
}

int16_t isample(int v) {
    if (sf.conv == CONV_U8) return static_cast<int16_t>((v >> 24) + 128);
    return static_cast<int16_t>(v >> 16);
}

// Decodes the next block of frames at the decoder's position into smp (channel chan); the
// frames decoded, 0 at the end, -1 on a decoder error. *clip counts clipped samples.
long sfnext(int64_t *clip) {
    sf_count_t n;
    if (sf.conv == CONV_FLOAT) {
        n = sf_readf_float(sf.f, sf.fbuf.data(), SFB);
        for (sf_count_t i = 0; i < n; i++)
            sf.smp[i] = fsample(sf.fbuf[i * sf.chans + sf.chan], clip);
    } else {
        n = sf_readf_int(sf.f, sf.ibuf.data(), SFB);
        for (sf_count_t i = 0; i < n; i++) sf.smp[i] = isample(sf.ibuf[i * sf.chans + sf.chan]);
    }
    if (n > 0) sf.pos += n;
    if (sf_error(sf.f) != SF_ERR_NO_ERROR) return -1;
    return static_cast<long>(n);
}

// Opens the file as its kind and checks the container and the encoding; nullptr when refused.
SNDFILE *sfopenkind(const SfKind &k, SF_INFO &info) {
    info = SF_INFO{};
    SNDFILE *f = sfopenname(sd.sdname, &info, &sf.mem);
    if (!f) {
        msg("ERROR(%s): %s file cannot be read: %s\n", name(), k.name, sf_strerror(nullptr));
        return nullptr;
    }
    int major = info.format & SF_FORMAT_TYPEMASK, sub = info.format & SF_FORMAT_SUBMASK;
    bool ok = major == k.major && info.channels > 0 && info.frames >= 0;
    if (k.kind == SD_OGG) ok = ok && (sub == SF_FORMAT_VORBIS || sub == SF_FORMAT_OPUS);
    if (k.kind == SD_MP3) ok = ok && sub == SF_FORMAT_MPEG_LAYER_III;
    if (!ok) {
        msg("ERROR(%s): not a %s recording that can be read (format 0x%06X)\n", name(), k.name,
            static_cast<unsigned>(info.format));
        sf_close(f);
        return nullptr;
    }
    return f;
}

// Bytes of one frame of a fixed-size encoding; 0 for the others.
int64_t framebytes(const SF_INFO &info) {
    static const int size[][2] = {
        {SF_FORMAT_PCM_S8, 1}, {SF_FORMAT_PCM_U8, 1}, {SF_FORMAT_ULAW, 1},
        {SF_FORMAT_ALAW, 1},   {SF_FORMAT_PCM_16, 2}, {SF_FORMAT_PCM_24, 3},
        {SF_FORMAT_PCM_32, 4}, {SF_FORMAT_FLOAT, 4},  {SF_FORMAT_DOUBLE, 8}};
    for (const auto &[sub, n] : size)
        if ((info.format & SF_FORMAT_SUBMASK) == sub)
            return static_cast<int64_t>(n) * info.channels;
    return 0;
}

// The frames the file says it holds, -1 when it does not say: the decoder's count unless it
// is only an estimate, and at least what the container's own header declares.
int64_t sfexpected(const SfKind &k, const SF_INFO &info) {
    int64_t n = info.frames == SF_COUNT_MAX ? -1 : info.frames;
    if (k.kind == SD_MP3 && !mp3sized(sd.sdname)) n = -1; // counted from the bit rate
    return std::max(n, sfdeclared(sd.sdname, k.kind, framebytes(info)));
}

// Decodes the whole stream once: the frames it really holds, or -1 when it is damaged or
// shorter than it says (said).
int64_t sfscan(const SfKind &k, const SF_INFO &info, int64_t *clip) {
    int64_t frames = 0, want = sfexpected(k, info);
    if (want < 0 && k.kind == SD_OGG) {
        msg("ERROR(%s): Ogg stream without its last page (cut short)\n", name());
        return -1;
    }
    for (long n; (n = sfnext(clip)) != 0; frames += n) {
        if (n < 0 || frames + n > INT32_MAX) {
            msg("ERROR(%s): %s data damaged after %lld frames: %s\n", name(), k.name,
                static_cast<long long>(frames), n < 0 ? sf_strerror(sf.f) : "too long");
            return -1;
        }
    }
    if (frames == 0) {
        msg("ERROR(%s): %s file holds no samples\n", name(), k.name);
        return -1;
    }
    if (frames < want) {
        msg("ERROR(%s): %s data ends after %lld of %lld frames\n", name(), k.name,
            static_cast<long long>(frames), static_cast<long long>(want));
        return -1;
    }
    return frames;
}

// Compressed SPHERE data would decode as noise: refused by its header's sample_coding.
int sphplain() {
    int fd = sdopenrd(sd.sdname);
    if (fd < 0) return 1;
    char h[1025] = {};
    long n = sdpread(fd, 0, h, 1024);
    ::close(fd);
    h[n > 0 ? n : 0] = 0;
    const char *c = std::strstr(h, "sample_coding");
    if (!c ||
        !(std::strstr(c, "shorten") || std::strstr(c, "wavpack") || std::strstr(c, "shortpack")))
        return 1;
    msg("ERROR(%s): compressed SPHERE data (shorten, wavpack) is not supported\n", name());
    return 0;
}

} // namespace

int sfopen() {
    sfclose();
    const SfKind *k = kindof(sd.sdtype);
    if (!k || (k->kind == SD_SPH && !sphplain())) return 0;
    if (!sfready()) {
        msg("ERROR(%s): %s recordings need libsndfile.so.1, which cannot be loaded\n", name(),
            k->name);
        return 0;
    }
    SF_INFO info;
    if (!(sf.f = sfopenkind(*k, info))) return 0;
    int chan = sdchannel(info.channels);
    if (chan < 0) return sfclose(), 0;
    sf.chans = info.channels, sf.chan = chan;
    sf.conv = convof(info.format & SF_FORMAT_SUBMASK);
    if (sf.conv == CONV_FLOAT)
        sf.fbuf.resize(static_cast<size_t>(SFB) * sf.chans);
    else
        sf.ibuf.resize(static_cast<size_t>(SFB) * sf.chans);
    int64_t clip = 0, frames = sfscan(*k, info, &clip);
    if (frames < 0) return sfclose(), 0;
    // back to the start: reopened, since not every stream seeks
    sf_close(sf.f);
    if (!(sf.f = sfopenkind(*k, info))) return sfclose(), 0;
    sf.pos = 0, sf.curblk = -1;
    sd.nsamp = static_cast<int32_t>(frames);
    sd.nchan = info.channels, sd.chan = chan + 1;
    sd.srate = sdrate(hdrrate(info.samplerate));
    if (clip > 0) msg("%lld samples clipped in %s\n", static_cast<long long>(clip), name());
    return 1;
}

// Loads block k into smp; the frames it holds (0 when it cannot be decoded).
static long sfload(int32_t k) {
    int64_t at = static_cast<int64_t>(k) * SFB, clip = 0;
    if (at != sf.pos) {
        if (sf_seek(sf.f, at, SEEK_SET) != at) return sf.pos = -1, 0; // unknown: seek next time
        sf.pos = at;
    }
    long n = sfnext(&clip);
    if (n <= 0) return 0;
    sf.curblk = k;
    return n;
}

int32_t sfget(int32_t i) {
    int32_t z = sdzero();
    if (i < 0 || i >= sd.nsamp) {
        if (!par.periodic || sd.nsamp <= 0) return z;
        i %= sd.nsamp;
        if (i < 0) i += sd.nsamp;
    }
    if (!sf.f) return z;
    int32_t k = i / SFB;
    if (k != sf.curblk) {
        sf.curblk = -1;
        long n = sfload(k);
        for (long j = n; j < SFB; j++) sf.smp[j] = static_cast<int16_t>(z);
        if (n <= 0) return static_cast<int16_t>(z); // retried on the next call
    }
    return sf.smp[i % SFB];
}

void sfclose() {
    if (sf.f) sf_close(sf.f);
    sf.f = nullptr;
    sf.curblk = -1;
    sf.pos = 0;
    std::vector<int>().swap(sf.ibuf);
    std::vector<float>().swap(sf.fbuf);
}

int sfchans(const std::string &path) {
    if (!sfready()) return 0;
    SF_INFO info{};
    SfMem m;
    SNDFILE *f = sfopenname(path, &info, &m);
    if (!f) return 0;
    sf_close(f);
    return info.channels;
}
