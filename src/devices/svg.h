// SVG output device: the plot as SVG pictures of 10.5 x 8 inches, the first page to the
// run's output stream, page k > 1 to NAME-k.svg beside the -o file NAME.svg.
#pragma once
#include <string>

// Sets the 300-dot page geometry, fills the device table; a page's picture begins at its first
// mark.
void svgopen();
// The file of page k (from 2) of the output file name: "fig.svg" gives "fig-2.svg".
std::string svgpagename(const std::string &outname, int k);
