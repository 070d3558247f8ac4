#include "SimControl.h"
#include "TestSupport.h"
#include "Vantreo.h"
#include "board/USBStuff.h"
#include "board/VantreoLibrary.h"
#include "chip/GeneralStuff.h"
#include "platform/Forms.h"
#include "platform/StripChart.h"
#include "platform/Twips.h"
#include "platform/UpDown.h"
#include "platform/WrapButtons.h"
#include "windows/GeneralStuff.h"
#include "windows/frmDAC.h"
#include "windows/frmGraphing.h"
#include "windows/frmMain.h"
#include "windows/frmOptions.h"

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <cmath>
#include <gtest/gtest.h>

namespace {
using Writes = std::vector<std::pair<int, int>>;

QWidget* SSTabBar(frmOptions* form) { return form->SSTab1->findChild<QTabBar*>(); }

class OptionsTest : public ::testing::Test {
protected:
    ProgramEnvironment env;
    FakeBoardScope fake;

    void SetUp() override { gDeviceAddress = 0x48; }
    void Preset(int reg, int value) { fake.board.registers[reg] = static_cast<uint8_t>(value); }

    // Opens the window and forgets the transfers of its Load.
    frmOptions* Open()
    {
        frmOptions* form = LoadForm<frmOptions>();
        fake.board.Clear();
        return form;
    }
    void Close(frmOptions* form)
    {
        form->Unload();
        FlushDeletedForms();
    }
    std::vector<int> WritesTo(int reg) const
    {
        std::vector<int> out;
        for (const auto& [r, v] : fake.board.Writes())
            if (r == reg)
                out.push_back(v);
        return out;
    }
};
} // namespace

TEST_F(OptionsTest, UnchangedApplyWritesBackWhatLoadRead)
{
    // Bits the window does not show must come back as read.
    const Writes chip = {{0x18, 0x99}, {0x19, 0x27}, {0x1A, 0xDF}, {0x1B, 0x25},
                         {0x1C, 0xFA}, {0x21, 0xD8}, {0x22, 0x7F}};
    for (const auto& [reg, value] : chip)
        Preset(reg, value);
    frmOptions* form = Open();
    EXPECT_EQ(form->txtOffset[0]->text(), "-40");
    EXPECT_EQ(form->txtOffset[1]->text(), "127");
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(form->cmbDACRange[i]->currentText(), i % 2 ? "0V - VRef" : "0V - 2Vref");
    EXPECT_TRUE(form->optLDACWrite[2]->isChecked());
    EXPECT_FALSE(form->txtExtRef->isEnabled()); // both external references off
    EXPECT_FALSE(form->lblExtRef->isEnabled());

    form->cmdApply_Click();
    EXPECT_EQ(fake.board.Writes(), chip);
    EXPECT_TRUE(IsFormLoaded<frmOptions>());
    EXPECT_FALSE(gSPIMode);
    EXPECT_FLOAT_EQ(gExtRefVoltage, 2.25f);
    Close(form);

    // An invalid Ain1-2 field (01 or 11) shows as "External Temp" and goes back as 10.
    for (int field : {0x02, 0x06}) {
        Preset(0x18, field | 0x01);
        form = Open();
        EXPECT_EQ(form->cmbTempAin12->currentText(), "External Temp");
        form->cmdApply_Click();
        EXPECT_EQ(WritesTo(0x18), std::vector<int>{0x05});
        Close(form);
    }
    EXPECT_TRUE(env.messages.empty());
}

