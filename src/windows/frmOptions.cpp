#include "windows/frmOptions.h"

#include "board/Switches.h"
#include "board/USBStuff.h"
#include "chip/Formatting.h"
#include "chip/GeneralStuff.h"
#include "platform/NumberText.h"
#include "platform/OptionButtons.h"
#include "platform/Runtime.h"
#include "platform/TextBox.h"
#include "platform/Twips.h"
#include "platform/UpDown.h"
#include "platform/WrapButtons.h"
#include "windows/GeneralStuff.h"
#include "windows/frmMain.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <cmath>

namespace {
// Registers of the window, in the order Load reads them.
constexpr int kConfigRegAddr[6] = {0x18, 0x19, 0x1A, 0x1B, 0x1C, 0x7F};
constexpr int kOffsetRegAddr[2] = {0x21, 0x22};

// The lowest data value the board link can frame (data x 256 + register stays a signed
// 32-bit number).
constexpr int64_t kLowestFramedData = -8388608;

bool Bit(int32_t value, int bit) { return (value >> bit) & 1; }

int32_t WithBit(int32_t value, int bit, bool on)
{
    return on ? (value | (1 << bit)) : (value & ~(1 << bit));
}

// A choice box counts as its first item when its text is that item's, else as its second.
bool ShowsFirstItem(const QComboBox* box) { return box->currentText() == box->itemText(0); }

QComboBox* MakeList(QWidget* parent, const QString& first, const QString& second)
{
    auto* box = new QComboBox(parent);
    box->addItem(first);
    box->addItem(second);
    return box;
}

QLabel* MakeLabel(const QString& caption, QWidget* parent)
{
    auto* label = new QLabel(caption, parent);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return label;
}

// A control named after the label that stands beside or over it. The label is also its
// buddy, which screen readers on Linux follow for drop-down lists (these report the chosen
// item as their name).
void NameAfter(QLabel* label, QWidget* control)
{
    label->setBuddy(control);
    control->setAccessibleName(label->text());
}

QString Quoted(const QString& text)
{
    constexpr int kShown = 40;
    return text.size() > kShown ? text.left(kShown) + QStringLiteral("...") : text;
}
} // namespace

