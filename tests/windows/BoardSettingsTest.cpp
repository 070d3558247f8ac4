#include "TestSupport.h"

#include "SimControl.h"

#include "board/USBStuff.h"
#include "chip/GeneralStuff.h"
#include "platform/Forms.h"
#include "platform/WrapButtons.h"
#include "windows/GeneralStuff.h"
#include "windows/frmExternalTest.h"
#include "windows/frmMain.h"
#include "windows/frmOptions.h"
#include "windows/frmTest.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QCheckBox>
#include <QGroupBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>
#include <gtest/gtest.h>

#include <cmath>

namespace {

using Pairs = std::vector<std::pair<int, int>>;

const QString kEnabledText = QStringLiteral("Select the voltage source for Ain1 and Ain2");
const QString kDisabledText = QStringLiteral("Ain1 and Ain2 are disabled");

// The board settings window against the recording fake board, at bus address 48h.
class BoardSettingsTest : public ::testing::Test {
protected:
    BoardSettingsTest() { gDeviceAddress = 0x48; }

    frmTest* Open()
    {
        frmTest* form = LoadForm<frmTest>();
        fake.board.Clear();
        return form;
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

TEST_F(BoardSettingsTest, OpeningAppliesTheStoredSourcesToTheBoard)
{
    gAin12Mode = Ain12Inputs;
    gLEDBarSource = QStringLiteral("DAC C");
    gAin12Source = Ain12SrcLEDBar;
    frmTest* form = LoadForm<frmTest>();
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->Caption(), QStringLiteral("Evaluation Board Settings"));
    EXPECT_TRUE(gTestFormOpen);
    EXPECT_EQ(form->cmbLEDCon->currentText(), QStringLiteral("DAC C"));
    EXPECT_TRUE(form->cmbLEDCon->isEnabled());
    EXPECT_FALSE(form->chkOpto->isChecked());
    EXPECT_TRUE(form->optAin12[1]->isChecked());
    EXPECT_TRUE(form->optAin12[0]->isEnabled());
    EXPECT_EQ(form->Label1->text(), kEnabledText);
    // LED bar on DAC C, then the LED bar's DAC as the Ain1/Ain2 source with the path closed.
    EXPECT_EQ(fake.board.PortWrites(), (Pairs{{2, 0x08}, {2, 0x38}, {3, 0x03}}));
    EXPECT_TRUE(fake.board.Writes().empty());
    EXPECT_FALSE(gOptoControl);
}

TEST_F(BoardSettingsTest, ScreenReadersFindEveryControlByItsCaptionOrRowLabel)
{
    frmTest* form = Open();
    auto name = [](QWidget* w) { return QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name); };
    for (QAbstractButton* b : form->findChildren<QAbstractButton*>())
        EXPECT_EQ(name(b), b->text());
    EXPECT_EQ(name(form->Frame2), QStringLiteral("LED Bar Control"));
    EXPECT_EQ(name(form->Frame1), QStringLiteral("Ain 1-2 Inputs "));
    // A list's own name is its current item; the label above it names the list.
    QStringList labels;
    for (const auto& [other, relation] : QAccessible::queryAccessibleInterface(form->cmbLEDCon)->relations(QAccessible::Label))
        labels << other->text(QAccessible::Name);
    EXPECT_TRUE(labels.contains(QStringLiteral("Select Control Source"))) << labels.join(u'|').toStdString();
}

TEST_F(BoardSettingsTest, ExternalDiodeModeGreysTheOptionsUntil18hIsWritten)
{
    gAin12Mode = Ain12ExtDiode;
    gAin12Source = Ain12SrcLEDBar;
    fake.board.registers[0x18] = 0x04;
    frmTest* form = LoadForm<frmTest>();
    EXPECT_FALSE(form->optAin12[0]->isEnabled());
    EXPECT_FALSE(form->optAin12[1]->isEnabled());
    EXPECT_TRUE(form->optAin12[1]->isChecked());
    EXPECT_EQ(form->Label1->text(), kDisabledText);
    // The source switch is set, but the Ain1/Ain2 path stays open in the diode mode.
    EXPECT_EQ(fake.board.PortWrites(), (Pairs{{2, 0x00}, {2, 0x30}}));

    // Meanwhile the terminal becomes the stored source (as the test procedure's "Ain
    // Connector Test" does); the greyed options keep their selection.
    gAin12Source = Ain12SrcTerminal;
    fake.board.Clear();

    // P7/8 = 00 written from elsewhere (the configuration window): the options follow,
    // the stored source is selected and applied to the board after the decoder's paths.
    WriteRegisterValue(gDeviceAddress, 0x18, 0x00);
    EXPECT_EQ(gAin12Mode, Ain12Inputs);
    EXPECT_TRUE(form->optAin12[0]->isEnabled());
    EXPECT_TRUE(form->optAin12[1]->isEnabled());
    EXPECT_TRUE(form->optAin12[0]->isChecked());
    EXPECT_EQ(form->Label1->text(), kEnabledText);
    EXPECT_EQ(fake.board.PortWrites(), (Pairs{{2, 0x30}, {3, 0x03}, {2, 0x70}, {2, 0x40}, {3, 0x03}}));

    WriteRegisterValue(gDeviceAddress, 0x18, 0x04);
    EXPECT_FALSE(form->optAin12[0]->isEnabled());
    EXPECT_EQ(form->Label1->text(), kDisabledText);
}

TEST_F(BoardSettingsTest, UserChoicesSwitchTheBoard)
{
    gAin12Mode = Ain12Inputs;
    frmTest* form = Open();
    form->cmbLEDCon->setCurrentIndex(3);
    form->cmbLEDCon_Click();
    EXPECT_EQ(gLEDBarSource, QStringLiteral("DAC D"));
    form->optAin12[1]->setChecked(true);
    EXPECT_EQ(gAin12Source, Ain12SrcLEDBar);
    form->optAin12[0]->setChecked(true);
    EXPECT_EQ(gAin12Source, Ain12SrcTerminal);
    EXPECT_EQ(fake.board.PortWrites(), (Pairs{{2, 0x0C}, {2, 0x3C}, {3, 0x03}, {2, 0x0C}, {3, 0x03}}));
    EXPECT_TRUE(fake.board.Writes().empty());

    // By mouse: a click that changes the option switches the board once.
    fake.board.Clear();
    ClickIndicator(form->optAin12[1]);
    EXPECT_EQ(gAin12Source, Ain12SrcLEDBar);
    EXPECT_EQ(fake.board.PortWrites(), (Pairs{{2, 0x3C}, {3, 0x03}}));

    // The test procedure's "Enable Ain 1-4 " feeds Ain1/Ain2 from the LED bar's DAC while
    // this window still shows the terminal: a click on the option shown applies the
    // terminal again.
    form->optAin12[0]->setChecked(true);
    LoadForm<frmExternalTest>()->cmdEnableAin14_Click();
    ASSERT_TRUE(form->optAin12[0]->isChecked());
    ASSERT_EQ(gAin12Source, Ain12SrcLEDBar);
    fake.board.Clear();
    ClickIndicator(form->optAin12[0]);
    EXPECT_TRUE(form->optAin12[0]->isChecked());
    EXPECT_EQ(gAin12Source, Ain12SrcTerminal);
    EXPECT_EQ(fake.board.PortWrites(), (Pairs{{2, 0x48}, {3, 0x03}}));
}

TEST_F(BoardSettingsTest, EachTickRunsTheOptoSetUpAndUntickingWritesNothing)
{
    gAin12Mode = Ain12Inputs;
    gLEDBarSource = QStringLiteral("DAC B");
    fake.board.registers[0x1B] = 0xFF;
    fake.board.registers[0x18] = 0x00;
    fake.board.registers[0x1C] = 0x00;
    fake.board.ports[2] = 0x04; // LED bar on DAC B
    frmTest* form = Open();

    const std::vector<std::pair<char, int>> pairs = {
        {'R', 0x1B}, {'W', 0x1B}, {'R', 0x1B}, // each write is read back by the decoder
        {'R', 0x18}, {'W', 0x18}, {'R', 0x18},
        {'R', 0x1C}, {'W', 0x1C}, {'R', 0x1C}};
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        form->chkOpto->setChecked(true);
        EXPECT_TRUE(gOptoControl);
        EXPECT_FALSE(form->cmbLEDCon->isEnabled());
        EXPECT_EQ(form->cmbLEDCon->currentText(), QStringLiteral("DAC A"));
        EXPECT_EQ(fake.board.RegisterTraffic(), pairs);
        EXPECT_EQ(fake.board.Writes(), (Pairs{{0x1B, 0xCF}, {0x18, 0x08}, {0x1C, 0x10}}));
        // The LED bar goes to DAC A once, before the decoder of 18h sets the pin paths
        // (Ain1/Ain2 path, then the Ain3 switch); the list does not switch it again.
        const Pairs ports = fake.board.PortWrites();
        ASSERT_EQ(ports.size(), 4u);
        EXPECT_EQ(ports[0].first, 2);
        EXPECT_EQ(ports[0].second & 0x0C, 0x00);
        EXPECT_EQ(gLEDBarSource, QStringLiteral("DAC B"));
        EXPECT_EQ(gDacRange[0], 2);
        EXPECT_TRUE(gAin3Enabled);
        EXPECT_FALSE(gExtRefAB);
        fake.board.Clear();

        form->chkOpto->setChecked(false);
        EXPECT_FALSE(gOptoControl);
        EXPECT_TRUE(form->cmbLEDCon->isEnabled());
        EXPECT_TRUE(fake.board.transfers.empty());
    }
}

