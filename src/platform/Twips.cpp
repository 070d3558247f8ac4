#include "platform/Twips.h"

#include <QColor>
#include <QFont>
#include <QGuiApplication>
#include <QPalette>
#include <QScreen>
#include <QWidget>
#include <cmath>

static double LogicalDpiX()
{
    if (auto* s = QGuiApplication::primaryScreen())
        return s->logicalDotsPerInchX();
    return 96.0;
}

static double LogicalDpiY()
{
    if (auto* s = QGuiApplication::primaryScreen())
        return s->logicalDotsPerInchY();
    return 96.0;
}

double TwipsPerPixelX() { return 1440.0 / LogicalDpiX(); }
double TwipsPerPixelY() { return 1440.0 / LogicalDpiY(); }
int TwipsToPixelsX(double twips) { return static_cast<int>(std::lround(twips / TwipsPerPixelX())); }
int TwipsToPixelsY(double twips) { return static_cast<int>(std::lround(twips / TwipsPerPixelY())); }
double PixelsToTwipsX(int pixels) { return pixels * TwipsPerPixelX(); }
double PixelsToTwipsY(int pixels) { return pixels * TwipsPerPixelY(); }

void PlaceTwips(QWidget* w, double left, double top, double width, double height)
{
    w->setGeometry(TwipsToPixelsX(left), TwipsToPixelsY(top), TwipsToPixelsX(width),
                   TwipsToPixelsY(height));
}

void MoveTwips(QWidget* w, double left, double top)
{
    w->move(TwipsToPixelsX(left), TwipsToPixelsY(top));
}

void SetFontPoints(QWidget* w, double points, bool bold)
{
    QFont f = w->font();
    f.setPointSizeF(points);
    f.setBold(bold);
    w->setFont(f);
}

QColor ColorFromBGR(unsigned int bgr)
{
    return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
}

void SetTextColor(QWidget* w, const QColor& c)
{
    QPalette p = w->palette();
    p.setColor(QPalette::WindowText, c);
    p.setColor(QPalette::Text, c);
    p.setColor(QPalette::ButtonText, c);
    w->setPalette(p);
}
