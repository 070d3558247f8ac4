// Binding of the board's USB library. The library is looked up by name at the first call
// of either function: first in the program's folder, then on the system library path.
// Tests replace the two functions with their own.
#pragma once

#include <QString>
#include <cstdint>

using LoadFirmWareFn = int16_t (*)(const char* path);
using VendorIORequestFn = int16_t (*)(int16_t request, int32_t value, int32_t index,
                                      int16_t direction, int16_t length, uint8_t* buffer);

// Calls into the library; binds it first when needed. When the library or one of its
// functions cannot be found, says so in a message box and ends the program.
int16_t CallLoadFirmWare(const char* path);
int16_t CallVendorIORequest(int16_t request, int32_t value, int32_t index, int16_t direction,
                            int16_t length, uint8_t* buffer);

// Replaces the library (tests). Passing nulls returns to binding by name.
void SetVantreoFunctions(LoadFirmWareFn load, VendorIORequestFn request);

// The file name the program binds.
inline constexpr const char* kVantreoLibraryName = "libVantreo.so";
