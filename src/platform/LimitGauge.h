// A vertical linear limit gauge: a scale with tick labels, a reading bar, a caption and
// two pointers (2 the low limit, 3 the high limit) that the user drags with the mouse.
//
// The gauge keeps a current band and a current pointer: BandStart/BandEnd address the
// band chosen with SetBandIndex (0 the scale band, 1 the reading bar), PointerValue the
// pointer chosen with SetPointerIndex. Values outside the scale are kept as given and
// drawn at the scale's end. PointerMoved is raised by the user's drags only, never when
// a pointer is placed from code.
//
// Assistive technology meets the gauge as a group named after it with three parts: the low
// and the high limit, each a slider whose value is the pointer's position, and the reading,
// whose value is the reading bar's end and whose text is the caption. Assistive technology
// reads the limits but does not move them.
#pragma once

#include <QString>
#include <QWidget>
#include <array>

class LimitGauge : public QWidget {
    Q_OBJECT
public:
    static constexpr int kLowPointer = 2;
    static constexpr int kHighPointer = 3;

    explicit LimitGauge(QWidget* parent = nullptr);

    double ScaleMin() const { return mScaleMin; }
    void SetScaleMin(double value);
    double ScaleMax() const { return mScaleMax; }
    void SetScaleMax(double value);

    // 0 the scale band, 1 the reading bar; other indices are ignored.
    int BandIndex() const { return mBandIndex; }
    void SetBandIndex(int index);
    double BandStart() const;
    void SetBandStart(double value);
    double BandEnd() const;
    void SetBandEnd(double value);

    // 2 the low limit pointer, 3 the high limit pointer; other indices are ignored.
    int PointerIndex() const { return mPointerIndex; }
    void SetPointerIndex(int index);
    float PointerValue() const;
    void SetPointerValue(float value);

    QString Caption() const { return mCaption; }
    void SetCaption(const QString& caption);

    bool Visible() const { return !isHidden(); }
    void SetVisible(bool visible) { setVisible(visible); }

    // Where the handle of pointer 2 or 3 is drawn, in widget pixels (empty for others).
    QRect PointerHandleRect(int index) const;
    // The vertical pixel position of a scale value (clamped to the scale).
    int ValueToY(double value) const;

    QSize sizeHint() const override;

signals:
    // The user dragged a pointer to a new position.
    void PointerMoved();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    friend class LimitGaugeAccessible;
    friend class LimitGaugePart;

    struct Band {
        double start = 0;
        double end = 0;
    };
    struct Geometry {
        QRect scale;   // the track, top = scale max, bottom = scale min
        QRect labels;  // column of the tick labels
        QRect caption; // the caption line
        int handleLeft = 0;
    };
    Geometry Layout() const;
    int ValueToY(double value, const Geometry& g) const;
    double YToValue(int y, const Geometry& g) const;
    QRect PointerHandleRect(int index, const Geometry& g) const;
    int PointerAt(const QPoint& pos) const;
    double Span() const;
    void DrawTicks(class QPainter& p, const Geometry& g) const;
    void DrawPointer(class QPainter& p, const Geometry& g, int index) const;
    // Tells assistive technology that a part's value changed (0 low, 1 high, 2 reading).
    void NotifyAccessibleValue(int part);

    double mScaleMin = 0;
    double mScaleMax = 100;
    int mBandIndex = 0;
    std::array<Band, 2> mBands{};
    int mPointerIndex = kLowPointer;
    std::array<float, 2> mPointers{}; // low, high
    QString mCaption;
    int mDragging = -1;   // pointer index being dragged, or -1
    int mDragOffset = 0;  // press position relative to the pointer's line
    int mHover = -1;
};
