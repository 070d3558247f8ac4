// A strip chart: a fixed set of pens plotted against the time each sample arrived, the
// newest sample at the right edge. Text item 0 is the chart's bold title, text item k+1
// the legend line of pen k. Arrows at the edges of the plot zoom the value axis (between
// the chart's zoom limits) and the time span on view; a double-click on an arrow puts its
// axis back to the default view.
//
// Each pen keeps its history in a ring buffer of fixed size, so memory stays flat however
// long the chart runs; drawing reduces the history on view to the minimum and maximum of
// each pixel column. Where a pen took no sample for longer than kGapTime (plotting was
// paused) its line is broken, so that no line stands for readings that were never taken.
//
// The chart is drawn into an image once per change (a new sample, a new view or size) and
// the screen gets a copy of it, so a paint costs the same whether the whole chart shows or
// another window lies over part of it; what does not move with time is kept in an image
// of its own.
#pragma once

#include <QColor>
#include <QHash>
#include <QPixmap>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <vector>

class QFontMetrics;
class QPainter;

// Samples of one pen: times (seconds, never decreasing) and values, oldest overwritten
// once the buffer is full. The lowest and highest value kept are known at all times: each
// sample is weighed against the others once, when it comes, not at every look.
class PenHistory {
public:
    explicit PenHistory(int capacity);
    void Append(double time, double value);
    void Clear();
    int Count() const { return mCount; }
    int Capacity() const { return static_cast<int>(mTime.size()); }
    // Sample i counted from the oldest kept (0 .. Count()-1).
    double TimeAt(int i) const { return mTime[Slot(i)]; }
    double ValueAt(int i) const { return mValue[Slot(i)]; }
    // Index of the first kept sample at or after the time (Count() when none).
    int FirstAtOrAfter(double time) const;
    // The lowest and highest finite value kept; NaN when none is kept.
    double Lowest() const { return mLowest.Front(mValue); }
    double Highest() const { return mHighest.Front(mValue); }

private:
    // Slots of the kept samples that are, or may yet become, the lowest (highest) kept
    // value, oldest first: each lies below (above) every sample that came after it. The
    // front is the lowest (highest) kept; it goes when its sample is overwritten. A ring of
    // one entry per slot.
    struct Extreme {
        explicit Extreme(size_t capacity) : queue(capacity) {}
        double Front(const std::vector<double>& values) const;
        // Takes the new sample in the slot; `higher` for the highest kept.
        void Push(int slot, const std::vector<double>& values, bool higher);
        // The sample in the slot is about to be overwritten.
        void Leave(int slot);
        void Clear() { head = count = 0; }
        std::vector<int> queue;
        int head = 0;
        int count = 0;
    };

    int Slot(int i) const
    {
        const int s = mHead + i;
        return s >= Capacity() ? s - Capacity() : s;
    }
    std::vector<double> mTime;
    std::vector<double> mValue;
    int mHead = 0; // slot of the oldest sample
    int mCount = 0;
    Extreme mLowest;
    Extreme mHighest;
};

class StripChart : public QWidget {
    Q_OBJECT
public:
    // Samples kept per pen: twenty minutes at ten samples a second.
    static constexpr int kHistoryCapacity = 12000;
    static constexpr double kMinTimeSpan = 5.0;
    static constexpr double kMaxTimeSpan = 1200.0;
    static constexpr double kDefaultTimeSpan = 60.0;
    // Samples further apart than this are not joined by a line.
    static constexpr double kGapTime = 1.0;

    StripChart(int penCount, QWidget* parent = nullptr);

    // ---- Set-up -------------------------------------------------------------------------
    int PenCount() const { return static_cast<int>(mPens.size()); }
    int TextCount() const { return static_cast<int>(mTexts.size()); }
    // Colour of the pen's line and, unless set apart with SetLegendColor, of its legend.
    void SetPenColor(int pen, const QColor& color);
    void SetLegendColor(int pen, const QColor& color);
    QColor PenColor(int pen) const;
    QColor LegendColor(int pen) const;
    // The value range on view and the limits that zooming keeps within.
    void SetValueRange(double low, double high);
    void SetZoomLimits(double low, double high);
    // The value range a reset of the zoom returns to; also puts it on view.
    void SetDefaultValueRange(double low, double high);
    double ValueLow() const { return mLow; }
    double ValueHigh() const { return mHigh; }
    double ZoomLimitLow() const { return mLimitLow; }
    double ZoomLimitHigh() const { return mLimitHigh; }
    // Seconds of history on view (kept within kMinTimeSpan .. kMaxTimeSpan).
    void SetTimeSpan(double seconds);
    double TimeSpan() const { return mSpan; }
    // Label format of the time axis: %H, %M and %S stand for hours, minutes and seconds.
    void SetTimeFormat(const QString& format)
    {
        mTimeFormat = format;
        Changed();
    }
    QString TimeFormat() const { return mTimeFormat; }
    QString TimeLabel(double time) const;

