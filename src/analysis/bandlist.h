// Third-octave band listing on the message stream: a comment header on every page and one
// line of 15 band levels for every computed spectrum slice.
#pragma once

// Listing header at the start of a page (wrfile set).
void bandhead();
// Band line of slice j: written only when j is a multiple of fftskp.
void bandline(int j);
