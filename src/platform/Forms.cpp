#include "platform/Forms.h"

#include "platform/Twips.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMdiSubWindow>
#include <QMenu>
#include <QShortcut>
#include <QStyle>
#include <QTabWidget>
#include <algorithm>

namespace {
QPointer<QMdiArea> gMdiArea;
std::vector<Form*> gForms;

// A frame for a window of fixed size: title and close button, no min/max, and no sizing
// by its edges or corners either.
void UseFixedFrame(QMdiSubWindow* sub)
{
    sub->setWindowFlags(Qt::SubWindow | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                        Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
}
// Where a window of the rect's size stands wholly inside the visible client area, as near
// to the rect's place as it can.
QPoint InsideClientArea(const QRect& wanted)
{
    if (!gMdiArea->isVisible())
        return wanted.topLeft(); // no size to go by yet
    return KeptInView(wanted, gMdiArea->viewport()->rect()).topLeft();
}

// When the front window goes, the window that was in front before it comes forward, with
// the control that had its focus; the client area on its own would go by the order in
// which the windows were opened.
void BringForwardTheOneBefore(QMdiSubWindow* going)
{
    if (!gMdiArea || gMdiArea->currentSubWindow() != going)
        return;
    const auto history = gMdiArea->subWindowList(QMdiArea::ActivationHistoryOrder);
    for (auto it = history.rbegin(); it != history.rend(); ++it) {
        if (*it != going && !(*it)->isHidden()) {
            gMdiArea->setActiveSubWindow(*it);
            return;
        }
    }
}

// The tabbed pages the widget stands on, if any.
QTabWidget* TabsOf(QWidget* w)
{
    for (; w; w = w->parentWidget())
        if (auto* tabs = qobject_cast<QTabWidget*>(w))
            return tabs;
    return nullptr;
}
} // namespace

ClientArea::ClientArea(QWidget* parent) : QMdiArea(parent)
{
    auto* next = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_F6), this);
    connect(next, &QShortcut::activated, this, &QMdiArea::activateNextSubWindow);
    auto* previous = new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F6), this);
    connect(previous, &QShortcut::activated, this, &QMdiArea::activatePreviousSubWindow);
}

bool ClientArea::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool ctrlTab =
            (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) && (key->modifiers() & Qt::ControlModifier);
        QTabWidget* tabs = ctrlTab ? TabsOf(qobject_cast<QWidget*>(watched)) : nullptr;
        if (tabs && tabs != watched) {
            // Straight to the tabs, past a control on the page that would take the key as
            // its own (a drop-down list searches its items for the typed text).
            QCoreApplication::sendEvent(tabs, event);
            return true;
        }
        if (tabs)
            return QAbstractScrollArea::eventFilter(watched, event); // the tabs turn themselves
    }
    return QMdiArea::eventFilter(watched, event);
}

void SetMdiArea(QMdiArea* area) { gMdiArea = area; }

QRect KeptInView(const QRect& bounds, const QRect& area)
{
    const int x = std::max(area.left(), std::min(bounds.left(), area.right() + 1 - bounds.width()));
    const int y = std::max(area.top(), std::min(bounds.top(), area.bottom() + 1 - bounds.height()));
    return QRect(QPoint(x, y), bounds.size());
}

QMdiArea* MdiArea() { return gMdiArea.data(); }

std::vector<Form*> LoadedForms() { return gForms; }

Form::Form(QWidget* parent) : QWidget(parent) {}

Form::~Form()
{
    gForms.erase(std::remove(gForms.begin(), gForms.end(), this), gForms.end());
    if (!mUnloading && mClearSlot)
        mClearSlot();
}

