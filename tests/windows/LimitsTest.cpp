#include "SimControl.h"
#include "TestSupport.h"

#include "board/USBStuff.h"
#include "chip/GeneralStuff.h"
#include "platform/Forms.h"
#include "platform/Lamp.h"
#include "platform/LimitGauge.h"
#include "windows/GeneralStuff.h"
#include "windows/frmLimits.h"
#include "windows/frmMain.h"

#include <QAccessible>
#include <QCheckBox>
#include <QCoreApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QTabWidget>
#include <gtest/gtest.h>

namespace {

using Writes = std::vector<std::pair<int, int>>;

float PointerOf(LimitGauge* g, int index)
{
    g->SetPointerIndex(index);
    return g->PointerValue();
}

void PlacePointers(LimitGauge* g, float low, float high)
{
    g->SetPointerIndex(2);
    g->SetPointerValue(low);
    g->SetPointerIndex(3);
    g->SetPointerValue(high);
}

// Drags pointer 2 or 3 of a gauge by dy pixels with real mouse events.
void DragPointer(LimitGauge* g, int index, int dy)
{
    const QPoint from = g->PointerHandleRect(index).center();
    auto send = [g](QEvent::Type type, QPoint pos, Qt::MouseButton button, Qt::MouseButtons buttons) {
        QMouseEvent e(type, QPointF(pos), g->mapToGlobal(QPointF(pos)), button, buttons, Qt::NoModifier);
        QCoreApplication::sendEvent(g, &e);
    };
    send(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    send(QEvent::MouseMove, from + QPoint(0, dy), Qt::NoButton, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, from + QPoint(0, dy), Qt::LeftButton, Qt::NoButton);
}

class LimitsWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        gDeviceAddress = 0x48;
        gAinRefVoltage = 2.28f;
        gAin12Mode = Ain12Inputs;
        gAin3Enabled = true;
        gIntOutputEnabled = true;
    }

    frmLimits* Open()
    {
        frmLimits* f = LoadForm<frmLimits>();
        board().Clear();
        return f;
    }

    FakeBoard& board() { return scope.board; }

    // Registers read in order, limit registers only.
    std::vector<int> LimitReads() const
    {
        std::vector<int> out;
        for (const Transfer& t : scope.board.transfers)
            if (t.request == 0xDE && t.direction == 1 && (t.index & 0xFF) >= 0x23 && (t.index & 0xFF) <= 0x30)
                out.push_back(t.index & 0xFF);
        return out;
    }

    ProgramEnvironment env;
    FakeBoardScope scope;
};

TEST_F(LimitsWindow, LoadTicksTheBoxesOfTheDecodedMasksAndWritesTheirBitsBack)
{
    gIntMask1 = 0x05;
    gIntMask2 = 0x10;
    gIntOutputEnabled = false;
    board().registers[0x1D] = 0x05;
    board().registers[0x1E] = 0x10;
    board().registers[0x18] = 0x20;

    frmLimits* f = LoadForm<frmLimits>();
    ASSERT_NE(f, nullptr);
    for (int k = 0; k < 9; ++k)
        EXPECT_EQ(f->chkMask[k]->isChecked(), k == 0 || k == 2 || k == 4) << "box " << k;
    EXPECT_TRUE(f->chkIntMask->isChecked());
    EXPECT_TRUE(gLimitsFormOpen);
    EXPECT_EQ(board().Writes(), (Writes{{0x1D, 0x05}, {0x1D, 0x05}, {0x1E, 0x10}, {0x18, 0x20}}));
    // The decoder's call during the 18h write found the window still closed: one set of reads.
    EXPECT_EQ(LimitReads(), (std::vector<int>{0x26, 0x25, 0x28, 0x27, 0x24, 0x23, 0x28, 0x27, 0x2C,
                                              0x2B, 0x2E, 0x2D, 0x30, 0x2F}));
    EXPECT_EQ(f->Caption(), QStringLiteral("Interrupt Settings"));
    EXPECT_EQ(f->SSTab1->currentIndex(), 0);
    EXPECT_EQ(f->SSTab1->tabText(1), QStringLiteral("Ain Limits"));
}

