// The help window's start-up preference and the about window.
#include "TestSupport.h"

#include "platform/Forms.h"
#include "windows/GeneralStuff.h"
#include "windows/frmAbout.h"
#include "windows/frmHelp.h"
#include "windows/frmMain.h"
#include "windows/frmSplash.h"

#include <QAccessible>
#include <QCheckBox>
#include <QCoreApplication>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QToolBar>
#include <gtest/gtest.h>

namespace {
class HelpAbout : public ::testing::Test {
protected:
    ProgramEnvironment env;
    void SetUp() override
    {
        gMainForm = new frmMain();
        gMainForm->resize(TwipsToPixels(9000), TwipsToPixels(6000));
    }
    static int TwipsToPixels(double t) { return static_cast<int>(t / 15); }
};

TEST_F(HelpAbout, FirstStartHasNoPreferenceAndTheBoxShowsTicked)
{
    ReadHelpPreference();
    EXPECT_FALSE(gDisplayHelp);
    frmHelp* help = ShowForm<frmHelp>();
    EXPECT_TRUE(help->chkHelp->isChecked());
    EXPECT_FALSE(HasSetting(QStringLiteral("DisplayHelp")));
    // Closing without touching the box creates the entry with the flag it had.
    help->Unload();
    EXPECT_EQ(GetSetting(QStringLiteral("DisplayHelp")), QStringLiteral("False"));
}

TEST_F(HelpAbout, ClosingUntickedAsksForHelpAtTheNextStart)
{
    frmHelp* help = ShowForm<frmHelp>();
    help->chkHelp->setChecked(false);
    help->close();
    EXPECT_EQ(GetSetting(QStringLiteral("DisplayHelp")), QStringLiteral("True"));
    EXPECT_TRUE(gDisplayHelp);
    gDisplayHelp = false;
    ReadHelpPreference();
    EXPECT_TRUE(gDisplayHelp);

    FlushDeletedForms();
    help = ShowForm<frmHelp>();
    EXPECT_FALSE(help->chkHelp->isChecked());
    help->chkHelp->setChecked(true);
    help->Unload();
    EXPECT_EQ(GetSetting(QStringLiteral("DisplayHelp")), QStringLiteral("False"));
    EXPECT_FALSE(gDisplayHelp);
}

TEST_F(HelpAbout, OnlyTheTextTrueCountsAsTrue)
{
    for (const char* text : {"true", "1", "Yes", "", " True"}) {
        SaveSetting(QStringLiteral("DisplayHelp"), QString::fromLatin1(text));
        ReadHelpPreference();
        EXPECT_FALSE(gDisplayHelp) << text;
    }
}

TEST_F(HelpAbout, HelpPageIsShownFromTheProgramFolderOrNamedWhenMissing)
{
    frmHelp* help = ShowForm<frmHelp>();
    EXPECT_TRUE(help->brwWebBrowser->source().toLocalFile().endsWith(QStringLiteral("/ZandrelHelp.htm")));
    EXPECT_FALSE(help->brwWebBrowser->toPlainText().isEmpty());
    help->Unload();
    FlushDeletedForms();

    QTemporaryDir empty;
    SetAppPath(empty.path());
    help = ShowForm<frmHelp>();
    EXPECT_EQ(help->brwWebBrowser->toPlainText(),
              QStringLiteral("The help page could not be found: ") + empty.path() + QStringLiteral("/ZandrelHelp.htm"));
}

// A screen reader finds every control of the main window, the help, about and splash
// windows by a name of its own.
TEST_F(HelpAbout, EveryControlHasAnAccessibleName)
{
    auto nameOf = [](QWidget* w) {
        QAccessibleInterface* i = QAccessible::queryAccessibleInterface(w);
        return i ? i->text(QAccessible::Name) : QString();
    };
    QStringList toolbar;
    for (QAction* a : gMainForm->tbToolBar->actions())
        toolbar << nameOf(gMainForm->tbToolBar->widgetForAction(a));
    EXPECT_EQ(toolbar, (QStringList{"Log Data", "Configure the Device", "Temperature/Fan graphs",
                                    "Register Map Tree", "DAC Control", "Interrupts/Limits"}));

    frmHelp* help = ShowForm<frmHelp>();
    EXPECT_EQ(nameOf(help->brwWebBrowser), QStringLiteral("Help"));
    EXPECT_EQ(nameOf(help->chkHelp), QStringLiteral("Don't display this form on start-up"));

    frmAbout* about = LoadForm<frmAbout>();
    QStringList aboutNames;
    for (QWidget* w : {static_cast<QWidget*>(about->lblZandrelInfo), static_cast<QWidget*>(about->lblSensorInfo),
                       static_cast<QWidget*>(about->Label6),
                       static_cast<QWidget*>(about->cmdOK)})
        aboutNames << nameOf(w);
    EXPECT_EQ(aboutNames, (QStringList{"For more information on the Zandrel click here",
                                       "For more information on Morvane temperature sensors click here",
                                       "www.example.com", "OK"}));

    frmSplash* splash = ShowForm<frmSplash>();
    EXPECT_EQ(nameOf(splash), QStringLiteral("Zandrel Evaluation Software"));
    splash->StartProgress(QStringLiteral("Connecting..."));
    EXPECT_EQ(nameOf(splash->lblProgress), QStringLiteral("Connecting..."));
}

// Every "Menu > Entry" the help page names is a real entry of the main window's menus.
TEST_F(HelpAbout, HelpPageNamesTheRealMenuEntries)
{
    QFile file(AppPath() + QStringLiteral("/ZandrelHelp.htm"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString page = QString::fromUtf8(file.readAll());
    auto plain = [](QString text) { return text.remove(QLatin1Char('&')); };
    const QRegularExpression entry(QStringLiteral(R"(<td>([A-Za-z ]+) &gt; ([A-Za-z ]+)</td>)"));
    int named = 0;
    for (auto it = entry.globalMatch(page); it.hasNext(); ++named) {
        const auto m = it.next();
        bool found = false;
        for (QAction* top : gMainForm->menuBar()->actions()) {
            if (!top->menu() || plain(top->text()) != m.captured(1))
                continue;
            for (QAction* a : top->menu()->actions())
                found = found || plain(a->text()) == m.captured(2);
        }
        EXPECT_TRUE(found) << m.captured(0).toStdString();
    }
    EXPECT_GE(named, 7);
}

TEST_F(HelpAbout, AboutIsLoadedOnceAndPlacedAboveTheMiddle)
{
    gMainForm->mnuAbout_Click();
    frmAbout* about = FormInstance<frmAbout>();
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(about->Caption(), QStringLiteral("About the Morvane Evaluatiton Software"));
    const double expectedTop = gMainForm->HeightTwips() / 2 - about->OuterHeightTwips() / 2 - 1500;
    EXPECT_NEAR(about->TopTwips(), expectedTop, 15);
    about->Frame()->move(5, 5);
    gMainForm->mnuAbout_Click();
    EXPECT_EQ(FormInstance<frmAbout>(), about);
    EXPECT_EQ(about->Frame()->pos(), QPoint(5, 5)); // not placed again
}

TEST_F(HelpAbout, SmallMainWindowGivesNegativePlacement)
{
    gMainForm->resize(400, 300);
    frmAbout* about = LoadForm<frmAbout>();
    const double left = gMainForm->WidthTwips() / 2 - about->OuterWidthTwips() / 2;
    const double top = gMainForm->HeightTwips() / 2 - about->OuterHeightTwips() / 2 - 1500;
    ASSERT_LT(left, 0);
    ASSERT_LT(top, 0);
    EXPECT_NEAR(about->LeftTwips(), left, 15);
    EXPECT_NEAR(about->TopTwips(), top, 15);
}

TEST_F(HelpAbout, LinksOpenTheirPagesAndOkCloses)
{
    std::vector<QString> opened;
    SetWebPageOpener([&](const QString& a) {
        opened.push_back(a);
        return false; // a failure changes nothing
    });
    frmAbout* about = LoadForm<frmAbout>();
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(2, 2), QPointF(2, 2), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(about->lblZandrelInfo, &release);
    about->lblSensorInfo_Click();
    about->Label6_Click();
    SetWebPageOpener({});
    EXPECT_EQ(opened, (std::vector<QString>{QString::fromLatin1(AboutPages::kZandrel),
                                            QString::fromLatin1(AboutPages::kSensors),
                                            QString::fromLatin1(AboutPages::kHome)}));
    EXPECT_TRUE(IsFormLoaded<frmAbout>());
    // "OK" stands inside the group box with every other control, at its bottom right.
    EXPECT_EQ(about->cmdOK->parentWidget(), about->Frame1);
    EXPECT_TRUE(about->Frame1->rect().contains(about->cmdOK->geometry()));
    EXPECT_GT(about->cmdOK->geometry().left(), about->Frame1->width() / 2);
    EXPECT_GT(about->cmdOK->geometry().top(), about->lblSensorInfo->geometry().bottom());
    about->cmdOK_Click();
    EXPECT_FALSE(IsFormLoaded<frmAbout>());
}
} // namespace
