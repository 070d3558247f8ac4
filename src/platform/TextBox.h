// Setting a text box's text from code as the designed text boxes behaved: a box set to the
// text it already holds is left alone, so it reports no change and keeps the user's
// selection and caret. Windows set a text box that may already hold the text (a refresh,
// a mirror, a rule that rewrites the box) through this.
#pragma once

#include <QString>

class QLineEdit;

// How the caret of a box being typed in is carried over to the new text: by its place from
// the start (text added behind what was typed, as the "H" of an address), or from the end
// (a number rewritten in another form keeps its low digits last: FFFF becomes FFFFFFFF).
enum class BoxCaret { FromStart, FromEnd };

// Sets the text when it differs from what the box holds. A box the user is typing in (the
// focus of its window) keeps its caret and its selection, carried over as `caret` says and
// clamped to the new text; a selection of the whole text stays the whole text. Any other box
// gets Qt's caret at the end of the new text.
void SetBoxText(QLineEdit* box, const QString& text, BoxCaret caret = BoxCaret::FromStart);