TEST_F(LimitsWindow, MaskBoxesChangeOnlyTheirOwnBit)
{
    gIntMask1 = 0x05;
    board().registers[0x1D] = 0x05;
    frmLimits* f = Open();

    f->chkMask[7]->setChecked(true);
    f->chkMask[0]->setChecked(false);
    f->chkMask[4]->setChecked(true);
    EXPECT_EQ(board().Writes(), (Writes{{0x1D, 0x45}, {0x1D, 0x44}, {0x1E, 0x10}}));
    EXPECT_EQ(gIntMask1, 0x44);
    EXPECT_EQ(gIntMask2, 0x10);

    // Boxes 5 to 8 stand for bits 4 to 7.
    board().registers[0x1D] = 0;
    board().Clear();
    for (int k = 5; k <= 8; ++k)
        f->chkMask[k]->setChecked(k != 7);
    EXPECT_EQ(board().Writes(), (Writes{{0x1D, 0x10}, {0x1D, 0x30}, {0x1D, 0x30}, {0x1D, 0xB0}}));

    // Another window's write leaves the boxes as they are.
    WriteRegisterValue(gDeviceAddress, 0x1D, 0xFF);
    EXPECT_FALSE(f->chkMask[1]->isChecked());
}

TEST_F(LimitsWindow, PinStatusDisablesTheOutputAndReplacesThePointers)
{
    board().registers[0x18] = 0x01;
    board().registers[0x26] = 0xF6;
    frmLimits* f = Open();
    gIntStatus1 = 0x01;
    UpdateLimitsForm();
    EXPECT_TRUE(f->tglAlert[6]->LampState());

    PlacePointers(f->ggeInternal, 50, 60);
    f->chkIntMask->setChecked(true);
    EXPECT_EQ(board().Writes(), (Writes{{0x18, 0x21}}));
    EXPECT_FALSE(gIntOutputEnabled);
    EXPECT_EQ(LimitReads().size(), 14u);
    EXPECT_FLOAT_EQ(PointerOf(f->ggeInternal, 2), -10);

    gIntStatus1 = 0xFF;
    gIntStatus2 = 0x10;
    UpdateLimitsForm();
    EXPECT_FALSE(f->tglAlert[6]->LampState());

    board().Clear();
    f->chkIntMask->setChecked(false);
    EXPECT_EQ(board().Writes(), (Writes{{0x18, 0x01}}));
    EXPECT_TRUE(gIntOutputEnabled);
}

TEST_F(LimitsWindow, EachStatusBitLightsItsOwnLampMaskedOrNot)
{
    frmLimits* f = Open();
    const int lampOfBit[8] = {0, 1, 2, 3, 5, 7, 8, 9};
    for (int bit = 0; bit < 8; ++bit) {
        gIntStatus1 = static_cast<int16_t>(1 << bit);
        gIntMask1 = 0xFF;
        UpdateLimitsForm();
        for (int k = 0; k < 10; ++k)
            EXPECT_EQ(f->tglAlert[k]->LampState(), k == lampOfBit[bit]) << "bit " << bit << " lamp " << k;
    }
    gIntStatus1 = 0;
    gIntStatus2 = 0x10;
    gIntMask2 = 0;
    UpdateLimitsForm();
    for (int k = 0; k < 10; ++k)
        EXPECT_EQ(f->tglAlert[k]->LampState(), k == 4 || k == 6) << "lamp " << k;

    // 81h lights Internal High and Ain4 even while both are masked.
    gIntStatus1 = 0x81;
    gIntStatus2 = 0;
    gIntMask1 = 0x81;
    UpdateLimitsForm();
    for (int k = 0; k < 10; ++k)
        EXPECT_EQ(f->tglAlert[k]->LampState(), k == 0 || k == 9) << "lamp " << k;
}

