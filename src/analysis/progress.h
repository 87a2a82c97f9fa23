// The progress line of a recording of several pages: "page n of N" on the message stream when
// that is a terminal, written over in place and cleared when the pages are done. A file or pipe
// never gets it, so the messages written there stay as they are.
#pragma once

// Shows page n of total, in verbose mode and on a terminal, for more than one page.
void progshow(int n, int total);
// Clears the line if one is shown.
void progclear();