frmOptions::frmOptions()
{
    SetCaption(QStringLiteral("Configuration"));
    SetClientSizeTwips(7920, 5535, true);

    SSTab1 = new QTabWidget(this);
    PlaceTwips(SSTab1, 120, 120, 7680, 4680);
    auto* tabDevice = new QWidget;
    auto* tabDac = new QWidget;
    auto* tabLdac = new QWidget;
    auto* tabRef = new QWidget;
    SSTab1->addTab(tabDevice, QStringLiteral("Device Options"));
    SSTab1->addTab(tabDac, QStringLiteral("DAC Options"));
    SSTab1->addTab(tabLdac, QStringLiteral("LDAC Options"));
    SSTab1->addTab(tabRef, QStringLiteral("Reference"));

    // ---- Device Options
    Frame2 = new QGroupBox(QStringLiteral("Settings"), tabDevice);
    PlaceTwips(Frame2, 120, 120, 7320, 3840);
    chkMonitoring = new WrapCheckBox(QStringLiteral("Monitoring Enabled"), Frame2);
    chkPowerDown = new WrapCheckBox(QStringLiteral("Power Down Enabled"), Frame2);
    chkAveraging = new WrapCheckBox(QStringLiteral("Averaging Disabled"), Frame2);
    chkIntEnable = new WrapCheckBox(QStringLiteral("Interrupt Enabled"), Frame2);
    chkIntPolarity = new WrapCheckBox(QStringLiteral("Active Low INT Polarity"), Frame2);
    chkSPI = new WrapCheckBox(QStringLiteral("Enable SPI Interface"), Frame2);
    {
        int i = 0;
        for (WrapCheckBox* box :
             {chkMonitoring, chkPowerDown, chkAveraging, chkIntEnable, chkIntPolarity, chkSPI})
            PlaceTwips(box, 240, 360 + 540 * i++, 3240, 375);
    }
    Label4 = MakeLabel(QStringLiteral("Select External Temp/Ain1-2"), Frame2);
    Label5 = MakeLabel(QStringLiteral("Select LDAC/Ain3"), Frame2);
    Label6 = MakeLabel(QStringLiteral("ADC Clock"), Frame2);
    cmbTempAin12 = MakeList(Frame2, QStringLiteral("Ain 1-2"), QStringLiteral("External Temp"));
    cmbLDACAin3 = MakeList(Frame2, QStringLiteral("LDAC"), QStringLiteral("AIN3"));
    cmbADCClock = MakeList(Frame2, QStringLiteral("1.4 kHz"), QStringLiteral("22.5 kHz"));
    PlaceTwips(Label4, 3840, 360, 3240, 255);
    PlaceTwips(cmbTempAin12, 3840, 630, 2400, 330);
    PlaceTwips(Label5, 3840, 1260, 3240, 255);
    PlaceTwips(cmbLDACAin3, 3840, 1530, 2400, 330);
    PlaceTwips(Label6, 3840, 2160, 3240, 255);
    PlaceTwips(cmbADCClock, 3840, 2430, 2400, 330);

    // ---- DAC Options
    Frame4 = new QGroupBox(QStringLiteral("Set DAC O/P Range"), tabDac);
    PlaceTwips(Frame4, 120, 120, 2580, 3840);
    const char* dacNames[4] = {"DAC A", "DAC B", "DAC C", "DAC D"};
    for (int i = 0; i < 4; ++i) {
        Label1[i] = MakeLabel(QString::fromLatin1(dacNames[i]), Frame4);
        PlaceTwips(Label1[i], 180, 480 + 720 * i, 660, 330);
        cmbDACRange[i] = MakeList(Frame4, QStringLiteral("0V - VRef"), QStringLiteral("0V - 2Vref"));
        PlaceTwips(cmbDACRange[i], 900, 480 + 720 * i, 1500, 330);
    }

    Frame6 = new QGroupBox(QStringLiteral("Control"), tabDac);
    PlaceTwips(Frame6, 2820, 120, 4620, 3840);
    chkDACProp[0] = new WrapCheckBox(QStringLiteral("DAC A controlled by Internal temp"), Frame6);
    chkDACProp[1] = new WrapCheckBox(QStringLiteral("DAC B controlled by External temp"), Frame6);
    PlaceTwips(chkDACProp[0], 180, 360, 2100, 600);
    PlaceTwips(chkDACProp[1], 2400, 360, 2100, 600);
    Label2 = MakeLabel(QStringLiteral("Internal Analog Offset"), Frame6);
    Label3 = MakeLabel(QStringLiteral("External Analog Offset"), Frame6);
    PlaceTwips(Label2, 180, 1200, 2100, 255);
    PlaceTwips(Label3, 2400, 1200, 2100, 255);
    UpDown* spins[2] = {nullptr, nullptr};
    for (int i = 0; i < 2; ++i) {
        txtOffset[i] = new QLineEdit(Frame6);
        PlaceTwips(txtOffset[i], 180 + 2220 * i, 1470, 1020, 330);
        spins[i] = new UpDown(Frame6);
        PlaceTwips(spins[i], 1200 + 2220 * i, 1470, 255, 330);
        spins[i]->SetBuddy(txtOffset[i]);
        spins[i]->SetRange(-128, 127);
        spins[i]->SetIncrement(1);
    }
    UpDown1 = spins[0];
    UpDown2 = spins[1];
    chkDACThermalBits =
        new WrapCheckBox(QStringLiteral("10-Bit DAC resolution on thermal voltage output"), Frame6);
    PlaceTwips(chkDACThermalBits, 180, 2160, 4320, 600);

    // ---- LDAC Options
    Frame5 = new QGroupBox(QStringLiteral("LDAC Control"), tabLdac);
    PlaceTwips(Frame5, 120, 120, 4260, 3840);
    lblLDAC = MakeLabel(QStringLiteral("LDAC pin is setup to control DAC updates"), Frame5);
    PlaceTwips(lblLDAC, 180, 480, 3960, 255);
    const char* ldacCaptions[4] = {
        "MSB write to a DAC generates LDAC command for that DAC",
        "MSB write to DAC B/D generates LDAC command for DACs A/B or C/D",
        "MSB write to DAC D generates LDAC command for all four DACs",
        "LDAC command generated from LDAC register",
    };
    for (int i = 0; i < 4; ++i) {
        optLDACWrite[i] = new WrapOptionButton(QString::fromLatin1(ldacCaptions[i]), Frame5);
        PlaceTwips(optLDACWrite[i], 180, 840 + 600 * i, 3960, 540);
    }

    Frame7 = new QGroupBox(QStringLiteral("LDAC Generation"), tabLdac);
    PlaceTwips(Frame7, 4500, 120, 2940, 3840);
    const char* genCaptions[4] = {"Generate LDAC for DAC A", "Generate LDAC for DAC B",
                                  "Generate LDAC for DAC C", "Generate LDAC for DAC D"};
    for (int i = 0; i < 4; ++i) {
        cmdGenLDAC[i] = new QPushButton(QString::fromLatin1(genCaptions[i]), Frame7);
        PlaceTwips(cmdGenLDAC[i], 180, 600 + 720 * i, 2580, 450);
    }

    // ---- Reference
    Frame3 = new QGroupBox(QStringLiteral("DAC Reference Settings"), tabRef);
    PlaceTwips(Frame3, 120, 120, 4680, 2280);
    chkExtDACRef[0] = new WrapCheckBox(QStringLiteral("External reference on DACs A and B"), Frame3);
    chkExtDACRef[1] = new WrapCheckBox(QStringLiteral("External reference on DACs C and D"), Frame3);
    PlaceTwips(chkExtDACRef[0], 180, 360, 4320, 375);
    PlaceTwips(chkExtDACRef[1], 180, 840, 4320, 375);
    lblExtRef = new QLabel(QStringLiteral("Specify External Reference (V)"), Frame3);
    lblExtRef->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    PlaceTwips(lblExtRef, 180, 1500, 2820, 330);
    txtExtRef = new QLineEdit(Frame3);
    PlaceTwips(txtExtRef, 3120, 1500, 1200, 330);

    Frame1 = new QGroupBox(QStringLiteral("Ain Reference"), tabRef);
    PlaceTwips(Frame1, 4920, 120, 2520, 1320);
    optAinRef[0] = new WrapOptionButton(QStringLiteral("Internal Vref (2.28V)"), Frame1);
    optAinRef[1] = new WrapOptionButton(QStringLiteral("Vdd"), Frame1);
    PlaceTwips(optAinRef[0], 180, 360, 2220, 375);
    PlaceTwips(optAinRef[1], 180, 780, 2220, 375);

    // Created after the pages, so that Tab reaches them after the page's controls.
    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdApply = new QPushButton(QStringLiteral("&Apply"), this);
    PlaceTwips(cmdOK, 3915, 4980, 1215, 375);
    PlaceTwips(cmdCancel, 5250, 4980, 1215, 375);
    PlaceTwips(cmdApply, 6585, 4980, 1215, 375);

    // Controls without a caption of their own take the name of their label.
    NameAfter(Label4, cmbTempAin12);
    NameAfter(Label5, cmbLDACAin3);
    NameAfter(Label6, cmbADCClock);
    for (int i = 0; i < 4; ++i)
        NameAfter(Label1[i], cmbDACRange[i]);
    NameAfter(Label2, txtOffset[0]);
    NameAfter(Label3, txtOffset[1]);
    UpDown1->SetAccessibleName(Label2->text());
    UpDown2->SetAccessibleName(Label3->text());
    NameAfter(lblExtRef, txtExtRef);

    SSTab1->setCurrentIndex(0);

    // ---- Handlers
    connect(cmdOK, &QPushButton::clicked, this, &frmOptions::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmOptions::cmdCancel_Click);
    connect(cmdApply, &QPushButton::clicked, this, &frmOptions::cmdApply_Click);
    for (int i = 0; i < 4; ++i) {
        connect(cmdGenLDAC[i], &QPushButton::clicked, this, [this, i] { cmdGenLDAC_Click(i); });
        ConnectOptionClick(optLDACWrite[i], this, [this, i] { optLDACWrite_Click(i); });
    }
    for (int i = 0; i < 2; ++i)
        connect(chkExtDACRef[i], &QCheckBox::toggled, this, [this, i] { chkExtDACRef_Click(i); });
    connect(cmbLDACAin3, &QComboBox::currentIndexChanged, this, &frmOptions::cmbLDACAin3_Click);
}