TEST_F(BoardSettingsTest, ReopeningInOptoModeRunsTheSetUpOnce)
{
    gAin12Mode = Ain12Inputs;
    gLEDBarSource = QStringLiteral("DAC D");
    fake.board.registers[0x1B] = 0x30;
    fake.board.registers[0x18] = 0x01;
    fake.board.registers[0x1C] = 0x20;
    frmTest* form = LoadForm<frmTest>();
    form->chkOpto->setChecked(true);
    form->cmdClose_Click();
    FlushDeletedForms();
    EXPECT_FALSE(IsFormLoaded<frmTest>());
    EXPECT_FALSE(gTestFormOpen);
    EXPECT_TRUE(gOptoControl);

    fake.board.Clear();
    form = LoadForm<frmTest>();
    EXPECT_TRUE(form->chkOpto->isChecked());
    EXPECT_FALSE(form->cmbLEDCon->isEnabled());
    EXPECT_EQ(form->cmbLEDCon->currentText(), QStringLiteral("DAC A"));
    EXPECT_EQ(fake.board.Writes(), (Pairs{{0x1B, 0x01}, {0x18, 0x09}, {0x1C, 0x30}}));
    EXPECT_EQ(gLEDBarSource, QStringLiteral("DAC D"));
}

TEST_F(BoardSettingsTest, TickingRefreshesAnOpenConfigurationWindow)
{
    gAin12Mode = Ain12Inputs;
    frmOptions* options = LoadForm<frmOptions>();
    ASSERT_TRUE(gOptionsFormOpen);
    EXPECT_EQ(options->cmbDACRange[0]->currentIndex(), 0);
    EXPECT_EQ(options->cmbLDACAin3->currentText(), QStringLiteral("LDAC"));
    EXPECT_TRUE(options->chkExtDACRef[0]->isChecked());

    frmTest* form = Open();
    form->chkOpto->setChecked(true);
    EXPECT_EQ(fake.board.Writes(), (Pairs{{0x1B, 0x01}, {0x18, 0x08}, {0x1C, 0x10}}));
    // The configuration window read the chip again and shows what the set-up wrote.
    const auto traffic = fake.board.RegisterTraffic();
    ASSERT_GT(traffic.size(), 9u);
    EXPECT_EQ(traffic.back().first, 'R');
    EXPECT_EQ(options->cmbDACRange[0]->currentIndex(), 1);
    EXPECT_EQ(options->cmbLDACAin3->currentText(), QStringLiteral("AIN3"));
    EXPECT_FALSE(options->chkExtDACRef[0]->isChecked());
}

