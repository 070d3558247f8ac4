#include "TestSupport.h"

#include "SimControl.h"

#include "board/USBStuff.h"
#include "chip/GeneralStuff.h"
#include "platform/Forms.h"
#include "platform/StripChart.h"
#include "windows/GeneralStuff.h"
#include "windows/frmExternalTest.h"
#include "windows/frmGraphing.h"
#include "windows/frmMain.h"
#include "windows/frmTest.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QGroupBox>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>
#include <gtest/gtest.h>

#include <cstring>
#include <tuple>

namespace {

using Pairs = std::vector<std::pair<int, int>>;

// The test procedure window inside a main window, against the recording fake board.
class TestProcedureTest : public ::testing::Test {
protected:
    TestProcedureTest()
    {
        gDeviceAddress = 0x48;
        gMainForm = new frmMain();
    }

    frmExternalTest* Open()
    {
        frmExternalTest* form = LoadForm<frmExternalTest>();
        fake.board.Clear();
        return form;
    }

    // Register writes ('W', register, value) and port writes ('P', port, low byte) in order.
    using Steps = std::vector<std::tuple<char, int, int>>;
    Steps Trace() const
    {
        Steps out;
        for (const Transfer& t : fake.board.transfers) {
            if (t.request == 0xDE && t.direction == 0)
                out.emplace_back('W', t.index & 0xFF, (t.index >> 8) & 0xFF);
            else if (t.request == 0xDD && t.direction == 0)
                out.emplace_back('P', t.value, t.index & 0xFF);
        }
        return out;
    }

    // A left click on an option's round indicator, as the user gives it.
    static void ClickIndicator(QAbstractButton* option)
    {
        QStyleOptionButton opt;
        opt.initFrom(option);
        const QPoint at = option->style()->subElementRect(QStyle::SE_RadioButtonIndicator, &opt, option).center();
        QTest::mouseClick(option, Qt::LeftButton, Qt::NoModifier, at);
    }

