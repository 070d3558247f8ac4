// The register table, the conversions, the chip-state decoder, alert evaluation and the
// opto-sensor drive.
#include "TestSupport.h"

#include "board/USBStuff.h"
#include "chip/Formatting.h"
#include "chip/GeneralStuff.h"
#include "chip/RegMapStuff.h"
#include "windows/GeneralStuff.h"

#include <cstring>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>
#include <gtest/gtest.h>

namespace {
uint32_t Bits(float f)
{
    uint32_t u;
    std::memcpy(&u, &f, sizeof u);
    return u;
}
#define EXPECT_SINGLE(actual, expected) EXPECT_EQ(Bits(actual), Bits(static_cast<float>(expected))) << (actual)

TEST(RegisterTable, LookupsFollowTableOrder)
{
    InitRegisterMap();
    EXPECT_EQ(RegMap[FindRegisterByAddress(0x03)].Name, QStringLiteral("Internal Temp LSBs"));
    EXPECT_EQ(FindRegisterByName(QStringLiteral("Vdd LSBs")), 3);
    EXPECT_EQ(RegMap[3].Address, 0x03);
    EXPECT_EQ(RegMap[FindRegisterByAddress(0x28)].Name, QStringLiteral("External Low Limit"));
    EXPECT_EQ(RegMap[FindRegisterByName(QStringLiteral("Ain1 Vlow Limit"))].Address, 0x28);
    EXPECT_EQ(FindRegisterByAddress(0x08), 7);
    EXPECT_EQ(FindRegisterByAddress(0x27), 31);
    EXPECT_EQ(FindRegisterByAddress(0x02), -1);
    EXPECT_EQ(FindRegisterByName(QStringLiteral("configuration 1")), -1);
    EXPECT_EQ(FindRegisterByName(QStringLiteral("Configuration 1")), 16);
}

TEST(Conversions, Temperature)
{
    const std::pair<int, float> cases[] = {{0x000, 0.0f},    {0x001, 0.25f},    {0x064, 25.0f},
                                           {0x1F4, 125.0f},  {0x1FF, 127.75f},  {0x200, -128.0f},
                                           {0x201, -127.75f}, {0x3FF, -0.25f}};
    for (auto [code, celsius] : cases)
        EXPECT_SINGLE(TempCodeToCelsius(static_cast<int16_t>(code)), celsius);
}

TEST(Conversions, Vdd)
{
    EXPECT_SINGLE(VddCodeToVolts(0), 0.0f);
    EXPECT_SINGLE(VddCodeToVolts(1), 0.0068334960378706455);
    EXPECT_SINGLE(VddCodeToVolts(439), 2.9999049f);
    EXPECT_SINGLE(VddCodeToVolts(483), 3.3005786f);
    EXPECT_SINGLE(VddCodeToVolts(1023), 6.9906664f);
    EXPECT_SINGLE(VddCodeToVolts(199 * 4), 5.4394627f);
    EXPECT_EQ(VddVoltsToCode(0.0f), 0);
    EXPECT_EQ(VddVoltsToCode(2.7f), 99);
    EXPECT_EQ(VddVoltsToCode(3.0f), 110);
    EXPECT_EQ(VddVoltsToCode(3.3f), 121);
    EXPECT_EQ(VddVoltsToCode(5.5f), 201);
}

TEST(Conversions, AinFollowsTheReference)
{
    ResetChipState();
    gAinRefVoltage = 2.28f;
    EXPECT_SINGLE(AinCodeToVolts(1), 0.0022265624720603228);
    EXPECT_SINGLE(AinCodeToVolts(512), 1.1399999856948853);
    EXPECT_SINGLE(AinCodeToVolts(1023), 2.2777734f);
    EXPECT_EQ(AinVoltsToCode(0.5f), 56);
    EXPECT_EQ(AinVoltsToCode(1.0f), 112);
    EXPECT_EQ(AinVoltsToCode(2.0f), 225);
    EXPECT_EQ(AinVoltsToCode(2.28f), 256);
    gAinRefVoltage = 3.3f;
    EXPECT_SINGLE(AinCodeToVolts(512), 1.65f);
    EXPECT_SINGLE(AinCodeToVolts(1023), 3.2967772f);
    EXPECT_EQ(AinVoltsToCode(1.0f), 78);
    EXPECT_EQ(AinVoltsToCode(2.0f), 155);
    EXPECT_EQ(AinVoltsToCode(3.3f), 256);
}

TEST(Conversions, DacRangeAndReference)
{
    ResetChipState();
    gDacRange = {1, 1, 1, 1};
    EXPECT_SINGLE(DacCodeToVolts(0, 0), 0.0f);
    EXPECT_SINGLE(DacCodeToVolts(1, 0), 0.00054931640625);
    EXPECT_SINGLE(DacCodeToVolts(2048, 0), 1.125f);
    EXPECT_SINGLE(DacCodeToVolts(4095, 0), 2.2494507f);
    gDacRange[1] = 2;
    EXPECT_SINGLE(DacCodeToVolts(4095, 1), 4.4989014f);
    gExtRefAB = true;
    gExtRefVoltage = 2.0f;
    EXPECT_SINGLE(DacCodeToVolts(4095, 0), 1.9995117f);
    EXPECT_SINGLE(DacCodeToVolts(4095, 2), 2.2494507f);
    gExtRefCD = true;
    EXPECT_SINGLE(DacCodeToVolts(4095, 3), 1.9995117f);
}

// The chip state a window set-up procedure finds when it runs: what it fits its window to.
struct SeenState {
    int ain12Mode;
    bool ain3Enabled;
    uint32_t ainRefBits;
    bool intOutputEnabled;
    bool operator==(const SeenState&) const = default;
};
SeenState CurrentState() { return {gAin12Mode, gAin3Enabled, Bits(gAinRefVoltage), gIntOutputEnabled}; }
void PrintTo(const SeenState& s, std::ostream* os)
{
    *os << "{Ain1-2 mode " << s.ain12Mode << ", Ain3 " << s.ain3Enabled << ", Ain reference bits "
        << std::hex << s.ainRefBits << std::dec << ", interrupt output " << s.intOutputEnabled << "}";
}

class Decoder : public ::testing::Test {
protected:
    std::string setUpCalls; // G graphs, L limits, S Ain1-2 source options, in call order
    std::vector<SeenState> seen; // the chip state each of those calls found
    ProgramEnvironment env;
    FakeBoardScope fake;
    FakeBoard& board = fake.board;
    void SetUp() override { gDeviceAddress = 0x48; }
    // Stands in for the windows' set-up procedures (the environment puts the real ones back).
    void RecordSetUpCalls()
    {
        auto record = [this](char which) {
            setUpCalls += which;
            seen.push_back(CurrentState());
        };
        RegisterWindowProcedures({.InitWindowDefaults = {},
                                  .SetupGraphChannels = [record] { record('G'); },
                                  .ConfigureLimitsForm = [record] { record('L'); },
                                  .SetupAin12SourceOptions = [record] { record('S'); }});
    }
    // Every set-up call so far found the state the decoder left.
    void ExpectEverySetUpSawTheDecodedState()
    {
        for (size_t i = 0; i < seen.size(); ++i)
            EXPECT_EQ(seen[i], CurrentState()) << "set-up call " << i << " (" << setUpCalls[i] << ")";
    }
};

TEST_F(Decoder, RegistersOutsideTheConfigurationSetChangeNothing)
{
    WriteRegisterValue(0x48, 0x19, 0xFF);
    WriteRegisterValue(0x48, 0x1F, 0xFF);
    WriteRegisterValue(0x48, 0x17, 0xFF);
    EXPECT_EQ(board.transfers.size(), 3u); // no read-backs, no port traffic
    EXPECT_EQ(gAin12Mode, Ain12Invalid);
}

// Each set-up runs after its register is decoded: it fits its window to the new Ain3 bit,
// Ain1-2 mode, interrupt output and Ain reference, never to the old ones. Every write of 18h
// and 1Ah below changes at least one of them.
TEST_F(Decoder, WindowSetUpProceduresFollowTheirRegisters)
{
    RecordSetUpCalls();
    const std::tuple<int, int, const char*> cases[] = {
        {0x18, 0x00, "GLS"}, {0x18, 0x2C, "GLS"}, {0x18, 0x08, "GLS"}, {0x18, 0x00, "GLS"},
        {0x1A, 0x10, "L"},   {0x1A, 0x00, "L"},   {0x1B, 0x0F, ""},    {0x1C, 0x30, ""},
        {0x1D, 0xFF, ""},    {0x1E, 0xFF, ""},    {0x19, 0xFF, ""}};
    for (auto [reg, value, expected] : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << reg << "h = " << value << "h");
        setUpCalls.clear();
        seen.clear();
        WriteRegisterValue(0x48, reg, value);
        EXPECT_EQ(setUpCalls, expected);
        ExpectEverySetUpSawTheDecodedState();
    }
}