void frmOptions::Form_Load()
{
    // A fixed dialog frame: no minimise or maximise buttons. Only while the frame is
    // still hidden (Load also runs again as the refresh of an open window).
    QWidget* frame = Frame();
    if (frame != this && !frame->isVisible())
        frame->setWindowFlags(frame->windowFlags() & ~Qt::WindowMinimizeButtonHint &
                              ~Qt::WindowMaximizeButtonHint);

    for (int i = 0; i < 6; ++i)
        mConfigRegs[i] = ReadRegister(gDeviceAddress, kConfigRegAddr[i]);
    for (int i = 0; i < 2; ++i)
        mOffsetRegs[i] = ReadRegister(gDeviceAddress, kOffsetRegAddr[i]);

    const int32_t cfg1 = mConfigRegs[0];
    chkMonitoring->setChecked(Bit(cfg1, 0));
    chkPowerDown->setChecked(Bit(cfg1, 7));
    chkAveraging->setChecked(Bit(mConfigRegs[1], 5));
    chkIntEnable->setChecked(!Bit(cfg1, 5));
    chkIntPolarity->setChecked(!Bit(cfg1, 6));
    chkSPI->setChecked(Bit(mConfigRegs[5], 0));
    cmbTempAin12->setCurrentText(((cfg1 >> 1) & 0x03) == 0 ? QStringLiteral("Ain 1-2")
                                                           : QStringLiteral("External Temp"));
    cmbLDACAin3->setCurrentText(Bit(cfg1, 3) ? QStringLiteral("AIN3") : QStringLiteral("LDAC"));
    cmbADCClock->setCurrentText(Bit(mConfigRegs[2], 0) ? QStringLiteral("22.5 kHz")
                                                       : QStringLiteral("1.4 kHz"));

    for (int i = 0; i < static_cast<int>(cmbDACRange.size()); ++i)
        cmbDACRange[i]->setCurrentIndex(Bit(mConfigRegs[3], i) ? 1 : 0);

    chkDACProp[0]->setChecked(Bit(mConfigRegs[2], 5));
    chkDACProp[1]->setChecked(Bit(mConfigRegs[2], 6));
    chkDACThermalBits->setChecked(Bit(mConfigRegs[2], 1));

    for (int i = 0; i < 2; ++i) {
        if (mOffsetRegs[i] & 0x80)
            mOffsetRegs[i] = (mOffsetRegs[i] & 0x7F) - 128;
        SetBoxText(txtOffset[i], DecText(mOffsetRegs[i]));
    }

    chkExtDACRef[0]->setChecked(!Bit(mConfigRegs[4], 4));
    chkExtDACRef[1]->setChecked(!Bit(mConfigRegs[4], 5));
    SetBoxText(txtExtRef, PlainSingle(gExtRefVoltage));
    chkExtDACRef_Click(0);

    optLDACWrite[(mConfigRegs[3] & 0x30) / 16]->setChecked(true);
    UpdateLDACControls();

    chkSPI->setEnabled(!gSPIMode);
    optAinRef[Bit(mConfigRegs[2], 4) ? 1 : 0]->setChecked(true);

    gOptionsFormOpen = true;
}

