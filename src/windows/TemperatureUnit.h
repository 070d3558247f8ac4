// The temperature unit the windows and the log show: "°C", or "°F" while the graphs
// window's Fahrenheit box is ticked.
#pragma once

#include "windows/GeneralStuff.h"

#include <QString>

inline QString TemperatureUnitText()
{
    return gFahrenheit ? QStringLiteral("\u00B0F") : QStringLiteral("\u00B0C");
}
