// The device list. A name is tried before any name it begins ("emf1" before "emf"); a
// device's first row is the one its index opens.
#include "devices/devlist.h"

#include "devices/emf.h"
#include "devices/imp.h"
#include "devices/lj.h"
#include "devices/pdf.h"
#include "devices/ps.h"
#include "devices/screen.h"
#include "devices/svg.h"

namespace {

constexpr DevRow rows[] = {
    {.name = "co", .devindex = 0, .devres = 0, .open = scropen},
    {.name = "emf1", .devindex = 1, .devres = 1, .open = emfopen},
    {.name = "emf2", .devindex = 1, .devres = 2, .open = emfopen},
    {.name = "emf3", .devindex = 1, .devres = 3, .open = emfopen},
    {.name = "emf", .devindex = 1, .devres = 0, .open = emfopen},
    {.name = "ljd", .devindex = 2, .devres = 0, .open = ljopen},
    {.name = "lj1", .devindex = 2, .devres = 1, .open = ljopen},
    {.name = "lj3", .devindex = 2, .devres = 3, .open = ljopen},
    {.name = "ljq", .devindex = 2, .devres = 3, .open = ljopen},
    {.name = "lj", .devindex = 2, .devres = 1, .open = ljopen},
    {.name = "ip", .devindex = 3, .devres = 0, .open = impopen},
    {.name = "ps1", .devindex = 4, .devres = 1, .open = psopen},
    {.name = "ps2", .devindex = 4, .devres = 2, .open = psopen},
    {.name = "ps3", .devindex = 4, .devres = 3, .open = psopen},
    {.name = "ps4", .devindex = 4, .devres = 4, .open = psopen},
    {.name = "ps", .devindex = 4, .devres = 3, .open = psopen},
    {.name = "pdf", .devindex = 5, .devres = 0, .open = pdfopen},
    {.name = "svg", .devindex = 6, .devres = 0, .open = svgopen},
};

// True when the name a begins the name b.
constexpr bool begins(const char *a, const char *b) {
    for (; *a; a++, b++)
        if (*a != *b) return false;
    return true;
}

// Names are tried in order, so none may follow a shorter name that begins it.
constexpr bool reachable() {
    for (const DevRow &late : rows)
        for (const DevRow &early : rows) {
            if (&early == &late) break;
            if (begins(early.name, late.name)) return false;
        }
    return true;
}
static_assert(reachable(), "a device name is hidden by an earlier name that begins it");

} // namespace

const DevRow *const devrows = rows;
const int ndevrows = static_cast<int>(sizeof rows / sizeof rows[0]);

const DevRow *devfind(int devindex) {
    for (const DevRow &d : rows)
        if (d.devindex == devindex) return &d;
    return nullptr;
}
