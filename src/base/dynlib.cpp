// Binding of lazily loaded libraries. The library stays loaded for the life of the process;
// a missing library or function leaves every slot empty, so nothing half-bound is called.
#include "base/dynlib.h"

#include <dlfcn.h>

int dynbind(const char *soname, const char *const *names, void **slots, int n, int *state) {
    if (*state >= 0) return *state;
    *state = 0;
    void *h = dlopen(soname, RTLD_NOW | RTLD_LOCAL);
    if (!h) return 0;
    for (int i = 0; i < n; i++) {
        slots[i] = dlsym(h, names[i]);
        if (!slots[i]) {
            for (int j = 0; j < n; j++) slots[j] = nullptr;
            return 0;
        }
    }
    return *state = 1;
}