TEST_F(OptionsTest, LoadShowsEachSingleAndInvertedBitAsRead)
{
    // Monitoring, Power Down, Averaging, Interrupt Enabled, Active Low INT Polarity and the
    // ADC clock at "22.5 kHz", as Load shows them.
    using Shown = std::array<bool, 6>;
    auto shown = [](const frmOptions* f) {
        return Shown{f->chkMonitoring->isChecked(),  f->chkPowerDown->isChecked(),
                     f->chkAveraging->isChecked(),   f->chkIntEnable->isChecked(),
                     f->chkIntPolarity->isChecked(), f->cmbADCClock->currentText() == "22.5 kHz"};
    };
    struct Bit {
        int reg, bit, shownAt;
    };
    const Bit bits[] = {{0x18, 0, 0}, {0x18, 7, 1}, {0x19, 5, 2}, {0x18, 5, 3}, {0x18, 6, 4}, {0x1A, 0, 5}};
    // Registers all 0 or all 1, with one bit the other way: only its own control differs.
    for (int background : {0x00, 0xFF}) {
        for (const Bit& b : bits) {
            for (int reg : {0x18, 0x19, 0x1A})
                Preset(reg, background);
            Preset(b.reg, background ^ (1 << b.bit));
            frmOptions* form = Open();
            Shown expected = background ? Shown{true, true, true, false, false, true}
                                        : Shown{false, false, false, true, true, false};
            expected[b.shownAt] = !expected[b.shownAt];
            EXPECT_EQ(shown(form), expected) << std::hex << b.reg << " bit " << b.bit << " in " << background;
            Close(form);
        }
    }

    // The chip reports the SPI lock bit while the program still frames SMBus: the box shows
    // ticked and stays enabled, and the next Apply makes the switch after the writes.
    Preset(0x7F, 0x01);
    frmOptions* form = Open();
    EXPECT_TRUE(form->chkSPI->isChecked());
    EXPECT_TRUE(form->chkSPI->isEnabled());
    form->cmdApply_Click();
    EXPECT_TRUE(gSPIMode);
    EXPECT_FALSE(form->chkSPI->isEnabled());
    EXPECT_EQ(fake.board.Writes().size(), 7u);
    Close(form);
    Preset(0x7F, 0xFE);
    form = Open();
    EXPECT_FALSE(form->chkSPI->isChecked());
    EXPECT_FALSE(form->chkSPI->isEnabled());
    EXPECT_TRUE(env.messages.empty());
}

TEST_F(OptionsTest, TabWalksThePageBeforeOkCancelAndApply)
{
    frmOptions* form = Open();
    form->show();
    QApplication::setActiveWindow(form);
    form->chkMonitoring->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), form->chkMonitoring);
    auto press = [](Qt::KeyboardModifiers modifiers) {
        QKeyEvent e(QEvent::KeyPress, modifiers ? Qt::Key_Backtab : Qt::Key_Tab, modifiers);
        QCoreApplication::sendEvent(QApplication::focusWidget(), &e);
        return QApplication::focusWidget();
    };
    const std::vector<QWidget*> expected = {
        form->chkPowerDown, form->chkAveraging, form->chkIntEnable, form->chkIntPolarity,
        form->chkSPI,       form->cmbTempAin12, form->cmbLDACAin3,  form->cmbADCClock,
        form->cmdOK,        form->cmdCancel,    form->cmdApply};
    std::vector<QWidget*> walked;
    for (size_t i = 0; i < expected.size(); ++i)
        walked.push_back(press(Qt::NoModifier));
    EXPECT_EQ(walked, expected);
    // From Apply round to the tabs, then into the page again; back from OK to the page.
    EXPECT_EQ(press(Qt::NoModifier), SSTabBar(form));
    EXPECT_EQ(press(Qt::NoModifier), form->chkMonitoring);
    form->cmdOK->setFocus();
    EXPECT_EQ(press(Qt::ShiftModifier), form->cmbADCClock);
}

