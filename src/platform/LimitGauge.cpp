#include "platform/LimitGauge.h"

#include "platform/NumberText.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <algorithm>
#include <array>
#include <cmath>

namespace {
constexpr int kTrackWidth = 10;
constexpr int kHandleWidth = 15;
constexpr int kHandleHeight = 11;
constexpr int kTickZone = 8; // tick marks between the labels and the track
constexpr double kTickPoints = 7.0;
constexpr double kCaptionPoints = 8.0;

const QColor kLowColor(20, 70, 200);
const QColor kHighColor(200, 20, 20);

QFont WithPoints(QFont f, double points, bool bold = false)
{
    f.setPointSizeF(points);
    f.setBold(bold);
    return f;
}

// A tick step of 1, 2, 2.5 or 5 times a power of ten, no smaller than the raw step.
double NiceStep(double raw)
{
    if (!(raw > 0) || !std::isfinite(raw))
        return 1.0;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 2.5, 5.0, 10.0}) {
        if (m * power >= raw * (1 - 1e-9))
            return m * power;
    }
    return 10.0 * power;
}

QString TickText(double v)
{
    if (std::fabs(v) < 1e-9)
        v = 0;
    return PlainDouble(RoundDecimals(v, 6));
}

int PointerSlot(int index) { return index == LimitGauge::kHighPointer ? 1 : 0; }

// The parts of the gauge that assistive technology sees, in this order.
enum Part { kLowPart = 0, kHighPart = 1, kReadingPart = 2, kPartCount = 3 };
} // namespace

// One part of a gauge for assistive technology: a limit pointer or the reading.
class LimitGaugePart : public QAccessibleInterface, public QAccessibleValueInterface {
public:
    LimitGaugePart(LimitGauge* gauge, int part) : mGauge(gauge), mPart(part) {}

    bool isValid() const override { return !mGauge.isNull(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override
    {
        QAccessibleInterface* p = parent();
        return p ? p->window() : nullptr;
    }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* parent() const override
    {
        return mGauge ? QAccessible::queryAccessibleInterface(mGauge.data()) : nullptr;
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }

    QString text(QAccessible::Text t) const override
    {
        if (!mGauge)
            return {};
        switch (t) {
        case QAccessible::Name:
            return mPart == kLowPart    ? QStringLiteral("Low limit")
                   : mPart == kHighPart ? QStringLiteral("High limit")
                                        : QStringLiteral("Reading");
        case QAccessible::Value:
            // The reading with its unit as the caption shows it; a limit as its number.
            // The pointers are single precision.
            return mPart == kReadingPart ? mGauge->mCaption.trimmed() : PlainSingle(static_cast<float>(Value()));
        case QAccessible::Description:
            // Screen readers on Linux read the description, not the value text.
            return mPart == kReadingPart ? mGauge->mCaption.trimmed() : QString();
        default: return {};
        }
    }
    void setText(QAccessible::Text, const QString&) override {}

    QRect rect() const override
    {
        if (!mGauge)
            return {};
        const LimitGauge::Geometry g = mGauge->Layout();
        const QRect local = mPart == kReadingPart
                                ? g.caption
                                : mGauge->PointerHandleRect(
                                      mPart == kHighPart ? LimitGauge::kHighPointer : LimitGauge::kLowPointer, g);
        return QRect(mGauge->mapToGlobal(local.topLeft()), local.size());
    }
    QAccessible::Role role() const override
    {
        return mPart == kReadingPart ? QAccessible::ProgressBar : QAccessible::Slider;
    }
    QAccessible::State state() const override
    {
        QAccessible::State s;
        if (!mGauge || !mGauge->isVisible())
            s.invisible = true;
        s.readOnly = true;
        return s;
    }

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface*>(this);
        return nullptr;
    }
    QVariant currentValue() const override { return Value(); }
    void setCurrentValue(const QVariant&) override {} // limits are moved with the mouse only
    QVariant maximumValue() const override { return mGauge ? mGauge->mScaleMax : 0.0; }
    QVariant minimumValue() const override { return mGauge ? mGauge->mScaleMin : 0.0; }
    QVariant minimumStepSize() const override { return 0.0; }

private:
    double Value() const
    {
        if (!mGauge)
            return 0;
        if (mPart == kReadingPart)
            return mGauge->mBands[1].end;
        return mGauge->mPointers[mPart == kHighPart ? 1 : 0];
    }

    QPointer<LimitGauge> mGauge;
    int mPart;
};

// The gauge itself: a group, named after its label, of its three parts.
class LimitGaugeAccessible : public QAccessibleWidget {
public:
    explicit LimitGaugeAccessible(LimitGauge* gauge) : QAccessibleWidget(gauge, QAccessible::Grouping) {}
    ~LimitGaugeAccessible() override
    {
        for (QAccessible::Id id : mParts) {
            if (id != 0)
                QAccessible::deleteAccessibleInterface(id);
        }
    }

