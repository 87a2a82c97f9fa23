// The Enhanced Metafile device (device index 1): writes the metafile record by record and
// rewrites its header at close, so it needs a seekable output file.
#pragma once

// Open routine: geometry at the selected resolution, the device table, header and description.
void emfopen();