TEST_F(OptionsTest, EveryControlIsNamedAfterItsCaptionOrLabel)
{
    frmOptions* form = Open();
    auto name = [](QObject* o) { return QAccessible::queryAccessibleInterface(o)->text(QAccessible::Name); };
    // Drop-down lists report their chosen item as their name on Linux; screen readers
    // take their label from the labelled-by relation.
    auto labelOf = [](QObject* o) {
        const auto labels = QAccessible::queryAccessibleInterface(o)->relations(QAccessible::Label);
        return labels.isEmpty() ? QString() : labels.first().first->text(QAccessible::Name);
    };
    EXPECT_EQ(labelOf(form->cmbTempAin12), "Select External Temp/Ain1-2");
    EXPECT_EQ(labelOf(form->cmbLDACAin3), "Select LDAC/Ain3");
    EXPECT_EQ(labelOf(form->cmbADCClock), "ADC Clock");
    EXPECT_EQ(labelOf(form->cmbDACRange[3]), "DAC D");
    EXPECT_EQ(form->cmbDACRange[3]->accessibleName(), "DAC D");
    EXPECT_EQ(name(form->txtOffset[0]), "Internal Analog Offset");
    EXPECT_EQ(name(form->txtOffset[1]), "External Analog Offset");
    EXPECT_EQ(name(form->txtExtRef), "Specify External Reference (V)");
    const auto arrows = form->UpDown2->findChildren<QToolButton*>();
    ASSERT_EQ(arrows.size(), 2);
    EXPECT_EQ(name(arrows[0]), "External Analog Offset up");
    EXPECT_EQ(name(arrows[1]), "External Analog Offset down");

    // Nothing a user can press, tick or type into is left without a name.
    for (QWidget* w : form->findChildren<QWidget*>()) {
        if (qobject_cast<QAbstractButton*>(w) || qobject_cast<QLineEdit*>(w)) {
            EXPECT_FALSE(name(w).isEmpty()) << w->metaObject()->className();
        }
        if (qobject_cast<QComboBox*>(w)) {
            EXPECT_FALSE(labelOf(w).isEmpty());
        }
    }
}

TEST_F(OptionsTest, ApplyComposesEveryControlAndTheChipStateFollows)
{
    // 1Bh: DAC A and C at the larger range, LDAC mode 2; every other register reads 0.
    Preset(0x1B, 0x25);
    frmOptions* form = Open();
    form->chkMonitoring->setChecked(true);
    form->chkPowerDown->setChecked(true);
    form->chkIntEnable->setChecked(false);
    form->cmbTempAin12->setCurrentText("External Temp");
    form->cmbLDACAin3->setCurrentText("AIN3");
    form->chkAveraging->setChecked(true);
    form->chkDACProp[0]->setChecked(true);
    form->chkDACProp[1]->setChecked(true);
    form->chkDACThermalBits->setChecked(true);
    form->cmbADCClock->setCurrentText("22.5 kHz");
    form->optAinRef[1]->setChecked(true);
    for (int i = 0; i < 4; ++i)
        form->cmbDACRange[i]->setCurrentIndex(i % 2);
    form->optLDACWrite[1]->setChecked(true);
    form->chkExtDACRef[0]->setChecked(false);
    form->chkExtDACRef[1]->setChecked(false);
    EXPECT_FALSE(form->txtExtRef->isEnabled());
    form->chkExtDACRef[1]->setChecked(true);
    EXPECT_TRUE(form->txtExtRef->isEnabled() && form->lblExtRef->isEnabled());
    form->chkExtDACRef[1]->setChecked(false);
    form->txtExtRef->setText("0.5"); // taken although the box is disabled
    form->UpDown1->StepDown();
    form->UpDown2->StepUp();
    EXPECT_TRUE(fake.board.transfers.empty()) << "edits touch only the controls";

    form->cmdApply_Click();
    EXPECT_EQ(fake.board.Writes(), (Writes{{0x18, 0xAD}, {0x19, 0x20}, {0x1A, 0x73}, {0x1B, 0x1A},
                                           {0x1C, 0x30}, {0x21, 0xFF}, {0x22, 0x01}}));
    EXPECT_EQ(gAin12Mode, Ain12ExtDiode);
    EXPECT_TRUE(gAin3Enabled);
    EXPECT_FALSE(gIntOutputEnabled);
    EXPECT_FLOAT_EQ(gAinRefVoltage, 3.3f);
    EXPECT_EQ(gDacRange, (std::array<int16_t, 4>{1, 2, 1, 2}));
    EXPECT_FALSE(gExtRefAB || gExtRefCD);
    EXPECT_FLOAT_EQ(gExtRefVoltage, 0.5f);

    // One external reference box alone clears its own bit of 1Ch, not its neighbour's.
    for (int alone : {0, 1}) {
        fake.board.Clear();
        form->chkExtDACRef[alone]->setChecked(true);
        form->chkExtDACRef[1 - alone]->setChecked(false);
        form->cmdApply_Click();
        EXPECT_EQ(WritesTo(0x1C), std::vector<int>{alone == 0 ? 0x20 : 0x10}) << alone;
        EXPECT_EQ(gExtRefAB, alone == 0);
        EXPECT_EQ(gExtRefCD, alone == 1);
    }
}