    static QAccessibleInterface* Create(const QString& className, QObject* object)
    {
        if (className == QLatin1String("LimitGauge") && object && object->isWidgetType())
            return new LimitGaugeAccessible(static_cast<LimitGauge*>(object));
        return nullptr;
    }

    int childCount() const override { return kPartCount; }
    QAccessibleInterface* child(int index) const override
    {
        if (index < 0 || index >= kPartCount)
            return nullptr;
        QAccessible::Id& id = mParts[index];
        if (id == 0)
            id = QAccessible::registerAccessibleInterface(
                new LimitGaugePart(static_cast<LimitGauge*>(widget()), index));
        return QAccessible::accessibleInterface(id);
    }
    int indexOfChild(const QAccessibleInterface* child) const override
    {
        for (int i = 0; i < kPartCount; ++i) {
            if (mParts[i] != 0 && QAccessible::accessibleInterface(mParts[i]) == child)
                return i;
        }
        return -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override
    {
        for (int i = 0; i < kPartCount; ++i) {
            QAccessibleInterface* part = child(i);
            if (part->rect().contains(x, y))
                return part;
        }
        return nullptr;
    }

private:
    mutable std::array<QAccessible::Id, kPartCount> mParts{};
};

LimitGauge::LimitGauge(QWidget* parent) : QWidget(parent)
{
    static const bool accessibleInstalled = (QAccessible::installFactory(&LimitGaugeAccessible::Create), true);
    Q_UNUSED(accessibleInstalled);
    setToolTip(QStringLiteral("Drag the sliders to change the limits"));
    setMouseTracking(true);
    mBands[0] = {mScaleMin, mScaleMax};
    mBands[1] = {mScaleMin, mScaleMin};
}

QSize LimitGauge::sizeHint() const { return {72, 217}; }

void LimitGauge::SetScaleMin(double value)
{
    if (value == mScaleMin)
        return;
    mScaleMin = value;
    update();
}

void LimitGauge::SetScaleMax(double value)
{
    if (value == mScaleMax)
        return;
    mScaleMax = value;
    update();
}

void LimitGauge::SetBandIndex(int index)
{
    if (index == 0 || index == 1)
        mBandIndex = index;
}

double LimitGauge::BandStart() const { return mBands[mBandIndex].start; }
double LimitGauge::BandEnd() const { return mBands[mBandIndex].end; }

void LimitGauge::SetBandStart(double value)
{
    if (value == mBands[mBandIndex].start)
        return;
    mBands[mBandIndex].start = value;
    update();
}

void LimitGauge::SetBandEnd(double value)
{
    // The reading bar is set on every refresh; an unchanged reading needs no repaint.
    if (value == mBands[mBandIndex].end)
        return;
    mBands[mBandIndex].end = value;
    update();
    if (mBandIndex == 1)
        NotifyAccessibleValue(kReadingPart);
}

void LimitGauge::SetPointerIndex(int index)
{
    if (index == kLowPointer || index == kHighPointer)
        mPointerIndex = index;
}

float LimitGauge::PointerValue() const { return mPointers[PointerSlot(mPointerIndex)]; }

void LimitGauge::SetPointerValue(float value)
{
    // Placement from code never raises PointerMoved.
    float& slot = mPointers[PointerSlot(mPointerIndex)];
    if (value == slot)
        return;
    slot = value;
    update();
    NotifyAccessibleValue(PointerSlot(mPointerIndex) == 1 ? kHighPart : kLowPart);
}

void LimitGauge::SetCaption(const QString& caption)
{
    if (caption == mCaption)
        return;
    mCaption = caption;
    update();
    NotifyAccessibleValue(kReadingPart);
}

void LimitGauge::NotifyAccessibleValue(int part)
{
    QAccessibleValueChangeEvent event(this, part == kReadingPart ? mBands[1].end : mPointers[part]);
    event.setChild(part);
    QAccessible::updateAccessibility(&event);
}

double LimitGauge::Span() const
{
    const double span = mScaleMax - mScaleMin;
    return (span > 0 && std::isfinite(span)) ? span : 1.0;
}

LimitGauge::Geometry LimitGauge::Layout() const
{
    Geometry g;
    const QFontMetrics tickFm(WithPoints(font(), kTickPoints));
    const QFontMetrics capFm(WithPoints(font(), kCaptionPoints, true));
    const int captionHeight = capFm.height() + 4;
    g.caption = QRect(1, height() - captionHeight - 1, width() - 2, captionHeight);

    // Room above and below the scale for the handles of pointers at the scale's ends.
    const int top = std::max(kHandleHeight, tickFm.height() / 2) + 3;
    const int bottom = g.caption.top() - std::max(kHandleHeight, tickFm.height() / 2) - 2;

    // The widest tick label decides the label column.
    int labelWidth = 0;
    const double step = NiceStep(Span() / std::max(2, (bottom - top) / (2 * tickFm.height())));
    const double first = std::ceil(mScaleMin / step - 1e-9);
    for (double k = first; k * step <= mScaleMax + step * 1e-9 && k - first < 100; k += 1)
        labelWidth = std::max(labelWidth, tickFm.horizontalAdvance(TickText(k * step)));

    const int content = labelWidth + kTickZone + kTrackWidth + kHandleWidth;
    const int left = std::max(2, (width() - content) / 2);
    g.labels = QRect(left, top, labelWidth, bottom - top);
    const int trackLeft = left + labelWidth + kTickZone;
    g.scale = QRect(trackLeft, top, kTrackWidth, std::max(1, bottom - top));
    g.handleLeft = trackLeft + kTrackWidth;
    return g;
}

int LimitGauge::ValueToY(double value) const { return ValueToY(value, Layout()); }

int LimitGauge::ValueToY(double value, const Geometry& g) const
{
    double v = std::clamp(value, std::min(mScaleMin, mScaleMax), std::max(mScaleMin, mScaleMax));
    if (!std::isfinite(v))
        v = mScaleMin;
    const double frac = (v - mScaleMin) / Span();
    return g.scale.bottom() - static_cast<int>(std::lround(frac * (g.scale.height() - 1)));
}

double LimitGauge::YToValue(int y, const Geometry& g) const
{
    const double frac = static_cast<double>(g.scale.bottom() - y) / std::max(1, g.scale.height() - 1);
    const double v = mScaleMin + std::clamp(frac, 0.0, 1.0) * Span();
    return std::clamp(v, mScaleMin, std::max(mScaleMin, mScaleMax));
}

QRect LimitGauge::PointerHandleRect(int index) const { return PointerHandleRect(index, Layout()); }

QRect LimitGauge::PointerHandleRect(int index, const Geometry& g) const
{
    if (index != kLowPointer && index != kHighPointer)
        return {};
    const int y = ValueToY(mPointers[PointerSlot(index)], g);
    if (index == kHighPointer)
        return QRect(g.handleLeft, y - kHandleHeight + 1, kHandleWidth, kHandleHeight);
    return QRect(g.handleLeft, y, kHandleWidth, kHandleHeight);
}

int LimitGauge::PointerAt(const QPoint& pos) const
{
    const Geometry g = Layout();
    int best = -1;
    int bestDistance = 1 << 30;
    for (int index : {kHighPointer, kLowPointer}) {
        const QRect handle = PointerHandleRect(index, g);
        // The handle itself, a little margin around it, and its line across the track.
        const QRect grab = handle.adjusted(-2, -2, 2, 2).united(
            QRect(g.scale.left() - 2, ValueToY(mPointers[PointerSlot(index)], g) - 3,
                  g.scale.width() + 2, 7));
        if (!grab.contains(pos))
            continue;
        if (handle.contains(pos))
            return index;
        const int d = std::abs(pos.y() - handle.center().y());
        if (d < bestDistance) {
            bestDistance = d;
            best = index;
        }
    }
    return best;
}

void LimitGauge::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    const QPoint pos = event->position().toPoint();
    mDragging = PointerAt(pos);
    if (mDragging >= 0) {
        mDragOffset = pos.y() - ValueToY(mPointers[PointerSlot(mDragging)]);
        setCursor(Qt::SizeVerCursor);
        update();
        event->accept();
    } else {
        event->ignore();
    }
}

void LimitGauge::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    if (mDragging < 0) {
        const int hover = PointerAt(pos);
        if (hover != mHover) {
            mHover = hover;
            if (hover >= 0)
                setCursor(Qt::SizeVerCursor);
            else
                unsetCursor();
            update();
        }
        return;
    }
    const Geometry g = Layout();
    const float value = static_cast<float>(YToValue(pos.y() - mDragOffset, g));
    float& slot = mPointers[PointerSlot(mDragging)];
    // A pointer that stands beyond the scale end stays there until the drag really moves it.
    if (ValueToY(slot, g) == ValueToY(value, g))
        return;
    slot = value;
    update();
    NotifyAccessibleValue(PointerSlot(mDragging) == 1 ? kHighPart : kLowPart);
    emit PointerMoved();
}

