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

#include <QCoreApplication>
#include <QDeadlineTimer>
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
    // What the splash shows, each change with the (replaced) clock's time.
    struct Shown {
        QString text;
        float bar;
        double at;
    };
    std::vector<Shown> shown;
    std::vector<double> smbusTryTimes;

    void SetUp() override
    {
        // The chip answers 41h from 4Eh only at its own address; others read 00h.
        board.statusFor = [this](const Transfer& t) -> int16_t {
            if (t.request == 0xDE && t.direction == 1 && (t.index & 0xFF) == 0x4E)
                board.registers[0x4E] = (t.value & 0xFF) == chipAddress ? 0x41 : 0x00;
            if (t.request == 0xDD && t.direction == 0 && t.value == 3 && (t.index & 0x04) == 0)
                smbusTryTimes.push_back(env.clock.now);
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

// Records every change of the splash's progress text and bar: at each clock reading (the
// waits) and whenever either label is resized or repainted.
class SplashRecorder : public QObject {
public:
    SplashRecorder(frmSplash* splash, std::function<void()> sample) : mSample(std::move(sample))
    {
        splash->lblProgInfo->installEventFilter(this);
        splash->lblProgress->installEventFilter(this);
    }
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Resize || e->type() == QEvent::Paint || e->type() == QEvent::Show)
            mSample();
        return false;
    }

private:
    std::function<void()> mSample;
};

