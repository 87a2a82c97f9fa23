// Cursor access through the reader slot: a click reopens the plotted file by name only when
// the slot holds another one.
#include "sdinput/cursor.h"

#include "base/params.h"
#include "sdinput/sdfile.h"

// Whether the slot already reads what is asked for.
static bool holds(const char *name) {
    return !cur.curname.empty() && cur.curname == name;
}

int curopen(const char *name, float rate) {
    if (!name || !*name) return 0;
    if (holds(name)) return 1;
    curclose();
    sd.srate = rate;
    sd.sdname = name;
    // the plot knew the rate: a file without one must not ask for it again on every click
    const float keep = par.rate;
    if (rate > 0) par.rate = rate;
    const int ok = sdident(sd.sdname, 1) == 1 && sdopen();
    par.rate = keep;
    if (!ok) {
        sdclose();
        return 0;
    }
    // the header's rate may differ; the plot's rate places the sample
    sd.srate = rate;
    cur.curname = name;
    return 1;
}

int32_t cursamp(const char *name, double t, float rate) {
    if (!curopen(name, rate) || !getsamp) return 0;
    return getsamp(static_cast<int32_t>(t * rate + 0.5));
}

void curclose() {
    if (!cur.curname.empty()) sdclose();
    cur.curname.clear();
}
