#include "windows/frmHelp.h"

#include "platform/Runtime.h"
#include "platform/Twips.h"
#include "windows/GeneralStuff.h"
#include "windows/frmMain.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QWindow>
#include <QTextBrowser>
#include <QUrl>

namespace {
constexpr double kHelpWidth = 9600;   // client area, twips
constexpr double kHelpHeight = 7200;
constexpr double kBottomLine = 420;   // height of the line that holds the check box
} // namespace

namespace {
// Lets a main window that has just been shown take its place: the window manager
// maximises it on the screen after the show. Waits at most a short while.
void LetMainWindowSettle()
{
    QWindow* window = gMainForm->windowHandle();
    if (!gMainForm->isVisible() || !window)
        return;
    QDeadlineTimer deadline(2000);
    while (!window->isExposed() && !deadline.hasExpired() && gMainForm && gMainForm->isVisible())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QCoreApplication::processEvents();
}
} // namespace

void PlaceAboveMainCentre(Form* form)
{
    if (!gMainForm)
        return;
    // Centre on the main window as it finally stands.
    LetMainWindowSettle();
    if (!gMainForm)
        return;
    const double left = gMainForm->WidthTwips() / 2 - form->OuterWidthTwips() / 2;
    const double top = gMainForm->HeightTwips() / 2 - form->OuterHeightTwips() / 2 - 1500;
    form->SetPositionTwips(left, top);
    form->Show();
    // The client area places a child window when it first shows it; keep our place.
    form->SetPositionTwips(left, top);
}

frmHelp::frmHelp()
{
    SetCaption(QStringLiteral("Help"));
    brwWebBrowser = new QTextBrowser(this);
    brwWebBrowser->setOpenExternalLinks(true);
    brwWebBrowser->setAccessibleName(QStringLiteral("Help"));
    chkHelp = new QCheckBox(QStringLiteral("Don't display this form on start-up"), this);
    SetClientSizeTwips(kHelpWidth, kHelpHeight);
}

void frmHelp::resizeEvent(QResizeEvent*)
{
    const int line = TwipsToPixelsY(kBottomLine);
    brwWebBrowser->setGeometry(0, 0, width(), height() - line);
    chkHelp->setGeometry(TwipsToPixelsX(120), height() - line, width() - TwipsToPixelsX(240), line);
}

void frmHelp::Form_Load()
{
    PlaceAboveMainCentre(this);
    chkHelp->setChecked(!gDisplayHelp);
    const QString page = AppPath() + QStringLiteral("/ZandrelHelp.htm");
    if (QFileInfo(page).isFile())
        brwWebBrowser->setSource(QUrl::fromLocalFile(page));
    else
        brwWebBrowser->setPlainText(QStringLiteral("The help page could not be found: ") +
                                    QDir::toNativeSeparators(page));
}

void frmHelp::Form_Unload()
{
    if (chkHelp->isChecked()) {
        SaveSetting(QStringLiteral("DisplayHelp"), QStringLiteral("False"));
        gDisplayHelp = false;
    } else {
        SaveSetting(QStringLiteral("DisplayHelp"), QStringLiteral("True"));
        gDisplayHelp = true;
    }
}

void ReadHelpPreference()
{
    gDisplayHelp = GetSetting(QStringLiteral("DisplayHelp"), QStringLiteral("False")) == QLatin1String("True");
}

void ShowHelpForm() { ShowForm<frmHelp>(); }