void LimitGauge::mouseReleaseEvent(QMouseEvent* event)
{
    if (mDragging >= 0 && event->button() == Qt::LeftButton) {
        mDragging = -1;
        mHover = PointerAt(event->position().toPoint());
        if (mHover < 0)
            unsetCursor();
        update();
    }
}

void LimitGauge::leaveEvent(QEvent*)
{
    if (mDragging < 0 && mHover >= 0) {
        mHover = -1;
        unsetCursor();
        update();
    }
}

void LimitGauge::DrawTicks(QPainter& p, const Geometry& g) const
{
    const QFont tickFont = WithPoints(font(), kTickPoints);
    const QFontMetrics fm(tickFont);
    p.setFont(tickFont);
    const double step = NiceStep(Span() / std::max(2, g.scale.height() / (2 * fm.height())));
    // Minor ticks as fine as stays legible: fifths (quarters of a 2-step), else halves.
    const double mantissa = step / std::pow(10.0, std::floor(std::log10(step)));
    int parts = std::fabs(mantissa - 2) < 1e-9 ? 4 : 5;
    if (g.scale.height() * step / Span() / parts < 6)
        parts = 2;
    const double minor = step / parts;
    const int tickRight = g.scale.left() - 2;

    p.setPen(QColor(90, 90, 90));
    const double firstMinor = std::ceil(mScaleMin / minor - 1e-9);
    for (double k = firstMinor; k * minor <= mScaleMax + minor * 1e-9 && k - firstMinor < 200; k += 1) {
        const int y = ValueToY(k * minor, g);
        p.drawLine(tickRight - 2, y, tickRight, y);
    }
    p.setPen(palette().color(QPalette::WindowText));
    const double first = std::ceil(mScaleMin / step - 1e-9);
    for (double k = first; k * step <= mScaleMax + step * 1e-9 && k - first < 100; k += 1) {
        const int y = ValueToY(k * step, g);
        p.drawLine(tickRight - 4, y, tickRight, y);
        const QRect text(g.labels.left(), y - fm.height() / 2 - 1, g.labels.width(), fm.height() + 2);
        p.drawText(text, Qt::AlignRight | Qt::AlignVCenter, TickText(k * step));
    }
}

