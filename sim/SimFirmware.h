// The firmware file the board downloads: Intel HEX.
#pragma once

#include <cstdint>

// Reads and checks the whole file. 0 when it holds a loadable image, else one of the
// negative SimFw... statuses of SimControl.h.
int16_t CheckFirmwareFile(const char* path);
