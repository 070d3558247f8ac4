#include "platform/Lamp.h"

#include <QPainter>
#include <QRadialGradient>

Lamp::Lamp(QWidget* parent) : QWidget(parent)
{
    setToolTip(QStringLiteral("Interrupt Status: Green=OK, Red=Bad, Invisible=Disabled"));
    setAccessibleDescription(StateText(mState));
}

QString Lamp::StateText(bool state)
{
    return state ? QStringLiteral("alert") : QStringLiteral("no alert");
}

void Lamp::SetLampState(bool state)
{
    if (state == mState)
        return;
    mState = state;
    setAccessibleDescription(StateText(mState));
    update();
}

void Lamp::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, true);
    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const QColor base = mState ? QColor(225, 20, 20) : QColor(20, 175, 40);

    // A lit face: bright spot towards the upper left, darker rim.
    QRadialGradient shade(r.left() + r.width() * 0.35, r.top() + r.height() * 0.3,
                          std::max(r.width(), r.height()) * 0.8);
    shade.setColorAt(0, base.lighter(190));
    shade.setColorAt(0.45, base);
    shade.setColorAt(1, base.darker(170));
    p.setPen(QPen(base.darker(260), 1));
    p.setBrush(shade);
    const double radius = std::min(r.width(), r.height()) * 0.3;
    p.drawRoundedRect(r, radius, radius);
}
