// Libraries loaded on first use: a run that reads a WAV file into PostScript does not pay
// for mapping the document and codec libraries at every start.
#pragma once

// Loads the shared library `soname` and binds the n functions `names` into `slots`; 1 when
// every one is there. Tried once per slot table: later calls return the first answer.
int dynbind(const char *soname, const char *const *names, void **slots, int n, int *state);

// Defines ready() and, for each function X(name, type, (parameters), (arguments)) of the
// list, a forwarder of the library's own name and type that calls the bound function. The
// forwarders are hidden, so that the library, once loaded, never binds to them; none may be
// called before ready() has returned 1.
#define DYNSLOT(n, r, p, a) I_##n,
#define DYNNAME(n, r, p, a) #n,
#define DYNFWD(n, r, p, a)                                                                         \
    r n p {                                                                                        \
        return reinterpret_cast<decltype(&::n)>(dynslots[I_##n]) a;                                \
    }
#define DYNLIB(LIST, soname, ready)                                                                \
    namespace {                                                                                    \
    enum { LIST(DYNSLOT) NFNS };                                                                   \
    const char *const dynnames[] = {LIST(DYNNAME)};                                                \
    void *dynslots[NFNS];                                                                          \
    int dynstate = -1;                                                                             \
    }                                                                                              \
    int ready() {                                                                                  \
        return dynbind(soname, dynnames, dynslots, NFNS, &dynstate);                               \
    }                                                                                              \
    _Pragma("GCC visibility push(hidden)") extern "C" {LIST(DYNFWD)} _Pragma("GCC visibility pop")
