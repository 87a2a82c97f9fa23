// Headerless 16-bit files: the samples lie between `head` bytes from the start (0 when head
// is negative) and `tail` bytes before the end (0 when tail is negative), byte-swapped when
// `swap` is set. A head and tail that leave less than nothing are refused.
#include "sdinput/nohfile.h"

#include "base/msg.h"
#include "base/params.h"
#include "sdinput/ilsfile.h"
#include "sdinput/sdblock.h"
#include "sdinput/sdfile.h"
#include "sdinput/sdpipe.h"
#include "sdinput/sdrate.h"

#include <unistd.h>

// A byte count parameter as a whole number of bytes; negative values count as 0.
static int64_t bytespar(float v) {
    if (!(v > 0)) return 0;
    if (v >= 9.0e15f) return INT64_C(9000000000000000);
    return static_cast<int64_t>(v);
}

int nohopen() {
    if (!sdfopen()) return 0;
    if (ilshdr(sdb.fd) <= 0) return sdfail();
    int64_t size = sdfsize(sdb.fd);
    int64_t head = bytespar(par.head), tail = bytespar(par.tail);
    if (head + tail > size) {
        msg("ERROR(%s): head %lld and tail %lld bytes exceed the file's %lld bytes\n",
            sd.sdname.c_str(), static_cast<long long>(head), static_cast<long long>(tail),
            static_cast<long long>(size));
        return sdfail();
    }
    sdb.swap = par.swap != 0;
    sdb.dataoff = head;
    sd.srate = sdrate(0);
    sdsetenc(ENC_S16);
    sdb.scale = 1.0, sdb.sat = 0, sdb.unsig = 0;
    int64_t n = (size - tail - head) / 2;
    sd.nsamp = n > INT32_MAX ? INT32_MAX : static_cast<int32_t>(n);
    sdb.curblk = -1;
    return 1;
}

int nohtest(const std::string &path) {
    int fd = sdopenrd(path);
    if (fd < 0) return 0;
    ::close(fd);
    return SD_NOH;
}
