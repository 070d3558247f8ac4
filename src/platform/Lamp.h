// A two-state status lamp: a shaded red face while LampState is true, green while false.
#pragma once

#include <QWidget>

class Lamp : public QWidget {
    Q_OBJECT
public:
    explicit Lamp(QWidget* parent = nullptr);

    bool LampState() const { return mState; }
    void SetLampState(bool state);

    QSize sizeHint() const override { return {17, 12}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool mState = false;
};
