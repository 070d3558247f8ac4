#include "windows/frmTest.h"

#include "board/Switches.h"
#include "board/USBStuff.h"
#include "chip/GeneralStuff.h"
#include "platform/OptionButtons.h"
#include "platform/Twips.h"
#include "windows/GeneralStuff.h"
#include "windows/frmOptions.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

namespace {
const QString kAin12Enabled = QStringLiteral("Select the voltage source for Ain1 and Ain2");
const QString kAin12Disabled = QStringLiteral("Ain1 and Ain2 are disabled");
} // namespace

frmTest::frmTest()
{
    SetCaption(QStringLiteral("Evaluation Board Settings"));

    Frame2 = new QGroupBox(QStringLiteral("LED Bar Control"), this);
    SetFontPoints(Frame2, 8.25, true);
    PlaceTwips(Frame2, 60, 120, 3960, 1815);

    Label2 = new QLabel(QStringLiteral("Select Control Source"), Frame2);
    SetFontPoints(Label2, 8.25, false);
    PlaceTwips(Label2, 150, 360, 3000, 255);

    cmbLEDCon = new QComboBox(Frame2);
    SetFontPoints(cmbLEDCon, 8.25, false);
    cmbLEDCon->setEditable(false);
    for (const char* item : {"DAC A", "DAC B", "DAC C", "DAC D"})
        cmbLEDCon->addItem(QString::fromLatin1(item), 0);
    cmbLEDCon->setCurrentIndex(-1);
    PlaceTwips(cmbLEDCon, 150, 660, 1575, 330);
    // The label above names the list for screen readers.
    Label2->setBuddy(cmbLEDCon);

    chkOpto = new QCheckBox(QStringLiteral("Opto-Sensor controls LED Bar via DAC A"), Frame2);
    SetFontPoints(chkOpto, 8.25, false);
    PlaceTwips(chkOpto, 90, 1200, 3810, 375);

    Frame1 = new QGroupBox(QStringLiteral("Ain 1-2 Inputs "), this);
    SetFontPoints(Frame1, 8.25, true);
    PlaceTwips(Frame1, 60, 2055, 3960, 1935);

    Label1 = new QLabel(kAin12Enabled, Frame1);
    SetFontPoints(Label1, 8.25, false);
    Label1->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    Label1->setWordWrap(true);
    PlaceTwips(Label1, 90, 300, 3780, 495);

    optAin12[0] = new QRadioButton(QStringLiteral("Ain Terminal (P2)"), Frame1);
    optAin12[1] = new QRadioButton(QStringLiteral("Use source selected for LED Bar control "), Frame1);
    for (int i = 0; i < 2; ++i) {
        SetFontPoints(optAin12[i], 8.25, false);
        PlaceTwips(optAin12[i], 90, 960 + i * 480, 3810, 375);
    }

    cmdClose = new QPushButton(QStringLiteral("Close"), this);
    SetFontPoints(cmdClose, 8.25, false);
    PlaceTwips(cmdClose, 1433, 4170, 1215, 375);

    // The user's choice in the list; a choice from the program runs the handler itself.
    connect(cmbLEDCon, &QComboBox::activated, this, [this](int) { cmbLEDCon_Click(); });
    connect(chkOpto, &QCheckBox::toggled, this, [this](bool) { chkOpto_Click(); });
    for (int i = 0; i < 2; ++i)
        ConnectOptionClick(optAin12[i], this, [this, i] { optAin12_Click(i); });
    connect(cmdClose, &QPushButton::clicked, this, [this] { cmdClose_Click(); });
}

void frmTest::SetLEDConIndex(int index, bool runHandler)
{
    if (cmbLEDCon->currentIndex() == index)
        return;
    cmbLEDCon->setCurrentIndex(index);
    if (runHandler)
        cmbLEDCon_Click();
}

