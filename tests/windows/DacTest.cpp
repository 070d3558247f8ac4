#include "TestSupport.h"

#include "board/USBStuff.h"
#include "chip/Formatting.h"
#include "chip/GeneralStuff.h"
#include "platform/NumberText.h"
#include "platform/DacSlider.h"
#include "platform/Forms.h"
#include "windows/GeneralStuff.h"
#include "windows/frmDAC.h"
#include "windows/frmMain.h"

#include <QCoreApplication>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>

namespace {

using Pairs = std::vector<std::pair<int, int>>;

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

    void Key(QWidget* w, int key)
    {
        QKeyEvent e(QEvent::KeyPress, key, Qt::NoModifier);
        QCoreApplication::sendEvent(w, &e);
    }

    void Mouse(QWidget* w, QEvent::Type type, double y, Qt::MouseButton button, Qt::MouseButtons buttons)
    {
        const QPointF at(w->width() / 2.0, y);
        QMouseEvent e(type, at, w->mapToGlobal(at), button, buttons, Qt::NoModifier);
        QCoreApplication::sendEvent(w, &e);
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
    EXPECT_EQ(form->Caption(), QStringLiteral("DAC Control"));
    EXPECT_EQ(form->sldDAC->toolTip(), QStringLiteral("Slide to adjust the DAC output"));
    for (QRadioButton* opt : form->optDAC)
        EXPECT_TRUE(opt->isEnabled());
    EXPECT_TRUE(form->optDAC[0]->isChecked());
    EXPECT_EQ(form->sldDAC->Position(), 0x3C * 16 + 0xA);
    EXPECT_EQ(form->lblDacVal->text(), QStringLiteral("1.25V"));
    EXPECT_EQ(form->lblDACIndicator->text(), QStringLiteral("DAC A"));
    EXPECT_EQ(form->lblLDACPinStatus->text(), QStringLiteral("LDAC Pin Enabled"));
    EXPECT_EQ(form->lblDacVal->palette().color(QPalette::WindowText), QColor(0, 128, 0));
    EXPECT_EQ(form->lblDacVal->font().pointSizeF(), 12.0);
    EXPECT_TRUE(form->lblDacVal->font().bold());
    EXPECT_FALSE(form->optDAC[0]->font().bold());
    EXPECT_EQ(form->Frame2->title(), QStringLiteral("Select DAC to control"));
    EXPECT_EQ(form->Frame3->title(), QStringLiteral("LDAC Pin Status"));
    EXPECT_EQ(form->cmdClose->text(), QStringLiteral("Close"));
}

TEST_F(DacTest, TemperatureControlledDacsAreNotOffered)
{
    gDacAInternalTemp = true;
    frmDAC* form = LoadForm<frmDAC>();
    EXPECT_FALSE(form->optDAC[0]->isEnabled());
    EXPECT_TRUE(form->optDAC[1]->isChecked());
    EXPECT_EQ(form->lblDACIndicator->text(), QStringLiteral("DAC B"));
    EXPECT_EQ(Reads(), (std::vector<int>{0x12, 0x13}));
    form->cmdClose_Click();
    FlushDeletedForms();
    EXPECT_FALSE(gDacFormOpen);
    EXPECT_FALSE(IsFormLoaded<frmDAC>());

    gDacBExternalTemp = true;
    fake.board.Clear();
    form = LoadForm<frmDAC>();
    EXPECT_FALSE(form->optDAC[0]->isEnabled());
    EXPECT_FALSE(form->optDAC[1]->isEnabled());
    EXPECT_TRUE(form->optDAC[2]->isChecked());
    EXPECT_EQ(Reads(), (std::vector<int>{0x14, 0x15}));
    UnloadForm<frmDAC>();
    FlushDeletedForms();

    gDacAInternalTemp = false;
    fake.board.Clear();
    form = LoadForm<frmDAC>();
    EXPECT_TRUE(form->optDAC[0]->isEnabled());
    EXPECT_FALSE(form->optDAC[1]->isEnabled());
    EXPECT_TRUE(form->optDAC[0]->isChecked());
    EXPECT_EQ(Reads(), (std::vector<int>{0x10, 0x11}));

    // Decided at opening only: a change while open waits for the next opening.
    gDacBExternalTemp = false;
    gDacAInternalTemp = true;
    EXPECT_TRUE(form->optDAC[0]->isEnabled());
    EXPECT_FALSE(form->optDAC[1]->isEnabled());
}

TEST_F(DacTest, SliderCodesGoToTheChosenDacLsbFirst)
{
    frmDAC* form = Open();
    form->optDAC[2]->setChecked(true);
    EXPECT_EQ(form->lblDACIndicator->text(), QStringLiteral("DAC C"));
    fake.board.Clear();
    for (double code : {4095.0, 0.0, 2048.0, 1.0}) {
        form->sldDAC->SetPosition(code);
        form->sldDAC_Change();
    }
    EXPECT_EQ(fake.board.Writes(), (Pairs{{0x14, 0xF0}, {0x15, 0xFF}, {0x14, 0x00}, {0x15, 0x00},
                                          {0x14, 0x00}, {0x15, 0x80}, {0x14, 0x10}, {0x15, 0x00}}));
    for (const Transfer& t : fake.board.transfers)
        EXPECT_EQ(t.value, 0x100 + 0x48);

    // A fractional position rounds halves to the even code.
    fake.board.Clear();
    form->sldDAC->SetPosition(2047.5);
    form->sldDAC_Change();
    form->sldDAC->SetPosition(2046.5);
    form->sldDAC_Change();
    EXPECT_EQ(fake.board.Writes(), (Pairs{{0x14, 0x00}, {0x15, 0x80}, {0x14, 0xE0}, {0x15, 0x7F}}));

    // DAC D's pair.
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
    fake.board.Clear();
    Key(form->sldDAC, Qt::Key_Up);
    EXPECT_EQ(fake.board.Writes(), (Pairs{{0x12, 0x60}, {0x13, 0x3C}}));
    Key(form->sldDAC, Qt::Key_Down);
    EXPECT_EQ(fake.board.Writes(), (Pairs{{0x12, 0x60}, {0x13, 0x3C}, {0x12, 0x50}, {0x13, 0x3C}}));
}

TEST_F(DacTest, DraggingTheSliderWritesAsItMoves)
{
    frmDAC* form = Open();
    DacSlider* s = form->sldDAC;
    const int y0 = s->PositionToY(0);
    Mouse(s, QEvent::MouseButtonPress, y0, Qt::LeftButton, Qt::LeftButton);
    EXPECT_TRUE(fake.board.Writes().empty());
    Mouse(s, QEvent::MouseMove, y0 - 20, Qt::NoButton, Qt::LeftButton);
    Mouse(s, QEvent::MouseMove, y0 - 40, Qt::NoButton, Qt::LeftButton);
    Mouse(s, QEvent::MouseButtonRelease, y0 - 40, Qt::LeftButton, Qt::NoButton);
    const int c1 = static_cast<int>(s->YToPosition(y0 - 20));
    const int c2 = static_cast<int>(s->YToPosition(y0 - 40));
    EXPECT_EQ(fake.board.Writes(), (Pairs{{0x10, (c1 & 0xF) * 16}, {0x11, c1 >> 4},
                                          {0x10, (c2 & 0xF) * 16}, {0x11, c2 >> 4}}));
    Mouse(s, QEvent::MouseButtonPress, s->PositionToY(4095) - 30, Qt::LeftButton, Qt::LeftButton);
    Mouse(s, QEvent::MouseButtonRelease, s->PositionToY(4095) - 30, Qt::LeftButton, Qt::NoButton);
    ASSERT_EQ(fake.board.Writes().size(), 6u);
    EXPECT_EQ(fake.board.Writes()[4], std::make_pair(0x10, 0xF0));
    EXPECT_EQ(fake.board.Writes()[5], std::make_pair(0x11, 0xFF));
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

    // The move writes the code; the label keeps the last measurement.
    form->sldDAC->SetPosition(4095);
    form->sldDAC_Change();
    EXPECT_EQ(form->lblDacVal->text(), QStringLiteral("1.25V"));
    // The measurement cycle reads the DAC back; the label follows at the next refresh.
    gDacVolts[2] = 2.5f;
    EXPECT_EQ(form->lblDacVal->text(), QStringLiteral("1.25V"));
    UpdateDacFormLabels();
    EXPECT_EQ(form->lblDacVal->text(), QStringLiteral("2.5V"));
    // The refresh shows the selected DAC's voltage and reads nothing.
    form->optDAC[3]->setChecked(true);
    fake.board.Clear();
    gDacVolts[3] = 1.5f;
    UpdateDacFormLabels();
    EXPECT_EQ(form->lblDacVal->text(), QStringLiteral("1.5V"));
    EXPECT_TRUE(fake.board.transfers.empty());
}

TEST_F(DacTest, LdacStatusFollowsConfigurationBit3)
{
    frmDAC* form = Open();
    auto colour = [&] { return form->lblLDACPinStatus->palette().color(QPalette::WindowText); };
    EXPECT_EQ(colour(), QColor(0, 128, 0));

    // Another window sets bit 3 of Configuration 1: the pin works as Ain3.
    fake.board.registers[0x18] = 0x00;
    WriteRegisterValue(gDeviceAddress, 0x18, 0x08);
    ASSERT_TRUE(gAin3Enabled);
    EXPECT_EQ(form->lblLDACPinStatus->text(), QStringLiteral("LDAC Pin Enabled"));
    UpdateDacFormLabels();
    EXPECT_EQ(form->lblLDACPinStatus->text(), QStringLiteral("LDAC Pin Disabled"));
    EXPECT_EQ(colour(), QColor(192, 0, 0));

    WriteRegisterValue(gDeviceAddress, 0x18, 0x00);
    UpdateDacFormLabels();
    EXPECT_EQ(form->lblLDACPinStatus->text(), QStringLiteral("LDAC Pin Enabled"));
    EXPECT_EQ(colour(), QColor(0, 128, 0));
}

TEST_F(DacTest, ClosingClearsTheOpenFlagAndReopeningReadsAgain)
{
    fake.board.registers[0x10] = 0x40;
    fake.board.registers[0x11] = 0x12;
    frmDAC* form = Open();
    form->sldDAC->SetPosition(4095);
    form->sldDAC_Change();
    form->close(); // the close box
    FlushDeletedForms();
    EXPECT_FALSE(gDacFormOpen);
    EXPECT_FALSE(IsFormLoaded<frmDAC>());
    UpdateDacFormLabels(); // nothing open: nothing happens

    fake.board.Clear();
    form = LoadForm<frmDAC>();
    EXPECT_EQ(Reads(), (std::vector<int>{0x10, 0x11}));
    EXPECT_EQ(form->sldDAC->Position(), 4095.0);
    EXPECT_TRUE(gDacFormOpen);
}

} // namespace

