#include "platform/Lamp.h"
#include "platform/LimitGauge.h"
#include "platform/NumberText.h"

#include "TestSupport.h"

#include <QAccessible>
#include <QApplication>
#include <QCoreApplication>
#include <QImage>
#include <QMouseEvent>
#include <gtest/gtest.h>

namespace {

// Presses on a point, moves by dy pixels in steps and releases.
void Drag(QWidget* w, QPoint from, int dy)
{
    SendMouse(w, QEvent::MouseButtonPress, from);
    const int steps = 4;
    for (int i = 1; i <= steps; ++i)
        SendMouse(w, QEvent::MouseMove, from + QPoint(0, dy * i / steps));
    SendMouse(w, QEvent::MouseButtonRelease, from + QPoint(0, dy));
}

class GaugeControl : public ::testing::Test {
protected:
    void SetUp() override
    {
        gauge.resize(72, 217);
        gauge.SetScaleMax(127);
        gauge.SetScaleMin(-128);
        Place(-10, 25);
        QObject::connect(&gauge, &LimitGauge::PointerMoved, [this] { ++moved; });
    }
    void Place(float low, float high)
    {
        gauge.SetPointerIndex(LimitGauge::kLowPointer);
        gauge.SetPointerValue(low);
        gauge.SetPointerIndex(LimitGauge::kHighPointer);
        gauge.SetPointerValue(high);
    }
    float Pointer(int index)
    {
        gauge.SetPointerIndex(index);
        return gauge.PointerValue();
    }
    LimitGauge gauge;
    int moved = 0;
};

TEST_F(GaugeControl, PlacementFromCodeRaisesNothing)
{
    Place(-128, 127);
    Place(500, -500);
    gauge.SetScaleMin(-198);
    gauge.SetScaleMax(260);
    gauge.SetBandIndex(1);
    gauge.SetBandEnd(70);
    gauge.SetCaption(QStringLiteral(" 25°C"));
    EXPECT_EQ(moved, 0);
    EXPECT_FLOAT_EQ(Pointer(2), 500);
    EXPECT_FLOAT_EQ(Pointer(3), -500);
}

TEST_F(GaugeControl, DraggingAPointerMovesOnlyItAndRaisesTheEvent)
{
    Drag(&gauge, gauge.PointerHandleRect(3).center(), -20);
    EXPECT_GE(moved, 1);
    EXPECT_GT(Pointer(3), 40.0f);
    EXPECT_LT(Pointer(3), 75.0f);
    EXPECT_FLOAT_EQ(Pointer(2), -10);

    Drag(&gauge, gauge.PointerHandleRect(2).center(), 15);
    EXPECT_LT(Pointer(2), -20.0f);
    EXPECT_GT(Pointer(3), 40.0f);
    EXPECT_EQ(gauge.toolTip(), QStringLiteral("Drag the sliders to change the limits"));
}

TEST_F(GaugeControl, PointersAtTheSameValueCanEachBeGrabbed)
{
    Place(10, 10);
    Drag(&gauge, gauge.PointerHandleRect(3).center(), -10);
    EXPECT_GT(Pointer(3), 10.0f);
    EXPECT_FLOAT_EQ(Pointer(2), 10);
    Place(10, 10);
    Drag(&gauge, gauge.PointerHandleRect(2).center(), 10);
    EXPECT_LT(Pointer(2), 10.0f);
    EXPECT_FLOAT_EQ(Pointer(3), 10);
}

TEST_F(GaugeControl, ClickWithoutMoveOrAwayFromAHandleChangesNothing)
{
    const QPoint onHandle = gauge.PointerHandleRect(3).center();
    SendMouse(&gauge, QEvent::MouseButtonPress, onHandle);
    SendMouse(&gauge, QEvent::MouseButtonRelease, onHandle);
    Drag(&gauge, QPoint(3, gauge.height() - 3), -50);
    EXPECT_EQ(moved, 0);
    EXPECT_FLOAT_EQ(Pointer(2), -10);
    EXPECT_FLOAT_EQ(Pointer(3), 25);
}

TEST_F(GaugeControl, ValuesBeyondTheScaleAreDrawnAtItsEndAndKept)
{
    gauge.SetScaleMax(260);
    gauge.SetScaleMin(-198);
    Place(-198.4f, 260.6f);
    EXPECT_EQ(gauge.ValueToY(260.6), gauge.ValueToY(260));
    EXPECT_EQ(gauge.ValueToY(-198.4), gauge.ValueToY(-198));
    EXPECT_TRUE(gauge.rect().contains(gauge.PointerHandleRect(3)));
    EXPECT_TRUE(gauge.rect().contains(gauge.PointerHandleRect(2)));

    // Dragging one pointer leaves the other's value as it was.
    Drag(&gauge, gauge.PointerHandleRect(2).center(), -30);
    EXPECT_GE(moved, 1);
    EXPECT_FLOAT_EQ(Pointer(3), 260.6f);
    EXPECT_GT(Pointer(2), -198.0f);
}

TEST_F(GaugeControl, DragsStopAtTheScaleEnds)
{
    Drag(&gauge, gauge.PointerHandleRect(3).center(), -1000);
    EXPECT_FLOAT_EQ(Pointer(3), 127);
    Drag(&gauge, gauge.PointerHandleRect(2).center(), 1000);
    EXPECT_FLOAT_EQ(Pointer(2), -128);
}

// A screen reader meets the gauge as a group of its low limit, its high limit and its
// reading, each with its value; reading them leaves the gauge's current pointer alone, and
// they cannot be moved that way.
TEST_F(GaugeControl, AssistiveTechnologyReadsTheLimitsAndTheReading)
{
    gauge.setAccessibleName(QStringLiteral("Internal"));
    gauge.SetBandIndex(1);
    gauge.SetBandEnd(25.25);
    gauge.SetCaption(QStringLiteral(" 25.25\u00B0C"));
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(&gauge);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->text(QAccessible::Name), QStringLiteral("Internal"));
    ASSERT_EQ(a->childCount(), 3);
    const char* names[3] = {"Low limit", "High limit", "Reading"};
    const double values[3] = {-10, 25, 25.25};
    for (int i = 0; i < 3; ++i) {
        QAccessibleInterface* part = a->child(i);
        ASSERT_NE(part, nullptr);
        EXPECT_EQ(a->indexOfChild(part), i);
        EXPECT_EQ(part->parent(), a);
        EXPECT_EQ(part->text(QAccessible::Name).toStdString(), names[i]);
        EXPECT_EQ(part->role(), i == 2 ? QAccessible::ProgressBar : QAccessible::Slider);
        ASSERT_NE(part->valueInterface(), nullptr);
        EXPECT_DOUBLE_EQ(part->valueInterface()->currentValue().toDouble(), values[i]) << names[i];
        EXPECT_EQ(part->valueInterface()->minimumValue().toDouble(), -128.0);
        EXPECT_EQ(part->valueInterface()->maximumValue().toDouble(), 127.0);
    }
    EXPECT_EQ(a->child(2)->text(QAccessible::Value), QStringLiteral("25.25\u00B0C"));
    EXPECT_EQ(a->child(2)->text(QAccessible::Description), QStringLiteral("25.25\u00B0C"));
    EXPECT_EQ(a->child(1)->text(QAccessible::Value), QStringLiteral("25"));
    EXPECT_EQ(a->child(1)->rect(), QRect(gauge.mapToGlobal(gauge.PointerHandleRect(3).topLeft()),
                                         gauge.PointerHandleRect(3).size()));
    EXPECT_EQ(a->childAt(a->child(0)->rect().center().x(), a->child(0)->rect().center().y()), a->child(0));

