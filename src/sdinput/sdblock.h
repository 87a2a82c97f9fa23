// Block-reader state and the block cache shared by every binary format: one open file, one
// block of raw samples converted to 16 bits at a time. Also the byte-order helpers and the
// small file helpers the format open routines share.
#pragma once
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <sys/types.h>
#include <unistd.h>
#include <vector>

// Sample encodings of the block reader (codes 0..8 as the formats name them; 9 and 10 are
// the wide PCM samples of RIFF WAVE files, reduced to their top 16 bits).
enum SdEnc {
    ENC_NONE = 0,
    ENC_S8 = 1,
    ENC_ULAW = 2,
    ENC_U8 = 3,
    ENC_S16 = 5,
    ENC_S32 = 6,
    ENC_F32 = 7,
    ENC_F64 = 8,
    ENC_S24 = 9,
    ENC_S32HI = 10
};

// What a span cache was read for: the open file and how its samples are laid out.
struct SdSpanKey {
    int fd = -1, enc = 0, chans = 0, chan = 0, swap = 0, sat = 0, unsig = 0, spb = 0;
    int64_t dataoff = 0;
    double scale = 0;
    bool operator==(const SdSpanKey &) const = default;
};

// The span reader's cache: one large block of many blocks, read in one piece. Each block in
// it holds the samples its own load would give; one whose load failed is loaded again when used.
struct SdSpan {
    SdSpanKey key;
    int32_t blk = -1;               // large block held, -1 when none
    int nblk = 0;                   // blocks per large block
    std::vector<int16_t> smp;       // the large block as 16-bit samples
    std::vector<int> got;           // whole samples of each block; -1 when its load failed
    std::vector<unsigned char> raw; // the bytes of a read
};

struct SdBlk {
    int fd = -1;              // open file, negative when none
    int enc = ENC_NONE;       // sample encoding
    int bps = 0;              // bytes per sample
    int spb = 256;            // samples per block
    int swap = 0;             // samples are stored in the opposite byte order
    int64_t dataoff = 0;      // byte position of sample 0
    double scale = 1.0;       // factor applied to wide samples before conversion
    int sat = 0;              // full-scale audio: converted values saturate at 16 bits
    int unsig = 0;            // 32-bit integers are unsigned
    int chans = 1;            // interleaved channels per frame
    int chan = 0;             // the channel read, 0-based; sample i is frame i's channel chan
    int32_t curblk = -1;      // block in smp, -1 when none
    int tokfile = 0;          // the last ILS test saw the token marker
    unsigned char buf[516];   // raw block, or a file header during identification
    int16_t smp[256];         // the current block as 16-bit samples
    std::vector<int16_t> lst; // samples of an ASCII list
    SdSpan span;              // the span reader's cache
    FILE *askfp = stdin;      // where the rate prompt reads its answer
    // The read call of every sample read; a test puts one here that fails chosen ranges.
    ssize_t (*rawread)(int fd, void *p, size_t n, off_t pos) = ::pread;
};
inline SdBlk sdb;

// Bytes per sample of an encoding (0: unsupported).
int sdencbytes(int enc);
// Sets the encoding and with it the block geometry (bytes per sample, samples per block).
void sdsetenc(int enc);
// Loads block k into the cache; the number of whole samples read, 0 on failure.
int sdload(int32_t k);
// The block reader installed in getsamp.
int32_t blkget(int32_t i);
// Samples first .. first + n - 1 into out, each as blkget gives it, from large blocks read in
// one piece each (64 KiB and more); a read error reads that block's blocks one by one.
void blkspan(int32_t first, int n, int32_t *out);
// trunc(wzero), whatever wzero holds.
int32_t sdzero();
// A wide sample value as a 16-bit sample: NaN is 0, the 32-bit range saturates, then the
// low 16 bits are kept; with sat the value saturates at -32768..32767 instead.
int16_t sdconv(double v, int sat);
// Peak magnitude of the first sd.nsamp values of a 32- or 64-bit encoding from the data
// offset; *fits (when given) tells whether every value lies in -32768..32767.
double sdpeak(int *fits = nullptr);

// Opens sd.sdname read-only into sdb.fd; 1 done, 0 not.
int sdfopen();
// Closes sdb.fd if open; returns 0 so open routines can `return sdfail();`.
int sdfail();
// Reads up to n bytes at byte pos (EOF or error ends it early): the count read, -1 on error.
long sdpread(int fd, int64_t pos, void *p, long n);
// sdpread that also tells whether a read error (not the end of the file) ended it early.
long sdreadall(int fd, int64_t pos, void *p, long n, int *err);
// Size of the open file in bytes (0 when unknown).
int64_t sdfsize(int fd);
// Frames present after the data offset, at bytes per sample bps, in a file of `size` bytes.
int64_t sdpresent(int64_t size, int bps);
// nsamp from a claimed count, lowered to the samples present (never negative).
int32_t sdclaim(int64_t claimed, int64_t size);

// Little-endian field readers with an optional byte swap (swap 1: big-endian).
inline uint16_t get16(const unsigned char *b, int swap) {
    return swap ? static_cast<uint16_t>(b[0] << 8 | b[1]) : static_cast<uint16_t>(b[1] << 8 | b[0]);
}
inline uint32_t get32(const unsigned char *b, int swap) {
    uint32_t v = static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 |
                 static_cast<uint32_t>(b[2]) << 16 | static_cast<uint32_t>(b[3]) << 24;
    return swap ? __builtin_bswap32(v) : v;
}
inline uint64_t get64(const unsigned char *b, int swap) {
    uint64_t v = 0;
    for (int i = 7; i >= 0; i--) v = v << 8 | b[i];
    return swap ? __builtin_bswap64(v) : v;
}
inline int16_t gets16(const unsigned char *b, int swap) {
    return static_cast<int16_t>(get16(b, swap));
}
inline int32_t gets32(const unsigned char *b, int swap) {
    return static_cast<int32_t>(get32(b, swap));
}
inline float getf32(const unsigned char *b, int swap) {
    uint32_t u = get32(b, swap);
    float f;
    std::memcpy(&f, &u, 4);
    return f;
}
inline double getf64(const unsigned char *b, int swap) {
    uint64_t u = get64(b, swap);
    double d;
    std::memcpy(&d, &u, 8);
    return d;
}