void frmOptions::Form_Unload() { gOptionsFormOpen = false; }

void frmOptions::RefuseText(QWidget* page, QLineEdit* box, const QString& message)
{
    SSTab1->setCurrentWidget(page);
    MsgBox(message, MsgIcon::Exclamation);
    box->setFocus();
    box->selectAll();
}

bool frmOptions::CheckNumberTexts(std::array<int32_t, 2>& offsets, float& extRef)
{
    const QString offsetNames[2] = {QStringLiteral("Internal Analog Offset"),
                                    QStringLiteral("External Analog Offset")};
    for (int i = 0; i < 2; ++i) {
        // The box takes any number that rounds into the 32-bit range; the register then
        // receives 255 above 255 and the low byte of a negative number.
        const double number = ValText(txtOffset[i]->text());
        bool ok = false;
        offsets[i] = CLng(number, &ok);
        if (!ok) {
            RefuseText(Frame6->parentWidget(), txtOffset[i],
                       QStringLiteral("%1: \"%2\" is too %3 a number to write.\r\n"
                                      "The box takes whole numbers from -2147483648 to "
                                      "2147483647 (fractions are rounded).\r\n"
                                      "Nothing was written to the device.")
                           .arg(offsetNames[i], Quoted(txtOffset[i]->text()),
                                number < 0 ? QStringLiteral("small") : QStringLiteral("large")));
            return false;
        }
    }

    // Any reference is taken, as long as every DAC voltage it gives (at the larger range
    // and the top code) is a number the program can show and log.
    const float single = static_cast<float>(ValText(txtExtRef->text()));
    if (!std::isfinite(DacVolts(4095, 2, single))) {
        // Apply takes the reference also while no DAC uses it and its box is disabled:
        // the box is opened for the correction then, or the user could not make it.
        const bool inUse = txtExtRef->isEnabled();
        txtExtRef->setEnabled(true);
        lblExtRef->setEnabled(true);
        RefuseText(Frame3->parentWidget(), txtExtRef,
                   QStringLiteral("External Reference: \"%1\" is too %2 a reference voltage.\r\n"
                                  "The reference must lie from -1.7e38 to 1.7e38 V, so that "
                                  "every DAC voltage it gives can be shown.\r\n"
                                  "Nothing was written to the device.\r\n"
                                  "%3"
                                  "Correct the reference, then press Apply or OK again.")
                       .arg(Quoted(txtExtRef->text()),
                            single < 0 ? QStringLiteral("small") : QStringLiteral("large"),
                            inUse ? QString()
                                  : QStringLiteral("No DAC uses the external reference now, "
                                                   "but Apply takes its value all the same: "
                                                   "the box is open for editing.\r\n")));
        return false;
    }
    extRef = single;
    return true;
}

