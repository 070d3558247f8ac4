#include "SimChip.h"

#include <algorithm>

namespace {
constexpr double kTwoPi = 6.283185307179586;
constexpr int kMaxCatchUp = 64; // rounds run at most after a long pause between requests
constexpr double kAinInternalRef = 2.28;
constexpr double kDacInternalRef = 2.25;
constexpr double kVddStep = 2.25 / 1024 * 3.11; // volts per Vdd code step

// Status bits of 00h and 01h.
enum : uint8_t {
    kInHigh = 0x01, kInLow = 0x02, kExHigh = 0x04, kExLow = 0x08, kFault = 0x10,
    kAin2 = 0x20, kAin3 = 0x40, kAin4 = 0x80, kVddOut = 0x10,
};

// Power-on values of the registers that do not read 00h.
constexpr std::pair<int, uint8_t> kPowerOn[] = {
    {0x21, 0xD8}, {0x22, 0xD8}, {0x23, 0xC7}, {0x24, 0x62}, {0x25, 0x64}, {0x26, 0xC9},
    {0x27, 0xFF}, {0x28, 0x00}, {0x2B, 0xFF}, {0x2D, 0xFF}, {0x2F, 0xFF}, {0x4E, 0x41},
    {0x4F, 0x04},
};

enum NoiseChannel { kNoiseDie, kNoiseDiode, kNoiseBoard, kNoiseVdd, kNoiseLight };

double Wave(double t, double period, double phase = 0) { return std::sin(kTwoPi * t / period + phase); }

// Noise in [-1, 1], the same for the same conversion round and channel, so what the chip
// shows depends on the time only.
double Noise(int64_t round, int channel)
{
    uint64_t x = static_cast<uint64_t>(round) * 0x9E3779B97F4A7C15ull + static_cast<uint64_t>(channel) + 1;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    x ^= x >> 31;
    return static_cast<double>(x >> 11) * (2.0 / 9007199254740992.0) - 1.0;
}

int Signed(uint8_t v) { return static_cast<int8_t>(v); }

int Quantize(double q, int low, int high)
{
    if (!(q > low)) // NaN included
        return low;
    return q >= high ? high : static_cast<int>(std::lround(q));
}

// 10-bit two's complement, 0.25 degrees per step.
int TempCode(double celsius) { return Quantize(celsius * 4, -512, 511); }
int AinCode(double volts, double ref) { return Quantize(volts / ref * 1024, 0, 1023); }

// Status bits for a 10-bit code against a limit pair holding the code's top eight bits.
uint8_t CompareTop8(int code, uint8_t high, uint8_t low, uint8_t highBit, uint8_t lowBit)
{
    return static_cast<uint8_t>(((code >> 2) > high ? highBit : 0) | ((code >> 2) < low ? lowBit : 0));
}

// Status bits for a temperature code against limits in whole degrees.
uint8_t CompareTemp(int code, uint8_t high, uint8_t low, uint8_t highBit, uint8_t lowBit)
{
    return static_cast<uint8_t>((code > Signed(high) * 4 ? highBit : 0) |
                                (code < Signed(low) * 4 ? lowBit : 0));
}

// The thermal voltage output: the temperature above the analog offset, 1 degree per
// 8-bit step or 0.25 degrees per 10-bit step, as a 12-bit DAC code.
uint16_t ThermalCode(int tempCode, uint8_t offset, bool tenBit)
{
    const int quarters = tempCode - Signed(offset) * 4;
    if (tenBit)
        return static_cast<uint16_t>(std::clamp(quarters, 0, 1023) << 2);
    return static_cast<uint16_t>(std::clamp(quarters >> 2, 0, 255) << 4);
}
} // namespace

void SimChip::PowerOn(double now)
{
    reg_.fill(0);
    for (const auto& [reg, value] : kPowerOn)
        reg_[reg] = value;
    dacInput_.fill(0);
    dacOutput_.fill(0);
    holding_ = false;
    spiLocked_ = false;
    time_ = now;
    vdd_ = 3.3;
    FollowLdacPin();
}

bool SimChip::Converting() const { return (reg_[0x18] & 0x81) == 0x01; } // MON set, PD clear

void SimChip::Advance(double now)
{
    if (!std::isfinite(now))
        return;
    if (now > time_ && Converting()) {
        const auto first = static_cast<int64_t>(std::floor(time_ / kConversionPeriod)) + 1;
        const auto last = static_cast<int64_t>(std::floor(now / kConversionPeriod));
        for (int64_t k = std::max(first, last - kMaxCatchUp + 1); k <= last; ++k)
            Convert(static_cast<double>(k) * kConversionPeriod, k);
    }
    time_ = now;
}

