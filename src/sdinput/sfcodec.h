// Recordings decoded through the codec library: FLAC, SPHERE, AIFF, Ogg Vorbis and Opus,
// MP3, W64, RF64 and CAF. One channel of the decoded frames comes out as 16-bit samples.
#pragma once
#include <cstdint>
#include <string>

// Opens sd.sdname as its kind (sd.sdtype): checks the stream decodes to its end, selects
// the channel, sets nsamp and srate; 1 done, 0 refused with the reason said.
int sfopen();
// The sample reader of these kinds (a block cache over the decoder).
int32_t sfget(int32_t i);
// Releases the decoder, if one is open.
void sfclose();
// Channels of the recording at path (0 when it cannot be opened as its kind).
int sfchans(const std::string &path);