void frmTest::Form_Load()
{
    SetOuterSizeTwips(4200, 5445);

    if (!gOptoControl) {
        for (int i = 0; i < cmbLEDCon->count(); ++i) {
            if (cmbLEDCon->itemText(i) == gLEDBarSource)
                SetLEDConIndex(i, true);
        }
    } else {
        // "DAC A" goes into the list without running the list's handler; the opto
        // set-up that the tick runs switches the LED bar itself.
        SetLEDConIndex(0, false);
        cmbLEDCon->setEnabled(false);
        chkOpto->setChecked(true);
    }

    if (gAin12Source == Ain12SrcTerminal)
        optAin12[0]->setChecked(true);
    else
        optAin12[1]->setChecked(true);

    gTestFormOpen = true;
    SetupAin12SourceOptions();
}

void frmTest::Form_Unload()
{
    gTestFormOpen = false;
}

void frmTest::cmdClose_Click()
{
    Unload();
}

void frmTest::cmbLEDCon_Click()
{
    gLEDBarSource = cmbLEDCon->currentText().trimmed();
    if (gLEDBarSource == QLatin1String("DAC A"))
        SelectLEDBarDAC(QStringLiteral("A"));
    else if (gLEDBarSource == QLatin1String("DAC B"))
        SelectLEDBarDAC(QStringLiteral("B"));
    else if (gLEDBarSource == QLatin1String("DAC C"))
        SelectLEDBarDAC(QStringLiteral("C"));
    else if (gLEDBarSource == QLatin1String("DAC D"))
        SelectLEDBarDAC(QStringLiteral("D"));
}

void frmTest::chkOpto_Click()
{
    if (chkOpto->isChecked()) {
        SetLEDConIndex(0, false);
        cmbLEDCon->setEnabled(false);
        gOptoControl = true;
        SetUpOptoControl();
    } else {
        // Only the list comes back; the board and the registers keep the opto set-up.
        cmbLEDCon->setEnabled(true);
        gOptoControl = false;
    }
}

void frmTest::SetUpOptoControl()
{
    SelectLEDBarDAC(QStringLiteral("A"));

    // DAC Configuration: GEN1 and GEN0 cleared, ARNG (the range of DAC A) set.
    int32_t value = (ReadRegister(gDeviceAddress, 0x1B) & 0xCE) | 0x01;
    WriteRegister(gDeviceAddress, 0x1B, value);

    // The shared LDAC/AIN3 pin works as Ain3.
    value = ReadRegister(gDeviceAddress, 0x18) | 0x08;
    WriteRegister(gDeviceAddress, 0x18, value);

    // DACs A and B on the internal reference.
    value = ReadRegister(gDeviceAddress, 0x1C) | 0x10;
    WriteRegister(gDeviceAddress, 0x1C, value);

    if (gOptionsFormOpen)
        RefreshOptionsForm();
}

void frmTest::optAin12_Click(int index)
{
    if (index == 0) {
        gAin12Source = Ain12SrcTerminal;
        SetAin12SourceTerminal();
    } else {
        gAin12Source = Ain12SrcLEDBar;
        SetAin12SourceLEDDac();
    }
}

void SetupAin12SourceOptions()
{
    if (!gTestFormOpen)
        return;
    frmTest* form = FormInstance<frmTest>();
    if (!form)
        return;
    if (gAin12Mode != Ain12Inputs) {
        form->optAin12[0]->setEnabled(false);
        form->optAin12[1]->setEnabled(false);
        form->Label1->setText(kAin12Disabled);
    } else {
        form->optAin12[0]->setEnabled(true);
        form->optAin12[1]->setEnabled(true);
        if (gAin12Source == Ain12SrcTerminal)
            form->optAin12[0]->setChecked(true);
        else if (gAin12Source == Ain12SrcLEDBar)
            form->optAin12[1]->setChecked(true);
        form->Label1->setText(kAin12Enabled);
    }
}

void ShowTestForm()
{
    ShowForm<frmTest>();
}
