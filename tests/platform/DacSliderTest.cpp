#include "platform/DacSlider.h"

#include <QAccessible>
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>
#include <gtest/gtest.h>
#include <limits>
#include <vector>

namespace {

// A slider of the DAC window's size that records the position at every Change.
class DacSliderTest : public ::testing::Test {
protected:
    DacSliderTest()
    {
        slider.resize(49, 225);
        QObject::connect(&slider, &DacSlider::Change, [this] { changes.push_back(slider.Position()); });
    }

    void Mouse(QEvent::Type type, double y, Qt::MouseButton button, Qt::MouseButtons buttons)
    {
        const QPointF at(slider.width() / 2.0, y);
        QMouseEvent e(type, at, slider.mapToGlobal(at), button, buttons, Qt::NoModifier);
        QCoreApplication::sendEvent(&slider, &e);
    }
    void Press(double y) { Mouse(QEvent::MouseButtonPress, y, Qt::LeftButton, Qt::LeftButton); }
    void Drag(double y) { Mouse(QEvent::MouseMove, y, Qt::NoButton, Qt::LeftButton); }
    void Release(double y) { Mouse(QEvent::MouseButtonRelease, y, Qt::LeftButton, Qt::NoButton); }

    void Wheel(int delta, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        const QPointF at(slider.width() / 2.0, slider.height() / 2.0);
        QWheelEvent e(at, slider.mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, modifiers,
                      Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(&slider, &e);
    }

    bool Key(int key)
    {
        QKeyEvent e(QEvent::KeyPress, key, Qt::NoModifier);
        QCoreApplication::sendEvent(&slider, &e);
        return e.isAccepted();
    }

    DacSlider slider;
    std::vector<double> changes;
};

TEST_F(DacSliderTest, ProgramSetPositionIsClampedAndRaisesNoChange)
{
    slider.SetPosition(2047.5);
    EXPECT_EQ(slider.Position(), 2047.5);
    slider.SetPosition(5000);
    EXPECT_EQ(slider.Position(), 4095.0);
    slider.SetPosition(-3);
    EXPECT_EQ(slider.Position(), 0.0);
    slider.SetPosition(std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(slider.Position(), 0.0);
    EXPECT_TRUE(changes.empty());
    // Zero at the bottom; every pixel of the track is a whole code that maps back to it.
    const int bottom = slider.PositionToY(0), top = slider.PositionToY(4095);
    EXPECT_LT(top, bottom);
    for (int y = top; y <= bottom; ++y)
        EXPECT_EQ(slider.PositionToY(slider.YToPosition(y)), y);
}

TEST_F(DacSliderTest, DraggingRaisesChangeAtEveryMoveWithinTheRange)
{
    slider.SetPosition(1000);
    const int knobY = slider.PositionToY(1000);
    // Grabbed 3 pixels below its centre: the press alone does not move the knob.
    Press(knobY + 3);
    EXPECT_TRUE(changes.empty());
    for (int dy = 10; dy <= 30; dy += 10)
        Drag(knobY + 3 - dy);
    EXPECT_EQ(changes, (std::vector<double>{slider.YToPosition(knobY - 10), slider.YToPosition(knobY - 20),
                                            slider.YToPosition(knobY - 30)}));
    // No move, no change; past the ends the knob stops at the range.
    Drag(knobY + 3 - 30);
    EXPECT_EQ(changes.size(), 3u);
    Drag(-80);
    Drag(slider.height() + 40);
    Release(slider.height() + 40);
    ASSERT_EQ(changes.size(), 5u);
    EXPECT_EQ(changes[3], 4095.0);
    EXPECT_EQ(changes[4], 0.0);
    // After the release, moves no longer drag.
    Drag(knobY);
    EXPECT_EQ(changes.size(), 5u);
}

TEST_F(DacSliderTest, ClickOnTheKnobWithoutMovingChangesNothing)
{
    // Positions between pixels: turning the knob's pixel back into a position would move them.
    for (double position : {1000.0, 2047.5, 1.0, 4094.0}) {
        slider.SetPosition(position);
        const QPoint centre = slider.KnobRect().center();
        Press(centre.y());
        Mouse(QEvent::MouseMove, centre.y(), Qt::NoButton, Qt::LeftButton); // no height change
        Release(centre.y());
        EXPECT_TRUE(changes.empty()) << position;
        EXPECT_EQ(slider.Position(), position);
    }
}

TEST_F(DacSliderTest, PressOnTheTrackBringsTheKnobThere)
{
    const int y = slider.PositionToY(3000);
    Mouse(QEvent::MouseButtonPress, y, Qt::RightButton, Qt::RightButton);
    EXPECT_TRUE(changes.empty());
    Press(y);
    Release(y);
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_NEAR(changes[0], 3000, 20);
}

TEST_F(DacSliderTest, KeysStepFromTheWholePosition)
{
    slider.SetPosition(2047.5); // rounds to 2048, halves to even
    for (int key : {Qt::Key_Up, Qt::Key_Up, Qt::Key_Down, Qt::Key_PageUp, Qt::Key_PageDown, Qt::Key_PageDown})
        EXPECT_TRUE(Key(key));
    EXPECT_EQ(changes, (std::vector<double>{2049, 2050, 2049, 2305, 2049, 1793}));

    changes.clear();
    slider.SetPosition(4000);
    Key(Qt::Key_PageUp);
    Key(Qt::Key_Up); // at the top already: no change
    slider.SetPosition(1);
    Key(Qt::Key_Down);
    Key(Qt::Key_PageDown);
    EXPECT_FALSE(Key(Qt::Key_A));
    EXPECT_EQ(changes, (std::vector<double>{4095, 0}));
}

TEST_F(DacSliderTest, WheelStepsAsOnAnySlider)
{
    QApplication::setWheelScrollLines(3);
    slider.SetPosition(2000);
    Wheel(120);                            // a notch up: three steps
    Wheel(-240);                           // two notches down
    Wheel(60);                             // a fine wheel's half notches: 1.5 steps each,
    Wheel(60);                             // the half step kept for the next
    Wheel(120, Qt::ControlModifier);       // a page
    Wheel(-120, Qt::ShiftModifier);
    EXPECT_EQ(changes, (std::vector<double>{2003, 1997, 1998, 2000, 2256, 2000}));

    changes.clear();
    slider.SetPosition(4094);
    Wheel(120);
    Wheel(120); // at the top already
    EXPECT_EQ(changes, (std::vector<double>{4095}));
}

// A screen reader meets the slider as a slider whose value is the code, and may set a code
// as the keys do.
TEST_F(DacSliderTest, AssistiveTechnologyReadsAndSetsTheCode)
{
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(&slider);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->role(), QAccessible::Slider);
    QAccessibleValueInterface* value = a->valueInterface();
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->minimumValue().toDouble(), 0.0);
    EXPECT_EQ(value->maximumValue().toDouble(), 4095.0);
    EXPECT_EQ(value->minimumStepSize().toDouble(), 1.0);

    slider.SetPosition(970);
    EXPECT_EQ(value->currentValue().toDouble(), 970.0);
    EXPECT_EQ(a->text(QAccessible::Value), QStringLiteral("970"));

    // A code set by assistive technology is the user's move: whole, clamped, raising Change.
    changes.clear();
    value->setCurrentValue(1000.4);
    value->setCurrentValue(5000);
    value->setCurrentValue(QStringLiteral("high"));
    EXPECT_EQ(changes, (std::vector<double>{1000, 4095}));
}

} // namespace
