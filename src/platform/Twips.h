// Window geometry is designed in twips (1/1440 inch). At 96 dots per inch 15 twips
// make one pixel; the screen's logical DPI decides the factor.
#pragma once

#include <QRect>

class QWidget;

double TwipsPerPixelX();
double TwipsPerPixelY();
int TwipsToPixelsX(double twips);
int TwipsToPixelsY(double twips);
double PixelsToTwipsX(int pixels);
double PixelsToTwipsY(int pixels);
// Places a child control at a rectangle given in twips.
void PlaceTwips(QWidget* w, double left, double top, double width, double height);
// Moves a control, keeping its size.
void MoveTwips(QWidget* w, double left, double top);
// Font size in points (the designs use "MS Sans Serif"; we use the system sans).
void SetFontPoints(QWidget* w, double points, bool bold = false);
// Colour given as the design writes it: blue-green-red from the high byte down.
class QColor;
QColor ColorFromBGR(unsigned int bgr);
void SetTextColor(QWidget* w, const QColor& c);
