// The two functions of the board's USB library, as the simulated board exports them.
#pragma once

#include <cstdint>

#if defined(VANTREO_BUILDING_SHARED)
#define VANTREO_EXPORT __attribute__((visibility("default")))
#else
#define VANTREO_EXPORT
#endif

extern "C" {
// Downloads the firmware file (Intel HEX) to the board. Negative on failure.
VANTREO_EXPORT int16_t LoadFirmWare(const char* path);
// One vendor request. Direction 1: the board returns data into buffer; 0: the program sends.
VANTREO_EXPORT int16_t VendorIORequest(int16_t request, int32_t value, int32_t index,
                                       int16_t direction, int16_t length, uint8_t* buffer);
}
