// Recordings from pipes: read once into memory, every later open of the name served from that
// copy, and a stream beyond the bound refused once, by name.
#include "sdfix.h"
#include "sdinput/cursor.h"
#include "sdinput/sdpipe.h"

#include <unistd.h>

using namespace std::string_literals;

namespace {

// A pipe holding bytes (less than its buffer), its writer closed, named /dev/fd/N; its copy
// is dropped with it, since the number is given out again.
struct Pipe {
    int fd[2] = {-1, -1};
    std::string name;
    explicit Pipe(const std::string &b) {
        if (pipe(fd) != 0 || write(fd[1], b.data(), b.size()) != ssize_t(b.size())) std::abort();
        close(fd[1]);
        name = "/dev/fd/" + std::to_string(fd[0]);
    }
    ~Pipe() {
        close(fd[0]);
        if (sdpipe.copies.count(name) && sdpipe.copies[name] >= 0) close(sdpipe.copies[name]);
        sdpipe.copies.erase(name);
    }
};

} // namespace

// A WAV with a streaming writer's lengths (0xFFFFFFFF) identified and opened, again as a
// template does, then by the cursor, all from the one copy: the pipe is read once.
TEST_F(SdInput, ARecordingFromAPipeIsReadOnceAndServedFromItsCopy) {
    Bytes w{"RIFF"};
    w.n(~0u, 4).b += "WAVEfmt ";
    w.n(16, 4).n(1, 2).n(1, 2).n(8000, 4).n(16000, 4).n(2, 2).n(16, 2).b += "data";
    const Pipe in(w.n(~0u, 4).sig16(300).b);
    std::vector<int> want;
    for (int i = 0; i < 300; i++) want.push_back(sig(i));
    for (int pass = 0; pass < 2; pass++)
        EXPECT_EQ((std::tuple{openpath(in.name, ""), sd.sdtype, sd.nsamp, samples(300), said()}),
                  (std::tuple{1, int(SD_WAV), 300, want, ""s}));
    sdclose();
    char c;
    EXPECT_EQ((std::tuple{cursamp(in.name.c_str(), 10 / 8000.0, 8000), read(in.fd[0], &c, 1)}),
              (std::tuple{want[10], 0}));
    curclose();
}

// The bound holds exactly; an endless device ends at it; a regular file is never copied.
TEST_F(SdInput, AStreamBeyondTheBoundIsRefusedOnceByName) {
    const SdPipe keep = sdpipe;
    sdpipe.maxbytes = 1000;
    {
        const Pipe big(std::string(1001, 'x')), fits(std::string(1000, 'x'));
        const std::string why =
            "ERROR(" + big.name +
            "): more than 1000 bytes from a pipe or device; save it to a file first\n";
        EXPECT_EQ((std::tuple{sdopenrd(big.name), said(), sdopenrd(big.name), said()}),
                  (std::tuple{-1, why, -1, ""s}));
        const int fd = sdopenrd(fits.name);
        EXPECT_EQ((std::tuple{sdfsize(fd), said()}), (std::tuple{1000, ""s}));
        close(fd);
    }
    sdpipe.maxbytes = 1 << 20;
    EXPECT_EQ((std::tuple{sdopenrd("/dev/zero"),
                          said().find("more than 1048576 bytes") != std::string::npos}),
              (std::tuple{-1, true}));
    writefile(p, "x");
    EXPECT_EQ((std::tuple{sdcopy(p), sdpipe.copies.count(p)}), (std::tuple{-1, size_t{0}}));
    sdpipe = keep;
}
