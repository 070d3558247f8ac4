// The menu tree, the toolbar and what each entry opens.
#include "TestSupport.h"

#include "platform/Forms.h"
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
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
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

TEST_F(Menus, WindowMenuListsTheOpenChildWindows)
{
    main->show();
    emit main->mnuWindow->aboutToShow();
    QStringList entries = Captions(main->mnuWindow);
    ASSERT_EQ(entries.size(), 1);
    EXPECT_TRUE(entries[0].endsWith(QStringLiteral("Graphing")));
    main->mnuRegMap_Click();
    emit main->mnuWindow->aboutToShow();
    entries = Captions(main->mnuWindow);
    ASSERT_EQ(entries.size(), 2);
    // Choosing an entry activates that window.
    main->mnuWindow->actions().at(0)->trigger();
    ASSERT_NE(main->mdiArea->activeSubWindow(), nullptr);
    EXPECT_EQ(main->mdiArea->activeSubWindow()->windowTitle(), QStringLiteral("Graphing"));
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
} // namespace
