#include "LabelCheck.h"
#include "TestSupport.h"

#include "board/USBStuff.h"
#include "chip/Formatting.h"
#include "chip/GeneralStuff.h"
#include "platform/DacSlider.h"
#include "platform/Forms.h"
#include "platform/NumberText.h"
#include "windows/GeneralStuff.h"
#include "platform/StripChart.h"
#include "windows/frmDAC.h"
#include "windows/frmGraphing.h"
#include "windows/frmMain.h"

#include <QAccessible>
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <gtest/gtest.h>

namespace {

using Pairs = std::vector<std::pair<int, int>>;

void Key(QWidget* w, int key)
{
    QKeyEvent e(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
}

void Mouse(QWidget* w, QEvent::Type type, QPointF at, Qt::MouseButton button, Qt::MouseButtons buttons)
{
    QMouseEvent e(type, at, w->mapToGlobal(at), button, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
}

QString AccessibleName(QObject* o) { return QAccessible::queryAccessibleInterface(o)->text(QAccessible::Name); }

// The DAC window against the recording fake board, at bus address 48h.
class DacTest : public ::testing::Test {
protected:
    DacTest() { gDeviceAddress = 0x48; }

    frmDAC* Open()
    {
        frmDAC* form = LoadForm<frmDAC>();
        fake.board.Clear();
        return form;
    }

    // Register reads only, in order.
    std::vector<int> Reads() const
    {
        std::vector<int> out;
        for (const Transfer& t : fake.board.transfers)
            if (t.request == 0xDE && t.direction == 1)
                out.push_back(t.index);
        return out;
    }

    ProgramEnvironment env;
    FakeBoardScope fake;
};

TEST_F(DacTest, OpeningReadsDacAAndPlacesTheSliderWithoutWriting)
{
    fake.board.registers[0x10] = 0xA0;
    fake.board.registers[0x11] = 0x3C;
    gDacVolts = {1.25f, 2.f, 3.f, 4.f};
    frmDAC* form = LoadForm<frmDAC>();
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(Reads(), (std::vector<int>{0x10, 0x11}));
    EXPECT_TRUE(fake.board.Writes().empty());
    EXPECT_TRUE(gDacFormOpen);
    EXPECT_TRUE(form->optDAC[0]->isChecked());
    EXPECT_EQ(form->sldDAC->Position(), 0x3C * 16 + 0xA);
    EXPECT_EQ(form->lblDacVal->text(), QStringLiteral("1.25V"));
    EXPECT_EQ(form->lblDACIndicator->text(), QStringLiteral("DAC A"));
}

TEST_F(DacTest, TemperatureControlledDacsAreNotOffered)
{
    // Register 1Ah as the chip reports it, through the chip-state decoder: bit 5 sets DAC A
    // to follow the internal temperature, bit 6 DAC B the external one.
    auto decode = [&](int configuration3) {
        fake.board.registers[0x1A] = static_cast<uint8_t>(configuration3);
        UpdateRegisterState(0x1A);
        fake.board.Clear();
    };
    decode(0x20);
    frmDAC* form = LoadForm<frmDAC>();
    EXPECT_FALSE(form->optDAC[0]->isEnabled());
    EXPECT_TRUE(form->optDAC[1]->isEnabled());
    EXPECT_TRUE(form->optDAC[1]->isChecked());
    EXPECT_EQ(form->lblDACIndicator->text(), QStringLiteral("DAC B"));
    EXPECT_EQ(Reads(), (std::vector<int>{0x12, 0x13}));
    form->cmdClose_Click();
    FlushDeletedForms();
    EXPECT_FALSE(gDacFormOpen);
    EXPECT_FALSE(IsFormLoaded<frmDAC>());

    decode(0x60);
    form = LoadForm<frmDAC>();
    EXPECT_FALSE(form->optDAC[1]->isEnabled());
    EXPECT_TRUE(form->optDAC[2]->isChecked());
    EXPECT_EQ(Reads(), (std::vector<int>{0x14, 0x15}));
    form->close(); // the close box
    FlushDeletedForms();
    EXPECT_FALSE(gDacFormOpen);

    decode(0x40);
    form = LoadForm<frmDAC>();
    EXPECT_TRUE(form->optDAC[0]->isChecked());
    EXPECT_FALSE(form->optDAC[1]->isEnabled());
    // Decided at opening only: a change while open waits for the next opening.
    decode(0x20);
    EXPECT_TRUE(form->optDAC[0]->isEnabled());
    EXPECT_FALSE(form->optDAC[1]->isEnabled());
}

TEST_F(DacTest, SliderCodesGoToTheChosenDacLsbFirst)
{
    frmDAC* form = Open();
    form->optDAC[2]->setChecked(true);
    fake.board.Clear();
    // Whole codes, then fractional positions rounding halves to the even code.
    for (double code : {4095.0, 0.0, 2048.0, 1.0, 2047.5, 2046.5}) {
        form->sldDAC->SetPosition(code);
        form->sldDAC_Change();
    }
    EXPECT_EQ(fake.board.Writes(), (Pairs{{0x14, 0xF0}, {0x15, 0xFF}, {0x14, 0x00}, {0x15, 0x00},
                                          {0x14, 0x00}, {0x15, 0x80}, {0x14, 0x10}, {0x15, 0x00},
                                          {0x14, 0x00}, {0x15, 0x80}, {0x14, 0xE0}, {0x15, 0x7F}}));
    for (const Transfer& t : fake.board.transfers)
        EXPECT_EQ(t.value, 0x100 + 0x48);

    form->optDAC[3]->setChecked(true);
    fake.board.Clear();
    form->sldDAC->SetPosition(0x123);
    form->sldDAC_Change();
    EXPECT_EQ(fake.board.Writes(), (Pairs{{0x16, 0x30}, {0x17, 0x12}}));
}

TEST_F(DacTest, LowBitsOfTheLsbRegisterAreIgnoredAndWrittenAsZero)
{
    fake.board.registers[0x12] = 0x5F;
    fake.board.registers[0x13] = 0x3C;
    frmDAC* form = Open();
    form->optDAC[1]->setChecked(true);
    EXPECT_EQ(Reads(), (std::vector<int>{0x12, 0x13}));
    EXPECT_EQ(form->sldDAC->Position(), 0x3C * 16 + 5);
    EXPECT_TRUE(fake.board.Writes().empty());
    Key(form->sldDAC, Qt::Key_Up);
    Key(form->sldDAC, Qt::Key_Down);
    EXPECT_EQ(fake.board.Writes(), (Pairs{{0x12, 0x60}, {0x13, 0x3C}, {0x12, 0x50}, {0x13, 0x3C}}));
}

TEST_F(DacTest, ClickOnTheKnobWritesNothingWhileKeysAndWheelMoveIt)
{
    fake.board.registers[0x10] = 0xA0;
    fake.board.registers[0x11] = 0x3C; // code 970, between two pixels of the track
    frmDAC* form = Open();
    DacSlider* slider = form->sldDAC;
    EXPECT_EQ(AccessibleName(slider), QStringLiteral("DAC A"));

    const QPointF centre = slider->KnobRect().center();
    Mouse(slider, QEvent::MouseButtonPress, centre, Qt::LeftButton, Qt::LeftButton);
    Mouse(slider, QEvent::MouseButtonRelease, centre, Qt::LeftButton, Qt::NoButton);
    EXPECT_TRUE(fake.board.transfers.empty());
    EXPECT_EQ(slider->Position(), 970);

    QApplication::setWheelScrollLines(3);
    Key(slider, Qt::Key_End);
    QWheelEvent notchDown(centre, slider->mapToGlobal(centre), QPoint(), QPoint(0, -120), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(slider, &notchDown);
    Key(slider, Qt::Key_Home);
    EXPECT_EQ(fake.board.Writes(), (Pairs{{0x10, 0xF0}, {0x11, 0xFF}, {0x10, 0xC0}, {0x11, 0xFF},
                                          {0x10, 0x00}, {0x11, 0x00}}));

    // Screen readers name the slider after the DAC shown over it.
    form->optDAC[2]->setChecked(true);
    EXPECT_EQ(AccessibleName(slider), QStringLiteral("DAC C"));
}

TEST_F(DacTest, LabelShowsTheMeasuredVoltageOnlyAtChoosingAndRefresh)
{
    gDacVolts = {0.5f, 0.f, 1.25f, 3.3f};
    frmDAC* form = Open();
    EXPECT_EQ(form->lblDacVal->text(), QStringLiteral(".5V"));
    form->optDAC[1]->setChecked(true);
    EXPECT_EQ(form->lblDacVal->text(), QStringLiteral("0V"));
    form->optDAC[2]->setChecked(true);
    EXPECT_EQ(form->lblDacVal->text(), QStringLiteral("1.25V"));

    // The move writes the code; the label keeps the last measurement until the refresh.
    form->sldDAC->SetPosition(4095);
    form->sldDAC_Change();
    gDacVolts[2] = 2.5f;
    EXPECT_EQ(form->lblDacVal->text(), QStringLiteral("1.25V"));
    fake.board.Clear();
    UpdateDacFormLabels();
    EXPECT_EQ(form->lblDacVal->text(), QStringLiteral("2.5V"));
    EXPECT_TRUE(fake.board.transfers.empty());
}

TEST_F(DacTest, EveryLabelShowsItsWholeTextBesideTheSlider)
{
    frmDAC* form = Open();
    // Outputs of large external references, either sign, up to the widest form a single
    // takes; then values that fit the design's 12 points as they are.
    for (float volts : {1.699585E+38F, 199951.2F, -3.39917E+38F, -1.234567E+38F, 2.249451F, 9.99F, 0.5F}) {
        gDacVolts[DacA] = volts;
        UpdateDacFormLabels();
        EXPECT_EQ(form->lblDacVal->text(), TrimSingle(volts) + QStringLiteral("V"));
        EXPECT_TRUE(ShowsWholeText(form->lblDacVal));
    }
    EXPECT_EQ(form->lblDacVal->ShownFont().pointSizeF(), 12);
    EXPECT_EQ(form->lblDacVal->ShownFont().bold(), true);

    for (int i = 0; i < 4; ++i) {
        form->optDAC[i]->setChecked(true);
        EXPECT_TRUE(ShowsWholeText(form->lblDACIndicator)) << i;
    }
    EXPECT_TRUE(ShowsWholeText(form->Label1));
    for (bool ain3 : {true, false}) {
        gAin3Enabled = ain3;
        UpdateDacFormLabels();
        EXPECT_TRUE(ShowsWholeText(form->lblLDACPinStatus)) << ain3;
    }

    // No label reaches out of its frame, nor into the slider beside it.
    const QList<QLabel*> labels = form->findChildren<QLabel*>();
    EXPECT_EQ(labels.size(), 4);
    for (QLabel* label : labels) {
        const std::string text = label->text().toStdString();
        EXPECT_TRUE(label->parentWidget()->rect().contains(label->geometry())) << text;
        if (label->parentWidget() == static_cast<QWidget*>(form->Frame2) && label != form->lblDACIndicator) {
            EXPECT_LT(label->geometry().right(), form->sldDAC->x()) << text;
        }
    }
}

TEST_F(DacTest, LdacStatusFollowsConfigurationBit3)
{
    frmDAC* form = Open();
    auto colour = [&] { return form->lblLDACPinStatus->palette().color(QPalette::WindowText); };
    EXPECT_EQ(colour(), QColor(0, 128, 0));

    // Another window sets bit 3 of Configuration 1: the pin works as Ain3.
    WriteRegisterValue(gDeviceAddress, 0x18, 0x08);
    EXPECT_EQ(form->lblLDACPinStatus->text(), QStringLiteral("LDAC Pin Enabled"));
    UpdateDacFormLabels();
    EXPECT_EQ(form->lblLDACPinStatus->text(), QStringLiteral("LDAC Pin Disabled"));
    EXPECT_EQ(colour(), QColor(192, 0, 0));

    WriteRegisterValue(gDeviceAddress, 0x18, 0x00);
    UpdateDacFormLabels();
    EXPECT_EQ(form->lblLDACPinStatus->text(), QStringLiteral("LDAC Pin Enabled"));
    EXPECT_EQ(colour(), QColor(0, 128, 0));
}

// The window in the running program: menu entry, master timer and the simulated chip.
TEST(DacOnBoardTest, SliderMoveReachesTheLabelAndTheGraphsThroughTheMeasurementCycle)
{
    ProgramEnvironment env;
    frmMain* main = BringUpOnSimulatedBoard();
    main->mnuDAC_Click();
    frmDAC* form = FormInstance<frmDAC>();
    ASSERT_NE(form, nullptr);
    ASSERT_TRUE(gDacFormOpen);
    form->optDAC[2]->setChecked(true);
    env.clock.step = 0.01;
    for (int i = 0; i < 120; ++i)
        main->tmrMaster_Timer();
    const float voltsBefore = gDacVolts[2];
    const QString before = form->lblDacVal->text();
    frmGraphing* graphs = FormInstance<frmGraphing>(); // opened by the bring-up
    ASSERT_NE(graphs, nullptr);
    const PenHistory& dacC = graphs->stpDAC->History(DacC);
    const int plottedBefore = dacC.Count();
    ASSERT_GT(plottedBefore, 0);
    EXPECT_EQ(static_cast<float>(dacC.ValueAt(plottedBefore - 1)), voltsBefore);
    EXPECT_EQ(before, TrimSingle(voltsBefore) + QStringLiteral("V"));

    const double target = form->sldDAC->Position() < 2048 ? 3000 : 1000;
    form->sldDAC->SetPosition(target - 1);
    Key(form->sldDAC, Qt::Key_Up);
    EXPECT_EQ(ReadRegister(gDeviceAddress, 0x15) * 16 + (ReadRegister(gDeviceAddress, 0x14) >> 4), target);
    EXPECT_EQ(form->lblDacVal->text(), before);

    // Within a second of ticks the label shows the chip's new output.
    for (int i = 0; i < 100; ++i)
        main->tmrMaster_Timer();
    const float expected =
        static_cast<float>(RoundDecimals(DacCodeToVolts(static_cast<int16_t>(target), DacC), 2));
    EXPECT_EQ(gDacVolts[2], expected);
    EXPECT_NE(gDacVolts[2], voltsBefore);
    EXPECT_EQ(form->lblDacVal->text(), TrimSingle(expected) + QStringLiteral("V"));

    // The graphs window's DAC chart follows: the DAC C pen ends on the new output.
    ASSERT_GT(dacC.Count(), plottedBefore);
    EXPECT_EQ(static_cast<float>(dacC.ValueAt(dacC.Count() - 1)), expected);
    EXPECT_EQ(graphs->stpDAC->Text(3), QStringLiteral("DACC=") + TrimSingle(expected) + QStringLiteral("V"));

    // The LDAC status follows Configuration 1 bit 3 set from elsewhere.
    WriteRegisterValue(gDeviceAddress, 0x18, ReadRegister(gDeviceAddress, 0x18) | 0x08);
    for (int i = 0; i < 60; ++i)
        main->tmrMaster_Timer();
    EXPECT_EQ(form->lblLDACPinStatus->text(), QStringLiteral("LDAC Pin Disabled"));
}

} // namespace