namespace {

// The window in the running program: menu entry, master timer and the simulated chip.
class DacOnBoardTest : public ::testing::Test {
protected:
    ProgramEnvironment env;
};

TEST_F(DacOnBoardTest, SliderMoveReachesTheLabelThroughTheMeasurementCycle)
{
    frmMain* main = BringUpOnSimulatedBoard();
    ASSERT_NE(main, nullptr);
    main->mnuDAC_Click();
    frmDAC* form = FormInstance<frmDAC>();
    ASSERT_NE(form, nullptr);
    ASSERT_TRUE(gDacFormOpen);
    form->optDAC[2]->setChecked(true);
    env.clock.step = 0.01;
    for (int i = 0; i < 120; ++i)
        main->tmrMaster_Timer();
    const QString before = form->lblDacVal->text();
    const float voltsBefore = gDacVolts[2];
    EXPECT_EQ(before, TrimSingle(voltsBefore) + QStringLiteral("V"));

    const double target = form->sldDAC->Position() < 2048 ? 3000 : 1000;
    form->sldDAC->SetPosition(target - 1);
    QKeyEvent up(QEvent::KeyPress, Qt::Key_Up, Qt::NoModifier);
    QCoreApplication::sendEvent(form->sldDAC, &up);
    EXPECT_EQ(ReadRegister(gDeviceAddress, 0x15) * 16 + (ReadRegister(gDeviceAddress, 0x14) >> 4), target);
    EXPECT_EQ(form->lblDacVal->text(), before);

    // Within a second of ticks the label shows the chip's new output.
    for (int i = 0; i < 100; ++i)
        main->tmrMaster_Timer();
    const float expected = static_cast<float>(
        RoundDecimals(DacCodeToVolts(static_cast<int16_t>(target), DacC), 2));
    EXPECT_EQ(gDacVolts[2], expected);
    EXPECT_NE(gDacVolts[2], voltsBefore);
    EXPECT_EQ(form->lblDacVal->text(), TrimSingle(expected) + QStringLiteral("V"));

    // The LDAC status follows Configuration 1 bit 3 set from elsewhere.
    WriteRegisterValue(gDeviceAddress, 0x18, ReadRegister(gDeviceAddress, 0x18) | 0x08);
    for (int i = 0; i < 60; ++i)
        main->tmrMaster_Timer();
    EXPECT_EQ(form->lblLDACPinStatus->text(), QStringLiteral("LDAC Pin Disabled"));
    WriteRegisterValue(gDeviceAddress, 0x18, ReadRegister(gDeviceAddress, 0x18) & ~0x08);
    for (int i = 0; i < 60; ++i)
        main->tmrMaster_Timer();
    EXPECT_EQ(form->lblLDACPinStatus->text(), QStringLiteral("LDAC Pin Enabled"));
}

} // namespace
