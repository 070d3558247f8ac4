// Check box and option button whose caption wraps onto further lines when it is wider
// than the control, as the designed windows' buttons do. The indicator stands at the
// left, centred on the control's height; the whole control takes clicks.
#pragma once

#include <QCheckBox>
#include <QRadioButton>

class WrapCheckBox : public QCheckBox {
public:
    explicit WrapCheckBox(const QString& text, QWidget* parent = nullptr) : QCheckBox(text, parent) {}

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& pos) const override;
};

class WrapOptionButton : public QRadioButton {
public:
    explicit WrapOptionButton(const QString& text, QWidget* parent = nullptr)
        : QRadioButton(text, parent)
    {
    }

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& pos) const override;
};
