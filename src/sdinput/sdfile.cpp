// Identification, format recognition, open and close of sampled-data files, through the
// one list of file kinds.
#include "sdinput/sdfile.h"

#include "base/opts.h"
#include "sdinput/csrefile.h"
#include "sdinput/ilsfile.h"
#include "sdinput/lstfile.h"
#include "sdinput/matfile.h"
#include "sdinput/nohfile.h"
#include "sdinput/sdblock.h"
#include "sdinput/sndfile.h"
#include "sdinput/tsdfile.h"
#include "sdinput/wavfile.h"

namespace {

// One row per file kind, in recognition order: the tests run top down and the first kind
// found wins. A test may report another row's kind (the ILS test finds token files too);
// parameter, unknown and time-step files are told apart by sdident and have no test.
struct SdFormat {
    int kind;                             // the kind code, sd.sdtype
    const char *name;                     // three letters for the "%s file: %s" line
    int (*test)(const std::string &path); // the kind it recognises, or 0
    int (*open)();                        // reads the header; 1 done, 0 refused
    int32_t (*reader)(int32_t index);     // the sample reader installed in getsamp
};

constexpr SdFormat formats[] = {
    {.kind = SD_ILS, .name = "ILS", .test = ilstest, .open = ilsopen, .reader = blkget},
    {.kind = SD_CSR, .name = "CSR", .test = csretest, .open = csreopen, .reader = blkget},
    {.kind = SD_MAT, .name = "MAT", .test = mattest, .open = matopen, .reader = blkget},
    {.kind = SD_WAV, .name = "WAV", .test = wavtest, .open = wavopen, .reader = blkget},
    {.kind = SD_SND, .name = "SND", .test = sndtest, .open = sndopen, .reader = blkget},
    {.kind = SD_LST, .name = "LST", .test = lsttest, .open = lstopen, .reader = lstget},
    {.kind = SD_NOH, .name = "NOH", .test = nohtest, .open = nohopen, .reader = blkget},
    {.kind = SD_TOK, .name = "TOK", .test = nullptr, .open = ilsopen, .reader = blkget},
    {.kind = SD_SPC, .name = "SPC", .test = nullptr, .open = nullptr, .reader = nullptr},
    {.kind = SD_SDF, .name = "SDF", .test = nullptr, .open = nullptr, .reader = nullptr},
    {.kind = SD_TSD, .name = "TSD", .test = nullptr, .open = nullptr, .reader = nullptr},
};

// Every kind code has exactly one row.
constexpr bool onerowperkind() {
    for (int k = 0; k <= SD_CSR; k++) {
        int n = 0;
        for (const SdFormat &f : formats) n += f.kind == k;
        if (n != 1) return false;
    }
    return sizeof formats / sizeof formats[0] == SD_CSR + 1;
}
static_assert(onerowperkind(), "each file kind needs exactly one row");

const SdFormat *rowof(int kind) {
    for (const SdFormat &f : formats)
        if (f.kind == kind) return &f;
    return nullptr;
}

} // namespace

int sdident(const std::string &path, int asciidata) {
    if (opt.nohdropt) return sd.sdtype = SD_NOH;
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
    int ok = f->open();
    sdb.curblk = -1;
    return ok;
}

void sdclose() {
    sdfail();
    std::vector<int16_t>().swap(sdb.lst);
}

const char *sdtypename(int sdtype) {
    const SdFormat *f = rowof(sdtype);
    return f ? f->name : "???";
}