TEST_F(OptionsTest, OffsetTextsAreRoundedAndNotLimited)
{
    frmOptions* form = Open();
    const std::vector<std::pair<const char*, int>> cases = {
        {"-40", 0xD8},  {"300", 0xFF},        {"12.5", 0x0C},          {"13.5", 0x0E},
        {"abc", 0x00},  {"-129", 0x7F},       {"2147483647", 0xFF},    {"-2147483648", 0x00},
        // Below what the board link can frame: the register still gets the low byte.
        {"-8388609", 0xFF},
    };
    for (const auto& [text, byte] : cases) {
        fake.board.Clear();
        form->txtOffset[1]->setText(QString::fromLatin1(text));
        form->cmdApply_Click();
        EXPECT_EQ(WritesTo(0x22), std::vector<int>{byte}) << text;
        EXPECT_EQ(fake.board.Writes().size(), 7u) << text;
    }
    EXPECT_TRUE(env.messages.empty());
    // The spin controls stay within -128 to 127.
    form->txtOffset[0]->setText("127");
    form->UpDown1->StepUp();
    EXPECT_EQ(form->txtOffset[0]->text(), "127");
    form->txtOffset[0]->setText("-128");
    form->UpDown1->StepDown();
    EXPECT_EQ(form->txtOffset[0]->text(), "-128");
}

TEST_F(OptionsTest, OutOfRangeTextsAreRefusedBeforeAnyWrite)
{
    struct Case {
        int box; // 0, 1 offsets; 2 reference
        const char* text;
        const char* field;
        const char* fault;
    };
    const Case cases[] = {
        {0, "2147483647.5", "Internal Analog Offset", "too large"},
        {1, "-1e10", "External Analog Offset", "too small"},
        {0, "-2147483649", "Internal Analog Offset", "too small"},
        {2, "1e39", "External Reference", "too large"},
        {2, "-1.8e38", "External Reference", "too small"},
    };
    gExtRefVoltage = 1.5f;
    frmOptions* form = Open();
    form->chkSPI->setChecked(true);
    for (const Case& c : cases) {
        env.messages.clear();
        form->txtOffset[0]->setText("0");
        form->txtOffset[1]->setText("0");
        form->txtExtRef->setText("2.5");
        (c.box < 2 ? form->txtOffset[c.box] : form->txtExtRef)->setText(QString::fromLatin1(c.text));
        form->cmdOK_Click();
        ASSERT_EQ(env.messages.size(), 1u) << c.text;
        EXPECT_TRUE(env.messages[0].contains(QString::fromLatin1(c.field))) << c.text;
        EXPECT_TRUE(env.messages[0].contains(QString::fromLatin1(c.fault))) << env.messages[0].toStdString();
        EXPECT_FALSE(env.messages[0].contains(QStringLiteral("-128 to 127"))) << c.text;
        EXPECT_TRUE(fake.board.transfers.empty()) << c.text;
        EXPECT_FALSE(gSPIMode);
        EXPECT_FLOAT_EQ(gExtRefVoltage, 1.5f);
        EXPECT_TRUE(IsFormLoaded<frmOptions>()) << "OK keeps the window open for a correction";
    }
}

