// The codec library, loaded by the first recording of its kinds: the functions the codec
// reader calls are defined here and forward to the library's, so no other run maps it.
#include "sdinput/sflib.h"

#include "base/dynlib.h"

#pragma GCC visibility push(hidden)
#include <sndfile.h>
#pragma GCC visibility pop

// clang-format off
#define SFFNS(X) \
    X(sf_open, SNDFILE *, (const char *path, int mode, SF_INFO *sfinfo), (path, mode, sfinfo)) \
    X(sf_open_virtual, SNDFILE *, (SF_VIRTUAL_IO *sfvirtual, int mode, SF_INFO *sfinfo, void *user_data), (sfvirtual, mode, sfinfo, user_data)) \
    X(sf_close, int, (SNDFILE *sndfile), (sndfile)) \
    X(sf_error, int, (SNDFILE *sndfile), (sndfile)) \
    X(sf_strerror, const char *, (SNDFILE *sndfile), (sndfile)) \
    X(sf_seek, sf_count_t, (SNDFILE *sndfile, sf_count_t frames, int whence), (sndfile, frames, whence)) \
    X(sf_readf_float, sf_count_t, (SNDFILE *sndfile, float *ptr, sf_count_t frames), (sndfile, ptr, frames)) \
    X(sf_readf_int, sf_count_t, (SNDFILE *sndfile, int *ptr, sf_count_t frames), (sndfile, ptr, frames))
// clang-format on

DYNLIB(SFFNS, "libsndfile.so.1", sfready)
