#include "platform/StripChart.h"

#include "TestSupport.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <random>

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

// The plot the drawing cases look at: 0 to 4 on view, pens in blue, red and green.
void SetUpPlot(StripChart& chart)
{
    static const std::array<QColor, 3> kColours = {QColor(0, 0, 255), QColor(255, 0, 0), QColor(0, 160, 0)};
    chart.resize(545, 473);
    chart.SetZoomLimits(0, 8);
    chart.SetValueRange(0, 4);
    for (int pen = 0; pen < chart.PenCount() && pen < 3; ++pen)
        chart.SetPenColor(pen, kColours[static_cast<size_t>(pen)]);
}

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
    EXPECT_TRUE(std::isnan(h.Highest()));

    // The lowest and highest kept follow the samples in and out, as a count of every kept
    // sample finds them after each one: on small buffers, over rises and falls longer than
    // the buffer (the samples that may yet become the extreme fill it and run round its
    // end), level stretches, infinities and values that are no number (for longer than the
    // buffer holds, too), and a long random walk.
    std::mt19937 random(4711);
    for (int capacity : {1, 2, 3, 7, 50}) {
        std::vector<double> values;
        for (int round = 0; round < 3; ++round) {
            for (int i = 0; i < 3 * capacity + round; ++i)
                values.push_back(i - capacity);
            for (int i = 0; i < 4 * capacity + round; ++i)
                values.push_back(2.0 * capacity - i);
            values.insert(values.end(), capacity + round, 0.5);
        }
        for (int i = 0; i < 400; ++i) {
            const bool nan = (i >= 200 && i < 260) || i % 97 == 13;
            const double wave = std::round(10 * std::sin(i * 0.05) + 3 * std::sin(i * 1.7));
            values.push_back(nan ? NAN : i % 89 == 7 ? -HUGE_VAL : wave);
        }
        double walk = 0;
        for (int i = 0; i < 5000; ++i)
            values.push_back(walk += static_cast<int>(random() % 5) - 2);
        PenHistory e(capacity);
        for (size_t i = 0; i < values.size(); ++i) {
            e.Append(static_cast<double>(i), values[i]);
            double low = NAN, high = NAN;
            for (int k = 0; k < e.Count(); ++k)
                if (std::isfinite(e.ValueAt(k)))
                    low = std::fmin(low, e.ValueAt(k)), high = std::fmax(high, e.ValueAt(k));
            ASSERT_EQ(std::isnan(e.Lowest()), std::isnan(low)) << capacity << ": " << i;
            ASSERT_TRUE(std::isnan(low) || (e.Lowest() == low && e.Highest() == high)) << capacity << ": " << i;
        }
    }
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

TEST(ColourCheckTest, SeesAnAntialiasedHairlineWhereverItFalls)
{
    // Single hairlines at every quarter pixel, across the rows and down the columns, on
    // white and over a blue band; a line between two rows is drawn at half strength in both.
    const QColor red(255, 0, 0);
    for (const double offset : {0.0, 0.25, 0.5, 0.75}) {
        for (const bool overBlue : {false, true}) {
            QImage img(40, 40, QImage::Format_ARGB32);
            img.fill(Qt::white);
            QPainter p(&img);
            if (overBlue)
                p.fillRect(0, 10, 40, 20, QColor(0, 0, 255));
            p.setRenderHint(QPainter::Antialiasing);
            QPen hairline(red, 1);
            hairline.setCosmetic(true);
            p.setPen(hairline);
            p.drawLine(QPointF(2, 20 + offset), QPointF(18, 20 + offset));
            p.drawLine(QPointF(30 + offset, 12), QPointF(30 + offset, 28));
            p.end();
            EXPECT_TRUE(HasColour(img, QRect(0, 0, 20, 40), red)) << offset << (overBlue ? " over blue" : "");
            EXPECT_TRUE(HasColour(img, QRect(24, 0, 16, 40), red)) << offset << (overBlue ? " over blue" : "");
            // Neither the band nor the lines read as another colour.
            EXPECT_FALSE(HasColour(img, img.rect(), QColor(0, 255, 0)));
            EXPECT_FALSE(HasColour(img, img.rect(), QColor(255, 0, 255)));
        }
    }
    // Grey lines and black are no shade of blue.
    QImage img(40, 40, QImage::Format_ARGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QColor(218, 218, 218));
    p.drawLine(QPointF(2, 10.5), QPointF(38, 10.5));
    p.setPen(QColor(96, 96, 96));
    p.drawLine(QPointF(2, 20), QPointF(38, 20));
    p.fillRect(2, 30, 20, 4, Qt::black);
    p.end();
    EXPECT_FALSE(HasColour(img, img.rect(), QColor(0, 0, 255)));
}

