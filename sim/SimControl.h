// Test controls of the simulated evaluation board. Only the tests use these, through the
// static library; the shared library the program loads does not export them.
#pragma once

#include <cstdint>
#include <functional>

// Statuses the simulated board returns (0 is success).
enum SimStatus : int16_t {
    SimOk = 0,
    // LoadFirmWare
    SimFwUnreadable = -1,   // no path, missing or unreadable file
    SimFwMalformed = -2,    // not Intel HEX, or a record that does not add up
    SimFwBadChecksum = -3,  // a record's checksum is wrong
    SimFwNoEndRecord = -4,  // the file ends without an end-of-file record
    SimFwNoData = -5,       // no data bytes, or more than the board's 64 KB code memory
    SimFwForcedFailure = -6, // VANTREO_FIRMWARE_FAIL
    // VendorIORequest
    SimNoFirmware = -10,    // no successful firmware download yet
    SimBadRequest = -11,    // unknown request code, bad direction, length, value or buffer
    SimBusError = -12,      // the chip's bus does not carry this framing now
    SimInjectedFailure = -13, // VANTREO_FAIL_AFTER or VANTREO_SMBUS_FAILURES
};

// Power-on state of board and chip, the natural environment again, no firmware; reads
// the fault variables (VANTREO_...) afresh. The time source is kept.
void SimReset();

// Where the simulation takes its time from, in seconds; it must stay callable until it is
// replaced. Empty: the steady clock, counted from this call or the last SimReset.
void SimSetTimeSource(std::function<double()> secondsSinceStart);

// A chip register as it stands, without the side effects of a bus read.
uint8_t SimPeekRegister(int reg);
// Sets a register directly, read-only ones included (10h to 17h set the DAC code bits).
void SimPokeRegister(int reg, uint8_t value);
// The board's 6-byte port image.
const uint8_t* SimPortImage();
// The voltage at a DAC's output pin (0 to 3 for DAC A to D).
double SimDacVolts(int dac);

// Fix parts of the environment, without drift or noise, until the next SimReset.
void SimSetTerminalVolts(double ain1, double ain2); // terminal P2
// The board's temperature: the chip's die and the Kulex sensor read it, the external
// diode 3 degrees more.
void SimSetTemperature(double celsius);
void SimSetVdd(double volts);
void SimSetLight(double volts); // the photo sensor's output on Ain4
