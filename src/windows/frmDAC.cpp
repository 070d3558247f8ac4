#include "windows/frmDAC.h"

#include "board/USBStuff.h"
#include "chip/GeneralStuff.h"
#include "platform/DacSlider.h"
#include "platform/NumberText.h"
#include "platform/OptionButtons.h"
#include "platform/Twips.h"
#include "windows/GeneralStuff.h"

#include <QColor>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>

namespace {
const QColor kGreen(0, 128, 0);
const QColor kRed(192, 0, 0);

// DAC i keeps code bits 3:0 in bits 7:4 of its LSB register and bits 11:4 in its MSB register.
int LsbRegister(int dac) { return 0x10 + 2 * dac; }
int MsbRegister(int dac) { return 0x11 + 2 * dac; }

QString VoltsText(float volts) { return TrimSingle(volts) + QStringLiteral("V"); }

template <typename Label = QLabel>
Label* MakeLabel(QWidget* parent, const QString& text, double l, double t, double w, double h, bool bold)
{
    auto* label = new Label(text, parent);
    PlaceTwips(label, l, t, w, h);
    SetFontPoints(label, 8.25, bold);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

// Our system font runs wider than the one the layout was drawn for: a label whose widest
// text does not fit grows to it, up to the given right edge.
void GrowToText(QLabel* label, const QString& widest, int right)
{
    const int needed = label->fontMetrics().horizontalAdvance(widest) + 4;
    const int room = right - label->x();
    if (needed > label->width())
        label->resize(std::min(needed, room), label->height());
}
} // namespace

frmDAC::frmDAC()
{
    SetCaption(QStringLiteral("DAC Control"));
    SetFontPoints(this, 8.25, false);

    Frame2 = new QGroupBox(QStringLiteral("Select DAC to control"), this);
    PlaceTwips(Frame2, 240, 240, 2895, 4215);
    SetFontPoints(Frame2, 8.25, true);

    Label1 = MakeLabel(Frame2, QStringLiteral("DAC Output"), 360, 480, 1095, 255, true);

    // The output can be any single-precision number of volts ("-3.39917E+38V" with a
    // large negative external reference): the label takes all the room up to the slider,
    // and a text wider than that is drawn smaller, never cut.
    lblDacVal = MakeLabel<FitLabel>(Frame2, QStringLiteral("0V"), 360, 720, 1095, 435, true);
    SetFontPoints(lblDacVal, 12, true);
    SetTextColor(lblDacVal, kGreen);

    static constexpr double kOptionTops[4] = {1440, 2040, 2640, 3240};
    static const char* const kOptionCaptions[4] = {"DAC A", "DAC B", "DAC C", "DAC D"};
    for (int i = 0; i < 4; ++i) {
        auto* opt = new QRadioButton(QString::fromLatin1(kOptionCaptions[i]), Frame2);
        PlaceTwips(opt, 480, kOptionTops[i], 855, 255);
        SetFontPoints(opt, 8.25, false);
        optDAC[i] = opt;
        ConnectOptionClick(opt, this, [this, i] { optDAC_Click(i); });
    }

    lblDACIndicator = MakeLabel(Frame2, QStringLiteral("DAC A"), 1880, 360, 645, 195, true);

    sldDAC = new DacSlider(Frame2);
    PlaceTwips(sldDAC, 1800, 600, 735, 3375);
    // The name of the chosen DAC over the slider is its label: screen readers name the
    // slider after it.
    lblDACIndicator->setBuddy(sldDAC);
    const int slider = sldDAC->x() - 4;
    GrowToText(Label1, Label1->text(), slider);
    for (QRadioButton* opt : optDAC)
        GrowToText(lblDACIndicator, opt->text(), Frame2->width() - 4);
    lblDacVal->resize(std::max(lblDacVal->width(), slider - lblDacVal->x()), lblDacVal->height());
    connect(sldDAC, &DacSlider::Change, this, &frmDAC::sldDAC_Change);

    Frame3 = new QGroupBox(QStringLiteral("LDAC Pin Status"), this);
    PlaceTwips(Frame3, 3360, 1320, 2415, 1335);
    SetFontPoints(Frame3, 8.25, true);

    lblLDACPinStatus = MakeLabel(Frame3, QStringLiteral("LDAC Pin Enabled"), 480, 600, 1320, 195, false);
    SetTextColor(lblLDACPinStatus, kGreen);
    GrowToText(lblLDACPinStatus, QStringLiteral("LDAC Pin Disabled"), Frame3->width() - 4);

    cmdClose = new QPushButton(QStringLiteral("Close"), this);
    PlaceTwips(cmdClose, 3840, 4080, 1455, 375);
    SetFontPoints(cmdClose, 8.25, false);
    connect(cmdClose, &QPushButton::clicked, this, &frmDAC::cmdClose_Click);
}

void frmDAC::Form_Load()
{
    SetClientSizeTwips(6015, 4740);
    if (gDacAInternalTemp)
        optDAC[DacA]->setEnabled(false);
    if (gDacBExternalTemp)
        optDAC[DacB]->setEnabled(false);
    // Selecting runs the option's click, which reads the DAC and places the slider.
    if (optDAC[DacA]->isEnabled())
        optDAC[DacA]->setChecked(true);
    else if (optDAC[DacB]->isEnabled())
        optDAC[DacB]->setChecked(true);
    else
        optDAC[DacC]->setChecked(true);
    gDacFormOpen = true;
}

void frmDAC::Form_Unload() { gDacFormOpen = false; }

void frmDAC::optDAC_Click(int index)
{
    lblDacVal->setText(VoltsText(gDacVolts[index]));
    const int lsb = ReadRegister(gDeviceAddress, LsbRegister(index));
    const int msb = ReadRegister(gDeviceAddress, MsbRegister(index));
    // Bits 3:0 of the LSB register hold no code bits.
    sldDAC->SetPosition(static_cast<double>(msb * 16 + (lsb & 0xF0) / 16));
    lblDACIndicator->setText(optDAC[index]->text());
}

void frmDAC::sldDAC_Change()
{
    const int code = static_cast<int>(RoundHalfEven(sldDAC->Position()));
    int32_t lsb = (code & 0x0F) * 16;
    int32_t msb = (code & 0xFF0) / 16;
    for (int i = 0; i < 4; ++i) {
        if (optDAC[i]->isChecked()) {
            WriteRegister(gDeviceAddress, LsbRegister(i), lsb);
            WriteRegister(gDeviceAddress, MsbRegister(i), msb);
            return;
        }
    }
}

void frmDAC::cmdClose_Click() { Unload(); }

void UpdateDacFormLabels()
{
    frmDAC* form = FormInstance<frmDAC>();
    if (!form)
        return;
    for (int i = 0; i < 4; ++i) {
        if (form->optDAC[i]->isChecked())
            form->lblDacVal->setText(VoltsText(gDacVolts[i]));
    }
    // Text and colour always change together: an unchanged text needs no new palette.
    const QString status = gAin3Enabled ? QStringLiteral("LDAC Pin Disabled") : QStringLiteral("LDAC Pin Enabled");
    if (form->lblLDACPinStatus->text() == status)
        return;
    SetTextColor(form->lblLDACPinStatus, gAin3Enabled ? kRed : kGreen);
    form->lblLDACPinStatus->setText(status);
}

void ShowDacForm()
{
    ShowForm<frmDAC>();
}
