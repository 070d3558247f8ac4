#include "platform/TextBox.h"

#include <QLineEdit>

void SetBoxText(QLineEdit* box, const QString& text)
{
    // QLineEdit::setText drops the selection and moves the caret even for the same text.
    if (box->text() != text)
        box->setText(text);
}
