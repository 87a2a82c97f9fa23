// The sample-rate prompt and the rate precedence the formats share.
#pragma once

// Asks for the rate another way (the window's dialog): the answer copied into line (at
// most size - 1 characters); 0 when the question was cancelled.
inline int (*askhook)(const char *prompt, char *line, int size) = nullptr;

// Writes "samples/second: " to the message stream and reads one line (at most 79
// characters) from sdb.askfp, or asks askhook when one is set; its leading decimal number,
// 0 when there is none.
float sdask();
// A rate stored in a file, or 0 when it is not a usable rate (not finite, not above 0,
// or beyond 1e9 samples per second).
float hdrrate(double r);
// The `rate` parameter if above 0, else the file's rate if above 0, else the prompt.
float sdrate(float hdr);
