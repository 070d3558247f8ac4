// Program start and the board bring-up, against a recording fake of the board library.
#include "TestSupport.h"

#include "board/USBStuff.h"
#include "chip/GeneralStuff.h"
#include "chip/RegMapStuff.h"
#include "platform/Forms.h"
#include "windows/GeneralStuff.h"
#include "windows/frmHelp.h"
#include "windows/frmMain.h"
#include "windows/frmSplash.h"

#include <QLabel>
#include <QTimer>
#include <gtest/gtest.h>

namespace {
class BringUp : public ::testing::Test {
protected:
    ProgramEnvironment env;
    FakeBoardScope fake;
    FakeBoard& board = fake.board;
    int chipAddress = 0x48;
    int smbusFailures = 0;
    std::vector<QString> progressTexts;
    std::vector<float> barValues;

    void SetUp() override
    {
        // The chip answers 41h from 4Eh only at its own address; others read 00h.
        board.statusFor = [this](const Transfer& t) -> int16_t {
            if (t.request == 0xDE && t.direction == 1 && (t.index & 0xFF) == 0x4E)
                board.registers[0x4E] = (t.value & 0xFF) == chipAddress ? 0x41 : 0x00;
            if (t.request == 0xDD && t.direction == 0 && t.value == 3 && smbusFailures > 0) {
                --smbusFailures;
                return 1;
            }
            return 0;
        };
    }

    frmMain* Run()
    {
        ShowForm<frmSplash>();
        gMainForm = new frmMain();
        gMainForm->Load();
        return gMainForm;
    }