TEST_F(Decoder, InvalidAin12SelectionIsReportedAndRepaired)
{
    RecordSetUpCalls();
    board.registers[0x18] = 0x6B; // POL, EN, LDAC and MON set, P7/8 = 01
    UpdateRegisterState(0x18);
    ASSERT_EQ(env.messages.size(), 1u);
    EXPECT_EQ(env.messages[0], QStringLiteral("Invalid value for External Temp /Ain-2 selection\r\n"
                                              "The device will be reset to enable Ain1-2 (default)"));
    EXPECT_EQ(env.icons[0], MsgIcon::None);
    // Only P7/8 is cleared; every other bit is written back as the chip reported it.
    EXPECT_EQ(board.Writes(), (std::vector<std::pair<int, int>>{{0x18, 0x69}}));
    EXPECT_EQ(gAin12Mode, Ain12Inputs);
    EXPECT_FALSE(gIntOutputEnabled);
    EXPECT_TRUE(gAin3Enabled);
    // Ain3 switch selected once by each run, and the set-up procedures run by each.
    int ain3Writes = 0;
    for (auto [port, low] : board.PortWrites())
        if (port == 2 && (low & 0xC0) == 0x80)
            ++ain3Writes;
    EXPECT_EQ(ain3Writes, 2);
    EXPECT_EQ(setUpCalls, "GLSGLS");
    // The outer run's set-ups too find the repaired selection, not the invalid one.
    ExpectEverySetUpSawTheDecodedState();
}