void SimChip::SetPins(const SimPins& pins)
{
    pins_ = pins;
    FollowLdacPin();
}

void SimChip::StoreCode(int lsbReg, int shift, int msbReg, int code)
{
    const int mask = 3 << shift;
    reg_[lsbReg] = static_cast<uint8_t>((reg_[lsbReg] & ~mask) | ((code & 3) << shift));
    reg_[msbReg] = static_cast<uint8_t>((code >> 2) & 0xFF);
}

void SimChip::Convert(double t, int64_t round)
{
    // The world at this moment: a room warming and cooling slowly, the die a little
    // above the board, the external diode on a warmer part, a light changing over a minute.
    double die, diode, board;
    if (std::isnan(world.temperature)) {
        const double room = 26.5 + 1.5 * Wave(t, 600, 0.7) + 0.6 * Wave(t, 97);
        die = room + 0.8 + 0.15 * Noise(round, kNoiseDie);
        diode = room + 3.8 + 0.8 * Wave(t, 41, 2.0) + 0.15 * Noise(round, kNoiseDiode);
        board = room + 0.1 * Noise(round, kNoiseBoard);
    } else {
        die = board = world.temperature;
        diode = world.temperature + 3.0;
    }
    vdd_ = std::isnan(world.vdd) ? 3.3 + 0.006 * Wave(t, 17) + 0.003 * Noise(round, kNoiseVdd) : world.vdd;
    const double light = std::isnan(world.light)
        ? 1.1 + 0.7 * Wave(t, 60) + 0.05 * Wave(t, 7.3) + 0.004 * Noise(round, kNoiseLight)
        : world.light;
    const double ainRef = (reg_[0x1A] & 0x10) ? vdd_ : kAinInternalRef;
    uint8_t status1 = 0;

    const int internal = TempCode(die + Signed(reg_[0x1F]) * 0.25);
    StoreCode(0x03, 0, 0x07, internal);
    status1 |= CompareTemp(internal, reg_[0x25], reg_[0x26], kInHigh, kInLow);

    const int vddCode = Quantize(vdd_ / kVddStep, 0, 1023);
    StoreCode(0x03, 2, 0x06, vddCode);
    const uint8_t status2 = CompareTop8(vddCode, reg_[0x23], reg_[0x24], kVddOut, kVddOut);

    int external = 0;
    bool externalValid = false;
    switch ((reg_[0x18] >> 1) & 3) {
    case 2: // external diode
        if (pins_.diodeClosed) {
            external = TempCode(diode + Signed(reg_[0x20]) * 0.25);
            externalValid = true;
            status1 |= CompareTemp(external, reg_[0x27], reg_[0x28], kExHigh, kExLow);
        } else {
            external = 0x1FF; // an open diode reads the top of the scale
            status1 |= kFault;
        }
        StoreCode(0x04, 0, 0x08, external);
        break;
    case 0: { // analog inputs
        for (int i = 0; i < 2; ++i) {
            double volts = 0; // an open path floats low
            if (pins_.ain12Connected)
                volts = pins_.ain12FromLedDac ? DacVolts(pins_.ledBarDac) : world.terminal[i];
            const int code = AinCode(volts, ainRef);
            StoreCode(0x04, 2 * i, 0x08 + i, code);
            status1 |= i == 0 ? CompareTop8(code, reg_[0x27], reg_[0x28], kExHigh, kExLow)
                              : CompareTop8(code, reg_[0x2B], reg_[0x2C], kAin2, kAin2);
        }
        break;
    }
    default: // invalid selection: the pins are not converted
        break;
    }

    if (reg_[0x18] & 0x08) { // the shared pin is Ain3: the Kulex sensor
        const int code = AinCode(0.5 + 0.01 * board, ainRef);
        StoreCode(0x04, 4, 0x0A, code);
        status1 |= CompareTop8(code, reg_[0x2D], reg_[0x2E], kAin3, kAin3);
    }

    const int ain4 = AinCode(light, ainRef);
    StoreCode(0x04, 6, 0x0B, ain4);
    status1 |= CompareTop8(ain4, reg_[0x2F], reg_[0x30], kAin4, kAin4);

    reg_[0x00] |= status1;
    reg_[0x01] |= status2;

    const bool tenBit = reg_[0x1A] & 0x02;
    if (FollowsTemperature(0))
        dacOutput_[0] = ThermalCode(internal, reg_[0x21], tenBit);
    if (FollowsTemperature(1) && externalValid)
        dacOutput_[1] = ThermalCode(external, reg_[0x22], tenBit);
}

