// The document library, loaded on first use.
#pragma once

// Loads libcairo and binds the functions the document devices call; 1 when they can be
// called. Until it has returned 1, none of them may be.
int cairoready();