TEST_F(OptionsTest, ARefusedReferenceThatNoDacUsesCanBeCorrected)
{
    gExtRefVoltage = 1.5f;
    frmOptions* form = Open(); // 1Ch bits 5:4 clear: both external references ticked
    form->SSTab1->setCurrentIndex(3);
    form->txtExtRef->selectAll();
    QTest::keyClicks(form->txtExtRef, "1e39");
    form->chkExtDACRef[0]->setChecked(false);
    form->chkExtDACRef[1]->setChecked(false);
    ASSERT_FALSE(form->txtExtRef->isEnabled());

    form->cmdOK_Click();
    ASSERT_EQ(env.messages.size(), 1u);
    EXPECT_TRUE(env.messages[0].contains("No DAC uses the external reference now"));
    EXPECT_TRUE(env.messages[0].contains("Correct the reference, then press Apply or OK again."));
    EXPECT_TRUE(fake.board.transfers.empty());
    // The box is open for the correction, whatever the reference boxes say.
    EXPECT_TRUE(form->txtExtRef->isEnabled());
    EXPECT_TRUE(form->lblExtRef->isEnabled());
    EXPECT_EQ(form->txtExtRef->selectedText(), QStringLiteral("1e39"));
    QTest::keyClicks(form->txtExtRef, "2.5");
    form->cmdApply_Click();
    EXPECT_EQ(env.messages.size(), 1u);
    EXPECT_EQ(WritesTo(0x1C), std::vector<int>{0x30});
    EXPECT_FLOAT_EQ(gExtRefVoltage, 2.5f);
    // Taken: the box greys again, as no reference box is ticked.
    EXPECT_FALSE(form->txtExtRef->isEnabled());
    EXPECT_FALSE(form->lblExtRef->isEnabled());
    form->cmdOK_Click();
    EXPECT_FALSE(IsFormLoaded<frmOptions>());
}

TEST_F(OptionsTest, LdacLayoutFollowsTheChoiceBox)
{
    frmOptions* form = Open(); // 18h bit 3 clear: "LDAC"
    auto expectLayout = [&](double firstTop, bool noteShown, bool optionsOn, bool generateOn) {
        EXPECT_EQ(!form->lblLDAC->isHidden(), noteShown);
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(form->optLDACWrite[i]->geometry().top(), TwipsToPixelsY(firstTop + 600 * i));
            EXPECT_EQ(form->optLDACWrite[i]->isEnabled(), optionsOn);
            EXPECT_EQ(form->cmdGenLDAC[i]->isEnabled(), generateOn);
        }
    };
    EXPECT_EQ(form->lblLDAC->geometry().top(), TwipsToPixelsY(480));
    expectLayout(840, true, false, false);
    form->cmbLDACAin3->setCurrentText("AIN3"); // not applied yet
    expectLayout(600, false, true, false);
    form->optLDACWrite[3]->setChecked(true);
    expectLayout(600, false, true, true);
    form->optLDACWrite[1]->setChecked(true);
    expectLayout(600, false, true, false);
    form->cmbLDACAin3->setCurrentText("LDAC");
    expectLayout(840, true, false, false);
    EXPECT_TRUE(fake.board.transfers.empty());
}

TEST_F(OptionsTest, GenerateLdacWritesAtOnceAndApplyRestoresLowBits)
{
    Preset(0x18, 0x08); // AIN3
    Preset(0x1B, 0x30); // LDAC from the LDAC register
    Preset(0x1C, 0x30);
    frmOptions* form = Open();
    form->cmdGenLDAC[2]->click();
    EXPECT_EQ(fake.board.Writes(), (Writes{{0x1C, 0x34}}));
    fake.board.Clear();
    form->cmdApply_Click();
    EXPECT_EQ(WritesTo(0x1C), std::vector<int>{0x30});
}

