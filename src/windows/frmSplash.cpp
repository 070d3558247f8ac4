#include "windows/frmSplash.h"

#include "platform/Runtime.h"
#include "platform/Twips.h"
#include "windows/GeneralStuff.h"

#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QRadialGradient>
#include <cmath>

QPixmap SplashPicture()
{
    QPixmap pix(544, 378);
    QPainter p(&pix);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, 378);
    sky.setColorAt(0.0, QColor(236, 242, 250));
    sky.setColorAt(1.0, QColor(188, 204, 228));
    p.fillRect(pix.rect(), sky);

    // A chip on a board, left of the title.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(34, 112, 60));
    p.drawRoundedRect(QRectF(22, 40, 150, 150), 10, 10);
    p.setPen(QPen(QColor(214, 178, 90), 3));
    for (int i = 0; i < 6; ++i) {
        const double y = 66 + i * 18;
        p.drawLine(QPointF(34, y), QPointF(58, y));
        p.drawLine(QPointF(136, y), QPointF(160, y));
    }
    p.setPen(Qt::NoPen);
    QLinearGradient body(0, 58, 0, 172);
    body.setColorAt(0, QColor(60, 60, 66));
    body.setColorAt(1, QColor(22, 22, 26));
    p.setBrush(body);
    p.drawRoundedRect(QRectF(58, 58, 78, 114), 4, 4);
    p.setBrush(QColor(120, 120, 128));
    p.drawEllipse(QPointF(70, 70), 4, 4);

    // A temperature trace across the bottom.
    QPainterPath trace;
    trace.moveTo(0, 300);
    for (int x = 0; x <= 544; x += 8) {
        const double y = 300 - 26 * std::sin(x / 52.0) - 10 * std::sin(x / 17.0);
        trace.lineTo(x, y);
    }
    p.setPen(QPen(QColor(0, 0, 192, 90), 3));
    p.setBrush(Qt::NoBrush);
    p.drawPath(trace);
    p.setPen(QPen(QColor(0, 0, 192, 40), 1));
    for (int x = 0; x < 544; x += 34)
        p.drawLine(x, 240, x, 378);
    for (int y = 240; y < 378; y += 34)
        p.drawLine(0, y, 544, y);

    p.setPen(QPen(QColor(0, 0, 128), 2));
    p.setBrush(Qt::NoBrush);
    p.drawRect(pix.rect().adjusted(1, 1, -2, -2));
    return pix;
}

frmSplash::frmSplash()
{
    setWindowFlags(Qt::SplashScreen | Qt::FramelessWindowHint);
    setAccessibleName(QString::fromLatin1(kProgramTitle)); // no title bar to name it
    SetClientSizeTwips(7335, 4395);
    const QColor darkBlue(0, 0, 192);

    Image2 = new QLabel(this);
    Image2->setAccessibleName(QString::fromLatin1(kProgramTitle));
    PlaceTwips(Image2, 0, 0, 7335, 4395);
    Image2->setPixmap(SplashPicture().scaled(Image2->size(), Qt::IgnoreAspectRatio,
                                             Qt::SmoothTransformation));

    auto makeLabel = [&](const QString& text, double l, double t, double w, double h, double pt,
                         bool bold, const QColor& colour) {
        auto* label = new QLabel(text, this);
        PlaceTwips(label, l, t, w, h);
        SetFontPoints(label, pt, bold);
        SetTextColor(label, colour);
        label->setAttribute(Qt::WA_TranslucentBackground);
        return label;
    };
    lblProductName = makeLabel(QStringLiteral("Product"), 2955, 840, 1395, 435, 18, true, darkBlue);
    lblVersion = makeLabel(QStringLiteral("Version"), 4440, 2160, 930, 300, 12, true, darkBlue);
    lblPlatform = makeLabel(QStringLiteral("Windows XP/2000"), 4470, 2520, 1935, 300, 12, false, darkBlue);
    lblProgInfo = makeLabel(QStringLiteral("x"), 960, 3480, 105, 195, 8.25, true, Qt::black);
    lblProgInfo->hide();
    lblProgress = new QLabel(this);
    PlaceTwips(lblProgress, 960, 3720, 5415, 255);
    lblProgress->setAutoFillBackground(true);
    QPalette pal = lblProgress->palette();
    pal.setColor(QPalette::Window, darkBlue);
    lblProgress->setPalette(pal);
    lblProgress->hide();
    for (QLabel* l : {lblProductName, lblVersion, lblPlatform, lblProgInfo})
        l->adjustSize();
}

void frmSplash::Form_Load()
{
    SetPositionTwips(2000, 2000);
    lblVersion->setText(QStringLiteral("Version %1.%2.%3").arg(kVersionMajor).arg(kVersionMinor).arg(kVersionRevision));
    lblVersion->adjustSize();
    lblProductName->setText(QString::fromLatin1(kProgramTitle));
    lblProductName->adjustSize();
    // Our sans face runs wider than the design's: step the title's size down until it
    // fits inside the picture rather than cut it.
    const int room = width() - lblProductName->x() - TwipsToPixelsX(120);
    for (double pt = 18; lblProductName->width() > room && pt > 10; pt -= 0.5) {
        SetFontPoints(lblProductName, pt, true);
        lblProductName->adjustSize();
    }
}

void frmSplash::SetProgressTwips(float twips)
{
    mProgressTwips = twips;
    lblProgress->resize(TwipsToPixelsX(twips), lblProgress->height());
}

void frmSplash::ShowProgressText(const QString& text)
{
    lblProgInfo->setText(text);
    lblProgInfo->adjustSize();
    lblProgress->setAccessibleName(text); // the bar is named by the text above it
    lblProgInfo->repaint();
}

void frmSplash::StartProgress(const QString& text)
{
    lblProgress->show();
    lblProgInfo->show();
    ShowProgressText(text);
}
