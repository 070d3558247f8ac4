// The program's own message box, as a user meets it when no test answers it.
#include "platform/Runtime.h"

#include <QApplication>
#include <QElapsedTimer>
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
// its frame, OK in view, every line within reach: up and down in a box as high as the
// screen allows, sideways only for a word wider than the screen. A text that fits does not
// scroll.
TEST(MsgBox, ATextTooLongForTheScreenScrollsInABoxThatFits)
{
    // Lines as wide as a word that the box takes whole.
    QString lines;
    for (int i = 0; i < 300; ++i)
        lines += QStringLiteral("%1: ").arg(i) + QString(60, QLatin1Char('x')) + QLatin1Char('\n');
    const QString path =
        QStringLiteral("/") + QStringLiteral("an-installation-folder-with-a-long-name/").repeated(102) + "ZandrelFW.Hex";
    ASSERT_EQ(path.size(), 4094);
    struct Case {
        QString text;
        bool upAndDown, sideways;
    };
    const Case cases[] = {{QStringLiteral("The path:\n\n") + path, true, false},
                          {QString(3000, QLatin1Char('x')), false, true},
                          {lines, true, false},
                          {QStringLiteral("A name wider than half the screen: ") + QString(90, QLatin1Char('n')), false, false}};
    for (const Case& c : cases) {
        struct Shown {
            bool fits = false, okInView = false, whole = false, upAndDown = false, sideways = false, high = false;
            bool operator==(const Shown&) const = default;
        } shown;
        const Shown expected{true, true, true, c.upAndDown, c.sideways, c.upAndDown};
        QElapsedTimer waited;
        waited.start();
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || !box->isVisible())
                return;
            const QRect screen = box->screen()->availableGeometry();
            const QRect frame = box->frameGeometry();
            QAbstractButton* ok = box->button(QMessageBox::Ok);
            const QRect okRect(ok->mapToGlobal(QPoint(0, 0)), ok->size());
            shown = Shown{screen.contains(frame), frame.contains(okRect) && screen.contains(okRect)};
            shown.high = frame.height() >= screen.height() * 3 / 4;
            // The label holds the whole text, laid out no narrower than its longest word and
            // as high as the text then needs; what the box cannot show of it lies within
            // reach of the scroll bars.
            for (QLabel* label : box->findChildren<QLabel*>()) {
                if (label->text() != c.text)
                    continue;
                const int height = label->hasHeightForWidth() ? label->heightForWidth(label->width())
                                                              : label->sizeHint().height();
                auto* scroll = qobject_cast<QScrollArea*>(label->parentWidget()->parentWidget());
                QScrollBar* across = scroll ? scroll->horizontalScrollBar() : nullptr;
                QScrollBar* down = scroll ? scroll->verticalScrollBar() : nullptr;
                shown.whole = label->width() >= label->minimumSizeHint().width() && label->height() >= height &&
                              (scroll ? across->maximum() >= label->width() - scroll->viewport()->width() &&
                                            down->maximum() >= label->height() - scroll->viewport()->height()
                                      : box->rect().contains(QRect(label->mapTo(box, QPoint(0, 0)), label->size())));
                shown.upAndDown = down && down->isVisible();
                shown.sideways = across && across->isVisible();
            }
            if (shown == expected || waited.elapsed() > 5000) {
                poll.stop();
                ok->click();
            }
        });
        poll.start(10);
        EXPECT_EQ(MsgBox(c.text, MsgIcon::Critical), MsgResult::OK);
        EXPECT_TRUE(shown.fits) << c.text.size();
        EXPECT_TRUE(shown.okInView) << c.text.size();
        EXPECT_TRUE(shown.whole) << c.text.size();
        EXPECT_EQ(shown.upAndDown, c.upAndDown) << c.text.size();
        EXPECT_EQ(shown.sideways, c.sideways) << c.text.size();
        EXPECT_EQ(shown.high, c.upAndDown) << c.text.size();
    }
}