TEST_F(Decoder, AChipThatKeepsAnInvalidSelectionIsRepairedAtMostThreeTimes)
{
    // The fake ignores writes to 18h: the chip keeps reporting 06h.
    board.statusFor = nullptr;
    board.registers[0x18] = 0x06;
    // Make writes to 18h not stick.
    board.statusFor = [this](const Transfer& t) -> int16_t {
        if (t.request == 0xDE && t.direction == 1 && (t.index & 0xFF) == 0x18)
            board.registers[0x18] = 0x06;
        return 0;
    };
    UpdateRegisterState(0x18);
    EXPECT_EQ(env.messages.size(), static_cast<size_t>(kMaxAin12Repairs));
    EXPECT_EQ(board.Writes().size(), static_cast<size_t>(kMaxAin12Repairs));
    EXPECT_EQ(gAin12Mode, Ain12Invalid);
}

TEST_F(Decoder, Configuration1Fields)
{
    board.registers[0x18] = 0x04;
    UpdateRegisterState(0x18);
    EXPECT_EQ(gAin12Mode, Ain12ExtDiode);
    EXPECT_FALSE(gAin3Enabled);
    EXPECT_TRUE(gIntOutputEnabled);
    EXPECT_EQ(board.ports[2] & 0x03, 0x03);
    EXPECT_EQ(board.ports[4] & 0x03, 0x00);
    EXPECT_EQ(board.ports[2] & 0xC0, 0x40);

    board.registers[0x18] = 0x28;
    UpdateRegisterState(0x18);
    EXPECT_FALSE(gIntOutputEnabled);
    EXPECT_TRUE(gAin3Enabled);
    EXPECT_EQ(gAin12Mode, Ain12Inputs);
    EXPECT_EQ(board.ports[2] & 0xC0, 0x80);
    EXPECT_EQ(board.ports[4] & 0x03, 0x03);
}

