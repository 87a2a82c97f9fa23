// The one writer of the message stream.
#include "base/msg.h"

#include <cstdarg>

void msg(const char *fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    std::vfprintf(msgfp ? msgfp : stderr, fmt, ap);
    va_end(ap);
}
