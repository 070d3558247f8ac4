#include "platform/Runtime.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QLabel>
#include <QPointer>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QStyle>
#include <QTime>
#include <QTimer>
#include <algorithm>
#include <cstdlib>

namespace {
std::function<float()> gClockSource;
MsgBoxHandler gMsgBoxHandler;
QString gAppPathOverride;
std::function<void(int)> gExitHandler;

// The window the user works in, which owns a new message box: the window manager keeps
// an owned box with its owner (minimising one takes the other along) instead of letting it
// go alone while it blocks the whole program. That is an open modal window, else the
// active window, else a shown top-level window (the splash during the bring-up).
QWidget* BoxOwner()
{
    auto usable = [](QWidget* w) {
        if (!w || !w->isVisible())
            return false;
        const Qt::WindowType type = w->windowType();
        return type == Qt::Window || type == Qt::Dialog || type == Qt::SplashScreen;
    };
    if (QWidget* modal = QApplication::activeModalWidget(); usable(modal))
        return modal;
    if (QWidget* active = QApplication::activeWindow(); active && usable(active->window()))
        return active->window();
    for (QWidget* w : QApplication::topLevelWidgets())
        if (usable(w))
            return w;
    return nullptr;
}

// A box minimised on its own (a window manager may offer that on any dialog) while its
// owner stays in view comes straight back: it blocks every other window while it is open.
// A box fits the screen with its frame, its buttons in view: a text too long for that (a
// path of thousands of characters, many lines) scrolls.
class OwnedBox : public QMessageBox {
public:
    using QMessageBox::QMessageBox;

protected:
    void changeEvent(QEvent* event) override
    {
        QMessageBox::changeEvent(event);
        if (event->type() == QEvent::WindowStateChange && isMinimized())
            QTimer::singleShot(0, this, [this] {
                const QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr;
                if (isMinimized() && !(owner && owner->isMinimized()))
                    showNormal();
            });
    }

    void showEvent(QShowEvent* event) override
    {
        QMessageBox::showEvent(event); // sizes the box to its text
        mTextSize = size();
        FitScreen();
    }

    // The box would size itself to its text again at every request of its layout: once the
    // text scrolls, it keeps the size fitted here.
    bool event(QEvent* event) override
    {
        if (mScroll && event->type() == QEvent::LayoutRequest)
            return QDialog::event(event);
        return QMessageBox::event(event);
    }

    // The window manager's frame is known once it has framed the box: fit again with it.
    // A move by the user leaves the frame as it was and the box where it is taken.
    void moveEvent(QMoveEvent* event) override
    {
        QMessageBox::moveEvent(event);
        if (isVisible() && !mTextSize.isEmpty() && Frame() != mFittedFrame)
            FitScreen();
    }

private:
    // The frame around the box: its own once the window manager has framed it, else room
    // for a title bar and borders (fitted again when the frame is known).
    QMargins Frame() const
    {
        const QRect inner = geometry();
        const QRect outer = frameGeometry();
        const QMargins frame(inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
                             outer.bottom() - inner.bottom());
        return frame.isNull() ? QMargins(8, 40, 8, 8) : frame;
    }

    void FitScreen()
    {
        const QScreen* where = screen();
        if (!where)
            return;
        const QMargins frame = Frame();
        mFittedFrame = frame;
        const QSize room = where->availableGeometry().size().shrunkBy(frame);
        if (!mScroll) {
            QLayout* grid = layout();
            const int width = std::min(mTextSize.width(), room.width());
            const int height = grid->hasHeightForWidth() ? grid->totalHeightForWidth(width) : mTextSize.height();
            // A word wider than the room (a long name without a break) cannot wrap: it
            // scrolls sideways.
            const bool sideways = grid->totalMinimumSize().width() > width;
            if (sideways || height > room.height())
                ScrollText(height, sideways);
        }
        // Room for the scroll bar beside the text, as far as the screen allows.
        if (mScroll)
            setFixedSize(std::min(mTextSize.width() + mScrollBarRoom, room.width()),
                         std::min(mScrolledHeight, room.height()));
    }

    // Puts the box's text in a scroll area in its place; height: the box's height with all
    // of the text in view; sideways: a word of the text is wider than the box.
    void ScrollText(int height, bool sideways)
    {
        auto* label = findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
        if (!label)
            return;
        mScroll = new QScrollArea(this);
        mScroll->setFrameShape(QFrame::NoFrame);
        mScroll->setWidgetResizable(true);
        delete layout()->replaceWidget(label, mScroll);
        mScroll->setWidget(label);
        // A little space between the text and the scroll bar.
        const int gap = style()->pixelMetric(QStyle::PM_LayoutHorizontalSpacing);
        label->setContentsMargins(0, 0, gap, 0);
        mScrollBarRoom = mScroll->verticalScrollBar()->sizeHint().width() + gap;
        mScrolledHeight = height + (sideways ? mScroll->horizontalScrollBar()->sizeHint().height() : 0);
    }

