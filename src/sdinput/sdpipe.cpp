// Stream copies: a memory file per stream name, filled by reading the stream to its end. Each
// open gets a description of its own (own offset), so two stdio readers never share one; the
// copy reports its size like a regular file, so the lengths streaming writers leave unknown
// (0xFFFFFFFF) are lowered to the bytes held as they are for files.
#include "sdinput/sdpipe.h"

#include "base/msg.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// Whether an open file is read as itself: regular files and directories (whose reads fail).
bool asitself(int fd) {
    struct stat st;
    return fstat(fd, &st) != 0 || S_ISREG(st.st_mode) || S_ISDIR(st.st_mode);
}

int writeall(int fd, const char *p, ssize_t n) {
    while (n > 0) {
        const ssize_t w = ::write(fd, p, n);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return 0;
        p += w, n -= w;
    }
    return 1;
}

// The bound in words: "1 GiB", or bytes when it is no whole number of GiB.
std::string bound() {
    const int64_t g = int64_t{1} << 30, m = sdpipe.maxbytes;
    return m % g == 0 ? std::to_string(m / g) + " GiB" : std::to_string(m) + " bytes";
}

// Reads the stream fd to its end into a new memory file; its descriptor, or -1 (said).
int slurp(int fd, const std::string &path) {
    const int mem = memfd_create("kavrel-stream", MFD_CLOEXEC);
    std::vector<char> b(1 << 20);
    int64_t held = 0;
    while (mem >= 0) {
        const ssize_t n = ::read(fd, b.data(), b.size());
        if (n < 0 && errno == EINTR) continue;
        if (n == 0) return mem;
        if (n > 0 && held + n > sdpipe.maxbytes) {
            msg("ERROR(%s): more than %s from a pipe or device; save it to a file first\n",
                path.c_str(), bound().c_str());
            ::close(mem);
            return -1;
        }
        if (n < 0 || !writeall(mem, b.data(), n)) break;
        held += n;
    }
    msg("ERROR(%s): can't read it whole: %s\n", path.c_str(), std::strerror(errno));
    if (mem >= 0) ::close(mem);
    return -1;
}

// A new read-only description of the copy, starting at byte 0.
int reopen(int mem) {
    const int fd = ::open(("/proc/self/fd/" + std::to_string(mem)).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) return fd;
    const int d = ::dup(mem); // without /proc: shares the offset, so rewind it
    if (d >= 0) ::lseek(d, 0, SEEK_SET);
    return d;
}

} // namespace

int sdopenrd(const std::string &path) {
    if (auto c = sdpipe.copies.find(path); c != sdpipe.copies.end())
        return c->second < 0 ? -1 : reopen(c->second);
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0 || asitself(fd)) return fd;
    const int mem = slurp(fd, path);
    ::close(fd);
    sdpipe.copies[path] = mem; // a refusal is kept too: the stream is gone
    return mem < 0 ? -1 : reopen(mem);
}

FILE *sdfopenrd(const std::string &path) {
    const int fd = sdopenrd(path);
    FILE *fp = fd < 0 ? nullptr : fdopen(fd, "r");
    if (!fp && fd >= 0) ::close(fd);
    return fp;
}

int sdcopy(const std::string &path) {
    struct stat st;
    if (!sdpipe.copies.count(path)) {
        if (stat(path.c_str(), &st) != 0 || S_ISREG(st.st_mode) || S_ISDIR(st.st_mode)) return -1;
        const int fd = sdopenrd(path);
        if (fd >= 0) ::close(fd);
    }
    auto c = sdpipe.copies.find(path);
    return c == sdpipe.copies.end() ? -1 : c->second;
}
