// A page counts when something was drawn on it: the core ends a page it never drew on too
// (the session's last page end after the page loop's), and the devices drop such a page. Only
// slots the device fills are wrapped: an empty slot says what kind of device it is.
#include "driver/pagecount.h"

#include "driver/session.h"
#include "render/core.h"

namespace {

struct Count {
    DevTab dev{};  // the device's own operations
    int pages = 0; // pages ended with marks on them
    int marks = 0; // marks on the current page
};
Count cnt;

void cline(int n, const int *rows, const int *cols, double width) {
    cnt.marks++;
    cnt.dev.devline(n, rows, cols, width);
}
void cband(const uint8_t *buf, int len) {
    cnt.marks += len > 0;
    cnt.dev.devband(buf, len);
}
void crect(int row, int col, int nrows, int ncols) {
    cnt.marks++;
    cnt.dev.devrect(row, col, nrows, ncols);
}
void cimage(int row, int col, int nrows, int ncols, int count, const uint8_t *values,
            const float *graypos) {
    cnt.marks++;
    cnt.dev.devimage(row, col, nrows, ncols, count, values, graypos);
}
void cpage() {
    if (cnt.marks) cnt.pages++;
    cnt.marks = 0;
    if (cnt.dev.devpage) cnt.dev.devpage();
}

// Wraps a filled slot; one still wrapped (a device that kept the last run's table) keeps
// the operation it wraps.
template <class F> void wrap(F &slot, F &own, F counting) {
    if (slot == counting) return;
    own = slot;
    if (slot) slot = counting;
}

} // namespace

int countopen() {
    const int was = ses.plotopen;
    if (sesopen() != 0) return 1;
    if (was) return 0;
    cnt.pages = cnt.marks = 0;
    wrap(devtab.devline, cnt.dev.devline, cline);
    wrap(devtab.devband, cnt.dev.devband, cband);
    wrap(devtab.devrect, cnt.dev.devrect, crect);
    wrap(devtab.devimage, cnt.dev.devimage, cimage);
    // the core calls devpage only when filled: the wrapper stands in an empty slot too
    if (devtab.devpage != cpage) cnt.dev.devpage = devtab.devpage, devtab.devpage = cpage;
    return 0;
}

int countpages() {
    const int n = cnt.pages + (cnt.marks > 0);
    cnt.pages = cnt.marks = 0;
    return n;
}
