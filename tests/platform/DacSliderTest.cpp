#include "platform/DacSlider.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <cmath>
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
    EXPECT_EQ(slider.Position(), 0.0);
    EXPECT_EQ(slider.toolTip(), QStringLiteral("Slide to adjust the DAC output"));
    slider.SetPosition(2047.5);
    EXPECT_EQ(slider.Position(), 2047.5);
    slider.SetPosition(5000);
    EXPECT_EQ(slider.Position(), 4095.0);
    slider.SetPosition(-3);
    EXPECT_EQ(slider.Position(), 0.0);
    slider.SetPosition(std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(slider.Position(), 0.0);
    EXPECT_TRUE(changes.empty());
}

TEST_F(DacSliderTest, PositionsMapToTheTrackWithZeroAtTheBottom)
{
    const int bottom = slider.PositionToY(0);
    const int top = slider.PositionToY(4095);
    EXPECT_LT(top, bottom);
    EXPECT_GE(top, 0);
    EXPECT_LT(bottom, slider.height());
    EXPECT_EQ(slider.YToPosition(bottom), 0.0);
    EXPECT_EQ(slider.YToPosition(top), 4095.0);
    EXPECT_EQ(slider.YToPosition(bottom + 50), 0.0);
    EXPECT_EQ(slider.YToPosition(top - 50), 4095.0);
    // Every pixel of the track gives a whole code that maps back to that pixel.
    for (int y = top; y <= bottom; ++y) {
        const double p = slider.YToPosition(y);
        EXPECT_EQ(p, std::floor(p));
        EXPECT_EQ(slider.PositionToY(p), y);
    }
    slider.SetPosition(4095);
    EXPECT_TRUE(slider.rect().contains(slider.KnobRect()));
    slider.SetPosition(0);
    EXPECT_TRUE(slider.rect().contains(slider.KnobRect()));
}

TEST_F(DacSliderTest, DraggingTheKnobRaisesChangeAtEveryMove)
{
    slider.SetPosition(1000);
    const int knobY = slider.PositionToY(1000);
    // Grabbed 3 pixels below its centre: the press alone does not move the knob.
    Press(knobY + 3);
    EXPECT_TRUE(changes.empty());
    for (int dy = 10; dy <= 50; dy += 10)
        Drag(knobY + 3 - dy);
    ASSERT_EQ(changes.size(), 5u);
    for (size_t i = 0; i < changes.size(); ++i)
        EXPECT_EQ(changes[i], slider.YToPosition(knobY - 10.0 * (i + 1)));
    EXPECT_EQ(slider.Position(), changes.back());
    // A move to where the knob already is, and a release there, raise nothing more.
    Drag(knobY + 3 - 50);
    Release(knobY + 3 - 50);
    EXPECT_EQ(changes.size(), 5u);
    // After the release, moves no longer drag.
    Drag(knobY + 100);
    EXPECT_EQ(changes.size(), 5u);
}

TEST_F(DacSliderTest, DraggingPastTheEndsStopsAtTheRange)
{
    const int knobY = slider.PositionToY(0);
    Press(knobY);
    Drag(-40);
    Drag(-80);
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes.back(), 4095.0);
    Drag(slider.height() + 40);
    Release(slider.height() + 40);
    ASSERT_EQ(changes.size(), 2u);
    EXPECT_EQ(changes.back(), 0.0);
}

TEST_F(DacSliderTest, PressOnTheTrackBringsTheKnobThere)
{
    const int y = slider.PositionToY(3000);
    Press(y);
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0], slider.YToPosition(y));
    EXPECT_NEAR(changes[0], 3000, 20);
    Release(y);
    EXPECT_EQ(changes.size(), 1u);
    // Other buttons do nothing.
    Mouse(QEvent::MouseButtonPress, slider.PositionToY(100), Qt::RightButton, Qt::RightButton);
    EXPECT_EQ(changes.size(), 1u);
}

TEST_F(DacSliderTest, KeysStepFromTheWholePosition)
{
    slider.SetPosition(2047.5); // rounds to 2048, halves to even
    EXPECT_TRUE(Key(Qt::Key_Up));
    EXPECT_TRUE(Key(Qt::Key_Up));
    EXPECT_TRUE(Key(Qt::Key_Down));
    EXPECT_TRUE(Key(Qt::Key_PageUp));
    EXPECT_TRUE(Key(Qt::Key_PageDown));
    EXPECT_TRUE(Key(Qt::Key_PageDown));
    EXPECT_EQ(changes, (std::vector<double>{2049, 2050, 2049, 2305, 2049, 1793}));

    slider.SetPosition(4000);
    changes.clear();
    Key(Qt::Key_PageUp);
    Key(Qt::Key_Up); // already at the top: no change
    slider.SetPosition(1);
    Key(Qt::Key_Down);
    Key(Qt::Key_Down);
    Key(Qt::Key_PageDown);
    EXPECT_EQ(changes, (std::vector<double>{4095, 0}));

    EXPECT_FALSE(Key(Qt::Key_A));
    EXPECT_EQ(changes.size(), 2u);
}

} // namespace