    ProgramEnvironment env;
    FakeBoardScope fake;
};

TEST_F(TestProcedureTest, OpensWithItsButtonColumnAndNoDacChosen)
{
    gLEDBarSource = QStringLiteral("DAC B");
    frmExternalTest* form = LoadForm<frmExternalTest>();
    EXPECT_EQ(form->Caption(), QStringLiteral("Test Procedure"));
    EXPECT_EQ(form->cmdEnableAin14->text(), QStringLiteral("Enable Ain 1-4 "));
    EXPECT_EQ(form->cmdAlertLED->text(), QStringLiteral("Click to turn ALERT LED on"));
    // Screen readers find every button and option by its caption.
    for (QAbstractButton* b : form->findChildren<QAbstractButton*>()) {
        EXPECT_FALSE(b->text().isEmpty());
        EXPECT_EQ(QAccessible::queryAccessibleInterface(b)->text(QAccessible::Name), b->text());
    }
    for (QRadioButton* opt : form->optDAC)
        EXPECT_FALSE(opt->isChecked());
    EXPECT_TRUE(fake.board.transfers.empty());
    // The option group lies to the right of the column.
    EXPECT_GE(form->Frame1->x(), form->cmdExtRef->geometry().right());
}

TEST_F(TestProcedureTest, EnableAllTemperaturesSetsLdacAndTheDiode)
{
    fake.board.registers[0x18] = 0x01;
    frmExternalTest* form = Open();
    form->cmdEnableAllTemps_Click();
    EXPECT_EQ(fake.board.Writes(), (Pairs{{0x18, 0x0D}}));
    EXPECT_EQ(gAin12Mode, Ain12ExtDiode);
    EXPECT_TRUE(gAin3Enabled);
    EXPECT_TRUE(IsFormLoaded<frmGraphing>());

    // Already set: 18h is written unchanged and still decoded (read back).
    fake.board.Clear();
    form->cmdEnableAllTemps_Click();
    EXPECT_EQ(fake.board.RegisterTraffic(), (std::vector<std::pair<char, int>>{{'R', 0x18}, {'W', 0x18}, {'R', 0x18}}));
    EXPECT_EQ(fake.board.Writes(), (Pairs{{0x18, 0x0D}}));
}

TEST_F(TestProcedureTest, VerifyVddOnlyShowsTheGraphs)
{
    frmExternalTest* form = Open();
    ASSERT_FALSE(IsFormLoaded<frmGraphing>());
    form->cmdVerifyVdd_Click();
    EXPECT_TRUE(fake.board.transfers.empty());
    EXPECT_TRUE(IsFormLoaded<frmGraphing>());
}

TEST_F(TestProcedureTest, ShowingTheGraphsBringsAnOpenGraphsWindowToTheFront)
{
    gMainForm->show();
    frmExternalTest* form = Open();
    LoadForm<frmGraphing>();
    LoadForm<frmTest>();
    ASSERT_NE(MdiArea()->currentSubWindow(), FormInstance<frmGraphing>()->Frame());
    form->cmdVerifyVdd_Click();
    EXPECT_EQ(MdiArea()->currentSubWindow(), FormInstance<frmGraphing>()->Frame());
}

TEST_F(TestProcedureTest, EachButtonSelectsItsChart)
{
    gMainForm->show();
    frmExternalTest* form = Open();
    const std::vector<std::tuple<const char*, void (frmExternalTest::*)(), int>> buttons = {
        {"Enable All Temperatures", &frmExternalTest::cmdEnableAllTemps_Click, GraphTemperature},
        {"Verify Vdd Reading", &frmExternalTest::cmdVerifyVdd_Click, GraphVdd},
        {"Verify DAC Outputs", &frmExternalTest::cmdVerifyDACs_Click, GraphDacs},
        {"Enable Ain 1-4 ", &frmExternalTest::cmdEnableAin14_Click, GraphAin},
        {"Ain Connector Test", &frmExternalTest::cmcdAinTerminal_Click, GraphAin},
        {"LDAC Switch Test", &frmExternalTest::cmdLDACTest_Click, GraphDacs},
        {"External Reference Test", &frmExternalTest::cmdExtRef_Click, GraphDacs},
    };
    auto expectChart = [](int chart) {
        frmGraphing* graphs = FormInstance<frmGraphing>();
        ASSERT_NE(graphs, nullptr);
        EXPECT_EQ(gGraphSelect, chart);
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(graphs->optGraph[i]->isChecked(), i == chart) << "option " << i;
            EXPECT_EQ(graphs->Chart(i)->isHidden(), i != chart) << "chart " << i;
        }
        EXPECT_EQ(MdiArea()->currentSubWindow(), graphs->Frame());
    };
    for (const auto& [name, click, chart] : buttons) {
        SCOPED_TRACE(name);
        // The graphs window closed, last left on another chart: it opens on this one.
        gGraphSelect = static_cast<int16_t>((chart + 1) % 4);
        (form->*click)();
        expectChart(chart);

        // Open on another chart and behind this window: it comes to the front and switches.
        FormInstance<frmGraphing>()->optGraph[(chart + 2) % 4]->setChecked(true);
        form->Show();
        (form->*click)();
        expectChart(chart);
        UnloadForm<frmGraphing>();
        FlushDeletedForms();
    }

    // The ALERT LED button leaves the graphs window as it is.
    ShowGraphChart(GraphVdd);
    form->Show();
    form->cmdAlertLED_Click();
    EXPECT_EQ(gGraphSelect, GraphVdd);
    EXPECT_EQ(MdiArea()->currentSubWindow(), form->Frame());
}

TEST_F(TestProcedureTest, VerifyDacOutputsWritesEightCodesLsbFirst)
{
    fake.board.registers[0x1C] = 0x01;
    frmExternalTest* form = Open();
    form->cmdVerifyDACs_Click();
    EXPECT_EQ(fake.board.Writes(), (Pairs{{0x1C, 0x31},
                                          {0x10, 0xF0}, {0x11, 0x35},
                                          {0x12, 0x90}, {0x13, 0x59},
                                          {0x14, 0x60}, {0x15, 0x87},
                                          {0x16, 0x10}, {0x17, 0xCC}}));
    EXPECT_FALSE(gExtRefAB);
    EXPECT_FALSE(gExtRefCD);
    EXPECT_EQ(gLEDBarSource, QStringLiteral("DAC A"));
    EXPECT_TRUE(form->optDAC[0]->isChecked());
    EXPECT_EQ(fake.board.ports[2] & 0x0C, 0x00);
}

