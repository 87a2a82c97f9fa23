// Opening-byte tests of the recordings read through the codec library. An MP3 stream has no
// magic of its own: a tag followed by a frame header, or a frame header in a file named .mp3.
#include "sdinput/sfmagic.h"

#include "sdinput/sdblock.h"
#include "sdinput/sdfile.h"
#include "sdinput/sdpipe.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <unistd.h>

namespace {

// Reads up to n bytes at pos of the file into b; the count read (0 when it cannot be read).
long head(const std::string &path, int64_t pos, unsigned char *b, long n) {
    int fd = sdopenrd(path);
    if (fd < 0) return 0;
    long got = sdpread(fd, pos, b, n);
    ::close(fd);
    return got < 0 ? 0 : got;
}

// The kind when the file begins with the n bytes of magic, else 0.
int starts(const std::string &path, const char *magic, long n, int kind) {
    unsigned char b[16];
    return head(path, 0, b, n) == n && std::memcmp(b, magic, n) == 0 ? kind : 0;
}

// Bytes of an ID3v2 tag at the start of b (header, body and footer), 0 when there is none.
int64_t id3len(const unsigned char *b) {
    if (std::memcmp(b, "ID3", 3) != 0 || b[3] == 0xFF || b[4] == 0xFF) return 0;
    int64_t len = 0;
    for (int i = 6; i < 10; i++) {
        if (b[i] & 0x80) return 0; // sizes are stored seven bits a byte
        len = len << 7 | b[i];
    }
    return 10 + len + (b[5] & 0x10 ? 10 : 0);
}

bool mp3name(const std::string &path) {
    if (path.size() < 4) return false;
    std::string ext = path.substr(path.size() - 4);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return std::tolower(c); });
    return ext == ".mp3";
}

} // namespace

int mp3frame(const unsigned char *b) {
    int version = b[1] >> 3 & 3, layer = b[1] >> 1 & 3, bitrate = b[2] >> 4, rate = b[2] >> 2 & 3;
    return b[0] == 0xFF && (b[1] & 0xE0) == 0xE0 && version != 1 && layer == 1 && bitrate != 0 &&
           bitrate != 15 && rate != 3;
}

int flctest(const std::string &path) {
    return starts(path, "fLaC", 4, SD_FLC);
}

int sphtest(const std::string &path) {
    return starts(path, "NIST_1A\n", 8, SD_SPH);
}

int aiftest(const std::string &path) {
    unsigned char b[12];
    if (head(path, 0, b, 12) != 12 || std::memcmp(b, "FORM", 4) != 0) return 0;
    return std::memcmp(b + 8, "AIFF", 4) == 0 || std::memcmp(b + 8, "AIFC", 4) == 0 ? SD_AIF : 0;
}

int oggtest(const std::string &path) {
    return starts(path, "OggS", 4, SD_OGG);
}

int mp3test(const std::string &path) {
    unsigned char b[10];
    if (head(path, 0, b, 10) != 10) return 0;
    if (int64_t tag = id3len(b)) return head(path, tag, b, 4) == 4 && mp3frame(b) ? SD_MP3 : 0;
    return mp3frame(b) && mp3name(path) ? SD_MP3 : 0;
}

int w64test(const std::string &path) {
    static const unsigned char riff[16] = {0x72, 0x69, 0x66, 0x66, 0x2E, 0x91, 0xCF, 0x11,
                                           0xA5, 0xD6, 0x28, 0xDB, 0x04, 0xC1, 0x00, 0x00};
    static const unsigned char wave[16] = {0x77, 0x61, 0x76, 0x65, 0xF3, 0xAC, 0xD3, 0x11,
                                           0x8C, 0xD1, 0x00, 0xC0, 0x4F, 0x8E, 0xDB, 0x8A};
    unsigned char b[40];
    if (head(path, 0, b, 40) != 40) return 0;
    return std::memcmp(b, riff, 16) == 0 && std::memcmp(b + 24, wave, 16) == 0 ? SD_W64 : 0;
}

int rf6test(const std::string &path) {
    unsigned char b[12];
    if (head(path, 0, b, 12) != 12 || std::memcmp(b + 8, "WAVE", 4) != 0) return 0;
    return std::memcmp(b, "RF64", 4) == 0 || std::memcmp(b, "BW64", 4) == 0 ? SD_RF6 : 0;
}

int caftest(const std::string &path) {
    return starts(path, "caff", 4, SD_CAF);
}

namespace {

// AIFF: the frame count of the "COMM" chunk, found by walking the chunks.
int64_t aifframes(const std::string &path) {
    unsigned char b[14];
    for (int64_t pos = 12; head(path, pos, b, 14) == 14;
         pos += 8 + ((get32(b + 4, 1) + 1ull) & ~1ull))
        if (std::memcmp(b, "COMM", 4) == 0) return get32(b + 10, 1);
    return -1;
}

// SPHERE: the sample_count field of the text header (frames, whatever the channel count).
int64_t sphframes(const std::string &path) {
    char h[1025] = {};
    long n = head(path, 0, reinterpret_cast<unsigned char *>(h), 1024);
    h[n] = 0;
    static const char field[] = "\nsample_count -i ";
    const char *c = std::strstr(h, field);
    return c ? std::strtoll(c + sizeof field - 1, nullptr, 10) : -1;
}

// W64: the "data" chunk's size (which counts its 24-byte head), chunks 8-byte aligned.
int64_t w64bytes(const std::string &path) {
    unsigned char b[24];
    for (int64_t pos = 40; head(path, pos, b, 24) == 24;) {
        int64_t len = static_cast<int64_t>(get64(b + 16, 0));
        if (std::memcmp(b, "data", 4) == 0) return len - 24;
        if (len < 24) return -1;
        pos += (len + 7) & ~int64_t{7};
    }
    return -1;
}

// CAF: the "data" chunk's size less its edit count; -1 (to the end of the file) stays.
int64_t cafbytes(const std::string &path) {
    unsigned char b[12];
    for (int64_t pos = 8; head(path, pos, b, 12) == 12;) {
        int64_t len = static_cast<int64_t>(get64(b + 4, 1));
        if (std::memcmp(b, "data", 4) == 0) return len < 0 ? -1 : len - 4;
        if (len < 0) return -1;
        pos += 12 + len;
    }
    return -1;
}

} // namespace

int64_t sfdeclared(const std::string &path, int kind, int64_t fbytes) {
    unsigned char b[36];
    switch (kind) {
    case SD_AIF: return aifframes(path);
    case SD_SPH: return sphframes(path);
    case SD_RF6: // "ds64" first: RIFF size, data size, sample count
        if (head(path, 12, b, 36) != 36 || std::memcmp(b, "ds64", 4) != 0 || fbytes <= 0) return -1;
        return static_cast<int64_t>(get64(b + 16, 0) / fbytes);
    case SD_W64: {
        int64_t n = w64bytes(path);
        return n < 0 || fbytes <= 0 ? -1 : n / fbytes;
    }
    case SD_CAF: {
        int64_t n = cafbytes(path);
        return n < 0 || fbytes <= 0 ? -1 : n / fbytes;
    }
    default: return -1;
    }
}

int mp3sized(const std::string &path) {
    unsigned char b[256] = {};
    if (head(path, 0, b, 10) != 10) return 0;
    long n = head(path, id3len(b), b, sizeof b);
    for (long i = 4; i + 4 <= n; i++)
        if (std::memcmp(b + i, "Xing", 4) == 0 || std::memcmp(b + i, "Info", 4) == 0) return 1;
    return 0;
}
