// libFuzzer target of the sampled-data input: the first byte picks a valid file of some
// format (or none) that the remaining bytes overwrite from its start, so the fuzzer works on
// nearly valid headers; every identification, open and read must stay within its buffers
// and end in a refusal or a sane descriptor.
#include "base/msg.h"
#include "fuzz/sdprobe.h"

#include <cstdlib>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static std::string path = "/tmp/kavrel-sdfuzz-" + std::to_string(getpid());
    static FILE *quiet = std::fopen("/dev/null", "w");
    msgfp = quiet;
    if (size == 0) return 0;
    const auto &t = sdprobe::templates();
    size_t pick = data[0] % (t.size() + 1);
    std::vector<uint8_t> file;
    if (pick < t.size()) file = t[pick];
    const uint8_t *rest = data + 1;
    size_t n = size - 1;
    if (file.size() < n) file.resize(n);
    if (n) std::memcpy(file.data(), rest, n);
    // an odd selector byte also cuts the file after the overwritten part
    if (data[0] & 0x80) file.resize(n);
    if (const char *bad = sdprobe::probe(path, file.data(), file.size())) {
        std::fprintf(stderr, "sampled-data probe: %s\n", bad);
        std::abort();
    }
    return 0;
}
