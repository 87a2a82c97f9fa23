// Output names of a batch: the -o pattern filled for a recording, the part name a run writes
// before the rename, and the names of the further pages of a device that writes a file a page.
#pragma once
#include <string>

#include "driver/corpus.h"

// "" when the pattern is usable, else what is wrong with it.
std::string patcheck(const std::string &pattern);
// The pattern filled for the recording: {stem} its name without the extension, {name} with
// it, {dir} its folder relative to its argument, {page} the page; the path made tidy.
std::string outname(const std::string &pattern, const Rec &rec, int page);
// The name page k (from 2) of the output goes to: the pattern's when it holds {page}, else
// the name the device itself gives page k of first.
std::string pagename(const std::string &pattern, const Rec &rec, const std::string &first, int k);
// The hidden name in the output's folder a run writes to before the rename; it keeps the
// extension, which chooses the device, and holds tag (the worker's process id).
std::string partname(const std::string &final, long tag);
// Makes the folders the file's name needs; 1 when one cannot be made (why in *why).
int mkparents(const std::string &file, std::string *why);
