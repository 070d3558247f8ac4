#include "platform/DacSlider.h"

#include "platform/NumberText.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

namespace {
constexpr int kKnobHeight = 12;
constexpr int kKnobMaxWidth = 28;
constexpr int kTickCount = 17; // marks at every sixteenth of the range, both ends included
} // namespace

// What assistive technology sees: a slider named after its label, whose value is the code.
class DacSliderAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit DacSliderAccessible(DacSlider* slider) : QAccessibleWidget(slider, QAccessible::Slider) {}

    static QAccessibleInterface* Create(const QString& className, QObject* object)
    {
        if (className == QLatin1String("DacSlider") && object && object->isWidgetType())
            return new DacSliderAccessible(static_cast<DacSlider*>(object));
        return nullptr;
    }

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value)
            return PlainDouble(Slider()->Position());
        return QAccessibleWidget::text(t);
    }

    QVariant currentValue() const override { return Slider()->Position(); }
    // A value set by assistive technology moves the knob as a key step does.
    void setCurrentValue(const QVariant& value) override
    {
        bool ok = false;
        const double code = value.toDouble(&ok);
        if (ok)
            Slider()->MoveByUser(RoundHalfEven(code));
    }
    QVariant maximumValue() const override { return DacSlider::kMax; }
    QVariant minimumValue() const override { return DacSlider::kMin; }
    QVariant minimumStepSize() const override { return double(DacSlider::kSmallStep); }

private:
    DacSlider* Slider() const { return static_cast<DacSlider*>(widget()); }
};

DacSlider::DacSlider(QWidget* parent) : QWidget(parent)
{
    static const bool accessibleInstalled = (QAccessible::installFactory(&DacSliderAccessible::Create), true);
    Q_UNUSED(accessibleInstalled);
    setFocusPolicy(Qt::StrongFocus);
    setToolTip(QStringLiteral("Slide to adjust the DAC output"));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
}

QSize DacSlider::sizeHint() const { return {49, 225}; }
QSize DacSlider::minimumSizeHint() const { return {24, 3 * kKnobHeight}; }

void DacSlider::SetPosition(double position) { Place(position); }

void DacSlider::MoveByUser(double position)
{
    if (Place(position))
        emit Change();
}

bool DacSlider::Place(double position)
{
    if (std::isnan(position))
        return false;
    const double p = std::clamp(position, kMin, kMax);
    if (p == mPosition)
        return false;
    mPosition = p;
    update();
    QAccessibleValueChangeEvent event(this, mPosition);
    QAccessible::updateAccessibility(&event);
    return true;
}

int DacSlider::KnobHeight() const { return kKnobHeight; }
int DacSlider::KnobWidth() const { return std::clamp(width() - 16, 8, kKnobMaxWidth); }
int DacSlider::TrackTop() const { return KnobHeight() / 2 + 2; }
int DacSlider::TrackBottom() const { return std::max(TrackTop() + 1, height() - KnobHeight() / 2 - 3); }

int DacSlider::PositionToY(double position) const
{
    const double travel = TrackBottom() - TrackTop();
    const double fraction = (std::clamp(position, kMin, kMax) - kMin) / (kMax - kMin);
    return TrackBottom() - static_cast<int>(std::lround(fraction * travel));
}

double DacSlider::YToPosition(double y) const
{
    const double travel = TrackBottom() - TrackTop();
    const double fraction = (TrackBottom() - y) / travel;
    return std::clamp(RoundHalfEven(kMin + fraction * (kMax - kMin)), kMin, kMax);
}

QRect DacSlider::KnobRect() const
{
    const int w = KnobWidth();
    const int h = KnobHeight();
    const int cy = PositionToY(mPosition);
    return {(width() - w) / 2, cy - h / 2, w, h};
}

