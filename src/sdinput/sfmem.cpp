// Virtual I/O of the codec library over a stream copy: reads at the handle's own offset, so
// the descriptor may be shared by the handles of a run; writes are refused.
#include "sdinput/sfmem.h"

#include "sdinput/sdblock.h"
#include "sdinput/sdpipe.h"

namespace {

SfMem &mem(void *u) {
    return *static_cast<SfMem *>(u);
}

sf_count_t memlen(void *u) {
    return mem(u).size;
}

sf_count_t memseek(sf_count_t off, int whence, void *u) {
    SfMem &m = mem(u);
    const sf_count_t base = whence == SEEK_CUR ? m.pos : whence == SEEK_END ? m.size : 0;
    if (base + off < 0) return -1;
    return m.pos = base + off;
}

sf_count_t memread(void *p, sf_count_t n, void *u) {
    SfMem &m = mem(u);
    const long got = sdpread(m.fd, m.pos, p, static_cast<long>(n));
    if (got <= 0) return 0;
    m.pos += got;
    return got;
}

sf_count_t memwrite(const void *, sf_count_t, void *) {
    return 0;
}

sf_count_t memtell(void *u) {
    return mem(u).pos;
}

SF_VIRTUAL_IO memio = {memlen, memseek, memread, memwrite, memtell};

} // namespace

SNDFILE *sfopenname(const std::string &path, SF_INFO *info, SfMem *m) {
    *m = SfMem{sdcopy(path)};
    if (m->fd < 0) return sf_open(path.c_str(), SFM_READ, info);
    m->size = sdfsize(m->fd);
    return sf_open_virtual(&memio, SFM_READ, info, m);
}
