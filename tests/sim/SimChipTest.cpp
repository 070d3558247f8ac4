// The simulated chip: power-on registers, measurements decoded with the program's own
// conversions, DAC outputs, limits and status bits, and time.
#include "SimFixture.h"

#include "chip/Formatting.h"
#include "chip/GeneralStuff.h"

#include <cmath>

namespace {
constexpr int kMonitor = 0x01;
constexpr int kExtDiode = 0x04;
constexpr int kAin3 = 0x08;

class SimChipTest : public SimBoardTest {
protected:
    void SetUp() override
    {
        SimBoardTest::SetUp();
        ResetChipState();
        gAinRefVoltage = 2.28f;
        gDacRange.fill(1);
    }
    void TearDown() override
    {
        ResetChipState();
        SimBoardTest::TearDown();
    }
    void Monitor(int cfg1 = kMonitor)
    {
        Write(0x18, cfg1);
        if (cfg1 & kExtDiode) { // as the program switches the board: Ain path open, diode closed
            SetPortBits(3, 0x03, 0x00);
            SetPortBits(2, 0x03, 0x03);
        }
        Run(0.1);
    }
    // The codes as the program's measurement cycle assembles them.
    int Code(int lsbReg, int shift, int msbReg)
    {
        const int low = (Read(lsbReg) >> shift) & 3;
        return Read(msbReg) * 4 + low;
    }
    float Internal() { return TempCodeToCelsius(static_cast<int16_t>(Code(0x03, 0, 0x07))); }
    float External() { return TempCodeToCelsius(static_cast<int16_t>(Code(0x04, 0, 0x08))); }
    float Vdd() { return VddCodeToVolts(static_cast<int16_t>(Code(0x03, 2, 0x06))); }
    float Ain(int i) { return AinCodeToVolts(static_cast<int16_t>(Code(0x04, 2 * i, 0x08 + i))); }
    int DacCode(int dac) { return Read(0x11 + 2 * dac) * 16 + Read(0x10 + 2 * dac) / 16; }
    void WriteDac(int dac, int code)
    {
        Write(0x10 + 2 * dac, (code & 0x0F) * 16);
        Write(0x11 + 2 * dac, code >> 4);
    }
};
} // namespace

TEST_F(SimChipTest, PowerOnRegistersAndReadOnlyOnes)
{
    const std::pair<int, int> expected[] = {
        {0x18, 0x00}, {0x1A, 0x00}, {0x1C, 0x00}, {0x21, 0xD8}, {0x22, 0xD8}, {0x23, 0xC7},
        {0x24, 0x62}, {0x25, 0x64}, {0x26, 0xC9}, {0x27, 0xFF}, {0x28, 0x00}, {0x2B, 0xFF},
        {0x2C, 0x00}, {0x2D, 0xFF}, {0x2E, 0x00}, {0x2F, 0xFF}, {0x30, 0x00}, {0x4D, 0x00},
        {0x4E, 0x41}, {0x4F, 0x04}, {0x7F, 0x00}, {0x07, 0x00}};
    for (const auto& [reg, value] : expected)
        EXPECT_EQ(Read(reg), value) << "register " << reg;

    for (int reg : {0x03, 0x07, 0x0B, 0x4E, 0x7F, 0x29, 0x50, 0x0C, 0x95}) {
        const int before = Read(reg);
        Write(reg, 0x5A);
        EXPECT_EQ(Read(reg), before) << "register " << reg;
    }
    EXPECT_EQ(Read(0x95), 0x00);
    Write(0x2C, 0x5A);
    EXPECT_EQ(Read(0x2C), 0x5A);
}

TEST_F(SimChipTest, NothingIsMeasuredUntilMonitoringAndNotInPowerDown)
{
    SimSetTemperature(25.0);
    Run(1.0);
    EXPECT_EQ(Read(0x07), 0x00);
    Monitor(kMonitor | 0x80);
    EXPECT_EQ(Read(0x07), 0x00);
    Monitor();
    EXPECT_EQ(Internal(), 25.0f);
    SimSetTemperature(30.0);
    Write(0x18, 0x00);
    Run(1.0);
    EXPECT_EQ(Internal(), 25.0f);
}

TEST_F(SimChipTest, TemperaturesRoundTripThroughTheProgramsConversion)
{
    Monitor();
    for (double t : {-55.0, -0.25, 0.0, 25.25, 99.75}) {
        SimSetTemperature(t);
        Run(0.05);
        EXPECT_EQ(Internal(), static_cast<float>(t));
    }
    Write(0x1F, 0xFC); // internal offset -4 steps
    Run(0.05);
    EXPECT_EQ(Internal(), 98.75f);

    Monitor(kMonitor | kExtDiode);
    SimSetTemperature(-20.5);
    Run(0.05);
    EXPECT_EQ(External(), -17.5f);
    Write(0x20, 0x02);
    Run(0.05);
    EXPECT_EQ(External(), -17.0f);

    SetPortBits(2, 0x03, 0x00); // diode path opened: fault, top of the scale
    Run(0.05);
    EXPECT_EQ(Read(0x00) & 0x10, 0x10);
    EXPECT_EQ(External(), 127.75f);
}