TEST_F(BoardSettingsTest, ClosedWindowIgnoresWritesOf18h)
{
    gAin12Mode = Ain12Inputs;
    frmTest* form = LoadForm<frmTest>();
    form->cmdClose_Click();
    FlushDeletedForms();
    fake.board.Clear();
    SetupAin12SourceOptions();
    WriteRegisterValue(gDeviceAddress, 0x18, 0x04);
    EXPECT_EQ(gAin12Mode, Ain12ExtDiode);
    EXPECT_FALSE(IsFormLoaded<frmTest>());
    EXPECT_FALSE(gTestFormOpen);
}

TEST_F(BoardSettingsTest, OptoDriveFollowsAin4OnTheMasterTimer)
{
    gMainForm = new frmMain();
    gAinRefVoltage = 2.28f;
    fake.board.registers[0x0B] = 0x80; // Ain4 code 512: 1.14 V
    env.clock.step = 0.0001;

    // Opto mode off: the drive never writes.
    for (int i = 0; i < 12; ++i)
        gMainForm->tmrMaster_Timer();
    EXPECT_TRUE(fake.board.Writes().empty());
    EXPECT_FLOAT_EQ(gAinVolts[3], 1.14f);

    gOptoControl = true;
    gMainForm->tmrMaster_Timer();
    // 4095 x 1.14 / 2.25 = 2074.8 gives code 2075 (81Bh): LSB register first.
    EXPECT_EQ(fake.board.Writes(), (Pairs{{0x10, 0xB0}, {0x11, 0x81}}));

    // Within 0.2 s nothing more; after it the next tick drives DAC A again.
    fake.board.Clear();
    for (int i = 0; i < 10; ++i)
        gMainForm->tmrMaster_Timer();
    EXPECT_TRUE(fake.board.Writes().empty());
    fake.board.registers[0x0B] = 0xFF; // Ain4 above 2.25 V
    gMainForm->tmrMaster_Timer();      // step 11 measures Ain4
    env.clock.now += 0.25;
    gMainForm->tmrMaster_Timer();
    EXPECT_EQ(fake.board.Writes(), (Pairs{{0x10, 0xF0}, {0x11, 0xFF}}));
    EXPECT_FLOAT_EQ(gAinVolts[3], 2.25f);
}