TEST_F(TestProcedureTest, EnableAin14SwitchesThePinsThenFeedsAin12FromDacC)
{
    fake.board.registers[0x18] = 0x0C; // external diode, Ain3
    fake.board.ports[2] = 0x03;        // diode path closed
    gAin12Mode = Ain12ExtDiode;
    gAin3Enabled = true;
    frmGraphing* graphs = LoadForm<frmGraphing>();
    ASSERT_EQ(graphs->stpAin->Text(1), QStringLiteral("Ain1 Disabled"));
    frmExternalTest* form = Open();
    form->cmdEnableAin14_Click();
    // 18h first, and its decoder: diode path open, Ain1/Ain2 path closed, Ain3 switch.
    // Then the LED bar on DAC C, then Ain1/Ain2 from its DAC with the path closed again.
    EXPECT_EQ(Trace(), (Steps{{'W', 0x18, 0x08}, {'P', 2, 0x00}, {'P', 3, 0x03}, {'P', 2, 0x80},
                              {'P', 2, 0x88}, {'P', 2, 0xB8}, {'P', 3, 0x03}}));
    EXPECT_EQ(gAin12Mode, Ain12Inputs);
    EXPECT_EQ(gLEDBarSource, QStringLiteral("DAC C"));
    EXPECT_EQ(gAin12Source, Ain12SrcLEDBar);
    // The open graphs window follows the new pin function.
    EXPECT_EQ(graphs->stpAin->Text(1), QStringLiteral("Ain1"));
    for (QRadioButton* opt : form->optDAC)
        EXPECT_FALSE(opt->isChecked());

    fake.board.Clear();
    form->cmcdAinTerminal_Click();
    EXPECT_TRUE(fake.board.Writes().empty());
    EXPECT_EQ(gAin12Source, Ain12SrcTerminal);
    EXPECT_EQ(fake.board.PortWrites(), (Pairs{{2, 0x88}, {3, 0x03}}));
}

TEST_F(TestProcedureTest, AlertLedButtonTogglesTheAin1HighLimit)
{
    gAinRefVoltage = 2.28f;
    frmExternalTest* form = Open();
    form->cmdAlertLED_Click();
    EXPECT_EQ(form->cmdAlertLED->text(), QStringLiteral("Click to turn ALERT LED off"));
    form->cmdAlertLED_Click();
    EXPECT_EQ(form->cmdAlertLED->text(), QStringLiteral("Click to turn ALERT LED on"));
    EXPECT_EQ(fake.board.Writes(), (Pairs{{0x27, 0}, {0x27, 225}}));
    EXPECT_FALSE(IsFormLoaded<frmGraphing>());

    gAinRefVoltage = 3.3f;
    fake.board.Clear();
    form->cmdAlertLED_Click();
    form->cmdAlertLED_Click();
    EXPECT_EQ(fake.board.Writes(), (Pairs{{0x27, 0}, {0x27, 155}}));
}

TEST_F(TestProcedureTest, LdacSwitchTestClearsLdacAndEveryDac)
{
    fake.board.registers[0x18] = 0x09;
    frmExternalTest* form = Open();
    form->cmdLDACTest_Click();
    EXPECT_EQ(fake.board.Writes(), (Pairs{{0x18, 0x01}, {0x10, 0}, {0x11, 0}, {0x12, 0}, {0x13, 0},
                                          {0x14, 0}, {0x15, 0}, {0x16, 0}, {0x17, 0}}));
    EXPECT_FALSE(gAin3Enabled);
}

TEST_F(TestProcedureTest, ExternalReferenceTestPutsDacCOnTheExternalReference)
{
    fake.board.registers[0x1C] = 0x3F;
    fake.board.registers[0x18] = 0x00;
    frmExternalTest* form = Open();
    form->cmdExtRef_Click();
    EXPECT_EQ(fake.board.Writes(), (Pairs{{0x1C, 0x1F}, {0x18, 0x08}, {0x14, 0xF0}, {0x15, 0x7F}}));
    EXPECT_FALSE(gExtRefAB);
    EXPECT_TRUE(gExtRefCD);
    EXPECT_FLOAT_EQ(gExtRefVoltage, 2.0f);
    EXPECT_EQ(gLEDBarSource, QStringLiteral("DAC C"));
    EXPECT_EQ(fake.board.ports[2] & 0x0C, 0x08);
    for (QRadioButton* opt : form->optDAC)
        EXPECT_FALSE(opt->isChecked());
}