TEST_F(SimChipTest, VoltagesRoundTripThroughTheProgramsConversions)
{
    SimSetVdd(3.3);
    SimSetTerminalVolts(1.0, 3.0); // Ain2 beyond the 2.28 V reference saturates
    SimSetLight(0.8);
    SimSetTemperature(25.0);
    Monitor(kMonitor | kAin3);
    const float halfStep = 2.28f / 2048;
    EXPECT_NEAR(Vdd(), 3.3, 0.0035);
    EXPECT_NEAR(Ain(0), 1.0, halfStep);
    EXPECT_EQ(Code(0x04, 2, 0x09), 1023);
    EXPECT_NEAR(Ain(2), 0.75, halfStep); // Kulex: 0.5 V + 10 mV per degree
    EXPECT_NEAR(Ain(3), 0.8, halfStep);

    Write(0x1A, 0x10); // Ain reference Vdd
    gAinRefVoltage = 3.3f;
    Run(0.05);
    EXPECT_NEAR(Ain(0), 1.0, 3.3 / 2048);
    EXPECT_NEAR(Ain(1), 3.0, 3.3 / 2048);

    // The path open: the inputs float low.
    SetPortBits(3, 0x03, 0x00);
    Run(0.05);
    EXPECT_EQ(Code(0x04, 0, 0x08), 0);
}

TEST_F(SimChipTest, ReadingTheLowBitsHoldsTheHighBits)
{
    Monitor();
    SimSetTemperature(25.75);
    Run(0.05);
    EXPECT_EQ(Read(0x03) & 3, 3);
    SimSetTemperature(26.0);
    Run(0.05);
    EXPECT_EQ(Read(0x07), 0x19); // the pair still reads 25.75, not 26.75
    EXPECT_EQ(Read(0x07), 0x1A);
}

TEST_F(SimChipTest, DacOutputsFollowRangeReferenceAndLdac)
{
    Write(0x1C, 0x30); // internal reference for all four
    Write(0x1B, 0x01); // DAC A doubled
    WriteDac(0, 2048);
    WriteDac(2, 1024);
    EXPECT_EQ(DacCode(0), 2048); // the LDAC pin is held active at power-on: at once
    gDacRange = {2, 1, 1, 1};
    EXPECT_NEAR(SimDacVolts(0), DacCodeToVolts(2048, DacA), 1e-6);
    EXPECT_NEAR(SimDacVolts(2), DacCodeToVolts(1024, DacC), 1e-6);
    EXPECT_NEAR(SimDacVolts(2), 0.5625, 1e-9);
    WriteDac(0, 4095);
    EXPECT_NEAR(SimDacVolts(0), 3.3, 0.02); // cannot swing beyond Vdd


    // With the shared pin as Ain3 the generation modes of 1Bh decide.
    Write(0x18, kAin3);
    Write(0x1B, 0x00);
    Write(0x12, 0x50);
    EXPECT_EQ(DacCode(1), 0);
    Write(0x13, 0x12);
    EXPECT_EQ(DacCode(1), 0x125);
    Write(0x1B, 0x10); // MSB write to B loads A and B
    WriteDac(0, 100);
    EXPECT_EQ(DacCode(0), 4095);
    WriteDac(1, 200);
    EXPECT_EQ(DacCode(0), 100);
    EXPECT_EQ(DacCode(1), 200);
    Write(0x1B, 0x30); // LDAC register only
    WriteDac(3, 300);
    EXPECT_EQ(DacCode(3), 0);
    Write(0x1C, 0x38);
    EXPECT_EQ(DacCode(3), 300);
    EXPECT_EQ(Read(0x1C), 0x30);
    WriteDac(2, 77);
    Write(0x18, 0x00); // back to the LDAC pin, held active by the board's switch
    EXPECT_EQ(DacCode(2), 77);
}

TEST_F(SimChipTest, LedBarDacFeedsAin1AndAin2)
{
    Monitor();
    Write(0x1C, 0x30);
    WriteDac(2, 2000);
    SetPortBits(2, 0x3C, 0x38); // LED bar on DAC C, Ain1/Ain2 from it
    Run(0.05);
    EXPECT_NEAR(Ain(0), SimDacVolts(2), 2.28 / 2048);
    EXPECT_NEAR(Ain(1), SimDacVolts(2), 2.28 / 2048);
}

