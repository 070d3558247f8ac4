#include "chip/GeneralStuff.h"

#include "board/Switches.h"
#include "board/USBStuff.h"
#include "chip/RegMapStuff.h"
#include "platform/Runtime.h"

#include <cmath>
#include <utility>

bool gIntOutputEnabled = false;
int16_t gAin12Mode = Ain12Invalid;
bool gAin3Enabled = false;
bool gDacAInternalTemp = false;
bool gDacBExternalTemp = false;
float gAinRefVoltage = 0.0f;
std::array<int16_t, 4> gDacRange{};
bool gExtRefAB = false;
bool gExtRefCD = false;
int16_t gIntMask1 = 0;
int16_t gIntMask2 = 0;
float gExtRefVoltage = 2.25f;

float gInternalTemp = 0;
float gExternalTemp = 0;
float gKulexTemp = 0;
float gVddVolts = 0;
std::array<float, 4> gDacVolts{};
std::array<float, 4> gAinVolts{};
int16_t gIntStatus1 = 0;
int16_t gIntStatus2 = 0;

QString gLEDBarSource = QStringLiteral("DAC A");
bool gOptoControl = false;
int16_t gAin12Source = Ain12SrcTerminal;

namespace {
int gAin12RepairDepth = 0; // repairs of an invalid Ain1-2 selection in a row

WindowProcedures& Procedures()
{
    static WindowProcedures procedures;
    return procedures;
}

void Run(const std::function<void()>& procedure)
{
    if (procedure)
        procedure();
}
} // namespace

void RegisterWindowProcedures(WindowProcedures procedures)
{
    Procedures() = std::move(procedures);
}

void ResetChipState()
{
    gIntOutputEnabled = false;
    gAin12Mode = Ain12Invalid;
    gAin3Enabled = false;
    gDacAInternalTemp = false;
    gDacBExternalTemp = false;
    gAinRefVoltage = 0.0f;
    gDacRange.fill(0);
    gExtRefAB = false;
    gExtRefCD = false;
    gIntMask1 = 0;
    gIntMask2 = 0;
    gExtRefVoltage = 2.25f;
    gInternalTemp = gExternalTemp = gKulexTemp = gVddVolts = 0;
    gDacVolts.fill(0);
    gAinVolts.fill(0);
    gIntStatus1 = gIntStatus2 = 0;
    gLEDBarSource = QStringLiteral("DAC A");
    gOptoControl = false;
    gAin12Source = Ain12SrcTerminal;
    gAin12RepairDepth = 0;
}

void InitDefaults()
{
    InitRegisterMap();
    Run(Procedures().InitWindowDefaults); // graphs enabled, log interval
    gExtRefVoltage = 2.25f;
    gLEDBarSource = QStringLiteral("DAC A");
    gOptoControl = false;
    gAin12Source = Ain12SrcTerminal;
    SetAin12SourceTerminal();
}

static void DecodeConfiguration1(int v)
{
    gIntOutputEnabled = (v & 0x20) == 0;
    switch ((v >> 1) & 0x03) {
    case 0:
        gAin12Mode = Ain12Inputs;
        SelectAin12Path();
        break;
    case 2:
        gAin12Mode = Ain12ExtDiode;
        SelectExtDiodePath();
        break;
    default:
        gAin12Mode = Ain12Invalid;
        if (gAin12RepairDepth < kMaxAin12Repairs) {
            ++gAin12RepairDepth;
            MsgBox(QStringLiteral("Invalid value for External Temp /Ain-2 selection\r\n"
                                  "The device will be reset to enable Ain1-2 (default)"));
            WriteRegisterValue(gDeviceAddress, 0x18, v & 0xF9);
            --gAin12RepairDepth;
        }
        break;
    }
    gAin3Enabled = (v & 0x08) != 0;
    if (gAin3Enabled)
        SelectAin3Switch();
    else
        SelectLDACSwitch();
    Run(Procedures().SetupGraphChannels);
    Run(Procedures().ConfigureLimitsForm);
    Run(Procedures().SetupAin12SourceOptions);
}

void UpdateRegisterState(int32_t reg)
{
    if (reg < 0x18 || reg > 0x1E || reg == 0x19)
        return;
    const int v = ReadRegister(gDeviceAddress, reg);
    switch (reg) {
    case 0x18:
        DecodeConfiguration1(v);
        break;
    case 0x1A:
        gDacAInternalTemp = (v & 0x20) != 0;
        gDacBExternalTemp = (v & 0x40) != 0;
        gAinRefVoltage = (v & 0x10) ? 3.3f : 2.28f;
        Run(Procedures().ConfigureLimitsForm);
        break;
    case 0x1B:
        for (int i = 0; i < 4; ++i)
            gDacRange[i] = (v & (1 << i)) ? 2 : 1;
        break;
    case 0x1C:
        gExtRefAB = (v & 0x10) == 0;
        gExtRefCD = (v & 0x20) == 0;
        break;
    case 0x1D:
        gIntMask1 = static_cast<int16_t>(v);
        break;
    case 0x1E:
        gIntMask2 = static_cast<int16_t>(v);
        break;
    default:
        break;
    }
}

bool IsAlertActive()
{
    if (!gIntOutputEnabled)
        return false;
    const int s1 = gIntStatus1 & 0xFF, m1 = gIntMask1 & 0xFF;
    const int s2 = gIntStatus2 & 0xFF, m2 = gIntMask2 & 0xFF;
    if (s1 & ~m1 & 0xFF)
        return true;
    return (s2 & 0x10) && !(m2 & 0x10);
}

void UpdateOptoDac()
{
    if (!gOptoControl)
        return;
    if (gAinVolts[3] > 2.25f)
        gAinVolts[3] = 2.25f;
    const int code = static_cast<int>(std::nearbyint(4095.0 * (static_cast<double>(gAinVolts[3]) / 2.25)));
    WriteRegisterValue(gDeviceAddress, 0x10, (code & 0x0F) * 16);
    WriteRegisterValue(gDeviceAddress, 0x11, (code & 0xFF0) / 16);
}
