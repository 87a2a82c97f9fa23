// CSRE files: little-endian, header of 516 bytes. The header's rate is used even when the
// `rate` parameter is set; a rate that is not a rate (NaN, not above 0) leaves srate 0.
#include "sdinput/csrefile.h"

#include "base/msg.h"
#include "sdinput/sdblock.h"
#include "sdinput/sdfile.h"
#include "sdinput/sdpipe.h"
#include "sdinput/sdrate.h"

#include <unistd.h>

constexpr int csrehdr = 516;

// 1 when the buffer holds a whole header beginning "CSRE40\0".
static int csremagic(long n) {
    return n == csrehdr && std::memcmp(sdb.buf, "CSRE40", 7) == 0;
}

int csretest(const std::string &path) {
    int fd = sdopenrd(path);
    if (fd < 0) return 0;
    long n = sdpread(fd, 0, sdb.buf, csrehdr);
    ::close(fd);
    return csremagic(n) ? SD_CSR : 0;
}

int csreopen() {
    if (!sdfopen()) return 0;
    if (!csremagic(sdpread(sdb.fd, 0, sdb.buf, csrehdr))) return sdfail();
    int32_t n = gets32(sdb.buf + 8, 0);
    if (n < 0) {
        msg("ERROR(%s): CSRE sample count %d is negative\n", sd.sdname.c_str(), n);
        return sdfail();
    }
    float khz = getf32(sdb.buf + 24, 0);
    sdsetenc(ENC_S16);
    sdb.swap = 0, sdb.scale = 1.0, sdb.sat = 0, sdb.unsig = 0;
    sdb.dataoff = csrehdr;
    sd.nsamp = sdclaim(n, sdfsize(sdb.fd));
    sd.srate = hdrrate(khz * 1000.0);
    sdb.curblk = -1;
    return 1;
}
