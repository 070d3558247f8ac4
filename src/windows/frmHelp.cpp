#include "windows/frmHelp.h"

#include "platform/Runtime.h"
#include "platform/Twips.h"
#include "windows/GeneralStuff.h"
#include "windows/frmMain.h"

#include <QCheckBox>
#include <QTextBrowser>
#include <QUrl>

namespace {
constexpr double kHelpWidth = 9600;   // client area, twips
constexpr double kHelpHeight = 7200;
constexpr double kBottomLine = 420;   // height of the line that holds the check box
} // namespace

void PlaceAboveMainCentre(Form* form)
{
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
    brwWebBrowser->setSource(QUrl::fromLocalFile(page));
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