void DacSlider::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QPalette& pal = palette();
    const QColor light = pal.color(QPalette::Light);
    const QColor dark = pal.color(QPalette::Dark);
    const QColor shadow = pal.color(QPalette::Shadow);
    const int cx = width() / 2;
    const int top = TrackTop();
    const int bottom = TrackBottom();

    // Tick marks on both sides of the knob's path.
    p.setPen(pal.color(QPalette::WindowText));
    const int reach = KnobWidth() / 2 + 2;
    for (int i = 0; i < kTickCount; ++i) {
        const int y = PositionToY(kMin + (kMax - kMin) * i / (kTickCount - 1));
        const int len = (i % 4 == 0) ? 5 : 3;
        p.drawLine(cx - reach - len, y, cx - reach - 1, y);
        p.drawLine(cx + reach + 1, y, cx + reach + len, y);
    }

    // Sunken groove.
    const QRect groove(cx - 2, top, 4, bottom - top + 1);
    p.fillRect(groove, pal.color(QPalette::Base));
    p.setPen(dark);
    p.drawLine(groove.topLeft(), groove.topRight());
    p.drawLine(groove.topLeft(), groove.bottomLeft());
    p.setPen(light);
    p.drawLine(groove.bottomLeft(), groove.bottomRight());
    p.drawLine(groove.topRight(), groove.bottomRight());

    // Raised knob with a grip line across its middle.
    const QRect k = KnobRect();
    p.fillRect(k, pal.color(QPalette::Button));
    p.setPen(light);
    p.drawLine(k.topLeft(), k.topRight());
    p.drawLine(k.topLeft(), k.bottomLeft());
    p.setPen(shadow);
    p.drawLine(k.bottomLeft(), k.bottomRight());
    p.drawLine(k.topRight(), k.bottomRight());
    p.setPen(dark);
    p.drawLine(k.left() + 1, k.bottom() - 1, k.right() - 1, k.bottom() - 1);
    p.drawLine(k.right() - 1, k.top() + 1, k.right() - 1, k.bottom() - 1);
    const int gy = k.center().y();
    p.drawLine(k.left() + 3, gy, k.right() - 3, gy);
    p.setPen(light);
    p.drawLine(k.left() + 3, gy + 1, k.right() - 3, gy + 1);

    if (hasFocus()) {
        QPen focus(pal.color(QPalette::WindowText), 1, Qt::DotLine);
        p.setPen(focus);
        p.setBrush(Qt::NoBrush);
        p.drawRect(k.adjusted(-2, -2, 1, 1));
    }
}

void DacSlider::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    const QPointF at = event->position();
    const QRect knob = KnobRect();
    if (knob.contains(at.toPoint())) {
        // Keep the knob where it was grabbed, so a press alone does not move it.
        mGrabOffset = at.y() - PositionToY(mPosition);
    } else {
        // A press on the track brings the knob under the pointer.
        mGrabOffset = 0.0;
        MoveByUser(YToPosition(at.y()));
    }
    mFollowedY = at.y();
    mDragging = true;
    event->accept();
}

void DacSlider::FollowPointer(double y)
{
    // A pixel stands for several codes: turning the pixel the knob already stands on back
    // into a position would move it. Only a new pointer height moves the knob.
    if (y == mFollowedY)
        return;
    mFollowedY = y;
    MoveByUser(YToPosition(y - mGrabOffset));
}

void DacSlider::mouseMoveEvent(QMouseEvent* event)
{
    if (!mDragging || !(event->buttons() & Qt::LeftButton)) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    FollowPointer(event->position().y());
    event->accept();
}

void DacSlider::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !mDragging) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    FollowPointer(event->position().y());
    mDragging = false;
    event->accept();
}

void DacSlider::keyPressEvent(QKeyEvent* event)
{
    int delta = 0;
    switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Right: delta = kSmallStep; break;
    case Qt::Key_Down:
    case Qt::Key_Left: delta = -kSmallStep; break;
    case Qt::Key_PageUp: delta = kLargeStep; break;
    case Qt::Key_PageDown: delta = -kLargeStep; break;
    case Qt::Key_Home:
        MoveByUser(kMin);
        event->accept();
        return;
    case Qt::Key_End:
        MoveByUser(kMax);
        event->accept();
        return;
    default: QWidget::keyPressEvent(event); return;
    }
    // Step from the whole position, so a fractional one set by the program lands on codes.
    MoveByUser(RoundHalfEven(mPosition) + delta);
    event->accept();
}

void DacSlider::wheelEvent(QWheelEvent* event)
{
    // Up (away from the user) raises the code, as on any slider; a notch is 120 units.
    const QPoint angle = event->angleDelta();
    const int delta = angle.y() != 0 ? angle.y() : angle.x();
    if (delta == 0) {
        event->ignore();
        return;
    }
    const bool page = event->modifiers().testAnyFlags(Qt::ControlModifier | Qt::ShiftModifier);
    const double perNotch = page ? kLargeStep : double(QApplication::wheelScrollLines()) * kSmallStep;
    mWheelSteps += delta / 120.0 * perNotch;
    const double steps = std::trunc(mWheelSteps);
    if (steps != 0) {
        mWheelSteps -= steps;
        MoveByUser(RoundHalfEven(mPosition) + steps);
    }
    event->accept();
}

void DacSlider::focusInEvent(QFocusEvent* event)
{
    update();
    QWidget::focusInEvent(event);
}

void DacSlider::focusOutEvent(QFocusEvent* event)
{
    mDragging = false;
    update();
    QWidget::focusOutEvent(event);
}