bool frmOptions::ApplyChanges()
{
    // Every text is checked before the first write, so a refused text writes nothing.
    std::array<int32_t, 2> offsets{};
    float extRef = 0;
    if (!CheckNumberTexts(offsets, extRef))
        return false;

    // Each register is composed just before its write; every write completes with its
    // chip-state update before the next one is composed.
    int32_t& cfg1 = mConfigRegs[0];
    cfg1 = WithBit(cfg1, 0, chkMonitoring->isChecked());
    cfg1 = WithBit(cfg1, 7, chkPowerDown->isChecked());
    cfg1 = WithBit(cfg1, 5, !chkIntEnable->isChecked());
    cfg1 = WithBit(cfg1, 6, !chkIntPolarity->isChecked());
    cfg1 = (cfg1 & ~0x06) | (ShowsFirstItem(cmbTempAin12) ? 0x00 : 0x04);
    cfg1 = WithBit(cfg1, 3, !ShowsFirstItem(cmbLDACAin3));
    WriteRegister(gDeviceAddress, 0x18, cfg1);

    mConfigRegs[1] = WithBit(mConfigRegs[1], 5, chkAveraging->isChecked());
    WriteRegister(gDeviceAddress, 0x19, mConfigRegs[1]);

    int32_t& cfg3 = mConfigRegs[2];
    cfg3 = WithBit(cfg3, 5, chkDACProp[0]->isChecked());
    cfg3 = WithBit(cfg3, 6, chkDACProp[1]->isChecked());
    cfg3 = WithBit(cfg3, 1, chkDACThermalBits->isChecked());
    cfg3 = WithBit(cfg3, 0, !ShowsFirstItem(cmbADCClock));
    cfg3 = WithBit(cfg3, 4, !optAinRef[0]->isChecked());
    WriteRegister(gDeviceAddress, 0x1A, cfg3);

    int32_t& dacCfg = mConfigRegs[3];
    for (int i = 0; i < static_cast<int>(cmbDACRange.size()); ++i)
        dacCfg = WithBit(dacCfg, i, !ShowsFirstItem(cmbDACRange[i]));
    for (int n = 0; n < 4; ++n) {
        if (optLDACWrite[n]->isChecked())
            dacCfg = (dacCfg & 0xCF) | (n * 16);
    }
    WriteRegister(gDeviceAddress, 0x1B, dacCfg);

    // Bits 3:0 go back as Load read them, whatever Generate LDAC wrote meanwhile.
    int32_t& ldacCfg = mConfigRegs[4];
    ldacCfg = WithBit(ldacCfg, 4, !chkExtDACRef[0]->isChecked());
    ldacCfg = WithBit(ldacCfg, 5, !chkExtDACRef[1]->isChecked());
    WriteRegister(gDeviceAddress, 0x1C, ldacCfg);

    for (int i = 0; i < 2; ++i) {
        // The register takes the low 8 bits of the number's two's complement. Numbers too
        // low for the board link to frame go as the signed byte with those same bits.
        int32_t data = offsets[i];
        if (data < kLowestFramedData) {
            const int32_t low = data & 0xFF;
            data = low >= 0x80 ? low - 256 : low;
        }
        WriteRegister(gDeviceAddress, kOffsetRegAddr[i], data);
    }

    if (chkSPI->isChecked()) {
        gSPIMode = true;
        chkSPI->setEnabled(false);
        SelectSPIInterface();
        if (gMainForm)
            gMainForm->setWindowTitle(QStringLiteral("Zandrel Evaluation Software - SPI mode"));
    }

    gExtRefVoltage = extRef;
    // The reference is taken: a box opened for its correction follows the reference
    // boxes again.
    chkExtDACRef_Click(0);
    return true;
}

