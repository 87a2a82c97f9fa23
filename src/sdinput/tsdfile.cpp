// Time-step file reader: header check and decoding in either byte order, frame fetch with a
// one-frame cache. Header fields are decoded byte by byte, so the host's order never matters;
// a big-endian file's name field is stored as it is, only the numbers are reversed.
#include "sdinput/tsdfile.h"

#include "base/msg.h"
#include "sdinput/sdfile.h"
#include "sdinput/sdpipe.h"

#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// The reader's own state beside the public descriptor.
struct TsdIo {
    int32_t dataoff = 0;     // byte position of frame 0
    int swap = 0;            // frames are big-endian
    int fd = -1;             // open file, negative when none
    std::vector<float> fbuf; // the loaded frame
    std::vector<char> rbuf;  // raw bytes of a frame being read
    int32_t fcur = -1;       // index of the frame in fbuf, -1 when none
    std::string lastname;    // identity of the file of the last open, for fileid
    int64_t lastino = -1, lastdev = -1, lastsize = -1, lastmtime = -1;
};
TsdIo tio;

constexpr int hdrlen = 868;
constexpr int maxnpts = 4096; // 4095 channels: the plot's row tables hold nch + 1 rows

// The fields of a header that passed the check.
struct TsdHdr {
    int swap = 0;
    int dataoff = 0;
    char name[81] = {};
    float tstep = 0, ha = 0, hb = 0, hc = 0;
    int32_t nstep = 0, nframe = 0;
    int npts = 0;
    float tper = 0;
    long long size = 0; // file size at the check
};

// Little-endian files read as stored; big-endian files byte-reversed.
uint32_t get32(const unsigned char *h, int off, int swap) {
    const unsigned char *p = h + off;
    if (swap)
        return uint32_t(p[3]) | uint32_t(p[2]) << 8 | uint32_t(p[1]) << 16 | uint32_t(p[0]) << 24;
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

int16_t get16(const unsigned char *h, int off, int swap) {
    const unsigned char *p = h + off;
    return static_cast<int16_t>(swap ? (p[0] << 8 | p[1]) : (p[1] << 8 | p[0]));
}

float getf(const unsigned char *h, int off, int swap) {
    uint32_t u = get32(h, off, swap);
    float f;
    std::memcpy(&f, &u, 4);
    return f;
}

// Reads up to len bytes, retrying short reads; the count read, or -1 on an error at once.
long readall(int fd, void *buf, long len) {
    long got = 0;
    while (got < len) {
        ssize_t r = read(fd, static_cast<char *>(buf) + got, len - got);
        if (r <= 0) return got > 0 ? got : r;
        got += r;
    }
    return got;
}

// Refusals of header values that would make the reader or the plot unsafe.
int hdrsafe(const std::string &path, TsdHdr &t, const unsigned char *h, long long size) {
    const char *p = path.c_str();
    if (t.dataoff < hdrlen || t.dataoff > size) {
        msg("ERROR(%s): time-step data offset %d outside %d..%lld\n", p, t.dataoff, hdrlen, size);
        return 0;
    }
    if (t.npts < 2 || t.npts > maxnpts) {
        msg("ERROR(%s): time-step values per frame %d: 2 to %d (up to %d channels) allowed\n", p,
            t.npts, maxnpts, maxnpts - 1);
        return 0;
    }
    if (!(t.tper > 0)) {
        msg("ERROR(%s): time-step frame period %g s (%d steps of %g s): must be above 0\n", p,
            t.tper, t.nstep, t.tstep);
        return 0;
    }
    if (std::memchr(h + 16, 0, 80) == nullptr) {
        msg("ERROR(%s): time-step stimulus name not terminated within its 80 bytes\n", p);
        return 0;
    }
    return 1;
}

// Reads and checks the header of the open file fd; 1 and the fields in t when it passes.
int hdrread(int fd, const std::string &path, TsdHdr &t) {
    unsigned char h[hdrlen] = {};
    long n = readall(fd, h, hdrlen);
    if (n < 4) return 0;
    uint32_t magic = get32(h, 0, 0);
    if (magic == 0x74736400u)
        t.swap = 0;
    else if (magic == 0x00647374u)
        t.swap = 1;
    else
        return 0;
    if (n < hdrlen) {
        msg("ERROR(%s): time-step header cut short: %ld of %d bytes\n", path.c_str(), n, hdrlen);
        return 0;
    }
    if (get16(h, 10, t.swap) != 0) {
        msg("ERROR:  not a time-step file\n");
        return 0;
    }
    int ifmrt = get16(h, 12, t.swap);
    if (ifmrt != 1 && ifmrt != 2) {
        msg("ERROR:  unsupported format: ifmrt=%d\n", ifmrt);
        return 0;
    }
    t.dataoff = get16(h, 4, t.swap);
    t.tstep = getf(h, 96, t.swap);
    t.ha = getf(h, 108, t.swap);
    t.hb = getf(h, 112, t.swap);
    t.hc = getf(h, 116, t.swap);
    t.nstep = static_cast<int32_t>(get32(h, 140, t.swap));
    t.nframe = static_cast<int32_t>(get32(h, 148, t.swap));
    t.npts = get16(h, 154, t.swap);
    t.tper = static_cast<float>(t.nstep) * t.tstep;
    struct stat st;
    t.size = fstat(fd, &st) == 0 ? static_cast<long long>(st.st_size) : 0;
    if (!hdrsafe(path, t, h, t.size)) return 0;
    std::memcpy(t.name, h + 16, 80);
    return 1;
}

// A new file identity (name, device, inode, size, time) gives the descriptor a new fileid,
// so that cached columns of an earlier file are never shown for this one.
void tsdident(int fd, const std::string &path) {
    struct stat st;
    if (fstat(fd, &st) != 0) std::memset(&st, 0, sizeof st);
    if (path != tio.lastname || tio.lastdev != int64_t(st.st_dev) ||
        tio.lastino != int64_t(st.st_ino) || tio.lastsize != int64_t(st.st_size) ||
        tio.lastmtime != int64_t(st.st_mtime)) {
        tsd.fileid++;
        tio.lastname = path;
        tio.lastdev = st.st_dev;
        tio.lastino = st.st_ino;
        tio.lastsize = st.st_size;
        tio.lastmtime = st.st_mtime;
    }
}

// Frame buffers of n values; 0 when they cannot be had.
int tsdalloc(int n) {
    try {
        tio.fbuf.assign(n, 0.0f);
        tio.rbuf.assign(4 * static_cast<size_t>(n), 0);
    } catch (...) { return 0; }
    return 1;
}

} // namespace