TEST_F(LimitsWindow, RefreshSetsBarsCaptionsAndTheAin1RowLabel)
{
    frmLimits* f = Open();
    gInternalTemp = 25.25f;
    gExternalTemp = -3.5f;
    gVddVolts = 3.3f;
    gAinVolts = {0.5f, 0, 1.25f, 2};
    UpdateLimitsForm();
    EXPECT_EQ(f->ggeInternal->Caption(), QStringLiteral(" 25.25\u00B0C"));
    EXPECT_EQ(f->ggeExternal->Caption(), QStringLiteral("-3.5\u00B0C"));
    EXPECT_EQ(f->ggeVdd->Caption(), QStringLiteral(" 3.3V"));
    EXPECT_EQ(f->ggeAin[0]->Caption(), QStringLiteral(" .5V"));
    EXPECT_EQ(f->ggeAin[1]->Caption(), QStringLiteral(" 0V"));
    f->ggeInternal->SetBandIndex(1);
    EXPECT_DOUBLE_EQ(f->ggeInternal->BandEnd(), 25.25);
    f->ggeAin[2]->SetBandIndex(1);
    EXPECT_DOUBLE_EQ(f->ggeAin[2]->BandEnd(), 1.25);
    EXPECT_EQ(f->Label6->text(), QStringLiteral("Ain1"));

    gFahrenheit = true;
    gAin12Mode = Ain12ExtDiode;
    gInternalTemp = 77.45f;
    UpdateLimitsForm();
    EXPECT_EQ(f->ggeInternal->Caption(), QStringLiteral(" 77.45\u00B0F"));
    EXPECT_EQ(f->Label6->text(), QStringLiteral("External High"));
    gAin12Mode = Ain12Invalid;
    UpdateLimitsForm();
    EXPECT_EQ(f->Label6->text(), QStringLiteral("Ain1"));
}

// Screen readers know each lamp by its row's caption and each mask box by what it masks,
// each gauge by its name, and read the lamps' states and the gauges' limits and readings.
TEST_F(LimitsWindow, EveryControlIsNamedByItsRowOrCaptionAndTellsItsStateOrValues)
{
    board().registers[0x26] = 0xF6; // -10
    board().registers[0x25] = 0x19; // 25
    frmLimits* f = Open();
    auto name = [](QWidget* w) {
        return QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name).toStdString();
    };
    auto state = [](QWidget* w) {
        return QAccessible::queryAccessibleInterface(w)->text(QAccessible::Description).toStdString();
    };
    const char* rows[9] = {"Internal High", "Internal Low", "Ain1", "External Low", "VDD High/Low",
                           "External Fault", "Ain2", "Ain3", "Ain4"};
    const int lampOfBox[9] = {0, 1, 2, 3, 4, 5, 7, 8, 9};
    gIntStatus1 = 0x01;
    UpdateLimitsForm();
    for (int k = 0; k < 9; ++k) {
        EXPECT_EQ(name(f->chkMask[k]), std::string("Mask ") + rows[k]) << "box " << k;
        EXPECT_EQ(name(f->tglAlert[lampOfBox[k]]), rows[k]) << "box " << k;
        EXPECT_EQ(state(f->tglAlert[lampOfBox[k]]), k == 0 ? "alert" : "no alert");
    }
    EXPECT_EQ(name(f->chkIntMask), "Mask Pin Status");
    EXPECT_EQ(name(f->tglAlert[6]), "Pin Status");
    EXPECT_EQ(name(f->ggeInternal), "Internal");
    EXPECT_EQ(name(f->ggeExternal), "External");
    EXPECT_EQ(name(f->ggeVdd), "Vdd");
    EXPECT_EQ(name(f->ggeAin[3]), "Ain4");
    auto value = [](LimitGauge* g, int part) {
        return QAccessible::queryAccessibleInterface(g)->child(part)->valueInterface()->currentValue().toDouble();
    };
    EXPECT_EQ(value(f->ggeInternal, 0), -10.0);
    EXPECT_EQ(value(f->ggeInternal, 1), 25.0);
    gInternalTemp = 25.25f;
    UpdateLimitsForm();
    EXPECT_EQ(value(f->ggeInternal, 2), 25.25);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(f->ggeInternal)->child(2)->text(QAccessible::Description),
              QStringLiteral("25.25\u00B0C"));

    // The Ain1 row turns into External High with the pins, and so do its lamp and box.
    gAin12Mode = Ain12ExtDiode;
    gIntStatus1 = 0x04;
    UpdateLimitsForm();
    EXPECT_EQ(name(f->chkMask[2]), "Mask External High");
    EXPECT_EQ(name(f->tglAlert[2]), "External High");
    EXPECT_EQ(state(f->tglAlert[2]), "alert");
    EXPECT_EQ(state(f->tglAlert[0]), "no alert");
}