bool SimChip::FollowsTemperature(int dac) const
{
    return (dac == 0 && (reg_[0x1A] & 0x20)) || (dac == 1 && (reg_[0x1A] & 0x40));
}

uint8_t SimChip::Peek(int reg) const
{
    reg &= 0xFF;
    if (reg >= 0x10 && reg <= 0x17) {
        const uint16_t code = dacOutput_[(reg - 0x10) / 2];
        return static_cast<uint8_t>(reg & 1 ? code >> 4 : (code & 0x0F) << 4);
    }
    if (reg == 0x7F)
        return spiLocked_ ? 0x01 : 0x00;
    return reg < 0x80 ? reg_[reg] : 0;
}

uint8_t SimChip::Read(int reg)
{
    reg &= 0xFF;
    if (reg <= 0x01) {
        const uint8_t v = reg_[reg];
        reg_[reg] = 0;
        return v;
    }
    if (reg == 0x03 || reg == 0x04) {
        // Reading the low bits holds the high bits, so that a pair read is one conversion.
        std::copy_n(reg_.begin(), held_.size(), held_.begin());
        holding_ = true;
        return reg_[reg];
    }
    if (reg >= 0x06 && reg <= 0x0B && holding_) {
        holding_ = false;
        return held_[reg];
    }
    return Peek(reg);
}

void SimChip::Write(int reg, uint8_t value)
{
    reg &= 0xFF;
    if (reg >= 0x10 && reg <= 0x17) {
        WriteDac(reg, value);
    } else if (reg == 0x1C) {
        // Bits 3:0 are LDAC commands for DAC A to D; they read back as 0.
        reg_[reg] = value & 0xF0;
        LoadDacs(value & 0x0F);
    } else if ((reg >= 0x18 && reg <= 0x28) || (reg >= 0x2B && reg <= 0x30)) {
        reg_[reg] = value;
        if (reg == 0x18)
            FollowLdacPin();
    }
}

void SimChip::Poke(int reg, uint8_t value)
{
    if (reg < 0 || reg > 0x7F)
        return;
    holding_ = false;
    if (reg >= 0x10 && reg <= 0x17) {
        const int dac = (reg - 0x10) / 2;
        const uint16_t code = reg & 1 ? static_cast<uint16_t>((dacInput_[dac] & 0x00F) | (value << 4))
                                      : static_cast<uint16_t>((dacInput_[dac] & 0xFF0) | (value >> 4));
        dacInput_[dac] = dacOutput_[dac] = code;
    } else if (reg == 0x7F) {
        spiLocked_ = value & 1;
    } else {
        reg_[reg] = value;
    }
}

void SimChip::WriteDac(int reg, uint8_t value)
{
    const int dac = (reg - 0x10) / 2;
    const bool msb = reg & 1;
    uint16_t& code = dacInput_[dac];
    code = msb ? static_cast<uint16_t>((code & 0x00F) | (value << 4))
               : static_cast<uint16_t>((code & 0xFF0) | (value >> 4));
    if ((reg_[0x18] & 0x08) == 0) { // the shared pin is LDAC: it decides
        FollowLdacPin();
        return;
    }
    if (!msb)
        return;
    switch ((reg_[0x1B] >> 4) & 3) { // which MSB write loads which DACs
    case 0:
        LoadDacs(1u << dac);
        break;
    case 1:
        if (dac == 1 || dac == 3)
            LoadDacs(dac == 1 ? 0x3 : 0xC);
        break;
    case 2:
        if (dac == 3)
            LoadDacs(0xF);
        break;
    default: // loaded through the LDAC register only
        break;
    }
}

void SimChip::LoadDacs(unsigned mask)
{
    for (int i = 0; i < 4; ++i) {
        if ((mask & (1u << i)) && !FollowsTemperature(i))
            dacOutput_[i] = dacInput_[i];
    }
}

void SimChip::FollowLdacPin()
{
    if ((reg_[0x18] & 0x08) == 0 && pins_.ldacHeldActive)
        LoadDacs(0xF);
}

double SimChip::DacVolts(int dac) const
{
    dac &= 3;
    const bool internalRef = reg_[0x1C] & (dac < 2 ? 0x10 : 0x20);
    const double ref = internalRef ? kDacInternalRef : kExternalRefVolts;
    const double range = (reg_[0x1B] >> dac) & 1 ? 2.0 : 1.0;
    return std::min(dacOutput_[dac] / 4096.0 * ref * range, vdd_); // cannot swing past Vdd
}
