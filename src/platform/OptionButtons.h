// How an option button raises its Click handler, as the designed option buttons do: when
// it becomes the selected one, by the user or from the program, and when the user clicks
// it while it is already selected (the handler then applies its choice again).
#pragma once

#include <functional>

class QAbstractButton;
class QObject;

// Connects the handler to the option button. A click that changes the selection runs it
// once; setting the option from the program runs it only when the selection changes.
// The connections end with context.
void ConnectOptionClick(QAbstractButton* option, QObject* context, std::function<void()> handler);