    QSize mTextSize;
    QMargins mFittedFrame;
    QScrollArea* mScroll = nullptr;
    int mScrolledHeight = 0;
    int mScrollBarRoom = 0;
};
} // namespace

float Timer()
{
    if (gClockSource)
        return gClockSource();
    const QTime now = QTime::currentTime();
    return static_cast<float>(now.msecsSinceStartOfDay() / 1000.0);
}

void SetClockSource(std::function<float()> source) { gClockSource = std::move(source); }
bool ClockReplaced() { return static_cast<bool>(gClockSource); }

void DoEvents()
{
    if (QCoreApplication::instance())
        QCoreApplication::processEvents(QEventLoop::AllEvents);
}

MsgResult MsgBox(const QString& text, MsgIcon icon, MsgButtons buttons)
{
    if (gMsgBoxHandler)
        return gMsgBoxHandler(text, icon, buttons);
    // On the heap: the box goes with its owner should the owner be destroyed while it is open.
    QPointer<QMessageBox> box = new OwnedBox(BoxOwner());
    const QString title = QString::fromLatin1(kProgramTitle);
    box->setWindowTitle(title);
    // A box is answered, not minimised or maximised: a title bar with a close button only.
    box->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                       Qt::WindowCloseButtonHint);
    box->setText(text);
    switch (icon) {
    case MsgIcon::Critical: box->setIcon(QMessageBox::Critical); break;
    case MsgIcon::Exclamation: box->setIcon(QMessageBox::Warning); break;
    case MsgIcon::Information: box->setIcon(QMessageBox::Information); break;
    case MsgIcon::Question: box->setIcon(QMessageBox::Question); break;
    case MsgIcon::None: box->setIcon(QMessageBox::NoIcon); break;
    }
    switch (buttons) {
    case MsgButtons::OK: box->setStandardButtons(QMessageBox::Ok); break;
    case MsgButtons::OKCancel: box->setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
    case MsgButtons::YesNo: box->setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    }
    // Wide enough for the title bar to show the whole title beside its buttons, however
    // short the text (after the icon, which lays the box out anew).
    if (auto* grid = qobject_cast<QGridLayout*>(box->layout())) {
        QFont font = QFontDatabase::systemFont(QFontDatabase::TitleFont);
        font.setBold(true);
        const QFontMetrics metrics(font);
        const int width = metrics.horizontalAdvance(title) + 4 * metrics.height();
        grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed), grid->rowCount(), 0, 1,
                      grid->columnCount());
    }
    const int answer = box->exec();
    if (!box) // gone with its owner: taken as its Escape answer
        return buttons == MsgButtons::YesNo ? MsgResult::No
               : buttons == MsgButtons::OKCancel ? MsgResult::Cancel : MsgResult::OK;
    delete box;
    switch (answer) {
    case QMessageBox::Cancel: return MsgResult::Cancel;
    case QMessageBox::Yes: return MsgResult::Yes;
    case QMessageBox::No: return MsgResult::No;
    default: return MsgResult::OK;
    }
}

void SetMsgBoxHandler(MsgBoxHandler handler) { gMsgBoxHandler = std::move(handler); }

static QSettings& Store()
{
    static QSettings settings(QSettings::NativeFormat, QSettings::UserScope,
                              QString::fromLatin1(kProgramTitle), QString::fromLatin1(kProgramTitle));
    return settings;
}

QString GetSetting(const QString& key, const QString& defaultValue)
{
    return Store().value(QStringLiteral("Settings/") + key, defaultValue).toString();
}

void SaveSetting(const QString& key, const QString& value)
{
    Store().setValue(QStringLiteral("Settings/") + key, value);
    Store().sync();
}

bool HasSetting(const QString& key) { return Store().contains(QStringLiteral("Settings/") + key); }

void RemoveSetting(const QString& key)
{
    Store().remove(QStringLiteral("Settings/") + key);
    Store().sync();
}

void ClearSettings()
{
    Store().clear();
    Store().sync();
}

QString AppPath()
{
    if (!gAppPathOverride.isEmpty())
        return gAppPathOverride;
    const QString path = QCoreApplication::instance() ? QCoreApplication::applicationDirPath()
                                                      : QDir::currentPath();
    // Whatever is not a whole path would be taken from the current folder, which can be
    // any folder at all.
    return QDir::isAbsolutePath(path) ? path : QString();
}

void SetAppPath(const QString& path) { gAppPathOverride = path; }

void EndProgram(int status)
{
    if (gExitHandler)
        gExitHandler(status);
    std::exit(status);
}

void SetExitHandler(std::function<void(int)> handler) { gExitHandler = std::move(handler); }
