// PDF output device: the plot as a PDF document of landscape pages of 10.5 x 8 inches, one
// page per page of the plot, written to the run's output stream.
#pragma once

// Sets the 300-dot page geometry, fills the device table; the document begins at the first mark.
void pdfopen();