    // ---- What the program drives ------------------------------------------------------
    // Adds the value to the pen at the current time and scrolls the chart.
    void AppendSample(int16_t pen, double value);
    // Chooses the text item the next caption write addresses.
    void SetSelectedText(int16_t item);
    int16_t SelectedText() const { return mSelectedText; }
    // Replaces the selected text item's text. The title is also the chart's accessible name.
    void SetCaption(const QString& text);
    QString Caption() const;
    // Chooses the pen the next visibility write addresses.
    void SetSelectedPen(int16_t pen);
    int16_t SelectedPen() const { return mSelectedPen; }
    // Shows or hides the selected pen's line; a hidden pen still takes samples.
    void SetPenVisible(bool visible);

    // ---- Reading back -----------------------------------------------------------------
    QString Text(int item) const;
    bool PenVisible(int pen) const;
    const PenHistory& History(int pen) const { return mPens[pen].history; }
    // Time of the newest sample (the right edge of the plot).
    double Now() const { return mNow; }
    // The lowest and highest value the pens hold, hidden pens too: all that lengthening the
    // time span can bring into view. NaN when no pen holds a value.
    double HeldLow() const;
    double HeldHigh() const;

    // ---- Zoom arrows ------------------------------------------------------------------
    enum class Arrow { None, ValueTop, ValueBottom, TimeSpan };
    QRect PlotRect() const;
    // Height in the widget at which a value is drawn; the lines keep clear of the frame, so
    // the ends of the range lie just inside the plot.
    double ValueToY(double value) const;
    QPoint ArrowCentre(Arrow arrow) const;
    Arrow ArrowAt(const QPoint& pos) const;
    // A drag of an arrow from the press point to pos. Into the plot, the top (bottom) arrow
    // makes the value under pos the new top (bottom) of the range; out of the plot, the way
    // from the arrow to the widget's edge covers the way to the zoom limit, so one drag
    // reaches it. The time arrow at the left end of the time axis shortens the span when
    // dragged right (half a span per quarter of the plot's width) and lengthens it when
    // dragged left, up to the longest span at the widget's left edge.
    void BeginDrag(Arrow arrow, const QPoint& pos);
    void DragTo(const QPoint& pos);
    void EndDrag();
    // Puts the axis of an arrow back to the default view: the value arrows the default
    // value range, the time arrow the default time span.
    void ResetZoom(Arrow arrow);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    struct Pen {
        explicit Pen(int capacity) : history(capacity) {}
        PenHistory history;
        QColor color = Qt::black;
        QColor legendColor = Qt::black;
        bool legendColorSet = false;
        bool visible = true;
    };
    double SampleTime();
    // Something drawn has changed; backdrop: something of the backdrop (what does not move
    // with time: the value axis, the frame, the title, the arrows). Any change but new
    // samples and legends draws the pens' lines afresh.
    void Changed(bool backdrop = false);
    void SamplesChanged();
    // Heights of the range's top and bottom in a plot rectangle.
    static double TopY(const QRect& plot);
    static double BottomY(const QRect& plot);
    // The backdrop, and what is drawn over it at every change: the time axis, the pens'
    // lines and the legends.
    void PaintBackdrop(QPainter& p, const QRect& plot) const;
    void PaintValueAxis(QPainter& p, const QRect& plot) const;
    void PaintTimeAxis(QPainter& p, const QRect& plot, double tLeft) const;
    // Width of a time label in the chart's font.
    int LabelWidth(const QFontMetrics& fm, const QString& label) const;
    // The pens' lines, from the plot's column `from` on (columns counted from the plot's
    // left edge); lines further left are left as they stand.
    void PaintPens(QPainter& p, const QRect& plot, double tLeft, long from) const;
    // Brings the pens' layer up to the newest samples: when only samples have come since it
    // was drawn, it moves left with time and only its newest columns are drawn again.
    void UpdatePens(const QRect& plot, double tLeft);
    void PaintTitle(QPainter& p) const;
    void PaintLegends(QPainter& p, const QRect& plot) const;
    void PaintArrows(QPainter& p) const;

    std::vector<Pen> mPens;
    std::vector<QString> mTexts;
    int16_t mSelectedText = 0;
    int16_t mSelectedPen = 0;
    double mLow = 0;
    double mHigh = 100;
    double mLimitLow = 0;
    double mLimitHigh = 100;
    double mDefaultLow = 0;
    double mDefaultHigh = 100;
    double mSpan = kDefaultTimeSpan;
    QString mTimeFormat = QStringLiteral("%H %M %S");
    double mNow = 0;        // time of the newest sample, seconds (past midnight keeps counting)
    double mDayOffset = 0;  // added to the clock once it has passed midnight

    // The chart as last drawn and its backdrop; each is drawn again once something on it
    // has changed.
    QPixmap mImage;
    QPixmap mBackdrop;
    bool mImageValid = false;
    bool mBackdropValid = false;
    // The pens' lines over a clear ground, the size of the plot's inside; the column of the
    // plot's left edge counted from time zero, and the time of each pen's last sample that
    // stood clear of the right edge, as they were when it was drawn.
    QImage mPensImage;
    QImage mPensScratch;
    bool mPensValid = false;
    long mPensOrigin = 0;
    std::vector<double> mPensDrawnTo;
    mutable QHash<QString, int> mLabelWidths;

    Arrow mDrag = Arrow::None;
    QPoint mDragStart;
    double mDragLow = 0;
    double mDragHigh = 0;
    double mDragSpan = 0;
};