TEST_F(BringUp, SplashShowsProgressTextsBarAndWaitsInOrder)
{
    frmSplash* splash = ShowForm<frmSplash>();
    EXPECT_EQ(splash->lblVersion->text(), QStringLiteral("Version 2.0.2"));
    EXPECT_EQ(splash->lblProductName->text(), QStringLiteral("Zandrel Evaluation Software"));
    EXPECT_FALSE(splash->lblProgress->isVisibleTo(splash));
    EXPECT_FALSE(splash->lblProgInfo->isVisibleTo(splash));
    EXPECT_TRUE(board.transfers.empty());

    auto sample = [&] {
        // Nothing counts before the bar and its first text are up ("x" is the design text).
        if (!splash->lblProgInfo->isVisibleTo(splash) || !splash->lblProgress->isVisibleTo(splash) ||
            splash->lblProgInfo->text() == QStringLiteral("x"))
            return;
        const QString text = splash->lblProgInfo->text();
        const float bar = splash->ProgressTwips();
        if (shown.empty() || shown.back().text != text || shown.back().bar != bar)
            shown.push_back({text, bar, env.clock.now});
    };
    SplashRecorder recorder(splash, sample);
    SetClockSource([&] {
        sample();
        return env.clock.Read();
    });
    chipAddress = 0x4B;
    smbusFailures = 2;
    gMainForm = new frmMain();
    gMainForm->Load();
    const double end = env.clock.now;

    const QString download = QStringLiteral("Downloading Firmware...");
    const QString enumerating = QStringLiteral("Enumerating...");
    const QString connecting = QStringLiteral("Connecting...");
    const QString searching = QStringLiteral("Searching for Zandrel on USB...");
    const QString found = QStringLiteral("Found an Zandrel at 4Bh");
    // Enumerating: 34 passes of half a unit (27 twips) from 1782 until 2700.
    auto step = [](const QString& text, float bar) { return text.toStdString() + " | " + std::to_string(bar); };
    std::vector<std::string> expected = {step(download, 0), step(download, 1782), step(enumerating, 1782)};
    for (int bar = 1809; bar <= 2700; bar += 27)
        expected.push_back(step(enumerating, static_cast<float>(bar)));
    for (auto [text, bar] : std::vector<std::pair<QString, float>>{
             {connecting, 2700}, {connecting, 4104}, {searching, 4104},
             // 8 units more before each probe, 48h to 4Bh, then the full bar
             {searching, 4536}, {searching, 4968}, {searching, 5400}, {searching, 5832},
             {searching, 5400}, {found, 5400}})
        expected.push_back(step(text, bar));
    std::vector<std::string> actual;
    for (const Shown& s : shown)
        actual.push_back(step(s.text, s.bar));
    ASSERT_EQ(actual, expected);
    auto at = [&](const QString& text, float bar) {
        for (const Shown& s : shown)
            if (s.text == text && s.bar == bar)
                return s.at;
        return -1.0;
    };

    // About 1.7 s of enumeration: 34 waits of 50 ms.
    EXPECT_GE(at(connecting, 2700) - at(enumerating, 1782), 1.7);
    EXPECT_LT(at(connecting, 2700) - at(enumerating, 1782), 1.9); // the clock's single precision
    // Three SMBus tries, 200 ms apart, the last one followed by its own 200 ms.
    ASSERT_EQ(SmbusTries(), 3);
    smbusTryTimes.resize(3); // later writes of port 3 set the board switches
    for (size_t i = 1; i < smbusTryTimes.size(); ++i) {
        EXPECT_GE(smbusTryTimes[i] - smbusTryTimes[i - 1], 0.2);
        EXPECT_LT(smbusTryTimes[i] - smbusTryTimes[i - 1], 0.21);
    }
    EXPECT_GE(at(connecting, 4104) - smbusTryTimes.back(), 0.2);
    EXPECT_LT(at(connecting, 4104) - smbusTryTimes.back(), 0.21);
    // 1 s before the first probe, 2 s after switching the monitoring on.
    EXPECT_GE(at(searching, 4536) - at(searching, 4104), 1.0);
    EXPECT_LT(at(searching, 4536) - at(searching, 4104), 1.01);
    EXPECT_GE(end - at(found, 5400), 2.0);
    EXPECT_LT(end - at(found, 5400), 2.05);
    EXPECT_FLOAT_EQ(splash->ProgressTwips(), 5400.0f);
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

// Restores a maximised main window and returns its outer bounds once they are `expected`
// (the frame settles after the state change), or after a second.
QRect Restored(frmMain* main, const QRect& expected)
{
    main->show();
    EXPECT_TRUE(main->windowState() & Qt::WindowMaximized);
    main->setWindowState(Qt::WindowNoState);
    for (QDeadlineTimer deadline(1000); !deadline.hasExpired() && main->frameGeometry() != expected;)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return main->frameGeometry();
}

// The stored bounds are the window's outer bounds; it starts maximised over them, and
// takes them when first restored.
TEST_F(BringUp, GeometryDefaultsAndBadStoredValues)
{
    auto restored = [](frmMain* main) { return Restored(main, QRect(67, 67, 433, 433)); };
    // Nothing stored: 1000, 1000, 6500 x 6500 twips.
    EXPECT_EQ(restored(Run()), QRect(67, 67, 433, 433));

    TearDownProgram();
    SaveSetting(QStringLiteral("MainLeft"), QStringLiteral("abc"));
    SaveSetting(QStringLiteral("MainTop"), QStringLiteral("300"));
    SaveSetting(QStringLiteral("MainWidth"), QStringLiteral("nan"));
    SaveSetting(QStringLiteral("MainHeight"), QStringLiteral("7,5e3"));
    EXPECT_EQ(Restored(Run(), QRect(67, 20, 433, 433)), QRect(67, 20, 433, 433));
}

// Bounds stored on a larger screen, or partly left of it: restored on this one (800 x 800
// pixels) wholly in view, at their size where it fits.
TEST_F(BringUp, StoredBoundsOffTheScreenAreBroughtIntoView)
{
    SaveSetting(QStringLiteral("MainLeft"), QStringLiteral("30000"));
    SaveSetting(QStringLiteral("MainTop"), QStringLiteral("20000"));
    EXPECT_EQ(Restored(Run(), QRect(367, 367, 433, 433)), QRect(367, 367, 433, 433));

    TearDownProgram();
    SaveSetting(QStringLiteral("MainLeft"), QStringLiteral("-3000"));
    SaveSetting(QStringLiteral("MainTop"), QStringLiteral("9000"));
    SaveSetting(QStringLiteral("MainWidth"), QStringLiteral("9000"));
    SaveSetting(QStringLiteral("MainHeight"), QStringLiteral("6000"));
    EXPECT_EQ(Restored(Run(), QRect(0, 400, 600, 400)), QRect(0, 400, 600, 400));

    // Larger than this screen (1920 x 1080 pixels): brought down to it, frame and all.
    TearDownProgram();
    SaveSetting(QStringLiteral("MainLeft"), QStringLiteral("1500"));
    SaveSetting(QStringLiteral("MainTop"), QStringLiteral("1200"));
    SaveSetting(QStringLiteral("MainWidth"), QStringLiteral("28800"));
    SaveSetting(QStringLiteral("MainHeight"), QStringLiteral("16200"));
    EXPECT_EQ(Restored(Run(), QRect(0, 0, 800, 800)), QRect(0, 0, 800, 800));
}

TEST_F(BringUp, ClosingStoresOuterGeometryUnlessMinimised)
{
    SaveSetting(QStringLiteral("MainLeft"), QStringLiteral("2400"));
    SaveSetting(QStringLiteral("MainTop"), QStringLiteral("1500"));
    SaveSetting(QStringLiteral("MainWidth"), QStringLiteral("9600"));
    SaveSetting(QStringLiteral("MainHeight"), QStringLiteral("7200"));
    frmMain* main = Run();
    // Frame and title bar count in the stored size: what is read is what is written.
    // Wholly in view, its right edge on the screen's: kept where it was stored.
    EXPECT_EQ(Restored(main, QRect(160, 100, 640, 480)), QRect(160, 100, 640, 480));
    EXPECT_LT(main->height(), 480);
    main->close();
    EXPECT_EQ(GetSetting(QStringLiteral("MainLeft")), QStringLiteral("2400"));
    EXPECT_EQ(GetSetting(QStringLiteral("MainTop")), QStringLiteral("1500"));
    EXPECT_EQ(GetSetting(QStringLiteral("MainWidth")), QStringLiteral("9600"));
    EXPECT_EQ(GetSetting(QStringLiteral("MainHeight")), QStringLiteral("7200"));

    TearDownProgram();
    frmMain* again = Run();
    again->setWindowState(Qt::WindowMinimized);
    again->resize(100, 100);
    again->close();
    EXPECT_EQ(GetSetting(QStringLiteral("MainWidth")), QStringLiteral("9600"));
    EXPECT_EQ(GetSetting(QStringLiteral("MainHeight")), QStringLiteral("7200"));
}

TEST_F(BringUp, FatalErrorAfterStartStoresGeometry)
{
    frmMain* main = Run();
    ASSERT_EQ(Restored(main, QRect(67, 67, 433, 433)), QRect(67, 67, 433, 433));
    main->move(40, 30);
    board.statusFor = [](const Transfer&) -> int16_t { return 1; };
    EXPECT_THROW(main->tmrMaster_Timer(), ProgramEnded);
    EXPECT_EQ(GetSetting(QStringLiteral("MainLeft")), QStringLiteral("600"));
    EXPECT_EQ(GetSetting(QStringLiteral("MainTop")), QStringLiteral("450"));
    EXPECT_EQ(GetSetting(QStringLiteral("MainWidth")), QStringLiteral("6495"));
    EXPECT_EQ(GetSetting(QStringLiteral("MainHeight")), QStringLiteral("6495"));
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
