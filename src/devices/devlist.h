// The table of device open routines; an empty slot means the device is not available.
#pragma once

extern void (*const devopens[5])();
