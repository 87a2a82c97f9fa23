// The LaserJet device (device index 2): PCL raster graphics, one raster transfer per row.
#pragma once

// Open routine: resolution, geometry, tone curve, device table, zeroed row buffer.
void ljopen();
