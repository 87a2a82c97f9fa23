// Identification, format recognition, open and close of sampled-data files. The format tests
// run in one list, in recognition order; the open routines are indexed by file kind.
#include "sdinput/sdfile.h"

#include "driver/run.h"
#include "sdinput/csrefile.h"
#include "sdinput/ilsfile.h"
#include "sdinput/lstfile.h"
#include "sdinput/matfile.h"
#include "sdinput/nohfile.h"
#include "sdinput/sdblock.h"
#include "sdinput/sndfile.h"
#include "sdinput/tsdfile.h"
#include "sdinput/wavfile.h"

#include <fcntl.h>
#include <unistd.h>

namespace {

// 1 when the first 512 bytes (or the whole shorter file) are all in 1..127; an empty file is
// text, a file that cannot be opened or read is not.
int istext(const std::string &path) {
    int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0) return 0;
    unsigned char b[512];
    long n = sdpread(fd, 0, b, 512);
    ::close(fd);
    if (n < 0) return 0;
    for (long i = 0; i < n; i++)
        if (b[i] < 1 || b[i] > 127) return 0;
    return 1;
}

int lsttest(const std::string &path) {
    return istext(path) ? SD_LST : 0;
}

// Any file that opens is headerless data.
int nohtest(const std::string &path) {
    int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0) return 0;
    ::close(fd);
    return SD_NOH;
}

// The format tests in recognition order; each returns the kind it found or 0.
int (*const fmttests[])(const std::string &) = {
    ilstest, csretest, mattest, wavtest, sndtest, lsttest, nohtest,
};

// Open routine and reader of each kind (none for kinds 0, 1 and 2).
struct SdKindOps {
    int (*open)();
    int32_t (*reader)(int32_t);
};
const SdKindOps kindops[] = {
    {},
    {},
    {},                                   // parameter file, unrecognised, time-step file
    {.open = ilsopen, .reader = blkget},  // ILS
    {.open = sndopen, .reader = blkget},  // SND
    {.open = lstopen, .reader = lstget},  // ASCII list
    {.open = matopen, .reader = blkget},  // MAT
    {.open = nohopen, .reader = blkget},  // headerless
    {.open = wavopen, .reader = blkget},  // WAV
    {.open = ilsopen, .reader = blkget},  // ILS token file
    {.open = csreopen, .reader = blkget}, // CSRE
};
constexpr int nkinds = sizeof kindops / sizeof kindops[0];
static_assert(nkinds == SD_CSR + 1);

const char *const typenames[] = {"SPC", "SDF", "TSD", "ILS", "SND", "LST",
                                 "MAT", "NOH", "WAV", "TOK", "CSR"};

} // namespace

int sdident(const std::string &path, int asciidata) {
    if (run.nohdropt) return sd.sdtype = SD_NOH;
    if (!asciidata && istext(path)) return sd.sdtype = SD_SPC;
    if (tsdcheck(path)) return sd.sdtype = SD_TSD;
    sd.sdtype = SD_SDF;
    sdformat(path);
    return 1;
}

void sdformat(const std::string &path) {
    for (auto test : fmttests) {
        if (int kind = test(path)) {
            sd.sdtype = kind;
            return;
        }
    }
}

int sdopen() {
    int t = sd.sdtype;
    if (t < 0 || t >= nkinds || !kindops[t].open) return 0;
    sdclose();
    getsamp = kindops[t].reader;
    int ok = kindops[t].open();
    sdb.curblk = -1;
    return ok;
}

void sdclose() {
    sdfail();
    std::vector<int16_t>().swap(sdb.lst);
}

const char *sdtypename(int sdtype) {
    if (sdtype < 0 || sdtype >= static_cast<int>(sizeof typenames / sizeof typenames[0]))
        return "???";
    return typenames[sdtype];
}
