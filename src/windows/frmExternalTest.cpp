#include "windows/frmExternalTest.h"

#include "board/Switches.h"
#include "board/USBStuff.h"
#include "chip/Formatting.h"
#include "chip/GeneralStuff.h"
#include "platform/OptionButtons.h"
#include "platform/Twips.h"
#include "windows/frmGraphing.h"

#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>

namespace {
const QString kAlertOn = QStringLiteral("Click to turn ALERT LED on");
const QString kAlertOff = QStringLiteral("Click to turn ALERT LED off");

// Reads a register, keeps the bits of andMask, sets the bits of orMask and writes it back.
void ModifyRegister(int32_t reg, int andMask, int orMask)
{
    int32_t value = (ReadRegister(gDeviceAddress, reg) & andMask) | orMask;
    WriteRegister(gDeviceAddress, reg, value);
}

void SetRegister(int32_t reg, int32_t value)
{
    WriteRegister(gDeviceAddress, reg, value);
}
} // namespace

frmExternalTest::frmExternalTest()
{
    SetCaption(QStringLiteral("Test Procedure"));

    // The column of buttons, in tab order.
    const std::array<std::pair<QPushButton**, const char*>, 8> buttons{{
        {&cmdEnableAllTemps, "Enable All Temperatures"},
        {&cmdVerifyVdd, "Verify Vdd Reading"},
        {&cmdVerifyDACs, "Verify DAC Outputs"},
        {&cmdEnableAin14, "Enable Ain 1-4 "},
        {&cmcdAinTerminal, "Ain Connector Test"},
        {&cmdAlertLED, "Click to turn ALERT LED on"},
        {&cmdLDACTest, "LDAC Switch Test"},
        {&cmdExtRef, "External Reference Test"},
    }};
    for (size_t i = 0; i < buttons.size(); ++i) {
        QPushButton* b = new QPushButton(QString::fromLatin1(buttons[i].second), this);
        SetFontPoints(b, 8.25, false);
        PlaceTwips(b, 240, 360 + 600.0 * static_cast<double>(i), 2655, 375);
        *buttons[i].first = b;
    }

    Frame1 = new QGroupBox(this);
    PlaceTwips(Frame1, 3120, 240, 2415, 615);
    for (int i = 0; i < 4; ++i) {
        optDAC[i] = new QRadioButton(QString(QChar('A' + i)), Frame1);
        SetFontPoints(optDAC[i], 8.25, false);
        PlaceTwips(optDAC[i], 120 + 570.0 * i, 180, 495, 315);
    }

    connect(cmdEnableAllTemps, &QPushButton::clicked, this, [this] { cmdEnableAllTemps_Click(); });
    connect(cmdVerifyVdd, &QPushButton::clicked, this, [this] { cmdVerifyVdd_Click(); });
    connect(cmdVerifyDACs, &QPushButton::clicked, this, [this] { cmdVerifyDACs_Click(); });
    connect(cmdEnableAin14, &QPushButton::clicked, this, [this] { cmdEnableAin14_Click(); });
    connect(cmcdAinTerminal, &QPushButton::clicked, this, [this] { cmcdAinTerminal_Click(); });
    connect(cmdAlertLED, &QPushButton::clicked, this, [this] { cmdAlertLED_Click(); });
    connect(cmdLDACTest, &QPushButton::clicked, this, [this] { cmdLDACTest_Click(); });
    connect(cmdExtRef, &QPushButton::clicked, this, [this] { cmdExtRef_Click(); });
    for (int i = 0; i < 4; ++i)
        ConnectOptionClick(optDAC[i], this, [this, i] { optDAC_Click(i); });
}

void frmExternalTest::Form_Load()
{
    SetOuterSizeTwips(3480, 5745);
}

void frmExternalTest::cmdEnableAllTemps_Click()
{
    // LDAC set: the shared pin reads the Kulex sensor as Ain3; P7/8 = 10: external diode.
    ModifyRegister(0x18, 0xFF, 0x0C);
    ShowGraphChart(0);
}

void frmExternalTest::cmdVerifyVdd_Click()
{
    ShowGraphChart(1);
}

void frmExternalTest::cmdVerifyDACs_Click()
{
    // All four DACs on the internal reference.
    ModifyRegister(0x1C, 0xFF, 0x30);
    // Codes A 863, B 1433, C 2166, D 3265, each LSB register before its MSB register.
    static constexpr int kCodes[8] = {0xF0, 848 / 16, 0x90, 1424 / 16, 0x60, 2160 / 16, 0x10, 3264 / 16};
    for (int i = 0; i < 8; ++i)
        SetRegister(0x10 + i, kCodes[i]);
    gLEDBarSource = QStringLiteral("DAC A");
    SelectLEDBarDAC(QStringLiteral("A"));
    optDAC[0]->setChecked(true);
    ShowGraphChart(2);
}

void frmExternalTest::cmdEnableAin14_Click()
{
    // P7/8 = 00: the pins work as Ain1 and Ain2.
    ModifyRegister(0x18, 0xFB, 0x00);
    gLEDBarSource = QStringLiteral("DAC C");
    SelectLEDBarDAC(QStringLiteral("C"));
    gAin12Source = Ain12SrcLEDBar;
    SetAin12SourceLEDDac();
    ShowGraphChart(3);
}

void frmExternalTest::cmcdAinTerminal_Click()
{
    gAin12Source = Ain12SrcTerminal;
    SetAin12SourceTerminal();
    ShowGraphChart(3);
}

void frmExternalTest::cmdAlertLED_Click()
{
    // Register 27h is the Ain1 high limit: 0 V lies below the Ain1 reading and lights the
    // ALERT LED, 2.0 V puts it out again.
    if (cmdAlertLED->text() == kAlertOn) {
        cmdAlertLED->setText(kAlertOff);
        SetRegister(0x27, AinVoltsToCode(0.0f));
    } else {
        cmdAlertLED->setText(kAlertOn);
        SetRegister(0x27, AinVoltsToCode(2.0f));
    }
}

void frmExternalTest::cmdLDACTest_Click()
{
    // LDAC cleared: the shared pin works as LDAC; then every DAC code 0.
    ModifyRegister(0x18, 0xF7, 0x00);
    for (int reg = 0x10; reg <= 0x17; ++reg)
        SetRegister(reg, 0);
    ShowGraphChart(2);
}

void frmExternalTest::cmdExtRef_Click()
{
    // DACs C and D on the external reference, A and B on the internal one.
    ModifyRegister(0x1C, 0xCF, 0x10);
    ModifyRegister(0x18, 0xFF, 0x08);
    gExtRefVoltage = 2.0f;
    // DAC C code 2047.
    SetRegister(0x14, 0xF0);
    SetRegister(0x15, 2032 / 16);
    gLEDBarSource = QStringLiteral("DAC C");
    SelectLEDBarDAC(QStringLiteral("C"));
    ShowGraphChart(2);
}

void frmExternalTest::optDAC_Click(int index)
{
    static const char* const kLetters[4] = {"A", "B", "C", "D"};
    if (index < 0 || index > 3)
        return;
    gLEDBarSource = QStringLiteral("DAC ") + QLatin1String(kLetters[index]);
    SelectLEDBarDAC(QLatin1String(kLetters[index]));
}

void ShowExternalTestForm()
{
    ShowForm<frmExternalTest>();
}