TEST_F(StripChartTest, DrawingKeepsEachColumnsSpreadAndLeavesHiddenPensOut)
{
    StripChart chart(2);
    SetUpPlot(chart);
    chart.SetSelectedPen(1);
    chart.SetPenVisible(false);
    // A full history running 2, 3, 1, 2, 3, 1, ...: far more samples than pixel columns, and
    // a column's first and last samples often lie inside its spread. The hidden pen climbs
    // slowly across the plot, over the white and through the blue, so that its line would
    // fall at every fraction of a pixel.
    for (int i = 0; i < StripChart::kHistoryCapacity; ++i) {
        chart.AppendSample(0, 2.0 + (i % 3 == 1) - (i % 3 == 2));
        chart.AppendSample(1, 0.2 + 3.6 * i / StripChart::kHistoryCapacity);
        now += 0.1;
    }
    chart.SetTimeSpan(StripChart::kMaxTimeSpan);
    QImage img(chart.size(), QImage::Format_ARGB32);
    chart.render(&img);

    const QRect plot = chart.PlotRect();
    auto yOf = [&](double v) { return static_cast<int>(plot.bottom() - v / 4 * (plot.height() - 1)); };
    const QColor blue(0, 0, 255);
    // Both extremes are drawn in every column of a stretch in the middle of the plot (left
    // of the legends), whatever its first and last samples.
    const int x = plot.left() + plot.width() / 3;
    for (int c = x - 6; c <= x + 6; ++c) {
        EXPECT_TRUE(HasColour(img, QRect(c, yOf(3) - 2, 1, 5), blue)) << c;
        EXPECT_TRUE(HasColour(img, QRect(c, yOf(1) - 2, 1, 5), blue)) << c;
        EXPECT_TRUE(HasColour(img, QRect(c, yOf(2) - 2, 1, 5), blue)) << c;
    }
    // Nothing drawn above or below the spread, and the hidden red pen nowhere in the plot.
    EXPECT_FALSE(HasColour(img, QRect(x - 1, yOf(3.5) - 2, 3, 5), blue));
    EXPECT_FALSE(HasColour(img, QRect(x - 1, yOf(0.5) - 2, 3, 5), blue));
    EXPECT_FALSE(HasColour(img, plot.adjusted(1, 1, -1, -1), QColor(255, 0, 0)));
}

