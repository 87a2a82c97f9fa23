// The codec library, loaded on first use.
#pragma once

// Loads libsndfile and binds the functions the codec reader calls; 1 when they can be
// called. Until it has returned 1, none of them may be.
int sfready();