TEST_F(OptionsTest, OkCancelAndRefresh)
{
    Preset(0x21, 0x05);
    frmOptions* form = Open();
    form->txtOffset[0]->setText("none");
    form->cmdOK_Click();
    EXPECT_EQ(WritesTo(0x21), std::vector<int>{0x00});
    EXPECT_FALSE(IsFormLoaded<frmOptions>());
    EXPECT_FALSE(gOptionsFormOpen);
    FlushDeletedForms();

    // Closed: the refresh reads nothing and opens nothing.
    fake.board.Clear();
    RefreshOptionsForm();
    EXPECT_TRUE(fake.board.transfers.empty());
    EXPECT_FALSE(IsFormLoaded<frmOptions>());

    // Open: it reads the chip again and discards edits. A box that shows what the chip
    // holds keeps its selection and caret.
    form = Open();
    form->txtOffset[1]->selectAll();
    form->txtExtRef->setCursorPosition(1);
    RefreshOptionsForm();
    EXPECT_EQ(form->txtOffset[1]->selectedText(), "0");
    EXPECT_EQ(form->txtExtRef->cursorPosition(), 1);
    form->chkPowerDown->setChecked(true);
    form->txtOffset[0]->setText("12");
    Preset(0x1B, 0x01);
    RefreshOptionsForm();
    EXPECT_FALSE(form->chkPowerDown->isChecked());
    EXPECT_EQ(form->txtOffset[0]->text(), "0");
    EXPECT_EQ(form->cmbDACRange[0]->currentIndex(), 1);
    EXPECT_EQ(fake.board.Writes().size(), 0u);

    // Cancel and the close box write nothing.
    form->chkSPI->setChecked(true);
    form->txtExtRef->setText("1.2");
    fake.board.Clear();
    form->cmdCancel_Click();
    FlushDeletedForms();
    form = Open();
    form->cmbADCClock->setCurrentIndex(1);
    form->close();
    EXPECT_TRUE(fake.board.Writes().empty());
    EXPECT_FALSE(gOptionsFormOpen);
    EXPECT_FALSE(gSPIMode);
    EXPECT_FLOAT_EQ(gExtRefVoltage, 2.25f);
}

namespace {
// The simulated board behind a recorder of every request as it was framed.
std::vector<Transfer>* gSimRecord = nullptr;

int16_t RecordingSimRequest(int16_t request, int32_t value, int32_t index, int16_t direction,
                            int16_t length, uint8_t* buffer)
{
    if (gSimRecord)
        gSimRecord->push_back(Transfer{request, value, index, direction, length, 0});
    return VendorIORequest(request, value, index, direction, length, buffer);
}

struct SimRecorder {
    std::vector<Transfer> record;
    SimRecorder()
    {
        gSimRecord = &record;
        SetVantreoFunctions(&LoadFirmWare, &RecordingSimRequest);
    }
    ~SimRecorder()
    {
        gSimRecord = nullptr;
        SetVantreoFunctions(&LoadFirmWare, &VendorIORequest);
    }
};
} // namespace

TEST(OptionsOnSimulatedBoard, ChangesReachTheChipAndSpiKeepsTheBoardTalking)
{
    ProgramEnvironment env;
    frmMain* main = BringUpOnSimulatedBoard();
    SimRecorder recorder;
    std::vector<Transfer>& record = recorder.record;

    main->mnuConfig_Click();
    frmOptions* form = FormInstance<frmOptions>();
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->Caption(), "Configuration");
    EXPECT_EQ(form->chkMonitoring->isChecked(), (SimPeekRegister(0x18) & 1) != 0);

    form->cmbDACRange[2]->setCurrentIndex(1);
    form->cmbLDACAin3->setCurrentText("AIN3");
    form->txtOffset[1]->setText("-40");
    form->chkSPI->setChecked(true);
    record.clear();
    form->cmdOK_Click();
    EXPECT_FALSE(IsFormLoaded<frmOptions>());

    // The seven writes in order, all with SMBus framing; the SPI request after them.
    std::vector<int> written;
    size_t lastWrite = 0, spiRequest = record.size();
    for (size_t i = 0; i < record.size(); ++i) {
        const Transfer& t = record[i];
        if (t.request == 0xDE) {
            EXPECT_EQ(t.value, 0x100 + gDeviceAddress) << "transfer " << i;
            if (t.direction == 0) {
                written.push_back(t.index & 0xFF);
                lastWrite = i;
            }
        }
        if (t.request == 0xDA)
            spiRequest = i;
    }
    EXPECT_EQ(written, (std::vector<int>{0x18, 0x19, 0x1A, 0x1B, 0x1C, 0x21, 0x22}));
    ASSERT_LT(spiRequest, record.size());
    EXPECT_GT(spiRequest, lastWrite);
    EXPECT_EQ(SimPeekRegister(0x1B) & 0x04, 0x04);
    EXPECT_EQ(SimPeekRegister(0x22), 0xD8);
    EXPECT_EQ(gDacRange[2], 2);
    EXPECT_TRUE(gAin3Enabled);
    EXPECT_TRUE(gSPIMode);
    EXPECT_EQ(main->windowTitle(), "Zandrel Evaluation Software - SPI mode");

    // The board now answers SPI framing: polling goes on without a failure, and a
    // reopened window shows the switch disabled.
    record.clear();
    for (int i = 0; i < 24; ++i)
        main->tmrMaster_Timer();
    main->mnuConfig_Click();
    ASSERT_FALSE(record.empty());
    for (const Transfer& t : record) {
        if (t.request == 0xDE) {
            EXPECT_EQ(t.value >> 8, 2);
        }
    }
    form = FormInstance<frmOptions>();
    ASSERT_NE(form, nullptr);
    EXPECT_TRUE(form->chkSPI->isChecked());
    EXPECT_FALSE(form->chkSPI->isEnabled());
    EXPECT_TRUE(env.messages.empty());
}

