// Identification, format recognition, open and close of sampled-data files, through the
// one list of file kinds.
#include "sdinput/sdfile.h"

#include "base/msg.h"
#include "base/opts.h"
#include "base/params.h"
#include "sdinput/csrefile.h"
#include "sdinput/datfile.h"
#include "sdinput/ilsfile.h"
#include "sdinput/lstfile.h"
#include "sdinput/matfile.h"
#include "sdinput/nohfile.h"
#include "sdinput/sdblock.h"
#include "sdinput/sfcodec.h"
#include "sdinput/sfmagic.h"
#include "sdinput/sndfile.h"
#include "sdinput/tsdfile.h"
#include "sdinput/wavfile.h"

namespace {

// One row per file kind, in recognition order: the tests run top down and the first kind
// found wins. A test may report another row's kind (the ILS test finds token files too);
// parameter, unknown and time-step files are told apart by sdident and have no test. Kinds
// with a magic of their own come first: they are tried even before the text test, so that
// a header of text (SPHERE) or a sample that looks like the ILS marker cannot mislead.
struct SdFormat {
    int kind;                              // the kind code, sd.sdtype
    const char *name;                      // three letters for the "%s file: %s" line
    int magic;                             // recognised by opening bytes of its own
    int (*test)(const std::string &path);  // the kind it recognises, or 0
    int (*open)();                         // reads the header; 1 done, 0 refused
    int32_t (*reader)(int32_t index);      // the sample reader installed in getsamp
    int (*chans)(const std::string &path); // channels in the file; nullptr: one
};

// clang-format off
constexpr SdFormat formats[] = {
    {.kind = SD_WAV, .name = "WAV", .magic = 1, .test = wavtest, .open = wavopen, .reader = blkget, .chans = wavchans},
    {.kind = SD_SND, .name = "SND", .magic = 1, .test = sndtest, .open = sndopen, .reader = blkget, .chans = sndchans},
    {.kind = SD_FLC, .name = "FLC", .magic = 1, .test = flctest, .open = sfopen, .reader = sfget, .chans = sfchans},
    {.kind = SD_SPH, .name = "SPH", .magic = 1, .test = sphtest, .open = sfopen, .reader = sfget, .chans = sfchans},
    {.kind = SD_AIF, .name = "AIF", .magic = 1, .test = aiftest, .open = sfopen, .reader = sfget, .chans = sfchans},
    {.kind = SD_OGG, .name = "OGG", .magic = 1, .test = oggtest, .open = sfopen, .reader = sfget, .chans = sfchans},
    {.kind = SD_MP3, .name = "MP3", .magic = 1, .test = mp3test, .open = sfopen, .reader = sfget, .chans = sfchans},
    {.kind = SD_W64, .name = "W64", .magic = 1, .test = w64test, .open = sfopen, .reader = sfget, .chans = sfchans},
    {.kind = SD_RF6, .name = "RF6", .magic = 1, .test = rf6test, .open = sfopen, .reader = sfget, .chans = sfchans},
    {.kind = SD_CAF, .name = "CAF", .magic = 1, .test = caftest, .open = sfopen, .reader = sfget, .chans = sfchans},
    {.kind = SD_DAT, .name = "DAT", .magic = 1, .test = dattest, .open = datopen, .reader = lstget, .chans = datchans},
    {.kind = SD_ILS, .name = "ILS", .magic = 0, .test = ilstest, .open = ilsopen, .reader = blkget, .chans = nullptr},
    {.kind = SD_CSR, .name = "CSR", .magic = 0, .test = csretest, .open = csreopen, .reader = blkget, .chans = nullptr},
    {.kind = SD_MAT, .name = "MAT", .magic = 0, .test = mattest, .open = matopen, .reader = blkget, .chans = nullptr},
    {.kind = SD_LST, .name = "LST", .magic = 0, .test = lsttest, .open = lstopen, .reader = lstget, .chans = nullptr},
    {.kind = SD_NOH, .name = "NOH", .magic = 0, .test = nohtest, .open = nohopen, .reader = blkget, .chans = nullptr},
    {.kind = SD_TOK, .name = "TOK", .magic = 0, .test = nullptr, .open = ilsopen, .reader = blkget, .chans = nullptr},
    {.kind = SD_SPC, .name = "SPC", .magic = 0, .test = nullptr, .open = nullptr, .reader = nullptr, .chans = nullptr},
    {.kind = SD_SDF, .name = "SDF", .magic = 0, .test = nullptr, .open = nullptr, .reader = nullptr, .chans = nullptr},
    {.kind = SD_TSD, .name = "TSD", .magic = 0, .test = nullptr, .open = nullptr, .reader = nullptr, .chans = nullptr},
};
// clang-format on

// Every kind code has exactly one row, and the kinds with a magic come first.
constexpr bool onerowperkind() {
    for (int k = 0; k <= SD_DAT; k++) {
        int n = 0;
        for (const SdFormat &f : formats) n += f.kind == k;
        if (n != 1) return false;
    }
    for (size_t i = 1; i < sizeof formats / sizeof formats[0]; i++)
        if (formats[i].magic > formats[i - 1].magic) return false;
    return sizeof formats / sizeof formats[0] == SD_DAT + 1;
}
static_assert(onerowperkind(), "each file kind needs exactly one row, magic kinds first");

// The kind whose own magic the file opens with, or 0.
int magickind(const std::string &path) {
    for (const SdFormat &f : formats)
        if (int kind = f.magic && f.test ? f.test(path) : 0) return kind;
    return 0;
}

const SdFormat *rowof(int kind) {
    for (const SdFormat &f : formats)
        if (f.kind == kind) return &f;
    return nullptr;
}

} // namespace

int sdident(const std::string &path, int asciidata) {
    if (opt.nohdropt) return sd.sdtype = SD_NOH;
    if (int kind = magickind(path)) {
        sd.sdtype = kind;
        return 1;
    }
    if (!asciidata && istext(path)) return sd.sdtype = SD_SPC;
    if (tsdcheck(path)) return sd.sdtype = SD_TSD;
    sd.sdtype = SD_SDF;
    sdformat(path);
    return 1;
}

void sdformat(const std::string &path) {
    for (const SdFormat &f : formats) {
        if (!f.test) continue;
        if (int kind = f.test(path)) {
            sd.sdtype = kind;
            return;
        }
    }
}

int sdopen() {
    const SdFormat *f = rowof(sd.sdtype);
    if (!f || !f->open) return 0;
    sdclose();
    getsamp = f->reader;
    sd.nchan = 1, sd.chan = 1;
    int ok = f->open();
    sdb.curblk = -1;
    return ok;
}

void sdclose() {
    sdfail();
    sfclose();
    std::vector<int16_t>().swap(sdb.lst);
}

const char *sdtypename(int sdtype) {
    const SdFormat *f = rowof(sdtype);
    return f ? f->name : "???";
}

int sdnchan(const std::string &path) {
    const SdFormat *f = rowof(sd.sdtype);
    return f && f->chans ? f->chans(path) : 1;
}

int sdchannel(int n) {
    const float c = par.channel; // a selector, truncated like token
    if (c >= 1.0f && c < n + 1.0f) return static_cast<int>(c) - 1;
    msg("ERROR(%s): no channel %g: the file has %d channel%s\n", sd.sdname.c_str(), c, n,
        n == 1 ? "" : "s");
    return -1;
}