void frmOptions::cmdApply_Click() { ApplyChanges(); }

void frmOptions::cmdOK_Click()
{
    // A refused text keeps the window open so the user can correct it.
    if (ApplyChanges())
        Unload();
}

void frmOptions::cmdCancel_Click() { Unload(); }

void frmOptions::cmdGenLDAC_Click(int index)
{
    const int32_t value = ReadRegister(gDeviceAddress, 0x1C);
    WriteRegisterValue(gDeviceAddress, 0x1C, value | (1 << index));
}

void frmOptions::chkExtDACRef_Click(int)
{
    txtExtRef->setEnabled(chkExtDACRef[0]->isChecked() || chkExtDACRef[1]->isChecked());
    lblExtRef->setEnabled(txtExtRef->isEnabled());
}

void frmOptions::cmbLDACAin3_Click() { UpdateLDACControls(); }

void frmOptions::optLDACWrite_Click(int) { UpdateLDACControls(); }

void frmOptions::UpdateLDACControls()
{
    if (cmbLDACAin3->currentText() == QLatin1String("LDAC")) {
        // The shared pin is the LDAC input: the chip's LDAC options do not apply.
        for (int i = 0; i < 4; ++i) {
            optLDACWrite[i]->setEnabled(false);
            cmdGenLDAC[i]->setEnabled(false);
            MoveTwips(optLDACWrite[i], 180, 840 + 600 * i);
        }
        lblLDAC->setVisible(true);
    } else {
        for (int i = 0; i < 4; ++i) {
            optLDACWrite[i]->setEnabled(true);
            cmdGenLDAC[i]->setEnabled(optLDACWrite[3]->isChecked());
            MoveTwips(optLDACWrite[i], 180, 600 + 600 * i);
        }
        lblLDAC->setVisible(false);
    }
}

void RefreshOptionsForm()
{
    if (!gOptionsFormOpen)
        return;
    if (frmOptions* form = FormInstance<frmOptions>())
        form->Form_Load();
}

void ShowOptionsForm() { ShowForm<frmOptions>(); }
