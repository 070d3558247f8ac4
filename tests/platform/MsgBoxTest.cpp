// The program's own message box, as a user meets it when no test answers it.
#include "platform/Runtime.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QMessageBox>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
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

// A text longer than the screen holds, a path of thousands of characters without a blank,
// one word wider than the screen or many lines, scrolls in a box that fits the screen with
// its frame: OK in view, every line within reach.
TEST(MsgBox, ATextTooLongForTheScreenScrollsInABoxThatFits)
{
    QString lines;
    for (int i = 0; i < 300; ++i)
        lines += QStringLiteral("Line %1 of a long message\n").arg(i);
    const QString path =
        QStringLiteral("/") + QStringLiteral("an-installation-folder-with-a-long-name/").repeated(102) + "ZandrelFW.Hex";
    ASSERT_EQ(path.size(), 4094);
    for (const QString& text : {QStringLiteral("The path:\n\n") + path, QString(3000, QLatin1Char('x')), lines}) {
        bool seen = false;
        QRect screen, frame, ok;
        bool whole = false;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || !box->isVisible())
                return;
            poll.stop();
            seen = true;
            screen = box->screen()->availableGeometry();
            frame = box->frameGeometry();
            QAbstractButton* button = box->button(QMessageBox::Ok);
            ok = QRect(button->mapToGlobal(QPoint(0, 0)), button->size());
            // The label holds the whole text, laid out no narrower than its longest word and
            // as high as the text then needs, and whatever of it the box cannot show lies
            // within reach of the scroll bars.
            for (QLabel* label : box->findChildren<QLabel*>()) {
                if (label->text() != text)
                    continue;
                const int height = label->hasHeightForWidth() ? label->heightForWidth(label->width())
                                                              : label->sizeHint().height();
                const QRect shown(label->mapTo(box, QPoint(0, 0)), label->size());
                auto* scroll = qobject_cast<QScrollArea*>(label->parentWidget()->parentWidget());
                whole = label->width() >= label->minimumSizeHint().width() && label->height() >= height &&
                        (scroll ? scroll->horizontalScrollBar()->maximum() >= label->width() - scroll->viewport()->width() &&
                                      scroll->verticalScrollBar()->maximum() >= label->height() - scroll->viewport()->height()
                                : box->rect().contains(shown));
            }
            button->click();
        });
        poll.start(10);
        EXPECT_EQ(MsgBox(text, MsgIcon::Critical), MsgResult::OK);
        ASSERT_TRUE(seen);
        EXPECT_TRUE(screen.contains(frame)) << text.size() << ": " << frame.width() << "x" << frame.height();
        EXPECT_TRUE(frame.contains(ok) && screen.contains(ok)) << text.size();
        EXPECT_TRUE(whole) << text.size();
    }
}