    int Probes() const
    {
        int n = 0;
        for (const Transfer& t : board.transfers)
            if (t.request == 0xDE && t.direction == 1 && (t.index & 0xFF) == 0x4E)
                ++n;
        return n;
    }
    // Port 3 writes before the first register request: the SMBus selections.
    int SmbusTries() const
    {
        int n = 0;
        for (const Transfer& t : board.transfers) {
            if (t.request == 0xDE)
                break;
            if (t.request == 0xDD && t.direction == 0 && t.value == 3 && (t.index & 0x04) == 0)
                ++n;
        }
        return n;
    }
};

TEST_F(BringUp, SucceedsAndLeavesTheChipMonitoring)
{
    frmMain* main = Run();
    EXPECT_EQ(gDeviceAddress, 0x48);
    EXPECT_TRUE(main->tmrMaster->isActive());
    EXPECT_EQ(main->windowTitle(), QStringLiteral("Zandrel Evaluation Software"));
    EXPECT_TRUE(main->windowState() & Qt::WindowMaximized);
    EXPECT_EQ(main->StatusText(), QStringLiteral("Firmware download succesful"));
    EXPECT_EQ(board.registers[0x18] & 0x01, 0x01);
    EXPECT_EQ(SmbusTries(), 1);
    EXPECT_EQ(Probes(), 1);
    EXPECT_TRUE(gGraphEnabled);
    EXPECT_EQ(gAin12Mode, Ain12Inputs);
    EXPECT_FLOAT_EQ(gAinRefVoltage, 2.28f);
    EXPECT_EQ(gDacRange, (std::array<int16_t, 4>{1, 1, 1, 1}));
    // Decodes of 1Ah, 1Bh, 1Dh, 1Eh follow the defaults, in this order.
    std::vector<int> reads;
    for (const Transfer& t : board.transfers)
        if (t.request == 0xDE && t.direction == 1)
            reads.push_back(t.index & 0xFF);
    ASSERT_GE(reads.size(), 4u);
    EXPECT_EQ(std::vector<int>(reads.end() - 4, reads.end()), (std::vector<int>{0x1A, 0x1B, 0x1D, 0x1E}));
}

TEST_F(BringUp, SplashShowsProgressAndEndsAtFullBar)
{
    frmSplash* splash = ShowForm<frmSplash>();
    EXPECT_EQ(splash->lblVersion->text(), QStringLiteral("Version 2.0.2"));
    EXPECT_EQ(splash->lblProductName->text(), QStringLiteral("Zandrel Evaluation Software"));
    EXPECT_FALSE(splash->lblProgress->isVisibleTo(splash));
    EXPECT_FALSE(splash->lblProgInfo->isVisibleTo(splash));
    EXPECT_TRUE(board.transfers.empty());
    chipAddress = 0x49;
    gMainForm = new frmMain();
    gMainForm->Load();
    EXPECT_FLOAT_EQ(splash->ProgressTwips(), 5400.0f);
    EXPECT_EQ(splash->lblProgInfo->text(), QStringLiteral("Found an Zandrel at 49h"));
    EXPECT_TRUE(splash->lblProgInfo->isVisibleTo(splash));
}

TEST_F(BringUp, ProgramStartSwapsSplashForMainWindowAndOpensHelpOnlyWhenAsked)
{
    // The splash is on the screen, with its title and version, before the board hears anything.
    bool splashUpFirst = false;
    auto answer = board.statusFor;
    board.statusFor = [&](const Transfer& t) -> int16_t {
        if (board.transfers.size() == 1) {
            frmSplash* splash = FormInstance<frmSplash>();
            splashUpFirst = splash && splash->isVisible() &&
                            splash->lblVersion->text() == QStringLiteral("Version 2.0.2") &&
                            splash->lblProductName->text() == QStringLiteral("Zandrel Evaluation Software");
        }
        return answer(t);
    };
    Main();
    EXPECT_TRUE(splashUpFirst);
    EXPECT_FALSE(IsFormLoaded<frmSplash>());
    ASSERT_NE(gMainForm, nullptr);
    EXPECT_TRUE(gMainForm->isVisible());
    EXPECT_FALSE(IsFormLoaded<frmHelp>()); // no "DisplayHelp" stored yet

    TearDownProgram();
    ResetAllGlobals();
    board.Clear();
    SaveSetting(QStringLiteral("DisplayHelp"), QStringLiteral("True"));
    Main();
    EXPECT_TRUE(gMainForm->isVisible());
    EXPECT_TRUE(IsFormLoaded<frmHelp>());
}

TEST_F(BringUp, ProgramStartThatFailsNeverShowsTheMainWindow)
{
    board.firmwareStatus = -1;
    EXPECT_THROW(Main(), ProgramEnded);
    ASSERT_NE(gMainForm, nullptr);
    EXPECT_FALSE(gMainForm->isVisible());
    EXPECT_FALSE(IsFormLoaded<frmSplash>());
    ASSERT_EQ(env.messages.size(), 1u);
    EXPECT_EQ(env.icons[0], MsgIcon::Critical);
}

TEST_F(BringUp, ChipAt4AhIsFoundAfterTwoProbes)
{
    chipAddress = 0x4A;
    Run();
    EXPECT_EQ(gDeviceAddress, 0x4A);
    EXPECT_EQ(Probes(), 3);
}

TEST_F(BringUp, SelectionSucceedingAtTheTwentiethTryGoesOn)
{
    smbusFailures = 19;
    Run();
    EXPECT_EQ(SmbusTries(), 20);
    EXPECT_EQ(gDeviceAddress, 0x48);
}

TEST_F(BringUp, TwentyFailedSelectionsEndWithCode2AndNoScan)
{
    smbusFailures = 20;
    EXPECT_THROW(Run(), ProgramEnded);
    EXPECT_EQ(SmbusTries(), 20);
    EXPECT_EQ(Probes(), 0);
    ASSERT_EQ(env.messages.size(), 1u);
    EXPECT_TRUE(env.messages[0].startsWith(QStringLiteral("Initial Connection Failed - If the device has previously ")));
}

TEST_F(BringUp, NoChipEndsWithCode2AfterFourProbes)
{
    chipAddress = 0x00;
    EXPECT_THROW(Run(), ProgramEnded);
    EXPECT_EQ(Probes(), 4);
    ASSERT_EQ(env.messages.size(), 1u);
    EXPECT_TRUE(env.messages[0].startsWith(QStringLiteral("Initial Connection Failed")));
    EXPECT_EQ(env.icons[0], MsgIcon::Critical);
}

TEST_F(BringUp, FirmwareFailureEndsWithCode0BeforeAnyRequest)
{
    board.firmwareStatus = -1;
    EXPECT_THROW(Run(), ProgramEnded);
    EXPECT_TRUE(board.transfers.empty());
    ASSERT_EQ(env.messages.size(), 1u);
    EXPECT_EQ(env.messages[0], QStringLiteral("Firmware failed to download - Check USB connections"));
    // The fatal path unloaded every window, the splash included.
    EXPECT_FALSE(IsFormLoaded<frmSplash>());
}

TEST_F(BringUp, FailedReadDuringTheScanEndsWithCode3)
{
    board.statusFor = [](const Transfer& t) -> int16_t {
        return (t.request == 0xDE && t.direction == 1) ? 1 : 0;
    };
    EXPECT_THROW(Run(), ProgramEnded);
    ASSERT_EQ(env.messages.size(), 1u);
    EXPECT_EQ(env.messages[0], QStringLiteral("Communications Interrupted - Check USB connections"));
}

TEST_F(BringUp, GeometryDefaultsAndBadStoredValues)
{
    SaveSetting(QStringLiteral("MainLeft"), QStringLiteral("abc"));
    SaveSetting(QStringLiteral("MainTop"), QStringLiteral("300"));
    frmMain* main = Run();
    const QRect normal = main->normalGeometry();
    EXPECT_NEAR(normal.width() * 15.0, 6500, 15);
    EXPECT_NEAR(normal.height() * 15.0, 6500, 15);
    EXPECT_TRUE(main->windowState() & Qt::WindowMaximized);
}

TEST_F(BringUp, ClosingStoresGeometryUnlessMinimised)
{
    frmMain* main = Run();
    main->setWindowState(Qt::WindowNoState);
    main->move(200, 100);
    main->resize(640, 480);
    main->close();
    EXPECT_EQ(GetSetting(QStringLiteral("MainWidth")), QStringLiteral("9600"));
    EXPECT_EQ(GetSetting(QStringLiteral("MainHeight")), QStringLiteral("7200"));
    EXPECT_EQ(GetSetting(QStringLiteral("MainLeft")), QStringLiteral("3000"));

    TearDownProgram();
    frmMain* again = Run();
    again->setWindowState(Qt::WindowMinimized);
    again->resize(100, 100);
    again->close();
    EXPECT_EQ(GetSetting(QStringLiteral("MainWidth")), QStringLiteral("9600"));
}

TEST_F(BringUp, FatalErrorAfterStartStoresGeometry)
{
    frmMain* main = Run();
    main->setWindowState(Qt::WindowNoState);
    main->resize(500, 400);
    board.statusFor = [](const Transfer&) -> int16_t { return 1; };
    EXPECT_THROW(main->tmrMaster_Timer(), ProgramEnded);
    EXPECT_EQ(GetSetting(QStringLiteral("MainWidth")), QStringLiteral("7500"));
}

TEST(ProcessWideValues, ResetPutsEveryOneBackToItsStartValue)
{
    ProgramEnvironment env;
    frmMain* main = BringUpOnSimulatedBoard();
    for (int i = 0; i < 12; ++i)
        main->tmrMaster_Timer();
    gSPIMode = true;
    gFirmwareFileBytes[0] = 'x';
    gUsbBuffer[5] = 7;
    gExtRefAB = gExtRefCD = gDacAInternalTemp = gDacBExternalTemp = gAin3Enabled = true;
    gIntMask1 = gIntMask2 = 3;
    gExtRefVoltage = 2.0f;
    gLEDBarSource = QStringLiteral("DAC C");
    gOptoControl = true;
    gAin12Source = Ain12SrcLEDBar;
    gDisplayHelp = gFahrenheit = gLogging = true;
    gGraphSelect = GraphAin;
    gLogFileName = QStringLiteral("x.csv");
    gLogFileNum = 1;
    gLogChannel.fill(true);
    gLogSampleCount = 5;
    gRegMapFormOpen = gDacFormOpen = gLimitsFormOpen = gOptionsFormOpen = gTestFormOpen = true;
    TearDownProgram();
    ResetAllGlobals();

    EXPECT_EQ(gUsbBuffer, (std::array<uint8_t, 65>{}));
    EXPECT_TRUE(gFirmwareFile.isEmpty());
    EXPECT_EQ(gFirmwareFileBytes[0], 0);
    EXPECT_FALSE(gSPIMode);
    EXPECT_EQ(gDeviceAddress, 0);
    EXPECT_FALSE(gIntOutputEnabled || gAin3Enabled || gDacAInternalTemp || gDacBExternalTemp);
    EXPECT_EQ(gAin12Mode, Ain12Invalid);
    EXPECT_EQ(gAinRefVoltage, 0.0f);
    EXPECT_EQ(gDacRange, (std::array<int16_t, 4>{}));
    EXPECT_FALSE(gExtRefAB || gExtRefCD);
    EXPECT_EQ(gIntMask1 | gIntMask2, 0);
    EXPECT_EQ(gExtRefVoltage, 2.25f);
    EXPECT_EQ(gInternalTemp, 0.0f);
    EXPECT_EQ(gExternalTemp, 0.0f);
    EXPECT_EQ(gKulexTemp, 0.0f);
    EXPECT_EQ(gVddVolts, 0.0f);
    EXPECT_EQ(gDacVolts, (std::array<float, 4>{}));
    EXPECT_EQ(gAinVolts, (std::array<float, 4>{}));
    EXPECT_EQ(gIntStatus1 | gIntStatus2, 0);
    EXPECT_EQ(gLEDBarSource, QStringLiteral("DAC A"));
    EXPECT_FALSE(gOptoControl);
    EXPECT_EQ(gAin12Source, Ain12SrcTerminal);
    EXPECT_TRUE(RegMap[0].Name.isEmpty());
    EXPECT_EQ(gMainForm, nullptr);
    EXPECT_FALSE(gDisplayHelp);
    EXPECT_TRUE(gDeviceName.isEmpty());
    EXPECT_EQ(gGraphSelect, GraphTemperature);
    EXPECT_FALSE(gGraphEnabled || gFahrenheit || gLogging);
    EXPECT_TRUE(gLogFileName.isEmpty());
    EXPECT_EQ(gLogFileNum, 0);
    EXPECT_EQ(gLogChannel, (std::array<bool, LogChannelCount>{}));
    EXPECT_EQ(gLogInterval, 0);
    EXPECT_EQ(gLogSampleCount, 0);
    EXPECT_FALSE(gGraphFormOpen || gRegMapFormOpen || gDacFormOpen || gLimitsFormOpen ||
                 gOptionsFormOpen || gTestFormOpen);
}
} // namespace