// The running program: with the opto-sensor mode on, DAC A follows the photo sensor.
TEST(BoardSettingsOnSimulatedBoard, DacAFollowsThePhotoSensor)
{
    ProgramEnvironment env;
    frmMain* main = BringUpOnSimulatedBoard();
    frmTest* form = LoadForm<frmTest>();
    form->chkOpto->setChecked(true);
    EXPECT_EQ(SimPeekRegister(0x1B) & 0x31, 0x01);
    EXPECT_EQ(SimPeekRegister(0x18) & 0x08, 0x08);
    EXPECT_EQ(SimPeekRegister(0x1C) & 0x10, 0x10);
    EXPECT_EQ(SimPortImage()[2] & 0x0C, 0x00); // LED bar on DAC A

    for (double light : {1.0, 0.5, 2.0}) {
        SCOPED_TRACE(light);
        SimSetLight(light);
        // A full measurement cycle, then a tick on which the drive is due.
        for (int i = 0; i < 12 || main->PollState != 0; ++i) {
            env.clock.now += 0.005;
            main->tmrMaster_Timer();
        }
        env.clock.now += 0.25;
        main->tmrMaster_Timer();
        EXPECT_NEAR(gAinVolts[3], light, 0.01);
        const int code = SimPeekRegister(0x11) * 16 + (SimPeekRegister(0x10) >> 4);
        EXPECT_EQ(code, static_cast<int>(std::nearbyint(4095.0 * gAinVolts[3] / 2.25)));
    }
}

} // namespace
