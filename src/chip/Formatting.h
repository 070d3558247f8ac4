// Conversions between the chip's register codes and degrees Celsius or volts.
#pragma once

#include <cstdint>

float TempCodeToCelsius(int16_t code);
float VddCodeToVolts(int16_t code);
int16_t VddVoltsToCode(float volts);
float AinCodeToVolts(int16_t code);
int16_t AinVoltsToCode(float volts);
// dac is 0 to 3 (DAC A to D); other indices are treated as DAC A.
float DacCodeToVolts(int16_t code, int16_t dac);
// The reference a DAC uses now: the internal 2.25 V, or the external reference while its
// pair is set to it.
float DacReference(int16_t dac);
// The volts of a DAC code for a range factor and a reference: what DacCodeToVolts gives
// for the DAC in that state.
float DacVolts(int16_t code, int16_t range, float reference);
