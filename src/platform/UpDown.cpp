#include "platform/UpDown.h"

#include "platform/NumberText.h"
#include "platform/TextBox.h"

#include <QLineEdit>
#include <QToolButton>
#include <algorithm>
#include <cstdint>

UpDown::UpDown(QWidget* parent) : QWidget(parent)
{
    mUp = new QToolButton(this);
    mDown = new QToolButton(this);
    mUp->setArrowType(Qt::UpArrow);
    mDown->setArrowType(Qt::DownArrow);
    for (QToolButton* b : {mUp, mDown}) {
        b->setAutoRepeat(true);
        b->setAutoRepeatDelay(400);
        b->setAutoRepeatInterval(60);
        b->setFocusPolicy(Qt::NoFocus);
    }
    connect(mUp, &QToolButton::clicked, this, &UpDown::StepUp);
    connect(mDown, &QToolButton::clicked, this, &UpDown::StepDown);
}

void UpDown::resizeEvent(QResizeEvent*)
{
    const int h = height() / 2;
    mUp->setGeometry(0, 0, width(), h);
    mDown->setGeometry(0, h, width(), height() - h);
}

void UpDown::SetBuddy(QLineEdit* buddy) { mBuddy = buddy; }

void UpDown::SetRange(int min, int max)
{
    mMin = std::min(min, max);
    mMax = std::max(min, max);
    mValue = std::clamp(mValue, mMin, mMax);
}

void UpDown::SetAccessibleName(const QString& name)
{
    setAccessibleName(name);
    mUp->setAccessibleName(name + QStringLiteral(" up"));
    mDown->setAccessibleName(name + QStringLiteral(" down"));
}

void UpDown::SetIncrement(int increment) { mIncrement = std::max(1, increment); }

void UpDown::SetValue(int value) { mValue = std::clamp(value, mMin, mMax); }

void UpDown::StepUp() { Step(mIncrement); }
void UpDown::StepDown() { Step(-mIncrement); }

void UpDown::Step(int delta)
{
    // Start from what the buddy shows, so a typed value is stepped from, not overwritten.
    if (mBuddy) {
        bool ok = false;
        const int32_t typed = CLng(ValText(mBuddy->text()), &ok);
        if (ok)
            mValue = std::clamp(static_cast<int>(typed), mMin, mMax);
    }
    // Summed wide: a value at the end of a range near the int limits must not overflow.
    const int next = static_cast<int>(std::clamp<int64_t>(int64_t{mValue} + delta, mMin, mMax));
    mValue = next;
    if (mBuddy)
        SetBoxText(mBuddy, DecText(next), BoxCaret::FromEnd);
    emit Changed(next);
}
