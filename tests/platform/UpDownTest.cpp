#include "platform/UpDown.h"

#include <QLineEdit>
#include <gtest/gtest.h>
#include <limits>

// Steps at the very ends of int stop there instead of wrapping round.
TEST(UpDownTest, StepsAtTheEndsOfIntStopThere)
{
    constexpr int kMax = std::numeric_limits<int>::max();
    constexpr int kMin = std::numeric_limits<int>::min();
    QLineEdit buddy;
    UpDown spin;
    spin.SetBuddy(&buddy);
    spin.SetRange(kMin, kMax);
    spin.SetIncrement(10);

    spin.SetValue(kMax - 3);
    buddy.setText(QString::number(kMax - 3));
    spin.StepUp();
    EXPECT_EQ(spin.Value(), kMax);
    EXPECT_EQ(buddy.text(), QString::number(kMax));

    spin.SetValue(kMin + 3);
    buddy.setText(QString::number(kMin + 3));
    spin.StepDown();
    EXPECT_EQ(spin.Value(), kMin);
    EXPECT_EQ(buddy.text(), QString::number(kMin));

    // A buddy being typed in keeps its caret behind the stepped number, and a number
    // selected whole stays selected whole.
    buddy.setFocus();
    buddy.setText(QStringLiteral("99"));
    spin.StepUp();
    EXPECT_EQ(buddy.cursorPosition(), 3);
    buddy.setText(QStringLiteral("95"));
    buddy.selectAll();
    spin.StepUp();
    EXPECT_EQ(buddy.selectedText(), QStringLiteral("105"));
}
