// Recordings from pipes: read once into memory, every later open of the name (the template's
// identification, the cursor) served from that copy, the unknown lengths of streaming writers
// lowered to the bytes held, and a stream beyond the bound refused once, by name.
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
    explicit Pipe(const std::string &bytes) {
        if (pipe(fd) != 0 || write(fd[1], bytes.data(), bytes.size()) != ssize_t(bytes.size()))
            std::abort();
        close(fd[1]);
        name = "/dev/fd/" + std::to_string(fd[0]);
    }
    ~Pipe() {
        close(fd[0]);
        if (auto c = sdpipe.copies.find(name); c != sdpipe.copies.end()) {
            if (c->second >= 0) close(c->second);
            sdpipe.copies.erase(c);
        }
    }
    bool drained() const {
        char c;
        return read(fd[0], &c, 1) == 0;
    }
};

// A mono 16-bit WAV of n samples at 8000/s whose RIFF and data lengths are `len`.
std::string wav(uint32_t len, int n) {
    Bytes w;
    w.b = "RIFF", w.n(len, 4).b += "WAVEfmt ";
    w.n(16, 4).n(1, 2).n(1, 2).n(8000, 4).n(16000, 4).n(2, 2).n(16, 2).b += "data";
    return w.n(len, 4).sig16(n).b;
}

} // namespace

TEST_F(SdInput, ARecordingFromAPipeIsReadOnceAndServedFromItsCopy) {
    struct Case {
        const char *what;
        uint32_t len; // the lengths the header claims
        int n;        // samples the stream holds
    } cases[] = {
        {"a streaming writer's unknown lengths", 0xFFFFFFFFu, 300},
        {"lengths a writer could not fix", 0x7FFFF000u, 300},
        {"exact lengths", 600, 300},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const Pipe in(wav(c.len, c.n));
        std::vector<int> want;
        for (int i = 0; i < c.n; i++) want.push_back(sig(i));
        // identified and opened, then again as the template does, then by the cursor
        for (int pass = 0; pass < 2; pass++) {
            ASSERT_EQ(openpath(in.name, ""), 1) << said();
            EXPECT_EQ((std::tuple{sd.sdtype, sd.nsamp, samples(c.n), said()}),
                      (std::tuple{int(SD_WAV), c.n, want, ""s}));
        }
        sdclose();
        EXPECT_EQ(cursamp(in.name.c_str(), 10 / 8000.0, 8000), want[10]);
        curclose();
        EXPECT_TRUE(in.drained());
    }
}

TEST_F(SdInput, AStreamBeyondTheBoundIsRefusedOnceByName) {
    const SdPipe keep = sdpipe;
    sdpipe.maxbytes = 1000;
    {
        const Pipe in(std::string(1001, 'x'));
        EXPECT_EQ((std::tuple{sdopenrd(in.name), said(), sdopenrd(in.name), said()}),
                  (std::tuple{-1,
                              "ERROR(" + in.name +
                                  "): more than 1000 bytes from a pipe or device; save it to a "
                                  "file first\n",
                              -1, ""s}));
        const Pipe fits(std::string(1000, 'x'));
        const int fd = sdopenrd(fits.name);
        EXPECT_EQ((std::tuple{fd >= 0, sdfsize(fd), said()}), (std::tuple{true, 1000, ""s}));
        close(fd);
    }
    // an endless device ends at the bound; a regular file is never copied
    sdpipe.maxbytes = 1 << 20;
    EXPECT_EQ((std::tuple{sdopenrd("/dev/zero"),
                          said().find("more than 1048576 bytes") != std::string::npos}),
              (std::tuple{-1, true}));
    writefile(p, "x");
    EXPECT_EQ((std::tuple{sdcopy(p), sdpipe.copies.count(p)}), (std::tuple{-1, size_t{0}}));
    close(sdpipe.copies["/dev/zero"]);
    sdpipe = keep;
}