void LimitGauge::DrawPointer(QPainter& p, const Geometry& g, int index) const
{
    const QColor base = index == kHighPointer ? kHighColor : kLowColor;
    const bool active = mDragging == index || (mDragging < 0 && mHover == index);
    const QColor face = active ? base.lighter(135) : base;
    const int y = ValueToY(mPointers[PointerSlot(index)], g);
    const QRect handle = PointerHandleRect(index, g);

    // The line across the track marks the exact limit.
    p.setPen(QPen(face.darker(130), 2));
    p.drawLine(g.scale.left() - 3, y, g.scale.right() + 1, y);

    // A tab that grows out of the line: above it for the high limit, below for the low.
    QPainterPath path;
    const QRectF r = QRectF(handle).adjusted(0.5, 0.5, -0.5, -0.5);
    if (index == kHighPointer) {
        path.moveTo(r.left(), r.bottom());
        path.lineTo(r.left() + 4, r.top());
        path.lineTo(r.right(), r.top());
        path.lineTo(r.right(), r.bottom());
    } else {
        path.moveTo(r.left(), r.top());
        path.lineTo(r.right(), r.top());
        path.lineTo(r.right(), r.bottom());
        path.lineTo(r.left() + 4, r.bottom());
    }
    path.closeSubpath();
    QLinearGradient shade(r.topLeft(), r.bottomLeft());
    shade.setColorAt(0, face.lighter(160));
    shade.setColorAt(0.5, face);
    shade.setColorAt(1, face.darker(150));
    p.setPen(QPen(base.darker(200), 1));
    p.setBrush(shade);
    p.drawPath(path);

    // Grip ridges say "drag me".
    p.setPen(QPen(QColor(255, 255, 255, 170), 1));
    const int cx = handle.left() + 6;
    for (int i = 0; i < 3; ++i) {
        const int x = cx + 2 * i;
        p.drawLine(x, handle.top() + 3, x, handle.bottom() - 3);
    }
}

