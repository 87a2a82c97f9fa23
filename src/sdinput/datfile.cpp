// Text recordings: the header's rate unless `rate` is above 0, the channel the `channel`
// parameter selects; values times 32767, truncated and clipped to 16 bits. Read whole into
// the list store, whose reader serves them.
#include "sdinput/datfile.h"

#include "base/msg.h"
#include "sdinput/sdblock.h"
#include "sdinput/sdfile.h"
#include "sdinput/sdpipe.h"
#include "sdinput/sdrate.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

constexpr char rateline[] = "; Sample Rate ", chanline[] = "; Channels ";

// The number after a header line's words, 0 when there is none.
long hdrnum(const char *line, const char *words) {
    if (std::strncmp(line, words, std::strlen(words)) != 0) return 0;
    return std::strtol(line + std::strlen(words), nullptr, 10);
}

// Reads the header lines: the rate and the channel count (1 when not given).
void datheader(FILE *fp, long *rate, long *chans) {
    char line[128];
    *rate = 0, *chans = 1;
    while (std::fgets(line, sizeof line, fp) && line[0] == ';') {
        if (long r = hdrnum(line, rateline)) *rate = r;
        if (long c = hdrnum(line, chanline)) *chans = c;
    }
    std::rewind(fp);
}

// The value of column `chan` (0-based) after the time on a sample line; 0 when it lacks one.
int datvalue(const char *line, long chan, int16_t *v) {
    char *end;
    std::strtod(line, &end); // the time
    for (long k = 0; k <= chan; k++) {
        const char *p = end;
        double x = std::strtod(p, &end);
        if (end == p) return 0;
        if (k < chan) continue;
        double s = x * 32767.0;
        *v = s >= 32767.0 ? 32767 : s <= -32768.0 ? -32768 : static_cast<int16_t>(s == s ? s : 0);
    }
    return 1;
}

} // namespace

int dattest(const std::string &path) {
    FILE *fp = sdfopenrd(path);
    if (!fp) return 0;
    char line[64] = "";
    const bool ok = std::fgets(line, sizeof line, fp) && hdrnum(line, rateline) > 0;
    std::fclose(fp);
    return ok ? SD_DAT : 0;
}

int datchans(const std::string &path) {
    FILE *fp = sdfopenrd(path);
    if (!fp) return 0;
    long rate, chans;
    datheader(fp, &rate, &chans);
    std::fclose(fp);
    return chans > 0 && chans <= SDMAXCHANS ? static_cast<int>(chans) : 0;
}

int datopen() {
    sdb.lst.clear();
    FILE *fp = sdfopenrd(sd.sdname);
    if (!fp) return 0;
    long rate, chans;
    datheader(fp, &rate, &chans);
    const int chan = chans > 0 && chans <= SDMAXCHANS ? sdchannel(static_cast<int>(chans)) : -1;
    if (chan < 0) return std::fclose(fp), 0;
    char line[4096];
    int16_t v;
    try {
        while (std::fgets(line, sizeof line, fp) && sdb.lst.size() < INT32_MAX)
            if (line[0] != ';' && datvalue(line, chan, &v)) sdb.lst.push_back(v);
    } catch (const std::bad_alloc &) {
        msg("ERROR(%s): no memory for its samples\n", sd.sdname.c_str());
        sdb.lst.clear();
        return std::fclose(fp), 0;
    }
    std::fclose(fp);
    sd.nsamp = static_cast<int32_t>(sdb.lst.size());
    sd.nchan = static_cast<int>(chans), sd.chan = chan + 1;
    sd.srate = sdrate(hdrrate(static_cast<double>(rate)));
    return 1;
}