TEST_F(Decoder, Configuration3DacAndLdacAndMasks)
{
    board.registers[0x1A] = 0x10;
    UpdateRegisterState(0x1A);
    EXPECT_EQ(Bits(gAinRefVoltage), Bits(3.3f));
    EXPECT_FALSE(gDacAInternalTemp);
    EXPECT_FALSE(gDacBExternalTemp);
    board.registers[0x1A] = 0x60;
    UpdateRegisterState(0x1A);
    EXPECT_TRUE(gDacAInternalTemp);
    EXPECT_TRUE(gDacBExternalTemp);
    EXPECT_EQ(Bits(gAinRefVoltage), Bits(2.28f));

    board.registers[0x1B] = 0x05;
    UpdateRegisterState(0x1B);
    EXPECT_EQ(gDacRange, (std::array<int16_t, 4>{2, 1, 2, 1}));

    board.registers[0x1C] = 0x10;
    UpdateRegisterState(0x1C);
    EXPECT_FALSE(gExtRefAB);
    EXPECT_TRUE(gExtRefCD);

    board.registers[0x1D] = 0xA5;
    board.registers[0x1E] = 0x10;
    UpdateRegisterState(0x1D);
    UpdateRegisterState(0x1E);
    EXPECT_EQ(gIntMask1, 0xA5);
    EXPECT_EQ(gIntMask2, 0x10);
}

TEST_F(Decoder, TheChipsValueIsDecodedNotTheWrittenOne)
{
    // The fake chip answers 00h for 1Bh whatever is written.
    board.statusFor = [this](const Transfer& t) -> int16_t {
        if (t.request == 0xDE && t.direction == 1 && (t.index & 0xFF) == 0x1B)
            board.registers[0x1B] = 0x00;
        return 0;
    };
    WriteRegisterValue(0x48, 0x1B, 0x0F);
    EXPECT_EQ(gDacRange, (std::array<int16_t, 4>{1, 1, 1, 1}));
}

TEST_F(Decoder, DefaultsAndTerminalSource)
{
    gAin12Mode = Ain12Inputs;
    board.ports[2] = 0x30;
    InitDefaults();
    EXPECT_TRUE(gGraphEnabled);
    EXPECT_EQ(gLogInterval, 250);
    EXPECT_EQ(gLEDBarSource, QStringLiteral("DAC A"));
    EXPECT_EQ(gAin12Source, Ain12SrcTerminal);
    EXPECT_FLOAT_EQ(gExtRefVoltage, 2.25f);
    EXPECT_EQ(board.ports[2] & 0x30, 0x00);
    EXPECT_EQ(RegMap[0].Name, QStringLiteral("Interrupt Status 1"));
}

TEST(Alert, FollowsStatusMasksAndOutputEnable)
{
    ResetChipState();
    gIntStatus1 = 0xFF;
    EXPECT_FALSE(IsAlertActive());
    gIntOutputEnabled = true;
    gIntStatus1 = 0x01;
    gIntMask1 = 0x01;
    EXPECT_FALSE(IsAlertActive());
    gIntMask1 = 0x00;
    EXPECT_TRUE(IsAlertActive());
    gIntStatus1 = 0;
    gIntStatus2 = 0x10;
    gIntMask2 = 0x00;
    EXPECT_TRUE(IsAlertActive());
    gIntStatus2 = 0x0F;
    EXPECT_FALSE(IsAlertActive());
    gIntStatus2 = 0x10;
    gIntMask2 = 0x10;
    EXPECT_FALSE(IsAlertActive());
}

TEST_F(Decoder, OptoDriveWritesDacAFromAin4)
{
    gOptoControl = true;
    const std::tuple<float, int, int> cases[] = {
        {1.125f, 0x00, 0x80}, {1.0f, 0xC0, 0x71}, {3.0f, 0xF0, 0xFF}, {0.0f, 0x00, 0x00}};
    for (auto [volts, lsb, msb] : cases) {
        board.Clear();
        gAinVolts[3] = volts;
        UpdateOptoDac();
        EXPECT_EQ(board.Writes(), (std::vector<std::pair<int, int>>{{0x10, lsb}, {0x11, msb}})) << volts;
    }
    EXPECT_FLOAT_EQ(gAinVolts[3], 0.0f);
    gAinVolts[3] = 3.0f;
    UpdateOptoDac();
    EXPECT_FLOAT_EQ(gAinVolts[3], 2.25f);
    gOptoControl = false;
    board.Clear();
    UpdateOptoDac();
    EXPECT_TRUE(board.transfers.empty());
}
} // namespace
