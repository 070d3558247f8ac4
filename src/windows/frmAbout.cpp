#include "windows/frmAbout.h"

#include "platform/Twips.h"
#include "windows/frmHelp.h"

#include <QDesktopServices>
#include <QGroupBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QUrl>

namespace {
std::function<bool(const QString&)> gOpener;

QLabel* MakeLink(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    QFont f = label->font();
    f.setPointSizeF(8.25);
    f.setBold(true);
    f.setUnderline(true);
    label->setFont(f);
    SetTextColor(label, QColor(0, 0, 192));
    label->setCursor(Qt::PointingHandCursor);
    return label;
}
} // namespace

void SetWebPageOpener(std::function<bool(const QString&)> opener) { gOpener = std::move(opener); }

void OpenWebPage(const QString& address)
{
    if (gOpener)
        gOpener(address);
    else
        QDesktopServices::openUrl(QUrl(address)); // a failure is ignored
}

frmAbout::frmAbout()
{
    SetCaption(QStringLiteral("About the Morvane Evaluatiton Software"));
    SetClientSizeTwips(6900, 2640);
    // Every control stands inside the caption-less group box, "OK" at its bottom right.
    Frame1 = new QGroupBox(this);
    PlaceTwips(Frame1, 120, 60, 6660, 2460);
    Label1 = new QLabel(QStringLiteral("Zandrel Evaluation Software Version 2.0.2"), Frame1);
    SetFontPoints(Label1, 9.75, true);
    PlaceTwips(Label1, 240, 240, 6200, 300);

    Label3 = new QLabel(QStringLiteral("For more information on the Zandrel click"), Frame1);
    PlaceTwips(Label3, 240, 780, 3600, 255);
    lblZandrelInfo = MakeLink(QStringLiteral("here"), Frame1);
    PlaceTwips(lblZandrelInfo, 3840, 780, 600, 255);

    Label4 = new QLabel(QStringLiteral("For more information on Morvane temperature sensors click"), Frame1);
    PlaceTwips(Label4, 240, 1140, 4800, 255);
    lblSensorInfo = MakeLink(QStringLiteral("here"), Frame1);
    PlaceTwips(lblSensorInfo, 5040, 1140, 600, 255);

    Label5 = new QLabel(QStringLiteral("Visit the Morvane web site at"), Frame1);
    PlaceTwips(Label5, 240, 1500, 2640, 255);
    Label6 = MakeLink(QString::fromLatin1(AboutPages::kHomeText), Frame1);
    PlaceTwips(Label6, 2880, 1500, 2400, 255);

    // Both "here" links say, to a screen reader, which sentence they end.
    lblZandrelInfo->setAccessibleName(Label3->text() + QStringLiteral(" here"));
    lblSensorInfo->setAccessibleName(Label4->text() + QStringLiteral(" here"));

    for (QLabel* l : {Label3, Label4, Label5, Label6, lblZandrelInfo, lblSensorInfo}) {
        l->adjustSize();
        l->installEventFilter(this);
    }
    // Keep each link right after its sentence, whatever the font's width.
    lblZandrelInfo->move(Label3->geometry().right() + 4, Label3->y());
    lblSensorInfo->move(Label4->geometry().right() + 4, Label4->y());
    Label6->move(Label5->geometry().right() + 4, Label5->y());

    cmdOK = new QPushButton(QStringLiteral("OK"), Frame1);
    PlaceTwips(cmdOK, 5325, 1965, 1215, 375);
    connect(cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
}

bool frmAbout::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        if (watched == Label6)
            Label6_Click();
        else if (watched == lblZandrelInfo)
            lblZandrelInfo_Click();
        else if (watched == lblSensorInfo)
            lblSensorInfo_Click();
    }
    return Form::eventFilter(watched, event);
}

void frmAbout::Form_Load() { PlaceAboveMainCentre(this); }
void frmAbout::cmdOK_Click() { Unload(); }
void frmAbout::Label6_Click() { OpenWebPage(QString::fromLatin1(AboutPages::kHome)); }
void frmAbout::lblZandrelInfo_Click() { OpenWebPage(QString::fromLatin1(AboutPages::kZandrel)); }
void frmAbout::lblSensorInfo_Click() { OpenWebPage(QString::fromLatin1(AboutPages::kSensors)); }

void LoadAboutForm() { LoadForm<frmAbout>(); }
