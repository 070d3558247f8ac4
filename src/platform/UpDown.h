// An up-down control: two arrow buttons beside a buddy text box. Each click steps the
// value within its range and writes the value's decimal text into the buddy, which then
// reports its change as a typed text would.
#pragma once

#include <QWidget>

class QLineEdit;
class QToolButton;

class UpDown : public QWidget {
    Q_OBJECT
public:
    explicit UpDown(QWidget* parent = nullptr);

    void SetBuddy(QLineEdit* buddy);
    void SetRange(int min, int max);
    void SetIncrement(int increment);
    int Min() const { return mMin; }
    int Max() const { return mMax; }
    int Value() const { return mValue; }
    // Sets the value (clamped to the range) without touching the buddy.
    void SetValue(int value);
    // Names the control for screen readers after the buddy's label; the arrows read as
    // that name with "up" and "down".
    void SetAccessibleName(const QString& name);

    // The user's clicks (tests call these as a click would).
    void StepUp();
    void StepDown();

signals:
    void Changed(int value);

private:
    void Step(int delta);
    QLineEdit* mBuddy = nullptr;
    QToolButton* mUp = nullptr;
    QToolButton* mDown = nullptr;
    int mMin = 0;
    int mMax = 100;
    int mIncrement = 1;
    int mValue = 0;

protected:
    void resizeEvent(QResizeEvent* event) override;
};
