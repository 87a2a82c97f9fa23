// The imPRESS device (device index 3): four bands make a strip of 32 x 32-dot patches whose
// non-empty runs are sent as bitmap commands.
#pragma once

// Open routine: 300 dpi geometry, device table, zeroed patch strip.
void impopen();