TEST(OptionsOnSimulatedBoard, AReferenceIsTakenOnlyWhileEveryDacVoltageStaysFinite)
{
    ProgramEnvironment env;
    frmMain* main = BringUpOnSimulatedBoard();
    // DAC A at its top code, DAC B at 0; both on the larger range and the external reference.
    for (const auto& [reg, value] : {std::pair{0x10, 0xF0}, {0x11, 0xFF}, {0x12, 0x00}, {0x13, 0x00}})
        WriteRegisterValue(gDeviceAddress, reg, value);
    main->mnuDAC_Click();
    main->mnuConfig_Click();
    frmOptions* form = FormInstance<frmOptions>();
    ASSERT_NE(form, nullptr);
    form->chkExtDACRef[0]->setChecked(true);
    form->cmbDACRange[0]->setCurrentIndex(1);
    form->cmbDACRange[1]->setCurrentIndex(1);
    form->cmdApply_Click();
    ASSERT_TRUE(gExtRefAB);
    ASSERT_EQ(gDacRange[1], 2);

    SimRecorder recorder;
    for (const char* text : {"3.4028235e38", "1.8e38"}) {
        env.messages.clear();
        recorder.record.clear();
        form->txtExtRef->setText(QString::fromLatin1(text));
        form->cmdApply_Click();
        EXPECT_EQ(env.messages.size(), 1u) << text;
        EXPECT_TRUE(recorder.record.empty()) << text;
        EXPECT_FLOAT_EQ(gExtRefVoltage, 2.25f);
    }

    // The largest references are still taken, and every voltage shown stays a number.
    env.messages.clear();
    form->txtExtRef->setText(QStringLiteral("1.7e38"));
    form->cmdApply_Click();
    EXPECT_TRUE(env.messages.empty());
    EXPECT_EQ(gExtRefVoltage, 1.7e38f);
    env.clock.step = 0.01;
    for (int i = 0; i < 120; ++i)
        main->tmrMaster_Timer();
    EXPECT_GT(gDacVolts[0], 3e38f);
    EXPECT_EQ(gDacVolts[1], 0.0f);
    frmGraphing* graphs = FormInstance<frmGraphing>();
    ASSERT_NE(graphs, nullptr);
    QStringList shown = {FormInstance<frmDAC>()->lblDacVal->text()};
    for (int i = 1; i <= 4; ++i)
        shown << graphs->stpDAC->Text(i);
    for (const QString& text : shown) {
        EXPECT_FALSE(text.contains(QStringLiteral("inf"), Qt::CaseInsensitive)) << text.toStdString();
        EXPECT_FALSE(text.contains(QStringLiteral("nan"), Qt::CaseInsensitive)) << text.toStdString();
    }
}