    // The parts follow drags and placement; the gauge keeps the pointer the program chose.
    gauge.SetPointerIndex(LimitGauge::kLowPointer);
    Drag(&gauge, gauge.PointerHandleRect(3).center(), 20);
    EXPECT_FLOAT_EQ(a->child(1)->valueInterface()->currentValue().toFloat(), Pointer(3));
    const float high = Pointer(3);
    gauge.SetPointerIndex(LimitGauge::kLowPointer);
    gauge.SetPointerValue(-20);
    EXPECT_EQ(a->child(1)->valueInterface()->currentValue().toFloat(), high);
    EXPECT_EQ(a->child(1)->text(QAccessible::Value), PlainSingle(high));
    EXPECT_EQ(gauge.PointerIndex(), LimitGauge::kLowPointer);
    EXPECT_EQ(a->child(0)->valueInterface()->currentValue().toFloat(), -20.0f);
    EXPECT_TRUE(a->child(0)->state().readOnly);
    const int movedBefore = moved;
    a->child(0)->valueInterface()->setCurrentValue(50.0);
    EXPECT_EQ(Pointer(2), -20.0f);
    EXPECT_EQ(moved, movedBefore);
}

// The colour at the middle of a rendered lamp.
QColor LampCentre(Lamp& lamp)
{
    const QImage img = lamp.grab().toImage();
    return img.pixelColor(img.width() / 2, img.height() / 2);
}

TEST(LampControl, ShowsRedWhenSetAndGreenOtherwise)
{
    Lamp lamp;
    lamp.resize(17, 12);
    EXPECT_FALSE(lamp.LampState());
    QColor c = LampCentre(lamp);
    EXPECT_GT(c.green(), 2 * c.red());
    lamp.SetLampState(true);
    EXPECT_TRUE(lamp.LampState());
    c = LampCentre(lamp);
    EXPECT_GT(c.red(), 2 * c.green());
    // Assistive technology is told the state and follows its changes.
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(&lamp);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->text(QAccessible::Description).toStdString(), "alert");
    lamp.SetLampState(false);
    EXPECT_EQ(a->text(QAccessible::Description).toStdString(), "no alert");
    EXPECT_EQ(lamp.toolTip(), QStringLiteral("Interrupt Status: Green=OK, Red=Bad, Invisible=Disabled"));
}

} // namespace