TEST_F(TestProcedureTest, DacOptionsChooseTheLedBarDac)
{
    frmExternalTest* form = Open();
    form->optDAC[3]->setChecked(true);
    EXPECT_EQ(gLEDBarSource, QStringLiteral("DAC D"));
    form->optDAC[1]->setChecked(true);
    EXPECT_EQ(gLEDBarSource, QStringLiteral("DAC B"));
    EXPECT_EQ(fake.board.PortWrites(), (Pairs{{2, 0x0C}, {2, 0x04}}));
    EXPECT_TRUE(fake.board.Writes().empty());

    // By mouse: a click that changes the option switches the LED bar once.
    fake.board.Clear();
    ClickIndicator(form->optDAC[2]);
    EXPECT_EQ(gLEDBarSource, QStringLiteral("DAC C"));
    EXPECT_EQ(fake.board.PortWrites(), (Pairs{{2, 0x08}}));

    // "Verify DAC Outputs" shows "A"; "Enable Ain 1-4 " then moves the LED bar to DAC C
    // and "A" stays shown. A click on "A" moves the LED bar back.
    form->cmdVerifyDACs_Click();
    form->cmdEnableAin14_Click();
    ASSERT_TRUE(form->optDAC[0]->isChecked());
    ASSERT_EQ(fake.board.ports[2] & 0x0C, 0x08);
    fake.board.Clear();
    ClickIndicator(form->optDAC[0]);
    EXPECT_EQ(gLEDBarSource, QStringLiteral("DAC A"));
    ASSERT_EQ(fake.board.PortWrites().size(), 1u);
    EXPECT_EQ(fake.board.ports[2] & 0x0C, 0x00);
    EXPECT_TRUE(fake.board.Writes().empty());
}

TEST_F(TestProcedureTest, EverySequenceRunTwiceBehavesTheSame)
{
    gAinRefVoltage = 2.28f;
    const std::vector<std::pair<const char*, void (frmExternalTest::*)()>> buttons = {
        {"Enable All Temperatures", &frmExternalTest::cmdEnableAllTemps_Click},
        {"Verify Vdd Reading", &frmExternalTest::cmdVerifyVdd_Click},
        {"Verify DAC Outputs", &frmExternalTest::cmdVerifyDACs_Click},
        {"Enable Ain 1-4 ", &frmExternalTest::cmdEnableAin14_Click},
        {"Ain Connector Test", &frmExternalTest::cmcdAinTerminal_Click},
        {"LDAC Switch Test", &frmExternalTest::cmdLDACTest_Click},
        {"External Reference Test", &frmExternalTest::cmdExtRef_Click},
    };
    for (const auto& [name, click] : buttons) {
        SCOPED_TRACE(name);
        std::memset(fake.board.registers, 0x50, sizeof fake.board.registers);
        std::memset(fake.board.ports, 0x00, sizeof fake.board.ports);
        frmExternalTest* form = Open();
        (form->*click)();
        const Pairs first = fake.board.Writes();
        uint8_t ports[6];
        std::memcpy(ports, fake.board.ports, sizeof ports);
        const QString source = gLEDBarSource;
        const int16_t ain12Source = gAin12Source;
        fake.board.Clear();
        (form->*click)();
        EXPECT_EQ(fake.board.Writes(), first);
        EXPECT_EQ(0, std::memcmp(ports, fake.board.ports, sizeof ports));
        EXPECT_EQ(gLEDBarSource, source);
        EXPECT_EQ(gAin12Source, ain12Source);
        EXPECT_TRUE(IsFormLoaded<frmGraphing>());
        UnloadForm<frmExternalTest>();
        UnloadForm<frmGraphing>();
        FlushDeletedForms();
    }
}

// On the running program the ALERT LED button raises and clears the Ain1 high-limit event.
TEST(TestProcedureOnSimulatedBoard, AlertLedButtonRaisesTheAin1HighLimitEvent)
{
    ProgramEnvironment env;
    frmMain* main = BringUpOnSimulatedBoard();
    SimSetTerminalVolts(1.0, 1.0);
    frmExternalTest* form = LoadForm<frmExternalTest>();
    form->cmdEnableAin14_Click();
    form->cmcdAinTerminal_Click();
    form->cmdAlertLED_Click();
    for (int i = 0; i < 12; ++i) {
        env.clock.now += 0.03; // a conversion round of the chip per tick
        main->tmrMaster_Timer();
    }
    EXPECT_EQ(SimPeekRegister(0x27), 0);
    EXPECT_NEAR(gAinVolts[0], 1.0, 0.02);
    EXPECT_NE(gIntStatus1 & 0x04, 0); // Ain1 above its high limit

    form->cmdAlertLED_Click();
    // Two cycles: the first status read may still hold the event from before the press.
    for (int i = 0; i < 24; ++i) {
        env.clock.now += 0.03;
        main->tmrMaster_Timer();
    }
    EXPECT_EQ(SimPeekRegister(0x27), 225);
    EXPECT_EQ(gIntStatus1 & 0x04, 0);
}

} // namespace
