// Text recordings as sound converters write them: a "; Sample Rate N" line, a "; Channels N"
// line, then per line a time and one value per channel in -1..1.
#pragma once
#include <string>

// Recognition: a file that begins with the line "; Sample Rate N" (SD_DAT), else 0.
int dattest(const std::string &path);
// Channels the header names (1 without a "; Channels" line, 0 when it cannot be read).
int datchans(const std::string &path);
// Reads the selected channel of sd.sdname whole into the list store; 1 done, 0 refused.
int datopen();
