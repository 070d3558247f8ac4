// The program's own message box, as a user meets it when no test answers it.
#include "platform/Runtime.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

// A box with a short text still shows the whole title beside the frame's buttons, and
// offers no minimise or maximise.
TEST(MsgBox, ShortBoxShowsTheWholeTitleWithoutMinimiseOrMaximise)
{
    bool seen = false;
    QString title;
    Qt::WindowFlags flags;
    int width = 0;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        poll.stop();
        seen = true;
        title = box->windowTitle();
        flags = box->windowFlags();
        width = box->frameGeometry().width();
        box->button(QMessageBox::Yes)->click();
    });
    poll.start(10);
    EXPECT_EQ(MsgBox(QStringLiteral("Go?"), MsgIcon::None, MsgButtons::YesNo), MsgResult::Yes);
    ASSERT_TRUE(seen);
    EXPECT_EQ(title, QStringLiteral("Zandrel Evaluation Software"));
    EXPECT_FALSE(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    QFont font = QFontDatabase::systemFont(QFontDatabase::TitleFont);
    font.setBold(true);
    const QFontMetrics metrics(font);
    // The title and at least a close, a menu and some margin beside it.
    EXPECT_GE(width, metrics.horizontalAdvance(title) + 3 * metrics.height());
}
