// Cursor access through the reader slot: a click reopens the plotted file by name only when
// the slot holds another one.
#include "sdinput/cursor.h"

#include "base/params.h"
#include "sdinput/sdfile.h"

// Whether the slot already reads what is asked for.
static bool holds(const char *name, int channel) {
    return !cur.curname.empty() && cur.curname == name && cur.curchan == channel;
}

int curopen(const char *name, float rate, int channel) {
    if (!name || !*name) return 0;
    if (holds(name, channel)) return 1;
    curclose();
    sd.srate = rate;
    sd.sdname = name;
    // the plot knew the rate: a file without one must not ask for it again on every click
    const float keep = par.rate, keepchan = par.channel;
    if (rate > 0) par.rate = rate;
    par.channel = static_cast<float>(channel);
    const int ok = sdident(sd.sdname, 1) == 1 && sdopen();
    par.rate = keep, par.channel = keepchan;
    if (!ok) {
        sdclose();
        return 0;
    }
    // the header's rate may differ; the plot's rate places the sample
    sd.srate = rate;
    cur.curname = name;
    cur.curchan = channel;
    return 1;
}

int32_t cursamp(const char *name, double t, float rate, int channel) {
    if (!curopen(name, rate, channel) || !getsamp) return 0;
    return getsamp(static_cast<int32_t>(t * rate + 0.5));
}

void curclose() {
    if (!cur.curname.empty()) sdclose();
    cur.curname.clear();
}