TEST_F(LimitsWindow, TemperaturePointersAreWrittenAsWholeCelsius)
{
    frmLimits* f = Open();
    PlacePointers(f->ggeInternal, -10, 25);
    f->ggeInternal_PointerMoved();
    EXPECT_EQ(board().Writes(), (Writes{{0x26, 0xF6}, {0x25, 0x19}}));

    board().Clear();
    PlacePointers(f->ggeExternal, 0.5f, 1.5f); // halves go to the even neighbour
    f->ggeExternal_PointerMoved();
    EXPECT_EQ(board().Writes(), (Writes{{0x28, 0x00}, {0x27, 0x02}}));

    gFahrenheit = true;
    board().Clear();
    PlacePointers(f->ggeInternal, 14, 77);
    f->ggeInternal_PointerMoved();
    EXPECT_EQ(board().Writes(), (Writes{{0x26, 0xF6}, {0x25, 0x19}}));

    board().Clear();
    PlacePointers(f->ggeInternal, -198.4f, 100);
    f->ggeInternal_PointerMoved();
    EXPECT_EQ(board().Writes(), (Writes{{0x26, 0x80}, {0x25, 0x26}}));

    // The ends of the Fahrenheit scale, and a pointer left beyond it, stay in range.
    board().Clear();
    PlacePointers(f->ggeInternal, -198, 260.6f);
    f->ggeInternal_PointerMoved();
    EXPECT_EQ(board().Writes(), (Writes{{0x26, 0x80}, {0x25, 0x7F}}));
}

TEST_F(LimitsWindow, VoltPointersAreWrittenAsLimitCodes)
{
    board().registers[0x28] = 0x05;
    board().registers[0x27] = 0x80;
    frmLimits* f = Open();
    EXPECT_FLOAT_EQ(PointerOf(f->ggeAin[0], 2), 0.04f);
    f->ggeAin_PointerMoved(0);
    EXPECT_EQ(board().Writes(), (Writes{{0x28, 0x04}, {0x27, 0x80}}));

    board().Clear();
    PlacePointers(f->ggeAin[3], 0, 2.28f);
    f->ggeAin_PointerMoved(3);
    EXPECT_EQ(board().Writes(), (Writes{{0x30, 0x00}, {0x2F, 0xFF}}));

    board().Clear();
    PlacePointers(f->ggeVdd, 2.679f, 7);
    f->ggeVdd_PointerMoved();
    EXPECT_EQ(board().Writes(), (Writes{{0x24, 0x62}, {0x23, 0xFF}}));
}

