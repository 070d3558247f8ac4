// The menu tree, the toolbar and what each entry opens.
#include "TestSupport.h"

#include "platform/Forms.h"
#include "platform/WrapButtons.h"
#include "windows/GeneralStuff.h"
#include "windows/frmAbout.h"
#include "windows/frmDAC.h"
#include "windows/frmExternalTest.h"
#include "windows/frmGraphing.h"
#include "windows/frmHelp.h"
#include "windows/frmLimits.h"
#include "windows/frmMain.h"
#include "windows/frmOptions.h"
#include "windows/frmRegMap.h"
#include "windows/frmSave.h"
#include "windows/frmTest.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMap>
#include <QMenuBar>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QToolBar>
#include <gtest/gtest.h>

namespace {
class Menus : public ::testing::Test {
protected:
    ProgramEnvironment env;
    frmMain* main = nullptr;
    void SetUp() override { main = BringUpOnSimulatedBoard(); }

    QStringList Captions(QMenu* menu) const
    {
        QStringList out;
        for (QAction* a : menu->actions())
            out << a->text();
        return out;
    }
    QAction* Entry(QMenu* menu, const QString& text) const
    {
        for (QAction* a : menu->actions())
            if (a->text() == text)
                return a;
        return nullptr;
    }
    template <class T> int CopiesOf() const
    {
        int n = 0;
        for (Form* f : LoadedForms())
            if (qobject_cast<T*>(f))
                ++n;
        return n;
    }
};

TEST_F(Menus, MenuTreeIsExact)
{
    QStringList top;
    for (QAction* a : main->menuBar()->actions())
        top << a->text();
    EXPECT_EQ(top, (QStringList{"&File", "&View", "&Settings", "&Window", "&Help", "About"}));
    EXPECT_EQ(Captions(main->mnuFile), (QStringList{"&Log Data"}));
    EXPECT_EQ(Captions(main->mnuView), (QStringList{"&Register Map", "&Graphs", "&Interrupts"}));
    EXPECT_EQ(Captions(main->mnuDevice),
              (QStringList{"&Device Configuration", "D&AC Control", "Board Settings", "&Test Procedure"}));
    for (QMenu* m : {main->mnuFile, main->mnuView, main->mnuDevice})
        for (QAction* a : m->actions()) {
            EXPECT_TRUE(a->shortcut().isEmpty());
            EXPECT_FALSE(a->isCheckable());
            EXPECT_FALSE(a->isSeparator());
        }
}

TEST_F(Menus, EachEntryOpensItsWindowOnce)
{
    struct Case {
        QMenu* menu;
        const char* entry;
        std::function<bool()> loaded;
    };
    const std::vector<Case> cases = {
        {main->mnuFile, "&Log Data", [] { return IsFormLoaded<frmSave>(); }},
        {main->mnuView, "&Register Map", [] { return IsFormLoaded<frmRegMap>(); }},
        {main->mnuView, "&Interrupts", [] { return IsFormLoaded<frmLimits>(); }},
        {main->mnuDevice, "&Device Configuration", [] { return IsFormLoaded<frmOptions>(); }},
        {main->mnuDevice, "D&AC Control", [] { return IsFormLoaded<frmDAC>(); }},
        {main->mnuDevice, "Board Settings", [] { return IsFormLoaded<frmTest>(); }},
        {main->mnuDevice, "&Test Procedure", [] { return IsFormLoaded<frmExternalTest>(); }},
    };
    for (const Case& c : cases) {
        QAction* a = Entry(c.menu, QString::fromLatin1(c.entry));
        ASSERT_NE(a, nullptr) << c.entry;
        EXPECT_FALSE(c.loaded()) << c.entry;
        a->trigger();
        EXPECT_TRUE(c.loaded()) << c.entry;
        a->trigger();
    }
    EXPECT_EQ(CopiesOf<frmSave>(), 1);
    EXPECT_EQ(CopiesOf<frmRegMap>(), 1);
    EXPECT_EQ(CopiesOf<frmOptions>(), 1);
    main->mnuHelp->trigger();
    EXPECT_TRUE(IsFormLoaded<frmHelp>());
}

TEST_F(Menus, GraphsWhileOpenShowsTheSameWindow)
{
    frmGraphing* graphs = FormInstance<frmGraphing>();
    ASSERT_NE(graphs, nullptr); // the bring-up opened it
    Entry(main->mnuView, QStringLiteral("&Graphs"))->trigger();
    EXPECT_EQ(FormInstance<frmGraphing>(), graphs);
    EXPECT_EQ(CopiesOf<frmGraphing>(), 1);
}

TEST_F(Menus, ToolbarButtonsInOrderWithTheirTips)
{
    QStringList keys, tips;
    for (QAction* a : main->tbToolBar->actions()) {
        keys << a->data().toString();
        tips << a->toolTip();
        EXPECT_TRUE(a->text().isEmpty());
        EXPECT_FALSE(a->icon().isNull());
    }
    EXPECT_EQ(keys, (QStringList{"Save", "Config", "Graphs", "Tree", "DAC", "Interrupts"}));
    EXPECT_EQ(tips, (QStringList{"Log Data", "Configure the Device", "Temperature/Fan graphs",
                                 "Register Map Tree", "DAC Control", "Interrupts/Limits"}));
    // A right click on the toolbar or the menu bar offers nothing (no way to hide the toolbar).
    main->show();
    for (QWidget* w : {static_cast<QWidget*>(main->tbToolBar), static_cast<QWidget*>(main->menuBar())}) {
        const QPoint at(w->width() - 2, w->height() / 2);
        QContextMenuEvent click(QContextMenuEvent::Mouse, at, w->mapToGlobal(at));
        QCoreApplication::sendEvent(w, &click);
        QCoreApplication::processEvents();
        EXPECT_EQ(QApplication::activePopupWidget(), nullptr) << w->metaObject()->className();
        if (QWidget* popup = QApplication::activePopupWidget())
            popup->close();
    }
}

TEST_F(Menus, ConfigButtonEqualsTheMenuEntry)
{
    main->tbToolBar->actions().at(1)->trigger();
    frmOptions* first = FormInstance<frmOptions>();
    ASSERT_NE(first, nullptr);
    Entry(main->mnuDevice, QStringLiteral("&Device Configuration"))->trigger();
    EXPECT_EQ(FormInstance<frmOptions>(), first);
    main->tbToolBar_ButtonClick(QStringLiteral("Tree"));
    main->tbToolBar_ButtonClick(QStringLiteral("DAC"));
    main->tbToolBar_ButtonClick(QStringLiteral("Interrupts"));
    main->tbToolBar_ButtonClick(QStringLiteral("Save"));
    main->tbToolBar_ButtonClick(QStringLiteral("tree")); // keys compare with case: nothing
    EXPECT_TRUE(IsFormLoaded<frmRegMap>());
    EXPECT_TRUE(IsFormLoaded<frmDAC>());
    EXPECT_TRUE(IsFormLoaded<frmLimits>());
    EXPECT_TRUE(IsFormLoaded<frmSave>());
}

TEST_F(Menus, AboutTwiceLeavesOneWindow)
{
    main->mnuAbout->trigger();
    frmAbout* about = FormInstance<frmAbout>();
    ASSERT_NE(about, nullptr);
    main->mnuAbout->trigger();
    EXPECT_EQ(FormInstance<frmAbout>(), about);
    EXPECT_EQ(CopiesOf<frmAbout>(), 1);
}

// The Window menu as a user opens it: a click on the menu bar, or its key (Alt+W), each
// dropping down the real popup.
TEST_F(Menus, WindowMenuDropsDownWithTheOpenWindowsEvenAfterShowingNone)
{
    main->show();
    QMenuBar* bar = main->menuBar();
    QAction* window = main->mnuWindow->menuAction();
    auto clickOpen = [&] {
        QCoreApplication::processEvents(); // what happened before the click
        const QPoint at = bar->actionGeometry(window).center();
        QMouseEvent press(QEvent::MouseButtonPress, at, bar->mapToGlobal(at), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(bar, &press);
        QCoreApplication::processEvents();
        const bool shown = main->mnuWindow->isVisible();
        QStringList entries;
        for (QAction* a : main->mnuWindow->actions())
            if (a->isVisible())
                entries << (a->isEnabled() ? a->text() : QStringLiteral("(") + a->text() + QStringLiteral(")"));
        main->mnuWindow->hide();
        QCoreApplication::processEvents();
        return shown ? entries : QStringList{QStringLiteral("<nothing dropped down>")};
    };
    auto keyOpen = [&] {
        QCoreApplication::processEvents();
        bar->setActiveAction(window); // what the menu's key does
        QCoreApplication::processEvents();
        const bool shown = main->mnuWindow->isVisible();
        main->mnuWindow->hide();
        QCoreApplication::processEvents();
        return shown;
    };

    EXPECT_EQ(clickOpen(), (QStringList{"&1 Graphing"}));
    // The graphs window closed with its close box: the menu still drops down, with a
    // greyed entry that says so.
    FormInstance<frmGraphing>()->Frame()->close();
    FlushDeletedForms();
    const QStringList none = clickOpen();
    EXPECT_EQ(none.size(), 1);
    EXPECT_TRUE(none.value(0).startsWith(QStringLiteral("("))) << none.value(0).toStdString();
    EXPECT_TRUE(keyOpen());
    // Opened again, the windows are listed again, by mouse and by key.
    Entry(main->mnuView, QStringLiteral("&Graphs"))->trigger();
    main->mnuRegMap_Click();
    EXPECT_EQ(clickOpen(), (QStringList{"&1 Graphing", "&2 Register Map Access"}));
    EXPECT_TRUE(keyOpen());
    // Choosing an entry activates that window; the active one carries the check mark.
    main->mnuWindow->actions().at(0)->trigger();
    QCoreApplication::processEvents();
    ASSERT_NE(main->mdiArea->activeSubWindow(), nullptr);
    EXPECT_EQ(main->mdiArea->activeSubWindow()->windowTitle(), QStringLiteral("Graphing"));
    EXPECT_TRUE(main->mnuWindow->actions().at(0)->isChecked());
    EXPECT_FALSE(main->mnuWindow->actions().at(1)->isChecked());
}

// A window brought to the front changes no other window's size. A maximised window stays
// maximised, filling the client area, under a window opened from the toolbar or chosen from
// the Window menu (which shows at its own size), and keeps its buttons on the menu bar;
// chosen again, it comes to the front maximised.
TEST_F(Menus, MaximisedWindowStaysMaximisedWhileAnotherComesToTheFront)
{
    main->show();
    main->mnuTestProcedure_Click();
    QWidget* test = FormInstance<frmExternalTest>()->Frame();
    QWidget* graphs = FormInstance<frmGraphing>()->Frame();
    const QSize fixedSize = graphs->size();
    test->showMaximized();
    QCoreApplication::processEvents();
    ASSERT_TRUE(test->isMaximized());
    auto choose = [&](const char* caption) {
        QAction* entry = Entry(main->mnuWindow, QString::fromLatin1(caption));
        ASSERT_NE(entry, nullptr) << caption;
        entry->trigger();
        QCoreApplication::processEvents();
    };
    main->tbToolBar_ButtonClick(QStringLiteral("Tree"));
    choose("&1 Graphing");
    EXPECT_EQ(main->mdiArea->activeSubWindow(), graphs);
    EXPECT_FALSE(graphs->isMaximized());
    EXPECT_EQ(graphs->size(), fixedSize);
    EXPECT_TRUE(test->isMaximized());
    EXPECT_EQ(test->geometry(), main->mdiArea->viewport()->rect());
    EXPECT_NE(main->menuBar()->cornerWidget(Qt::TopRightCorner), nullptr);

    choose("&2 Test Procedure");
    EXPECT_EQ(main->mdiArea->activeSubWindow(), test);
    EXPECT_TRUE(test->isMaximized());
    EXPECT_EQ(test->geometry(), main->mdiArea->viewport()->rect());
    // Minimised, it comes back maximised, chosen from the Window menu (after work in another
    // window) or opened again.
    test->showMinimized();
    choose("&1 Graphing");
    choose("&2 Test Procedure");
    EXPECT_EQ(main->mdiArea->activeSubWindow(), test);
    EXPECT_TRUE(test->isMaximized());
    test->showMinimized();
    main->mnuTestProcedure_Click();
    EXPECT_TRUE(test->isMaximized());
    // One minimised at its own size comes back at that size.
    graphs->showMinimized();
    main->mnuGraphs_Click();
    EXPECT_FALSE(graphs->isMinimized());
    EXPECT_EQ(graphs->size(), fixedSize);
}

// Closing the window in front brings forward the one that was in front before it, with the
// control that had the focus there: neither the next one opened nor the last one opened.
TEST_F(Menus, ClosingTheFrontWindowBringsBackTheOneBefore)
{
    main->show();
    QApplication::setActiveWindow(main);
    main->mnuRegMap_Click();
    main->mnuDAC_Click();
    main->mnuBoard_Click();
    frmDAC* dac = FormInstance<frmDAC>();
    auto front = [&] {
        QMdiSubWindow* active = main->mdiArea->activeSubWindow();
        return active ? active->windowTitle().toStdString() : std::string("(none)");
    };
    main->mnuRegMap_Click();
    main->mnuDAC_Click();
    dac->optDAC[2]->setFocus();
    main->mnuGraphs_Click();
    ASSERT_EQ(front(), "Graphing");
    FormInstance<frmGraphing>()->Frame()->close(); // its close box
    EXPECT_EQ(front(), "DAC Control");
    EXPECT_EQ(QApplication::focusWidget(), dac->optDAC[2]);
    // Closed by its own button, the DAC window gives the front back to the register map.
    dac->cmdClose_Click();
    EXPECT_EQ(front(), "Register Map Access");
}

// Ctrl+Tab and Ctrl+Shift+Tab turn the tabs of the window whose page has the focus; Ctrl+F6
// and Ctrl+Shift+F6 bring the next and the previous window to the front.
TEST_F(Menus, CtrlTabTurnsTabsAndCtrlF6TurnsWindows)
{
    main->show();
    QApplication::setActiveWindow(main);
    main->mnuRegMap_Click();
    main->mnuConfig_Click();
    frmOptions* options = FormInstance<frmOptions>();
    options->chkMonitoring->setFocus();
    auto press = [&](Qt::Key key, Qt::KeyboardModifiers modifiers) {
        QTest::keyClick(QApplication::focusWidget(), key, modifiers);
        QMdiSubWindow* active = main->mdiArea->activeSubWindow();
        return (active ? active->windowTitle() : QStringLiteral("(none)")).toStdString() + " " +
               std::to_string(options->SSTab1->currentIndex());
    };
    EXPECT_EQ(press(Qt::Key_Tab, Qt::ControlModifier), "Configuration 1");
    EXPECT_EQ(press(Qt::Key_Tab, Qt::ControlModifier), "Configuration 2");
    EXPECT_EQ(press(Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier), "Configuration 1");
    // Other keys with Ctrl stay with the control that has the focus on the page.
    QLineEdit* offset = options->txtOffset[0];
    offset->setFocus();
    ASSERT_FALSE(offset->text().isEmpty());
    QTest::keyClick(offset, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(offset->selectedText().toStdString(), offset->text().toStdString());
    EXPECT_EQ(press(Qt::Key_F6, Qt::ControlModifier), "Graphing 1");
    EXPECT_EQ(press(Qt::Key_F6, Qt::ControlModifier | Qt::ShiftModifier), "Configuration 1");
    EXPECT_EQ(press(Qt::Key_F6, Qt::ControlModifier | Qt::ShiftModifier), "Register Map Access 1");
    // Off a tabbed page, Ctrl+Tab goes back to the window in front before.
    EXPECT_EQ(press(Qt::Key_Tab, Qt::ControlModifier), "Configuration 1");
}

// With every window open, each entry of the Window menu has an access key of its own, and
// the key chooses that entry.
TEST_F(Menus, EveryWindowMenuEntryHasAKeyOfItsOwn)
{
    main->show();
    main->mnuLog_Click();
    main->mnuRegMap_Click();
    main->mnuInterrupt_Click();
    main->mnuConfig_Click();
    main->mnuDAC_Click();
    main->mnuBoard_Click();
    main->mnuTestProcedure_Click();
    main->mnuHelp_Click();
    main->mnuAbout_Click();
    QCoreApplication::processEvents();
    const QList<QAction*> entries = main->mnuWindow->actions();
    ASSERT_EQ(entries.size(), 10);
    QMap<int, QString> keys;
    for (QAction* a : entries) {
        const QKeySequence key = QKeySequence::mnemonic(a->text());
        ASSERT_FALSE(key.isEmpty()) << a->text().toStdString();
        EXPECT_FALSE(keys.contains(key[0].toCombined())) << a->text().toStdString() << " shares its key with "
                                            << keys.value(key[0].toCombined()).toStdString();
        keys.insert(key[0].toCombined(), a->text());
    }
    // The tenth entry, by its key, with the menu dropped down: the window in front, which
    // keeps its check mark.
    const QString tenth = entries.at(9)->text();
    EXPECT_TRUE(entries.at(9)->isChecked());
    main->mnuWindow->popup(main->mapToGlobal(QPoint(0, 0)));
    QCoreApplication::processEvents();
    QKeyEvent press(QEvent::KeyPress, Qt::Key_0, Qt::NoModifier, QStringLiteral("0"));
    QCoreApplication::sendEvent(main->mnuWindow, &press);
    QCoreApplication::processEvents();
    QMdiSubWindow* active = main->mdiArea->activeSubWindow();
    ASSERT_NE(active, nullptr);
    EXPECT_EQ((QStringLiteral("1&0 ") + active->windowTitle()).toStdString(), tenth.toStdString());
    ASSERT_EQ(main->mnuWindow->actions().size(), 10);
    EXPECT_TRUE(main->mnuWindow->actions().at(9)->isChecked());
}

// Windows of fixed size keep it when their corner is dragged; sizable ones follow the drag.
TEST_F(Menus, OnlySizableWindowsFollowACornerDrag)
{
    main->show();
    main->mnuRegMap_Click();
    main->mnuConfig_Click();
    main->mnuHelp_Click();
    main->mnuAbout_Click();
    main->mnuTestProcedure_Click();
    main->mnuBoard_Click();
    QCoreApplication::processEvents();
    auto drag = [](QWidget* frame) {
        frame->raise();
        const QSize before = frame->size();
        const QPoint corner = frame->rect().bottomRight() - QPoint(1, 1);
        const QPoint to = corner + QPoint(60, 40);
        QMouseEvent hover(QEvent::MouseMove, corner, frame->mapToGlobal(corner), Qt::NoButton, Qt::NoButton,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(frame, &hover);
        QMouseEvent press(QEvent::MouseButtonPress, corner, frame->mapToGlobal(corner), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(frame, &press);
        QMouseEvent move(QEvent::MouseMove, to, frame->mapToGlobal(to), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QCoreApplication::sendEvent(frame, &move);
        QMouseEvent release(QEvent::MouseButtonRelease, to, frame->mapToGlobal(to), Qt::LeftButton,
                            Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(frame, &release);
        QCoreApplication::processEvents();
        return frame->size() - before;
    };
    for (Form* form : {static_cast<Form*>(FormInstance<frmRegMap>()), static_cast<Form*>(FormInstance<frmOptions>()),
                       static_cast<Form*>(FormInstance<frmHelp>()), static_cast<Form*>(FormInstance<frmAbout>()),
                       static_cast<Form*>(FormInstance<frmGraphing>())})
        EXPECT_EQ(drag(form->Frame()), QSize(0, 0)) << form->Caption().toStdString();
    for (Form* form : {static_cast<Form*>(FormInstance<frmExternalTest>()), static_cast<Form*>(FormInstance<frmTest>())})
        EXPECT_EQ(drag(form->Frame()), QSize(60, 40)) << form->Caption().toStdString();
    // A window's own menu (its icon) offers what its frame allows, and no "Stay on Top".
    auto ownMenu = [](Form* form) {
        QStringList entries;
        for (QAction* a : qobject_cast<QMdiSubWindow*>(form->Frame())->systemMenu()->actions())
            if (a->isVisible() && !a->isSeparator())
                entries << a->text().remove(QLatin1Char('&'));
        return entries.join(QLatin1Char(',')).toStdString();
    };
    EXPECT_EQ(ownMenu(FormInstance<frmRegMap>()), "Move,Close");
    EXPECT_EQ(ownMenu(FormInstance<frmTest>()), "Restore,Move,Size,Minimize,Maximize,Close");
}
} // namespace

namespace {
TEST(ChildWindowPlacement, TheGraphsWindowOpenedAtStartStandsAtTheTopLeft)
{
    ProgramEnvironment env;
    BringUpOnSimulatedBoard();
    // The bring-up opens it before the main window is shown, when the client area has no
    // size to place it by.
    ASSERT_NE(FormInstance<frmGraphing>(), nullptr);
    EXPECT_EQ(FormInstance<frmGraphing>()->Frame()->pos(), QPoint(0, 0));
}

// Windows left to the client area's placing open wholly inside its visible part whenever
// they fit, however many windows already stand there.
TEST(ChildWindowPlacement, NewWindowsOpenInsideTheVisibleClientArea)
{
    ProgramEnvironment env;
    // The main window restored from its maximised start takes its stored bounds, and keeps
    // putting them back while its frame settles: give it the bounds wanted here, and wait
    // until it stands on them.
    SaveSetting(QStringLiteral("MainLeft"), QStringLiteral("0"));
    SaveSetting(QStringLiteral("MainTop"), QStringLiteral("0"));
    SaveSetting(QStringLiteral("MainWidth"), QStringLiteral("12000"));
    SaveSetting(QStringLiteral("MainHeight"), QStringLiteral("9000"));
    frmMain* main = BringUpOnSimulatedBoard();
    main->show();
    main->setWindowState(Qt::WindowNoState);
    const QRect stored(0, 0, 800, 600);
    for (QDeadlineTimer deadline(5000); !deadline.hasExpired() && main->frameGeometry() != stored;)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    ASSERT_EQ(main->frameGeometry(), stored);
    main->mnuRegMap_Click();
    main->mnuLog_Click();
    main->mnuBoard_Click();
    main->mnuInterrupt_Click();
    main->mnuConfig_Click();
    main->mnuTestProcedure_Click();
    main->mnuDAC_Click();
    const QRect area = main->mdiArea->viewport()->rect();
    int fits = 0;
    for (QMdiSubWindow* sub : main->mdiArea->subWindowList(QMdiArea::CreationOrder)) {
        const QRect frame = sub->geometry();
        const std::string caption = sub->windowTitle().toStdString();
        EXPECT_GE(frame.left(), 0) << caption;
        EXPECT_GE(frame.top(), 0) << caption;
        if (frame.width() <= area.width() && frame.height() <= area.height()) {
            ++fits;
            EXPECT_TRUE(area.contains(frame)) << caption << " at " << frame.x() << "," << frame.y();
        }
    }
    EXPECT_GE(fits, 6);
}
} // namespace