void AttachForm(Form* form)
{
    gForms.push_back(form);
    if (gMdiArea) {
        form->mSub = gMdiArea->addSubWindow(form);
        form->mSub->hide();
        // The window's own menu offers what its frame does, not "Stay on Top" (its only
        // entry with a check mark), which would keep it over the window the user chooses.
        if (QMenu* menu = form->mSub->systemMenu())
            for (QAction* entry : menu->actions())
                if (entry->isCheckable())
                    menu->removeAction(entry);
        QObject::connect(form->mSub, &QMdiSubWindow::windowStateChanged, form,
                         [form](Qt::WindowStates before, Qt::WindowStates now) {
                             if ((now & Qt::WindowMinimized) && !(before & Qt::WindowMinimized))
                                 form->mMaximisedBeforeMinimised = before.testFlag(Qt::WindowMaximized);
                         });
        if (form->minimumSize() == form->maximumSize())
            UseFixedFrame(form->mSub);
        if (form->mOuterSize.isValid())
            form->mSub->resize(form->mOuterSize);
        else
            form->mSub->adjustSize();
    }
}

QWidget* Form::Frame() const
{
    if (mSub)
        return mSub.data();
    return const_cast<Form*>(this);
}

void Form::SetClientSizeTwips(double width, double height, bool fixed)
{
    const QSize size(TwipsToPixelsX(width), TwipsToPixelsY(height));
    if (fixed) {
        setFixedSize(size);
    } else {
        resize(size);
    }
    if (mSub) {
        mSub->adjustSize();
        if (fixed)
            UseFixedFrame(mSub);
    }
}

void Form::SetOuterSizeTwips(double width, double height)
{
    mOuterSize = QSize(TwipsToPixelsX(width), TwipsToPixelsY(height));
    Frame()->resize(mOuterSize);
}

void Form::SetPositionTwips(double left, double top)
{
    mOwnPlace = true;
    MoveTwips(Frame(), left, top);
}
double Form::LeftTwips() const { return PixelsToTwipsX(Frame()->x()); }
double Form::TopTwips() const { return PixelsToTwipsY(Frame()->y()); }
double Form::OuterWidthTwips() const { return PixelsToTwipsX(Frame()->width()); }
double Form::OuterHeightTwips() const { return PixelsToTwipsY(Frame()->height()); }

void Form::SetCaption(const QString& caption)
{
    setWindowTitle(caption);
    if (mSub)
        mSub->setWindowTitle(caption);
}

QString Form::Caption() const { return windowTitle(); }

void Form::Show()
{
    if (mUnloading)
        return;
    if (mSub) {
        if (!mPlaced && !mOwnPlace && gMdiArea) {
            QPoint at = mSub->pos();
            if (!mSub->testAttribute(Qt::WA_Moved)) {
                // A window without a place of its own cascades from the top left corner, the
                // way child windows open in the design; the client area's own placer would
                // work from its size before the main window is first shown.
                int open = 0;
                for (QMdiSubWindow* other : gMdiArea->subWindowList())
                    if (other != mSub && other->isVisible())
                        ++open;
                const int step = mSub->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, mSub) + 4;
                at = QPoint(open * step, open * step);
            }
            // The client area placed it, if at all, by its size before its Load: keep it
            // wholly in view at the size it has now.
            mSub->move(InsideClientArea(QRect(at, mSub->size())));
            mPlaced = gMdiArea->isVisible();
        }
        mSub->show();
        show();
        if (mSub->isMinimized()) {
            if (mMaximisedBeforeMinimised)
                mSub->showMaximized();
            else
                mSub->showNormal();
        }
        if (gMdiArea && gMdiArea->isVisible())
            gMdiArea->setActiveSubWindow(mSub);
        mSub->raise();
    } else {
        show();
        raise();
        activateWindow();
    }
}

void Form::Unload()
{
    if (mUnloading)
        return;
    mUnloading = true;
    Form_Unload();
    if (mClearSlot)
        mClearSlot();
    gForms.erase(std::remove(gForms.begin(), gForms.end(), this), gForms.end());
    if (mSub) {
        BringForwardTheOneBefore(mSub);
        mSub->hide();
        mSub->deleteLater();
    } else {
        hide();
        deleteLater();
    }
}

void Form::closeEvent(QCloseEvent* event)
{
    Unload();
    event->accept();
}

void UnloadAllForms()
{
    std::vector<Form*> forms = gForms;
    for (auto it = forms.rbegin(); it != forms.rend(); ++it) {
        if (std::find(gForms.begin(), gForms.end(), *it) != gForms.end())
            (*it)->Unload();
    }
}

void FlushDeletedForms()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
