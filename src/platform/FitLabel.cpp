#include "platform/FitLabel.h"

#include <QFontMetrics>
#include <QPainter>
#include <QStyle>
#include <algorithm>
#include <cmath>

namespace {
constexpr double kStepPoints = 0.25;
constexpr double kSmallestPoints = 1.0;

bool Fits(const QFont& font, const QString& text, const QRect& room)
{
    const QFontMetrics fm(font);
    return fm.horizontalAdvance(text) <= room.width() && fm.height() <= std::max(room.height(), 1);
}
} // namespace

FitLabel::FitLabel(const QString& text, QWidget* parent) : QLabel(text, parent)
{
    setTextFormat(Qt::PlainText);
}

QFont FitLabel::ShownFont() const
{
    const QRect room = contentsRect();
    QFont f = font();
    if (text().isEmpty() || Fits(f, text(), room))
        return f;
    // Start from the size in proportion to the room, then step down until the text fits.
    const double own = f.pointSizeF() > 0 ? f.pointSizeF() : f.pixelSize() * 72.0 / logicalDpiY();
    const double wide = QFontMetrics(f).horizontalAdvance(text());
    double points = std::floor(own * room.width() / wide / kStepPoints) * kStepPoints;
    points = std::clamp(points, kSmallestPoints, own);
    f.setPointSizeF(points);
    while (points > kSmallestPoints && !Fits(f, text(), room)) {
        points = std::max(points - kStepPoints, kSmallestPoints);
        f.setPointSizeF(points);
    }
    return f;
}

void FitLabel::paintEvent(QPaintEvent* event)
{
    const QFont shown = ShownFont();
    if (shown == font()) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter p(this);
    drawFrame(&p);
    p.setFont(shown);
    style()->drawItemText(&p, contentsRect(), QStyle::visualAlignment(layoutDirection(), alignment()), palette(),
                          isEnabled(), text(), foregroundRole());
}
