// Encapsulated PostScript output device: one landscape page drawn as vector paths and
// image strips, written to the run's output stream.
#pragma once

// Sets the 300-dot page geometry, fills the device table and arms the header.
void psopen();
