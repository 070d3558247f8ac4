// Setting a text box's text from code as the designed text boxes behaved: a box set to the
// text it already holds is left alone, so it reports no change and keeps the user's
// selection and caret. Windows set a text box that may already hold the text (a refresh,
// a mirror, a rule that rewrites the box) through this.
#pragma once

#include <QString>

class QLineEdit;

// Sets the text when it differs from what the box holds; Qt then puts the caret at the end
// of the new text.
void SetBoxText(QLineEdit* box, const QString& text);
