#include "windows/ToolbarIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {
using Painter = void (*)(QPainter&);

void PaintSave(QPainter& p)
{
    p.setPen(QPen(QColor(20, 30, 70), 0.8));
    p.setBrush(QColor(40, 70, 150));
    p.drawRoundedRect(QRectF(1.5, 1.5, 13, 13), 1, 1);
    p.setBrush(QColor(235, 235, 235));
    p.drawRect(QRectF(4, 1.5, 8, 5));
    p.setBrush(QColor(40, 70, 150));
    p.drawRect(QRectF(9.5, 2.5, 1.5, 3));
    p.setBrush(QColor(250, 250, 250));
    p.drawRect(QRectF(3.5, 9, 9, 5.5));
}

void PaintConfig(QPainter& p)
{
    QPainterPath gear;
    const QPointF c(8, 8);
    for (int i = 0; i < 8; ++i) {
        const double a = i * 3.14159265 / 4;
        QTransform t;
        t.translate(c.x(), c.y());
        t.rotateRadians(a);
        QPainterPath tooth;
        tooth.addRect(QRectF(-1.4, -7.2, 2.8, 3.2));
        gear.addPath(t.map(tooth));
    }
    gear.addEllipse(c, 5.2, 5.2);
    p.setPen(QPen(QColor(60, 60, 60), 0.6));
    p.setBrush(QColor(140, 140, 150));
    p.drawPath(gear.simplified());
    p.setBrush(QColor(240, 240, 240));
    p.drawEllipse(c, 2, 2);
}

void PaintGraphs(QPainter& p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(1, 1, 14, 14));
    p.setPen(QPen(QColor(170, 170, 170), 0.5));
    for (int i = 1; i < 4; ++i) {
        p.drawLine(QPointF(1 + i * 3.5, 1), QPointF(1 + i * 3.5, 15));
        p.drawLine(QPointF(1, 1 + i * 3.5), QPointF(15, 1 + i * 3.5));
    }
    p.setPen(QPen(Qt::black, 0.8));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(1, 1, 14, 14));
    QPainterPath a, b;
    a.moveTo(1.5, 11);
    a.cubicTo(5, 2, 9, 14, 14.5, 4);
    b.moveTo(1.5, 6);
    b.cubicTo(6, 14, 10, 2, 14.5, 10);
    p.setPen(QPen(QColor(200, 0, 0), 1.3));
    p.drawPath(a);
    p.setPen(QPen(QColor(0, 0, 200), 1.3));
    p.drawPath(b);
}

void PaintTree(QPainter& p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(110, 70, 30));
    p.drawRect(QRectF(7, 12, 2, 3.5));
    p.setBrush(QColor(20, 130, 40));
    for (int i = 0; i < 3; ++i) {
        const double top = 0.5 + i * 3.5;
        const double half = 3 + i * 1.6;
        QPolygonF tri({QPointF(8, top), QPointF(8 + half, top + 5.5), QPointF(8 - half, top + 5.5)});
        p.drawPolygon(tri);
    }
}

void PaintDac(QPainter& p)
{
    QPainterPath curve;
    curve.moveTo(1, 13);
    curve.cubicTo(6, 13, 6, 3, 10, 3);
    curve.lineTo(15, 3);
    p.setPen(QPen(QColor(0, 150, 40), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(curve);
    p.setPen(QPen(QColor(90, 90, 90), 0.8));
    p.drawLine(QPointF(1, 15), QPointF(15, 15));
    p.drawLine(QPointF(1, 1), QPointF(1, 15));
}

void PaintInterrupts(QPainter& p)
{
    QRadialGradient g(QPointF(6, 5), 9);
    g.setColorAt(0, QColor(255, 250, 170));
    g.setColorAt(1, QColor(230, 180, 0));
    p.setPen(QPen(QColor(150, 110, 0), 0.8));
    p.setBrush(g);
    p.drawEllipse(QRectF(1, 1, 14, 14));
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawRoundedRect(QRectF(7, 3.5, 2, 6.5), 1, 1);
    p.drawEllipse(QRectF(7, 11, 2, 2));
}

// The program's own icon: the chip on its board.
void PaintProgram(QPainter& p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(34, 112, 60));
    p.drawRoundedRect(QRectF(0.5, 0.5, 15, 15), 2, 2);
    p.setPen(QPen(QColor(214, 178, 90), 1));
    for (int i = 0; i < 4; ++i) {
        const double y = 4 + i * 2.6;
        p.drawLine(QPointF(2, y), QPointF(4.5, y));
        p.drawLine(QPointF(11.5, y), QPointF(14, y));
    }
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(30, 30, 36));
    p.drawRoundedRect(QRectF(4.5, 2.5, 7, 11), 0.8, 0.8);
    p.setBrush(QColor(150, 150, 160));
    p.drawEllipse(QPointF(6, 4), 0.7, 0.7);
}

QPixmap Render(Painter paint, int scale)
{
    QPixmap pix(16 * scale, 16 * scale);
    pix.fill(Qt::transparent);
    QPainter p(&pix);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(scale, scale);
    paint(p);
    p.end();
    pix.setDevicePixelRatio(scale);
    return pix;
}
} // namespace

QIcon ToolbarIcon(const QString& key)
{
    Painter paint = nullptr;
    if (key == QLatin1String("Save"))
        paint = PaintSave;
    else if (key == QLatin1String("Config"))
        paint = PaintConfig;
    else if (key == QLatin1String("Graphs"))
        paint = PaintGraphs;
    else if (key == QLatin1String("Tree"))
        paint = PaintTree;
    else if (key == QLatin1String("DAC"))
        paint = PaintDac;
    else if (key == QLatin1String("Interrupts"))
        paint = PaintInterrupts;
    else if (key == QLatin1String("Program"))
        paint = PaintProgram;
    if (!paint)
        return {};
    QIcon icon;
    for (int scale : {1, 2, 3, 4})
        icon.addPixmap(Render(paint, scale));
    return icon;
}
