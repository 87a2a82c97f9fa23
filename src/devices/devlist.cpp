// The device open routines, indexed by the device index of the -P option:
// 0 screen, 1 metafile, 2 LaserJet, 3 imPRESS, 4 PostScript.
#include "devices/devlist.h"
#include "devices/emf.h"
#include "devices/imp.h"
#include "devices/lj.h"
#include "devices/ps.h"
#include "winshell/screen.h"

void (*const devopens[5])() = {scropen, emfopen, ljopen, impopen, psopen};