void LimitGauge::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, false);
    const Geometry g = Layout();

    // Face of the control.
    QLinearGradient face(0, 0, 0, height());
    face.setColorAt(0, QColor(246, 246, 246));
    face.setColorAt(1, QColor(222, 222, 222));
    p.setPen(QColor(150, 150, 150));
    p.setBrush(face);
    p.drawRect(rect().adjusted(0, 0, -1, -1));

    DrawTicks(p, g);

    // The track with the scale band in grey.
    const QRect track = g.scale.adjusted(0, -1, 0, 1);
    p.setPen(QColor(110, 110, 110));
    p.setBrush(QColor(250, 250, 250));
    p.drawRect(track.adjusted(0, 0, -1, -1));
    auto bandRect = [&](const Band& b) {
        const int y1 = ValueToY(b.start, g);
        const int y2 = ValueToY(b.end, g);
        return QRect(QPoint(track.left() + 1, std::min(y1, y2)),
                     QPoint(track.right() - 1, std::max(y1, y2)));
    };
    QLinearGradient grey(track.topLeft(), track.topRight());
    grey.setColorAt(0, QColor(200, 200, 200));
    grey.setColorAt(0.4, QColor(236, 236, 236));
    grey.setColorAt(1, QColor(160, 160, 160));
    p.fillRect(bandRect(mBands[0]), grey);

    // The reading bar from the scale minimum to the reading.
    const QRect bar = bandRect(mBands[1]);
    if (bar.height() > 1) {
        QLinearGradient blue(track.topLeft(), track.topRight());
        blue.setColorAt(0, QColor(40, 120, 210));
        blue.setColorAt(0.4, QColor(140, 200, 255));
        blue.setColorAt(1, QColor(20, 80, 170));
        p.fillRect(bar.adjusted(1, 0, -1, 0), blue);
    }

    p.setRenderHint(QPainter::Antialiasing, true);
    // The pointer being dragged is drawn last, on top.
    if (mDragging == kLowPointer) {
        DrawPointer(p, g, kHighPointer);
        DrawPointer(p, g, kLowPointer);
    } else {
        DrawPointer(p, g, kLowPointer);
        DrawPointer(p, g, kHighPointer);
    }
    p.setRenderHint(QPainter::Antialiasing, false);

    // Caption, shrunk to fit the gauge's width.
    if (!mCaption.isEmpty()) {
        double points = kCaptionPoints;
        QFont f = WithPoints(font(), points, true);
        while (points > 5.5 && QFontMetrics(f).horizontalAdvance(mCaption) > g.caption.width() - 4) {
            points -= 0.5;
            f = WithPoints(font(), points, true);
        }
        p.setFont(f);
        p.setPen(palette().color(QPalette::WindowText));
        const QString text = QFontMetrics(f).elidedText(mCaption, Qt::ElideRight, g.caption.width() - 2);
        p.drawText(g.caption, Qt::AlignCenter, text);
    }
}