TEST_F(LimitsWindow, PointersArePlacedFromTheLimitBytes)
{
    auto& r = board().registers;
    r[0x26] = 0x80;
    r[0x25] = 0xFF;
    r[0x28] = 0x19;
    r[0x27] = 0x7F;
    r[0x24] = 0x62;
    r[0x23] = 0xC7;
    r[0x2C] = 0x05;
    r[0x2B] = 0xFF;
    r[0x2E] = 0x80;
    r[0x2D] = 0x00;
    r[0x30] = 0x00;
    r[0x2F] = 0xFF;
    frmLimits* f = Open();
    EXPECT_FLOAT_EQ(PointerOf(f->ggeInternal, 2), -128);
    EXPECT_FLOAT_EQ(PointerOf(f->ggeInternal, 3), -1);
    EXPECT_FLOAT_EQ(PointerOf(f->ggeExternal, 2), 25);
    EXPECT_FLOAT_EQ(PointerOf(f->ggeExternal, 3), 127);
    EXPECT_FLOAT_EQ(PointerOf(f->ggeVdd, 2), 2.679f);
    EXPECT_FLOAT_EQ(PointerOf(f->ggeVdd, 3), 5.439f);
    EXPECT_FLOAT_EQ(PointerOf(f->ggeAin[1], 2), 0.04f);
    EXPECT_FLOAT_EQ(PointerOf(f->ggeAin[1], 3), 2.27f);
    EXPECT_FLOAT_EQ(PointerOf(f->ggeAin[2], 2), 1.14f);
    EXPECT_DOUBLE_EQ(f->ggeAin[0]->ScaleMax(), 2.28);

    gFahrenheit = true;
    gAinRefVoltage = 3.3f;
    r[0x23] = 0xFF;
    ConfigureLimitsForm();
    EXPECT_FLOAT_EQ(PointerOf(f->ggeInternal, 2), -198.4f);
    EXPECT_FLOAT_EQ(PointerOf(f->ggeInternal, 3), 30.2f);
    EXPECT_FLOAT_EQ(PointerOf(f->ggeExternal, 2), 77);
    EXPECT_FLOAT_EQ(PointerOf(f->ggeExternal, 3), 260.6f);
    EXPECT_FLOAT_EQ(PointerOf(f->ggeVdd, 3), 6.97f);
    EXPECT_FLOAT_EQ(PointerOf(f->ggeAin[1], 3), 3.29f);
    EXPECT_FLOAT_EQ(PointerOf(f->ggeAin[2], 2), 1.65f);
    for (LimitGauge* g : {f->ggeInternal, f->ggeExternal}) {
        EXPECT_DOUBLE_EQ(g->ScaleMin(), -198);
        EXPECT_DOUBLE_EQ(g->ScaleMax(), 260);
        g->SetBandIndex(1);
        EXPECT_DOUBLE_EQ(g->BandEnd(), 70);
    }
    EXPECT_DOUBLE_EQ(f->ggeAin[3]->ScaleMax(), 3.3);
    EXPECT_DOUBLE_EQ(f->ggeVdd->ScaleMax(), 7);
    EXPECT_EQ(LimitReads().size(), 14u);
}

TEST_F(LimitsWindow, PinFunctionsDecideWhichGaugesShow)
{
    gAin3Enabled = false;
    frmLimits* f = Open();
    EXPECT_FALSE(f->ggeExternal->Visible());
    EXPECT_TRUE(f->Label1[1]->isHidden());
    EXPECT_FALSE(f->lblExtDisabled->isHidden());
    EXPECT_TRUE(f->ggeAin[0]->Visible());
    EXPECT_TRUE(f->ggeAin[1]->Visible());
    EXPECT_TRUE(f->lblAin1Disabled->isHidden());
    EXPECT_FALSE(f->ggeAin[2]->Visible());
    EXPECT_FALSE(f->lblAin3Disabled->isHidden());
    EXPECT_TRUE(f->ggeAin[3]->Visible());

    for (int16_t mode : {Ain12ExtDiode, Ain12Invalid}) {
        gAin12Mode = mode;
        gAin3Enabled = true;
        ConfigureLimitsForm();
        EXPECT_TRUE(f->ggeExternal->Visible());
        EXPECT_FALSE(f->Label1[1]->isHidden());
        EXPECT_TRUE(f->lblExtDisabled->isHidden());
        EXPECT_FALSE(f->ggeAin[0]->Visible());
        EXPECT_TRUE(f->lblAin[1]->isHidden());
        EXPECT_FALSE(f->lblAin1Disabled->isHidden());
        EXPECT_FALSE(f->lblAin2Disabled->isHidden());
        EXPECT_TRUE(f->ggeAin[2]->Visible());
        EXPECT_TRUE(f->lblAin3Disabled->isHidden());
    }
}

