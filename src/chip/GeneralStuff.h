// The chip model: chip-state values kept in step with the chip by the decoder, the
// measurement values of the main loop, the board values, the start-up defaults, the
// alert evaluation and the opto-sensor drive of DAC A.
#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <functional>

enum Ain12Mode : int16_t { Ain12Invalid = 0, Ain12ExtDiode = 1, Ain12Inputs = 2 };
enum Ain12Source : int16_t { Ain12SrcLEDBar = 1, Ain12SrcTerminal = 2 };
enum DacIndex : int16_t { DacA = 0, DacB = 1, DacC = 2, DacD = 3 };

// Chip-state values (written only by UpdateRegisterState).
extern bool gIntOutputEnabled;
extern int16_t gAin12Mode;
extern bool gAin3Enabled;
extern bool gDacAInternalTemp;
extern bool gDacBExternalTemp;
extern float gAinRefVoltage;
extern std::array<int16_t, 4> gDacRange;
extern bool gExtRefAB;
extern bool gExtRefCD;
extern int16_t gIntMask1;
extern int16_t gIntMask2;
extern float gExtRefVoltage;

// Measurement values, in display units (written by the master timer).
extern float gInternalTemp;
extern float gExternalTemp;
extern float gKulexTemp;
extern float gVddVolts;
extern std::array<float, 4> gDacVolts;
extern std::array<float, 4> gAinVolts;
extern int16_t gIntStatus1;
extern int16_t gIntStatus2;

// Board values.
extern QString gLEDBarSource; // "DAC A" to "DAC D"
extern bool gOptoControl;
extern int16_t gAin12Source;

// How often the decoder repairs an invalid Ain1-2 selection in a row before it gives up.
inline constexpr int kMaxAin12Repairs = 3;

// What the windows do for the chip model: the start-up defaults of their own values, and
// the set-up procedures that the decoder runs after a write of Configuration 1 (18h) or
// Configuration 3 (1Ah). The windows register them at program start; the chip model
// knows nothing of the windows themselves. An empty entry is skipped.
struct WindowProcedures {
    std::function<void()> InitWindowDefaults;
    std::function<void()> SetupGraphChannels;
    std::function<void()> ConfigureLimitsForm;
    std::function<void()> SetupAin12SourceOptions;
};
void RegisterWindowProcedures(WindowProcedures procedures);

void InitDefaults();
void UpdateRegisterState(int32_t reg);
bool IsAlertActive();
void UpdateOptoDac();

// Puts every value of the chip model back to its start value (tests).
void ResetChipState();
