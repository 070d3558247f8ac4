// The help window's start-up preference and the about window.
#include "TestSupport.h"

#include "platform/Forms.h"
#include "windows/GeneralStuff.h"
#include "windows/frmAbout.h"
#include "windows/frmHelp.h"
#include "windows/frmMain.h"

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
#include <QTextBrowser>
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

TEST_F(HelpAbout, HelpPageIsShownFromTheProgramFolder)
{
    frmHelp* help = ShowForm<frmHelp>();
    EXPECT_TRUE(help->brwWebBrowser->source().toLocalFile().endsWith(QStringLiteral("/ZandrelHelp.htm")));
    EXPECT_FALSE(help->brwWebBrowser->toPlainText().isEmpty());
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