TEST_F(LimitsWindow, Ain1AndTheExternalGaugeShareTheirRegisters)
{
    frmLimits* f = Open();
    PlacePointers(f->ggeAin[0], 0.5f, 1.5f);
    f->ggeAin_PointerMoved(0);
    EXPECT_EQ(board().Writes(), (Writes{{0x28, 0x38}, {0x27, 0xA8}}));

    // Switching the pins to the external diode shows the same bytes as degrees.
    board().registers[0x18] = 0x04;
    WriteRegisterValue(gDeviceAddress, 0x18, 0x04);
    EXPECT_EQ(gAin12Mode, Ain12ExtDiode);
    EXPECT_TRUE(f->ggeExternal->Visible());
    EXPECT_FLOAT_EQ(PointerOf(f->ggeExternal, 2), 56);
    EXPECT_FLOAT_EQ(PointerOf(f->ggeExternal, 3), -88);
}

TEST_F(LimitsWindow, DraggingAPointerWithTheMouseWritesBothLimits)
{
    board().registers[0x26] = 0xF6;
    board().registers[0x25] = 0x19;
    frmLimits* f = Open();
    DragPointer(f->ggeInternal, 3, -20);
    const Writes w = board().Writes();
    ASSERT_EQ(w.size(), 2u);
    EXPECT_EQ(w[0], std::make_pair(0x26, 0xF6));
    EXPECT_EQ(w[1].first, 0x25);
    EXPECT_GT(w[1].second, 0x19);
    EXPECT_EQ(w[1].second, static_cast<int>(std::nearbyint(PointerOf(f->ggeInternal, 3))));
}

TEST_F(LimitsWindow, ClosedWindowTouchesNothing)
{
    board().registers[0x18] = 0x00;
    WriteRegisterValue(gDeviceAddress, 0x18, 0x00);
    WriteRegisterValue(gDeviceAddress, 0x1A, 0x10);
    ConfigureLimitsForm();
    UpdateLimitsForm();
    EXPECT_TRUE(LimitReads().empty());

    frmLimits* f = Open();
    ASSERT_NE(f, nullptr);
    UnloadForm<frmLimits>();
    FlushDeletedForms();
    EXPECT_FALSE(gLimitsFormOpen);
    EXPECT_FALSE(IsFormLoaded<frmLimits>());
    board().Clear();
    WriteRegisterValue(gDeviceAddress, 0x1A, 0x00);
    ConfigureLimitsForm();
    UpdateLimitsForm();
    EXPECT_TRUE(LimitReads().empty());
}

// The running program: a high limit dragged below the reading lights its lamp within a
// second, and the Pin Status lamp follows the masks and the interrupt output.
TEST(LimitsOnSimulatedBoard, DraggedLimitLightsItsLampAndPinStatusFollowsTheOutput)
{
    ProgramEnvironment env;
    frmMain* main = BringUpOnSimulatedBoard();
    SimSetTemperature(25);
    ShowLimitsForm();
    frmLimits* f = FormInstance<frmLimits>();
    ASSERT_NE(f, nullptr);
    auto run = [&](double seconds) {
        for (double t = 0; t < seconds; t += 0.01) {
            env.clock.now += 0.01;
            main->tmrMaster_Timer();
        }
    };
    run(1.0);
    EXPECT_FALSE(f->tglAlert[0]->LampState());

    LimitGauge* g = f->ggeInternal;
    DragPointer(g, 3, g->ValueToY(10) - g->ValueToY(PointerOf(g, 3)));
    const int high = static_cast<int8_t>(SimPeekRegister(0x25));
    EXPECT_GT(high, 0);
    EXPECT_LT(high, 20);
    EXPECT_EQ(SimPeekRegister(0x26), 0xC9); // the low limit written back as it stood

    run(1.0);
    EXPECT_TRUE(f->tglAlert[0]->LampState());
    EXPECT_EQ(f->tglAlert[6]->LampState(), IsAlertActive());

    f->chkMask[0]->setChecked(true);
    run(1.0);
    EXPECT_TRUE(f->tglAlert[0]->LampState());
    EXPECT_EQ(f->tglAlert[6]->LampState(), IsAlertActive());

    f->chkMask[0]->setChecked(false);
    f->chkIntMask->setChecked(true);
    run(1.0);
    EXPECT_TRUE(f->tglAlert[0]->LampState());
    EXPECT_FALSE(f->tglAlert[6]->LampState());
}

} // namespace
