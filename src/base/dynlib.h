// Libraries loaded on first use: a run that reads a WAV file into PostScript does not pay
// for mapping the document and codec libraries at every start.
#pragma once

// Loads the shared library `soname` and binds the n functions `names` into `slots`; 1 when
// every one is there. Tried once per slot table: later calls return the first answer.
int dynbind(const char *soname, const char *const *names, void **slots, int n, int *state);
