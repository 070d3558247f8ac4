#include "platform/TextBox.h"

#include <QLineEdit>
#include <algorithm>

void SetBoxText(QLineEdit* box, const QString& text, BoxCaret caret)
{
    // QLineEdit::setText drops the selection and moves the caret even for the same text.
    const QString old = box->text();
    if (old == text)
        return;
    if (box->window()->focusWidget() != box) {
        box->setText(text);
        return;
    }
    // Typed in: with the caret behind the new text, the user's next key would land after
    // whatever was added (a read turning 1 into 1H makes the C typed next give 1HC).
    const int cursor = box->cursorPosition();
    const bool selected = box->hasSelectedText();
    const bool wholeSelected = selected && box->selectionLength() == old.size();
    int anchor = cursor;
    if (selected)
        anchor = box->selectionStart() == cursor ? box->selectionEnd() : box->selectionStart();
    const int length = static_cast<int>(text.size());
    const auto carry = [&](int pos) {
        if (caret == BoxCaret::FromEnd)
            pos = length - (static_cast<int>(old.size()) - pos);
        return std::clamp(pos, 0, length);
    };
    box->setText(text);
    if (wholeSelected) {
        box->selectAll();
        return;
    }
    const int newCursor = carry(cursor);
    const int newAnchor = carry(anchor);
    if (newAnchor == newCursor)
        box->setCursorPosition(newCursor);
    else
        box->setSelection(newAnchor, newCursor - newAnchor);
}
