// The toolbar's six pictures, drawn by us so they stay crisp at any screen density.
#pragma once

#include <QIcon>
#include <QString>

// The picture for a toolbar key ("Save", "Config", "Graphs", "Tree", "DAC", "Interrupts"),
// and the program's own icon ("Program").
QIcon ToolbarIcon(const QString& key);
