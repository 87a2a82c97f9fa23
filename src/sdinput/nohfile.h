// Headerless files of 16-bit samples between `head` bytes from the start and `tail` bytes
// before the end.
#pragma once

// Opens sd.sdname as a headerless file; 1 done, 0 refused.
int nohopen();
