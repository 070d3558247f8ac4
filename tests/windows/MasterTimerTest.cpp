// The master timer: the 12-step measurement cycle and the throttled refresh items.
#include "TestSupport.h"

#include "board/USBStuff.h"
#include "chip/GeneralStuff.h"
#include "platform/Forms.h"
#include "windows/GeneralStuff.h"
#include "windows/frmDAC.h"
#include "windows/frmLimits.h"
#include "windows/frmMain.h"

#include <QLabel>
#include <QTimer>
#include <gtest/gtest.h>
#include <iomanip>

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
    board.registers[0x03] = 0x0B; // internal bits 1:0 = 3, Vdd bits 3:2 = 2
    board.registers[0x07] = 0x64; // internal code 403 -> 100.75 C
    board.registers[0x06] = 0x80; // Vdd code 514
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
    EXPECT_FLOAT_EQ(gInternalTemp, 100.75f);
    EXPECT_FLOAT_EQ(gVddVolts, 3.512f); // 514 steps = 3.51241... rounded to 3 decimals (515: 3.519)
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
    // Ain3 code 303 (4Bh, low bits 3): 0.675 V -> 17.5 C -> 63.5 F. Unrounded, the single
    // would be 63.500004: the stored value is the single nearest to two decimals.
    board.registers[0x04] = 0x30;
    board.registers[0x0A] = 0x4B;
    main->PollState = 10;
    main->tmrMaster_Timer();
    EXPECT_FLOAT_EQ(gAinVolts[2], 0.675f);
    EXPECT_EQ(gKulexTemp, 63.5f) << std::setprecision(9) << gKulexTemp;

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

TEST_F(MasterTimer, DacLabelsAndInterruptSettingsRefreshEveryHalfSecond)
{
    frmDAC* dac = LoadForm<frmDAC>();
    frmLimits* limits = LoadForm<frmLimits>();
    ASSERT_TRUE(gDacFormOpen && gLimitsFormOpen);
    env.clock.step = 0;
    env.clock.now = 1000.0;
    std::vector<int> dacRuns, limitsRuns;
    for (int tick = 0; tick < 100; ++tick) {
        env.clock.now += 0.03; // 16 ticks make 0.48 s, 17 make 0.51 s
        dac->lblDacVal->clear();
        limits->Label6->clear();
        main->tmrMaster_Timer();
        if (!dac->lblDacVal->text().isEmpty())
            dacRuns.push_back(tick);
        if (!limits->Label6->text().isEmpty())
            limitsRuns.push_back(tick);
    }
    const std::vector<int> expected = {0, 17, 34, 51, 68, 85};
    EXPECT_EQ(dacRuns, expected);
    EXPECT_EQ(limitsRuns, expected);
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