TEST_F(SimChipTest, DacsFollowTheTemperatures)
{
    SimSetTemperature(25.5);
    Monitor(kMonitor | kExtDiode);
    Write(0x1A, 0x60);
    Run(0.05);
    EXPECT_EQ(DacCode(0), (25 + 40) * 16); // 1 degree steps above the -40 degree offset
    EXPECT_EQ(DacCode(1), (28 + 40) * 16);
    Write(0x1A, 0x62);
    Write(0x21, 0x00);
    Run(0.05);
    EXPECT_EQ(DacCode(0), 102 * 4); // quarter degrees above 0
    WriteDac(0, 5);                 // a following DAC ignores written codes
    EXPECT_EQ(DacCode(0), 102 * 4);
}

TEST_F(SimChipTest, LimitsSetStickyStatusBitsThatReadingClears)
{
    SimSetTemperature(25.0);
    SimSetVdd(3.3);
    SimSetTerminalVolts(1.0, 0.5);
    SimSetLight(1.0);
    Monitor(kMonitor | kAin3);
    EXPECT_EQ(Read(0x00), 0x00);
    EXPECT_EQ(Read(0x01), 0x00);

    Write(0x25, 24);                            // internal above its high limit
    Write(0x27, AinVoltsToCode(0.0f));          // Ain1 above 0 V: the ALERT LED test
    Write(0x2C, AinVoltsToCode(0.6f));          // Ain2 below its low limit
    Write(0x2D, AinVoltsToCode(0.7f));          // Kulex 0.75 V above its high limit
    Write(0x30, AinVoltsToCode(1.2f));          // light below its low limit
    Write(0x24, VddVoltsToCode(3.4f));          // Vdd below its low limit
    Run(0.05);
    EXPECT_EQ(Read(0x00), 0xE5);
    EXPECT_EQ(Read(0x01), 0x10);
    EXPECT_EQ(Read(0x00), 0x00); // cleared by the read, nothing converted since
    EXPECT_EQ(Read(0x01), 0x00);

    // Back inside the limits: once read, the bits stay clear.
    Write(0x25, 0x64);
    Write(0x27, 0xFF);
    Write(0x2C, 0x00);
    Write(0x2D, 0xFF);
    Write(0x30, 0x00);
    Write(0x24, 0x62);
    Write(0x26, 0xF6); // -10 degrees
    Write(0x23, 0x00);
    SimSetTemperature(-20.0);
    Run(0.05);
    EXPECT_EQ(Read(0x00), 0x02);
    EXPECT_EQ(Read(0x01), 0x10);
    Run(0.05);
    EXPECT_EQ(Read(0x00), 0x02);

    // External limits are degrees while the pins carry the diode.
    Write(0x26, 0xC9);
    Monitor(kMonitor | kExtDiode);
    Read(0x00);
    Write(0x27, 0xEC); // -20 and -32: the diode's -17 is above both
    Write(0x28, 0xE0);
    Run(0.05);
    EXPECT_EQ(Read(0x00), 0x04);
}

TEST_F(SimChipTest, AliveAndIndependentOfThePollingRate)
{
    Monitor();
    Monitor(kMonitor | kExtDiode | kAin3);
    const double start = now;
    float low = 1000, high = -1000;
    float lightLow = 10, lightHigh = -10;
    for (int tick = 0; tick < 6000; ++tick) { // a minute at the program's 10 ms tick
        Run(0.01);
        if (tick % 12 == 0) {
            const float in = Internal(), ex = External();
            low = std::min(low, in);
            high = std::max(high, in);
            EXPECT_GT(ex - in, 0.5f);
            EXPECT_LT(ex - in, 6.0f);
            EXPECT_NEAR(Vdd(), 3.3, 0.03);
            lightLow = std::min(lightLow, Ain(3));
            lightHigh = std::max(lightHigh, Ain(3));
        }
    }
    EXPECT_GE(low, 23.0f);
    EXPECT_LE(high, 31.0f);
    EXPECT_GT(high - low, 0.2f); // it moves
    EXPECT_GT(lightHigh - lightLow, 0.5f);
    now = start + 60.005;
    const int polled = Code(0x03, 0, 0x07), polledVdd = Code(0x03, 2, 0x06);

    // The same minute without a single request in between shows the same.
    SimReset();
    now = start - 0.1;
    ASSERT_EQ(LoadFirmWare(ShippedFirmware().c_str()), SimOk);
    Monitor(kMonitor | kExtDiode | kAin3);
    now = start + 60.005;
    EXPECT_EQ(Code(0x03, 0, 0x07), polled);
    EXPECT_EQ(Code(0x03, 2, 0x06), polledVdd);
}
