#include "chip/Formatting.h"

#include "chip/GeneralStuff.h"

#include <cmath>
#include <limits>

namespace {
constexpr double kVddStep10 = 0.002197265625 * 3.11; // volts per 10-bit code step
constexpr double kVddStep8 = 0.0087890625 * 3.11;    // volts per 8-bit limit step

int16_t RoundToCode(double q)
{
    if (std::isnan(q))
        return 0; // 0 / 0 before the reference is known: no code, and no cast of a NaN
    const double r = std::nearbyint(q); // the default rounding mode sends halves to even
    if (r > std::numeric_limits<int16_t>::max())
        return std::numeric_limits<int16_t>::max();
    if (r < std::numeric_limits<int16_t>::min())
        return std::numeric_limits<int16_t>::min();
    return static_cast<int16_t>(r);
}
} // namespace

float TempCodeToCelsius(int16_t code)
{
    int v = code;
    if (code & 0x200)
        v = (code & 0x1FF) - 512;
    return static_cast<float>(v / 4.0);
}

float VddCodeToVolts(int16_t code) { return static_cast<float>(kVddStep10 * code); }

int16_t VddVoltsToCode(float volts) { return RoundToCode(static_cast<double>(volts) / kVddStep8); }

float AinCodeToVolts(int16_t code)
{
    const float step = static_cast<float>(gAinRefVoltage / 1024.0f);
    return static_cast<float>(code) * step;
}

int16_t AinVoltsToCode(float volts)
{
    const float step = static_cast<float>(gAinRefVoltage / 256.0f);
    const float q = volts / step;
    return RoundToCode(q);
}

float DacCodeToVolts(int16_t code, int16_t dac)
{
    if (dac < 0 || dac > 3)
        dac = 0;
    return DacVolts(code, gDacRange[dac], DacReference(dac));
}

float DacReference(int16_t dac)
{
    if (dac < 0 || dac > 3)
        dac = 0;
    if ((dac <= 1 && gExtRefAB) || (dac >= 2 && gExtRefCD))
        return gExtRefVoltage;
    return 2.25f;
}

float DacVolts(int16_t code, int16_t range, float reference)
{
    const float span = static_cast<float>(range * reference);
    return static_cast<float>(static_cast<double>(static_cast<float>(code)) * span / 4096.0);
}
