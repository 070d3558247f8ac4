// The master timer: the 12-step measurement cycle and the throttled refresh items.
#include "TestSupport.h"

#include "board/USBStuff.h"
#include "chip/GeneralStuff.h"
#include "windows/GeneralStuff.h"
#include "windows/frmMain.h"

#include <QTimer>
#include <gtest/gtest.h>

namespace {
class MasterTimer : public ::testing::Test {
protected:
    ProgramEnvironment env;
    FakeBoardScope fake;
    FakeBoard& board = fake.board;
    frmMain* main = nullptr;

    void SetUp() override
    {
        gDeviceAddress = 0x48;
        gAinRefVoltage = 2.28f;
        gDacRange = {1, 1, 1, 1};
        main = new frmMain();
        gMainForm = main;
    }

    std::vector<int> ReadRegisters() const
    {
        std::vector<int> regs;
        for (const Transfer& t : board.transfers)
            if (t.request == 0xDE && t.direction == 1)
                regs.push_back(t.index & 0xFF);
        return regs;
    }
};

TEST_F(MasterTimer, TwelveStepsReadTheirRegisterPairsInOrder)
{
    for (int i = 0; i < 13; ++i)
        main->tmrMaster_Timer();
    const std::vector<int> expected = {0x03, 0x07, 0x04, 0x08, 0x03, 0x06, 0x10, 0x11, 0x12, 0x13,
                                       0x14, 0x15, 0x16, 0x17, 0x00, 0x01, 0x04, 0x08, 0x04, 0x09,
                                       0x04, 0x0A, 0x04, 0x0B, 0x03, 0x07};
    EXPECT_EQ(ReadRegisters(), expected);
    EXPECT_EQ(main->PollState, 1);
}

TEST_F(MasterTimer, CodesAreAssembledFromTheSharedLowBitRegisters)
{
    board.registers[0x03] = 0x02 | 0x08; // internal bits 1:0 = 2, Vdd bits 3:2 = 2
    board.registers[0x07] = 0x64;        // internal code 402 -> 100.5 C
    board.registers[0x06] = 0x80;        // Vdd code 514
    board.registers[0x10] = 0xF0;
    board.registers[0x11] = 0xFF; // DAC A 4095
    board.registers[0x12] = 0x10;
    board.registers[0x13] = 0x00; // DAC B 1
    board.registers[0x04] = 0x1B; // ext/Ain1 3, Ain2 2, Ain3 1, Ain4 0
    board.registers[0x08] = 0x80;
    board.registers[0x09] = 0x80;
    board.registers[0x0A] = 0x80;
    board.registers[0x0B] = 0x80;
    board.registers[0x00] = 0x81;
    board.registers[0x01] = 0x10;
    for (int i = 0; i < 12; ++i)
        main->tmrMaster_Timer();
    EXPECT_FLOAT_EQ(gInternalTemp, 100.5f);
    EXPECT_FLOAT_EQ(gVddVolts, 3.512f); // 514 steps = 3.51241... rounded to 3 decimals
    EXPECT_FLOAT_EQ(gDacVolts[0], 2.25f);
    EXPECT_FLOAT_EQ(gDacVolts[1], 0.0f);
    EXPECT_EQ(gIntStatus1, 0x81);
    EXPECT_EQ(gIntStatus2, 0x10);
    // Ain codes 515, 514, 513, 512 at 2.28 V / 1024.
    EXPECT_FLOAT_EQ(gAinVolts[0], 1.147f);
    EXPECT_FLOAT_EQ(gAinVolts[1], 1.144f);
    EXPECT_FLOAT_EQ(gAinVolts[2], 1.142f);
    EXPECT_FLOAT_EQ(gAinVolts[3], 1.14f);
    EXPECT_FLOAT_EQ(gExternalTemp, -127.25f); // code 515 = 203h: two's complement
}

TEST_F(MasterTimer, KulexAndFahrenheit)
{
    // Ain3 code 0x148 (328) * 2.28/1024 = 0.7303 -> 0.73 V -> 23 C.
    board.registers[0x04] = 0x00;
    board.registers[0x0A] = 0x52;
    main->PollState = 10;
    main->tmrMaster_Timer();
    EXPECT_FLOAT_EQ(gAinVolts[2], 0.73f);
    EXPECT_NEAR(gKulexTemp, 23.0f, 1e-4);

    gFahrenheit = true;
    board.registers[0x03] = 0x01;
    board.registers[0x07] = 0x19; // code 101 -> 25.25 C -> 77.45 F
    main->PollState = 0;
    main->tmrMaster_Timer();
    EXPECT_FLOAT_EQ(gInternalTemp, 77.45f);
    gFahrenheit = false;
    main->PollState = 0;
    main->tmrMaster_Timer();
    EXPECT_FLOAT_EQ(gInternalTemp, 25.25f);
}

TEST_F(MasterTimer, StatusTextFollowsLogging)
{
    main->SetStatusText(QStringLiteral("Firmware download succesful"));
    main->tmrMaster_Timer();
    EXPECT_EQ(main->StatusText(), QStringLiteral("Status"));
}

TEST_F(MasterTimer, DueTestHandlesPeriodsAndMidnight)
{
    EXPECT_FALSE(IsDue(100.0, 0.1, 100.05));
    EXPECT_FALSE(IsDue(100.0, 0.1, 100.1));
    EXPECT_TRUE(IsDue(100.0, 0.1, 100.1001));
    EXPECT_TRUE(IsDue(86399.95, 0.1, 0.01)); // passed midnight
    // Interval 0: due whenever the clock moved on; negative: even a little before.
    EXPECT_TRUE(IsDue(50.0, 0.0, 50.001));
    EXPECT_FALSE(IsDue(50.0, 0.0, 50.0));
    EXPECT_TRUE(IsDue(50.0, -0.1, 50.0));
}

TEST_F(MasterTimer, ATickNeverRunsInsideAnother)
{
    // A modal box shown inside a tick processes events; the timer's tick must not nest.
    int nested = 0;
    board.statusFor = [&](const Transfer&) -> int16_t {
        if (nested++ == 0)
            main->tmrMaster_Timer();
        return 0;
    };
    main->tmrMaster_Timer();
    EXPECT_EQ(ReadRegisters().size(), 2u);
}

TEST_F(MasterTimer, TimerIsPreciseAndTicksEvery10ms)
{
    EXPECT_EQ(main->tmrMaster->interval(), 10);
    EXPECT_EQ(main->tmrMaster->timerType(), Qt::PreciseTimer);
    EXPECT_FALSE(main->tmrMaster->isActive());
}

TEST(MasterTimerOnSimulatedBoard, ReadingsLandInPlausibleRanges)
{
    ProgramEnvironment env;
    frmMain* main = BringUpOnSimulatedBoard();
    for (int i = 0; i < 24; ++i)
        main->tmrMaster_Timer();
    EXPECT_GT(gInternalTemp, 10.0f);
    EXPECT_LT(gInternalTemp, 50.0f);
    EXPECT_GT(gVddVolts, 3.0f);
    EXPECT_LT(gVddVolts, 3.6f);
    for (float v : gAinVolts) {
        EXPECT_GE(v, 0.0f);
        EXPECT_LE(v, 2.28f);
    }
    EXPECT_EQ(main->StatusText(), QStringLiteral("Status"));
}
} // namespace
