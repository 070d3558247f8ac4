#include "platform/StripChart.h"

#include "TestSupport.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <gtest/gtest.h>

namespace {

class StripChartTest : public ::testing::Test {
protected:
    StripChartTest()
    {
        SetClockSource([this] { return static_cast<float>(now); });
    }
    ~StripChartTest() override { SetClockSource({}); }

    // Appends one sample on every pen and moves the clock on by a tenth of a second.
    void Tick(StripChart& chart, double value)
    {
        for (int16_t pen = 0; pen < chart.PenCount(); ++pen)
            chart.AppendSample(pen, value);
        now += 0.1;
    }

    double now = 12 * 3600.0;
};

void Drag(StripChart& chart, StripChart::Arrow arrow, QPoint by)
{
    const QPoint from = chart.ArrowCentre(arrow);
    SendMouse(&chart, QEvent::MouseButtonPress, from);
    SendMouse(&chart, QEvent::MouseMove, from + by / 2);
    SendMouse(&chart, QEvent::MouseButtonRelease, from + by);
}

TEST(PenHistoryTest, RingBufferKeepsItsBoundAndDropsTheOldest)
{
    PenHistory h(100);
    for (int i = 0; i < 350; ++i)
        h.Append(i * 0.1, i);
    EXPECT_EQ(h.Count(), 100);
    EXPECT_EQ(h.Capacity(), 100);
    EXPECT_DOUBLE_EQ(h.ValueAt(0), 250);
    EXPECT_DOUBLE_EQ(h.ValueAt(99), 349);
    for (int i = 1; i < h.Count(); ++i)
        ASSERT_LT(h.TimeAt(i - 1), h.TimeAt(i));
    EXPECT_EQ(h.FirstAtOrAfter(0), 0);
    EXPECT_EQ(h.FirstAtOrAfter(30.0), 50);
    EXPECT_EQ(h.FirstAtOrAfter(34.95), 100);
    h.Clear();
    EXPECT_EQ(h.Count(), 0);
    EXPECT_EQ(h.FirstAtOrAfter(0), 0);
}

TEST_F(StripChartTest, HistoryHoldsTwentyMinutesAndNoMore)
{
    StripChart chart(2);
    ASSERT_GE(StripChart::kHistoryCapacity, 10 * 60 * 10);
    for (int i = 0; i < StripChart::kHistoryCapacity + 777; ++i) {
        chart.AppendSample(0, i);
        now += 0.1;
    }
    EXPECT_EQ(chart.History(0).Count(), StripChart::kHistoryCapacity);
    EXPECT_DOUBLE_EQ(chart.History(0).ValueAt(0), 777);
    EXPECT_EQ(chart.History(1).Count(), 0);
}

TEST_F(StripChartTest, TextItemsAndPensAreAddressedBySelection)
{
    StripChart chart(3);
    EXPECT_EQ(chart.TextCount(), 4);
    chart.SetSelectedText(0);
    chart.SetCaption(QStringLiteral("Title"));
    chart.SetSelectedText(3);
    chart.SetCaption(QStringLiteral("Third pen"));
    EXPECT_EQ(chart.Text(0), QStringLiteral("Title"));
    EXPECT_EQ(chart.Text(3), QStringLiteral("Third pen"));
    EXPECT_EQ(chart.Caption(), QStringLiteral("Third pen"));
    // Items and pens that do not exist are ignored.
    chart.SetSelectedText(4);
    chart.SetCaption(QStringLiteral("nowhere"));
    chart.SetSelectedPen(-1);
    chart.SetPenVisible(false);
    chart.AppendSample(3, 1.0);
    EXPECT_EQ(chart.Text(3), QStringLiteral("Third pen"));

    // A hidden pen keeps taking samples.
    chart.SetSelectedPen(1);
    chart.SetPenVisible(false);
    EXPECT_FALSE(chart.PenVisible(1));
    EXPECT_TRUE(chart.PenVisible(0));
    Tick(chart, 2.5);
    EXPECT_EQ(chart.History(1).Count(), 1);
    EXPECT_DOUBLE_EQ(chart.History(1).ValueAt(0), 2.5);
}

TEST_F(StripChartTest, TimeRunsOnPastMidnightAndNeverBackwards)
{
    StripChart chart(1);
    EXPECT_EQ(chart.TimeLabel(12 * 3600 + 34 * 60 + 56), QStringLiteral("12 34 56"));
    EXPECT_EQ(chart.TimeLabel(86400 + 65), QStringLiteral("00 01 05"));
    now = 86399.75;
    chart.AppendSample(0, 1);
    now = 0.25; // the clock passed midnight
    chart.AppendSample(0, 2);
    EXPECT_NEAR(chart.Now(), 86400.25, 1e-3);
    now = 0.125; // a reading a little earlier does not step back
    chart.AppendSample(0, 3);
    EXPECT_NEAR(chart.History(0).TimeAt(2), 86400.25, 1e-3);
    EXPECT_EQ(chart.TimeLabel(chart.Now()), QStringLiteral("00 00 00"));
}

TEST_F(StripChartTest, ArrowsZoomWithinTheLimitsInOneDragAndADoubleClickResets)
{
    StripChart chart(1);
    chart.resize(545, 473);
    chart.SetZoomLimits(-50, 120);
    chart.SetDefaultValueRange(0, 110);
    const QRect plot = chart.PlotRect();
    const double perPixel = 110.0 / (chart.ValueToY(0) - chart.ValueToY(110));
    auto pixels = [&](double from, double to) {
        return static_cast<int>(std::lround(chart.ValueToY(to) - chart.ValueToY(from)));
    };

    // Top arrow down into the plot: the value under the pointer becomes the top.
    Drag(chart, StripChart::Arrow::ValueTop, QPoint(0, pixels(110, 82.5)));
    EXPECT_NEAR(chart.ValueHigh(), 82.5, perPixel);
    EXPECT_DOUBLE_EQ(chart.ValueLow(), 0);
    // Out of the plot: part of the way to the widget's edge gains part of the way to the
    // limit, the whole way (and beyond) reaches it in this one drag.
    const int above = chart.ArrowCentre(StripChart::Arrow::ValueTop).y();
    Drag(chart, StripChart::Arrow::ValueTop, QPoint(0, -above / 2));
    EXPECT_GT(chart.ValueHigh(), 90);
    EXPECT_LT(chart.ValueHigh(), 115);
    chart.SetValueRange(0, 82.5);
    Drag(chart, StripChart::Arrow::ValueTop, QPoint(0, -above));
    EXPECT_DOUBLE_EQ(chart.ValueHigh(), 120);
    Drag(chart, StripChart::Arrow::ValueTop, QPoint(0, -5000));
    EXPECT_DOUBLE_EQ(chart.ValueHigh(), 120);
    // Far down past the bottom: the range keeps a minimum height.
    Drag(chart, StripChart::Arrow::ValueTop, QPoint(0, 5000));
    EXPECT_NEAR(chart.ValueHigh(), 1.7, 1e-9);
    chart.SetValueRange(0, 110);
    const int below = chart.height() - 1 - chart.ArrowCentre(StripChart::Arrow::ValueBottom).y();
    Drag(chart, StripChart::Arrow::ValueBottom, QPoint(0, below));
    EXPECT_DOUBLE_EQ(chart.ValueLow(), -50);
    Drag(chart, StripChart::Arrow::ValueBottom, QPoint(0, -5000));
    EXPECT_NEAR(chart.ValueLow(), 108.3, 1e-9);
    // The program's own ranges are held within the limits too.
    chart.SetValueRange(-100, 500);
    EXPECT_DOUBLE_EQ(chart.ValueLow(), -50);
    EXPECT_DOUBLE_EQ(chart.ValueHigh(), 120);
    // A double-click on either value arrow brings back the default range.
    DoubleClick(&chart, chart.ArrowCentre(StripChart::Arrow::ValueBottom));
    EXPECT_DOUBLE_EQ(chart.ValueLow(), 0);
    EXPECT_DOUBLE_EQ(chart.ValueHigh(), 110);
    chart.SetValueRange(20, 30);
    DoubleClick(&chart, chart.ArrowCentre(StripChart::Arrow::ValueTop));
    EXPECT_DOUBLE_EQ(chart.ValueLow(), 0);
    EXPECT_DOUBLE_EQ(chart.ValueHigh(), 110);

    // Time arrow: a quarter of the width to the right halves the span; to the left, the
    // way to the widget's left edge reaches the longest span.
    EXPECT_DOUBLE_EQ(chart.TimeSpan(), StripChart::kDefaultTimeSpan);
    Drag(chart, StripChart::Arrow::TimeSpan, QPoint(plot.width() / 4, 0));
    EXPECT_NEAR(chart.TimeSpan(), StripChart::kDefaultTimeSpan / 2, 1);
    Drag(chart, StripChart::Arrow::TimeSpan, QPoint(5000, 0));
    EXPECT_DOUBLE_EQ(chart.TimeSpan(), StripChart::kMinTimeSpan);
    Drag(chart, StripChart::Arrow::TimeSpan, QPoint(-chart.ArrowCentre(StripChart::Arrow::TimeSpan).x(), 0));
    EXPECT_DOUBLE_EQ(chart.TimeSpan(), StripChart::kMaxTimeSpan);
    DoubleClick(&chart, chart.ArrowCentre(StripChart::Arrow::TimeSpan));
    EXPECT_DOUBLE_EQ(chart.TimeSpan(), StripChart::kDefaultTimeSpan);
    EXPECT_DOUBLE_EQ(chart.ValueHigh(), 110);

    // A press or a double-click away from the arrows zooms nothing.
    chart.SetTimeSpan(StripChart::kMaxTimeSpan);
    chart.SetValueRange(20, 30);
    SendMouse(&chart, QEvent::MouseButtonPress, plot.center());
    SendMouse(&chart, QEvent::MouseMove, plot.center() + QPoint(100, 100));
    SendMouse(&chart, QEvent::MouseButtonRelease, plot.center() + QPoint(100, 100));
    DoubleClick(&chart, plot.center());
    EXPECT_DOUBLE_EQ(chart.TimeSpan(), StripChart::kMaxTimeSpan);
    EXPECT_DOUBLE_EQ(chart.ValueHigh(), 30);
}

TEST_F(StripChartTest, DrawingKeepsEachColumnsSpreadAndLeavesHiddenPensOut)
{
    StripChart chart(2);
    chart.resize(545, 473);
    chart.SetZoomLimits(0, 4);
    chart.SetValueRange(0, 4);
    chart.SetPenColor(0, QColor(0, 0, 255));
    chart.SetPenColor(1, QColor(255, 0, 0));
    chart.SetSelectedPen(1);
    chart.SetPenVisible(false);
    // A full history alternating between 1 and 3: far more samples than pixel columns.
    for (int i = 0; i < StripChart::kHistoryCapacity; ++i) {
        chart.AppendSample(0, i % 2 ? 3.0 : 1.0);
        chart.AppendSample(1, 2.0);
        now += 0.1;
    }
    chart.SetTimeSpan(StripChart::kMaxTimeSpan);
    QImage img(chart.size(), QImage::Format_ARGB32);
    chart.render(&img);

    const QRect plot = chart.PlotRect();
    auto yOf = [&](double v) { return static_cast<int>(plot.bottom() - v / 4 * (plot.height() - 1)); };
    const QColor blue(0, 0, 255);
    // Both extremes are drawn in a column in the middle of the plot (left of the legends).
    const int x = plot.left() + plot.width() / 3;
    EXPECT_TRUE(HasColour(img, QRect(x - 1, yOf(3) - 2, 3, 5), blue));
    EXPECT_TRUE(HasColour(img, QRect(x - 1, yOf(1) - 2, 3, 5), blue));
    EXPECT_TRUE(HasColour(img, QRect(x - 1, yOf(2) - 2, 3, 5), blue));
    // Nothing drawn above or below the spread, and the hidden red pen nowhere in the plot.
    EXPECT_FALSE(HasColour(img, QRect(x - 1, yOf(3.5) - 2, 3, 5), blue));
    EXPECT_FALSE(HasColour(img, QRect(x - 1, yOf(0.5) - 2, 3, 5), blue));
    EXPECT_FALSE(HasColour(img, plot.adjusted(1, 1, -1, -1), QColor(255, 0, 0)));
}

TEST_F(StripChartTest, OnlySamplesInTheSpanAreDrawn)
{
    StripChart chart(1);
    chart.resize(545, 473);
    chart.SetZoomLimits(0, 4);
    chart.SetValueRange(0, 4);
    chart.SetPenColor(0, QColor(0, 0, 255));
    // Old samples at 3, then a minute at 1: with a 10 s span only the 1 shows.
    for (int i = 0; i < 600; ++i)
        Tick(chart, 3.0);
    for (int i = 0; i < 600; ++i)
        Tick(chart, 1.0);
    chart.SetTimeSpan(10);
    QImage img(chart.size(), QImage::Format_ARGB32);
    chart.render(&img);
    const QRect plot = chart.PlotRect();
    const int y3 = static_cast<int>(plot.bottom() - 3.0 / 4 * (plot.height() - 1));
    const int y1 = static_cast<int>(plot.bottom() - 1.0 / 4 * (plot.height() - 1));
    const int x = plot.left() + plot.width() / 3;
    // A level line may fall between two pixel rows and be shared out between them.
    EXPECT_TRUE(HasColour(img, QRect(x, y1 - 2, 1, 5), QColor(0, 0, 255), 130));
    EXPECT_FALSE(HasColour(img, QRect(plot.left() + 2, y3 - 2, plot.width() / 2, 5), QColor(0, 0, 255)));
}

} // namespace
