// The one list of output devices: a row per name of the -P option, in the order the names
// are tried, each with its device index, resolution selection and open routine.
#pragma once

struct DevRow {
    const char *name; // chosen when it begins the text after -P
    int devindex;     // 0 screen, 1 metafile, 2 LaserJet, 3 imPRESS, 4 PostScript, 5 PDF, 6 SVG
    int devres;       // resolution selection of the metafile and LaserJet devices
    void (*open)();   // fills the page geometry and the device table
};
extern const DevRow *const devrows;
extern const int ndevrows;

// The first row of a device index; nullptr when no device has it.
const DevRow *devfind(int devindex);
