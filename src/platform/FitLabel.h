// A label for a reading whose text can be of any length: the text always shows whole. Text
// that is wider than the label is drawn in a smaller size of the label's font, the largest
// that fits; text that fits is drawn as any label draws it. The text itself (and so what
// assistive technology reads) is never shortened.
#pragma once

#include <QFont>
#include <QLabel>

class FitLabel : public QLabel {
    Q_OBJECT
public:
    explicit FitLabel(const QString& text, QWidget* parent = nullptr);

    // The font the text is drawn in: the label's own font, or a smaller size of it.
    QFont ShownFont() const;

protected:
    void paintEvent(QPaintEvent* event) override;
};
