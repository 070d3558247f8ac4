// A two-state status lamp: a shaded red face while LampState is true, green while false.
// Assistive technology reads its state as its accessible description, "alert" or "no alert";
// its name is set by the window (the caption of its row).
#pragma once

#include <QWidget>

class Lamp : public QWidget {
    Q_OBJECT
public:
    explicit Lamp(QWidget* parent = nullptr);

    bool LampState() const { return mState; }
    void SetLampState(bool state);
    // What assistive technology is told of a state.
    static QString StateText(bool state);

    QSize sizeHint() const override { return {17, 12}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool mState = false;
};
