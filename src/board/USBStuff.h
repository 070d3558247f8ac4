// The board link: firmware download, register reads and writes with SMBus or SPI
// framing, the board's switch ports, the fatal communication error and the busy delay.
#pragma once

#include <QString>
#include <array>
#include <cstdint>

// Request codes of the board firmware.
enum VendorRequest : int16_t {
    RegisterRequest = 0xDE,
    BoardPortRequest = 0xDD,
    SpiModeRequest = 0xDA,
};

enum FatalErrorCode : int16_t {
    FirmwareError = 0,
    SMBusEnableError = 1,
    InitialConnectionError = 2,
    CommunicationsError = 3,
};

inline constexpr int kFirmwarePathLimit = 512;

extern std::array<uint8_t, 65> gUsbBuffer;
extern QString gFirmwareFile;
extern std::array<uint8_t, kFirmwarePathLimit + 1> gFirmwareFileBytes;
extern bool gSPIMode;        // set true by the configuration window, never back
extern int32_t gDeviceAddress; // the chip's bus address, found by the bring-up
// Unloads every window so each stores what it keeps; run before a fatal error ends the
// program. Set by the main window, null without one.
extern void (*gUnloadAllWindows)();
// True from the moment a fatal communication error is raised until the program ends. The
// fatal box's modal loop still delivers timer ticks and queued calls; anything that would
// touch the board or open a box of its own looks here first and does nothing.
extern bool gFatalUsbErrorRaised;

// Copies a path into gFirmwareFileBytes in the file system's encoding (one byte per
// character for ASCII), then a zero byte. Returns false (and stores only the zero) when
// the bytes do not fit.
bool StringToBytes(const QString& text);
int16_t LoadBoardFirmware();
int16_t ReadRegister(int32_t deviceAddress, int32_t reg);
// data is in/out: above 255 it becomes 255 in the caller's variable too.
int16_t WriteRegister(int32_t deviceAddress, int32_t reg, int32_t& data);
// Convenience for callers that pass a value, not a variable.
int16_t WriteRegisterValue(int32_t deviceAddress, int32_t reg, int32_t data);
int16_t WriteBoardPort(int32_t port, int32_t lowByte, int32_t highByte);
int16_t ReadBoardPorts();
void SendSpiModeRequest();
// Shows the error's box, unloads every window and ends the program. Raised again while
// the first one is being reported, it shows no second box and ends the program at once.
[[noreturn]] void FatalUsbError(int16_t code);
// The text of a fatal error code, empty for codes without a box. The firmware code names
// the cause when the firmware path did not fit the bytes the board library takes.
QString FatalUsbErrorText(int16_t code);
// Whether the last firmware download was refused because its path is too long.
bool FirmwarePathTooLong();
// Whether the last firmware download failed because the program's folder is unknown.
bool ProgramFolderUnknown();
void Delay(float milliseconds);

// Puts every value of the board link back to its start value.
void ResetUsbStuff();
