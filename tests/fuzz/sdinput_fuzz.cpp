// libFuzzer target of the sampled-data input: the first byte picks the opening bytes of one
// format and the input follows them, so most inputs reach that format's header rules. The file
// lives in memory: nothing is left behind.
#include "base/msg.h"
#include "fuzz/sdprobe.h"

#include <stdexcept>
#include <sys/mman.h>

using namespace std::string_literals;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static const std::string path = "/proc/self/fd/" + std::to_string(memfd_create("sd", 0));
    static const std::string ils = std::string(124, '\0') + "\0\x83"s;
    static const std::string heads[] = {
        "RIFF\0\0\0\0WAVEfmt "s, ".snd",   "dns.",          "CSRE40\0"s, ils,
        "\0\0\0\0\1\0\0\0"s,     "\0dst"s, "; rate=8000\n", ""};
    msgfp = std::fopen("/dev/null", "w");
    const std::string file = (size ? heads[data[0] % 9] : "") + std::string(data, data + size);
    if (const char *bad = sdprobe(path, file)) throw std::runtime_error(bad); // ends the run
    return std::fclose(msgfp);
}
