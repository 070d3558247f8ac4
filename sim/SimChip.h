// The simulated Zandrel chip: its registers, its measurements of the analog world around
// it, its DACs, limit comparison and SPI lock. The simulated board drives it.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>

// What the board's switches connect to the chip's pins.
struct SimPins {
    bool diodeClosed = false;     // external diode on the Ain1/Ain2 pins
    bool ain12Connected = false;  // Ain1/Ain2 pins connected to their sources
    bool ain12FromLedDac = false; // the sources are the LED bar's DAC, not terminal P2
    int ledBarDac = 0;            // DAC A to D (0 to 3) drives the LED bar
    bool ldacHeldActive = false;  // the board holds the LDAC pin active
};

// The analog world around the chip. NaN values follow their natural course.
struct SimWorld {
    double temperature = NAN; // the board's temperature in degrees Celsius
    double vdd = NAN;
    double light = NAN;       // photo sensor output in volts
    std::array<double, 2> terminal{1.25, 0.62}; // terminal P2, volts for Ain1 and Ain2
};

class SimChip {
public:
    static constexpr double kConversionPeriod = 0.02; // one round of all channels, seconds
    static constexpr double kExternalRefVolts = 2.25;  // the board's DAC reference input

    // Power-on registers; the simulation's time stands at now.
    void PowerOn(double now);
    // Runs every conversion round due up to now.
    void Advance(double now);
    void SetPins(const SimPins& pins);

    // A read over the bus: status registers clear, an LSB register holds its MSBs.
    uint8_t Read(int reg);
    // A write over the bus: read-only and unnamed registers ignore it.
    void Write(int reg, uint8_t value);
    uint8_t Peek(int reg) const;
    void Poke(int reg, uint8_t value);

    double DacVolts(int dac) const;
    void LockSpi() { spiLocked_ = true; }
    bool SpiLocked() const { return spiLocked_; }

    SimWorld world;

private:
    bool Converting() const;
    void Convert(double t, int64_t round);
    void StoreCode(int lsbReg, int shift, int msbReg, int code);
    void WriteDac(int reg, uint8_t value);
    void LoadDacs(unsigned mask);
    void FollowLdacPin();
    bool FollowsTemperature(int dac) const;

    std::array<uint8_t, 128> reg_{};
    std::array<uint16_t, 4> dacInput_{};  // codes written
    std::array<uint16_t, 4> dacOutput_{}; // codes at the outputs (what 10h to 17h read)
    std::array<uint8_t, 12> held_{};      // 00h to 0Bh as they stood at the last LSB read
    bool holding_ = false;
    bool spiLocked_ = false;
    double time_ = 0;
    double vdd_ = 3.3;
    SimPins pins_;
};
