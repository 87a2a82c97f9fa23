// The sampled-data descriptor and the one sample-reader slot every analysis reads through.
// sdident classifies a file, sdformat finds its format, sdopen reads its header; samples
// are 16-bit values fetched by index through getsamp (beyond the data: trunc(wzero)).
#pragma once
#include <cstdint>
#include <string>

// File kinds (sdtype) in the numbering of the type-name table.
enum SdKind {
    SD_SPC = 0, // parameter file
    SD_SDF = 1, // sampled-data file of unknown format (before sdformat)
    SD_TSD = 2, // time-step file of the cochlear model
    SD_ILS = 3,
    SD_SND = 4,
    SD_LST = 5, // ASCII sample list
    SD_MAT = 6,
    SD_NOH = 7, // headerless 16-bit samples
    SD_WAV = 8,
    SD_TOK = 9,  // ILS token file
    SD_CSR = 10, // CSRE file
    // recordings decoded through the codec library
    SD_FLC = 11, // FLAC
    SD_SPH = 12, // SPHERE, uncompressed
    SD_AIF = 13, // AIFF and AIFF-C
    SD_OGG = 14, // Ogg Vorbis and Ogg Opus
    SD_MP3 = 15,
    SD_W64 = 16,
    SD_RF6 = 17, // RF64 and BW64
    SD_CAF = 18,
    SD_DAT = 19 // text recording of time and channel columns
};

struct Sd {
    std::string sdname; // the file's name
    int sdtype = 1;     // its kind (SdKind)
    int32_t nsamp = 0;  // samples in the file
    float srate = 0;    // samples per second (0: not known)
    float wzero = 0;    // value of the samples beyond the data
    int nchan = 1;      // channels in the file
    int chan = 1;       // the channel read, counting from 1
};
inline Sd sd;

// Fetches sample `index` (0-based) of the open file; set by sdopen.
inline int32_t (*getsamp)(int32_t) = nullptr;

// Classifies a file: 0 parameter file, 1 sampled data, 2 time-step file (asciidata: 1 when
// text files count as sample lists).
int sdident(const std::string &path, int asciidata);
// Finds the format of a sampled-data file and sets sd.sdtype (3..19; unchanged when the
// file does not exist). Kinds with a magic of their own are tried first.
void sdformat(const std::string &path);
// Opens sd.sdname as sd.sdtype, reads its header and sets getsamp; 1 done, 0 refused.
int sdopen();
// Closes the open file and empties the block cache.
void sdclose();
// Channels of the file at path as its kind sd.sdtype says (1 for kinds of one channel, 0
// when the header cannot be read).
int sdnchan(const std::string &path);
// Most channels a frame may have: more are taken for a damaged header.
enum { SDMAXCHANS = 1024 };
// The channel the `channel` parameter selects among n, 0-based; -1 (said) when the file has
// no such channel.
int sdchannel(int n);
// Three-letter name of a kind ("SPC", "SDF", ... "TOK", and "CSR" for CSRE files); "???"
// outside the table.
const char *sdtypename(int sdtype);
