// Recognition of the recordings read through the codec library, each by its own opening
// bytes: the library recognises by content, so only a file that passes its kind's test here
// reaches it.
#pragma once
#include <cstdint>
#include <string>

// Each returns its kind code (SD_FLC .. SD_CAF) when the file opens that way, else 0.
int flctest(const std::string &path); // "fLaC"
int sphtest(const std::string &path); // "NIST_1A" and a line end
int aiftest(const std::string &path); // "FORM", then "AIFF" or "AIFC" at byte 8
int oggtest(const std::string &path); // "OggS"
int mp3test(const std::string &path); // an ID3 tag and a frame header, or a frame header in a .mp3
int w64test(const std::string &path); // the RIFF and WAVE GUIDs
int rf6test(const std::string &path); // "RF64" or "BW64", then "WAVE" at byte 8
int caftest(const std::string &path); // "caff"

// 1 when the 4 bytes are an MPEG audio layer III frame header: the sync bits, a defined
// version, a bit rate index other than 0 (free) and 15, a defined sampling rate.
int mp3frame(const unsigned char *b);

// Frames the header of the file at path declares for its kind, with bytes per frame fbytes
// (0 when the encoding is not a fixed size): a decoder that gives fewer reads a cut file.
// -1 when the header declares none the decoder does not already use.
int64_t sfdeclared(const std::string &path, int kind, int64_t fbytes);
// 1 when an MP3 stream's first frame is a Xing or Info header: then its length is exact.
int mp3sized(const std::string &path);
