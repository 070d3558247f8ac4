#include "platform/OptionButtons.h"

#include <QAbstractButton>
#include <memory>

void ConnectOptionClick(QAbstractButton* option, QObject* context, std::function<void()> handler)
{
    // Set while the click that is under way has already run the handler by selecting the
    // option. A press begins every click (mouse, keyboard and click() alike); the click
    // itself comes last, after the selection changed, if it did.
    auto ranForThisClick = std::make_shared<bool>(false);
    QObject::connect(option, &QAbstractButton::pressed, context, [ranForThisClick] { *ranForThisClick = false; });
    QObject::connect(option, &QAbstractButton::toggled, context, [ranForThisClick, handler](bool on) {
        if (!on)
            return;
        *ranForThisClick = true;
        handler();
    });
    QObject::connect(option, &QAbstractButton::clicked, context, [option, ranForThisClick, handler] {
        const bool ran = *ranForThisClick;
        *ranForThisClick = false;
        // A click on the selected option changes nothing, so nothing above ran the handler.
        if (!ran && option->isChecked())
            handler();
    });
}