int tsdcheck(const std::string &path) {
    int fd = sdopenrd(path);
    if (fd < 0) return 0;
    TsdHdr t;
    int ok = hdrread(fd, path, t);
    close(fd);
    return ok;
}

int tsdopen() {
    tsdclose();
    const std::string path = sd.sdname;
    int fd = sdopenrd(path);
    if (fd < 0) return 0;
    TsdHdr t;
    if (!hdrread(fd, path, t)) {
        close(fd);
        return 0;
    }
    if (!tsdalloc(t.npts)) {
        close(fd);
        msg("ERROR:  can't allocate buffer for %s file\n", path.c_str());
        return -1;
    }
    tsd.stimname = t.name;
    tsd.ha = t.ha, tsd.hb = t.hb, tsd.hc = t.hc;
    tsd.npts = t.npts;
    tsd.tper = t.tper;
    tio.dataoff = t.dataoff;
    tio.swap = t.swap;
    long long present = (t.size - t.dataoff) / (4LL * t.npts);
    tsd.nstp = t.nframe < 0 ? 0 : t.nframe;
    if (present < tsd.nstp) tsd.nstp = static_cast<int32_t>(present);
    tsdident(fd, path);
    tio.fd = fd;
    tio.fcur = -1;
    sd.sdtype = 3; // the plot command identifies the stimulus again
    return 1;
}

float *tsdframe(int32_t k) {
    if (k == tio.fcur || k < 0 || k >= tsd.nstp || tio.fd < 0)
        return tio.fcur >= 0 ? tio.fbuf.data() : nullptr;
    long len = 4L * tsd.npts;
    off_t pos = static_cast<off_t>(k) * len + tio.dataoff;
    // A frame is taken only whole, so the buffer never mixes two frames.
    if (lseek(tio.fd, pos, SEEK_SET) != pos || readall(tio.fd, tio.rbuf.data(), len) != len)
        return nullptr;
    const unsigned char *b = reinterpret_cast<const unsigned char *>(tio.rbuf.data());
    for (int i = 0; i < tsd.npts; i++) tio.fbuf[i] = getf(b, 4 * i, tio.swap);
    tsd.tscal = tio.fbuf[0];
    tio.fcur = k;
    tio.fbuf[0] = 0.0f;
    return tio.fbuf.data();
}

void tsdclose() {
    if (tio.fd >= 0) close(tio.fd);
    tio.fd = -1;
    tio.fcur = -1;
    std::vector<float>().swap(tio.fbuf);
    std::vector<char>().swap(tio.rbuf);
}
