// ILS files and ILS token files: the header reader (also used by headerless files), the
// recognition test and the open routine.
#pragma once
#include <string>

// Reads the first 512 bytes of fd into the block buffer and, for a token file, its token
// record; the number of 16-bit words read (0 for an empty or unreadable file).
int ilshdr(int fd);
// 9 for a token file, 3 for an ILS file, 0 otherwise; records the token marker in sdb.tokfile.
int ilstest(const std::string &path);
// Opens sd.sdname as an ILS file (kind 3) or token file (kind 9); 1 done, 0 refused.
int ilsopen();