TEST_F(StripChartTest, OnlySamplesInTheSpanAreDrawnAndEveryChangeShows)
{
    StripChart chart(1);
    SetUpPlot(chart);
    const QColor blue(0, 0, 255);
    const QColor grid(218, 218, 218);
    // A minute at 3, then half a minute at 1.
    for (int i = 0; i < 600; ++i)
        Tick(chart, 3.0);
    for (int i = 0; i < 300; ++i)
        Tick(chart, 1.0);
    QImage img(chart.size(), QImage::Format_ARGB32);
    const QRect plot = chart.PlotRect();
    auto row = [&](double v) { return static_cast<int>(std::lround(chart.ValueToY(v))); };
    const QRect leftHalf(plot.left() + 2, 0, plot.width() / 2, 1);
    const int x = plot.left() + plot.width() / 3;

    // Over the last minute the 3 fills the left half, the 1 the right; the value axis has a
    // grid line at 1.5.
    chart.render(&img);
    EXPECT_TRUE(HasColour(img, leftHalf.translated(0, row(3) - 2).adjusted(0, 0, 0, 4), blue));
    EXPECT_TRUE(HasColour(img, QRect(plot.right() - 60, row(1) - 2, 40, 5), blue));
    EXPECT_TRUE(HasColour(img, QRect(x, row(1.5), 1, 1), grid, 10));

    // With a 10 s span only the 1 shows.
    chart.SetTimeSpan(10);
    chart.render(&img);
    EXPECT_TRUE(HasColour(img, QRect(x, row(1) - 2, 1, 5), blue));
    EXPECT_FALSE(HasColour(img, leftHalf.translated(0, row(3) - 2).adjusted(0, 0, 0, 4), blue));

    // A new range moves the lines and the value axis's grid (0.5 apart, none at 1.5 of the
    // old range's heights any more).
    const int oldGridRow = row(1.5);
    chart.SetValueRange(0, 5);
    chart.render(&img);
    EXPECT_TRUE(HasColour(img, QRect(x, row(1) - 2, 1, 5), blue));
    // In a column clear of the time axis's grid lines.
    int clear = x;
    while (clear < plot.right() && !HasColour(img, QRect(clear, row(1.25), 1, 1), Qt::white, 0))
        ++clear;
    EXPECT_FALSE(HasColour(img, QRect(clear, oldGridRow, 1, 1), grid, 10));
    EXPECT_TRUE(HasColour(img, QRect(clear, row(1.5), 1, 1), grid, 10));
}

// Painted as time goes on, a chart moves its lines along and draws only its newest columns
// again; what it shows must be what drawing it whole shows, at every span, over a gap and
// with noisy, stepping and slow pens, painted after every sample or after a few.
TEST_F(StripChartTest, EachPaintShowsWhatDrawingTheChartWholeShows)
{
    for (const double span : {5.0, 60.0, 1200.0}) {
        StripChart chart(3);
        SetUpPlot(chart);
        chart.SetTimeSpan(span);
        QImage painted(chart.size(), QImage::Format_ARGB32);
        const int samples = span > 100 ? 2000 : 1200;
        for (int i = 0; i < samples; ++i) {
            chart.AppendSample(0, 2.0 + 1.5 * std::sin(i * 0.7) * std::cos(i * 0.013));
            if (i < 500 || i > 515) // a pause of a second and a half: a gap in the line
                chart.AppendSample(1, 0.5 + 3.0 * (i % 900) / 900.0);
            chart.AppendSample(2, (i / 37) % 2 ? 3.5 : 0.3);
            now += 0.1;
            if (i % 7 == 0 || i % 7 == 3 || i > samples - 20)
                chart.render(&painted);
        }
        chart.SetTimeSpan(span); // drawn whole
        QImage whole(chart.size(), QImage::Format_ARGB32);
        chart.render(&whole);

        // But for the line coming in at the left edge, which a whole drawing cuts short there.
        const QRect plot = chart.PlotRect().adjusted(3, 1, -1, -1);
        int differing = 0;
        for (int y = plot.top(); y <= plot.bottom(); ++y)
            for (int x = plot.left(); x <= plot.right(); ++x) {
                const QColor a = painted.pixelColor(x, y);
                const QColor b = whole.pixelColor(x, y);
                if (std::abs(a.red() - b.red()) > 2 || std::abs(a.green() - b.green()) > 2 ||
                    std::abs(a.blue() - b.blue()) > 2)
                    ++differing;
            }
        EXPECT_EQ(differing, 0) << "span " << span;
    }
}

} // namespace
