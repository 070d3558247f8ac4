#include "windows/frmLimits.h"

#include "board/USBStuff.h"
#include "chip/Formatting.h"
#include "chip/GeneralStuff.h"
#include "platform/Lamp.h"
#include "platform/LimitGauge.h"
#include "platform/NumberText.h"
#include "platform/Twips.h"
#include "windows/GeneralStuff.h"
#include "windows/TemperatureUnit.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QTabWidget>
#include <algorithm>

namespace {
constexpr int kIntMask1 = 0x1D;
constexpr int kIntMask2 = 0x1E;
constexpr int kConfig1 = 0x18;

// Limit registers (low, high) of the temperature, Vdd and Ain1 to Ain4 gauges. Ain1 and Ain2
// share theirs with the external temperature.
constexpr int kInternalLow = 0x26, kInternalHigh = 0x25;
constexpr int kExternalLow = 0x28, kExternalHigh = 0x27;
constexpr int kVddLow = 0x24, kVddHigh = 0x23;
constexpr int kAinLow[4] = {0x28, 0x2C, 0x2E, 0x30};
constexpr int kAinHigh[4] = {0x27, 0x2B, 0x2D, 0x2F};

// The register and bit a mask box stands for.
int MaskRegister(int index) { return index == 4 ? kIntMask2 : kIntMask1; }
int MaskBit(int index)
{
    if (index <= 3)
        return 1 << index;
    if (index == 4)
        return 0x10;
    return 1 << (index - 1);
}

// Whether the source of lamp k is set; lamp 6 is the interrupt output pin.
bool LampSource(int k)
{
    const int s1 = gIntStatus1 & 0xFF;
    const int s2 = gIntStatus2 & 0xFF;
    switch (k) {
    case 0: return s1 & 0x01;
    case 1: return s1 & 0x02;
    case 2: return s1 & 0x04;
    case 3: return s1 & 0x08;
    case 4: return s2 & 0x10;
    case 5: return s1 & 0x10;
    case 6: return IsAlertActive();
    case 7: return s1 & 0x20;
    case 8: return s1 & 0x40;
    case 9: return s1 & 0x80;
    default: return false;
    }
}

// A limit byte as signed whole degrees, in the display unit.
float TempLimitToPointer(int byte)
{
    int v = byte & 0xFF;
    if (v & 0x80)
        v = (v & 0x7F) - 128;
    if (gFahrenheit)
        return static_cast<float>(v * 9 / 5.0 + 32);
    return static_cast<float>(v);
}

// A pointer position in the display unit as whole degrees Celsius for the limit register.
int32_t PointerToTempLimit(float value)
{
    double t = RoundHalfEven(value);
    if (gFahrenheit)
        t = RoundHalfEven(((t - 32) * 5) / 9.0);
    // A limit byte holds -128 to 127; anything beyond would wrap to the opposite end.
    return static_cast<int32_t>(std::clamp(t, -128.0, 127.0));
}

float VddLimitToPointer(int byte)
{
    return static_cast<float>(RoundDecimals(VddCodeToVolts(static_cast<int16_t>(byte * 4)), 3));
}

float AinLimitToPointer(int byte)
{
    return static_cast<float>(RoundDecimals(AinCodeToVolts(static_cast<int16_t>(byte * 4)), 2));
}

void SetScale(LimitGauge* g, double min, double max, double barEnd)
{
    g->SetScaleMax(max);
    g->SetScaleMin(min);
    g->SetBandIndex(0);
    g->SetBandStart(min);
    g->SetBandEnd(max);
    g->SetBandIndex(1);
    g->SetBandStart(min);
    g->SetBandEnd(barEnd);
}

void SetPointers(LimitGauge* g, float low, float high)
{
    g->SetPointerIndex(LimitGauge::kLowPointer);
    g->SetPointerValue(low);
    g->SetPointerIndex(LimitGauge::kHighPointer);
    g->SetPointerValue(high);
}

std::pair<float, float> Pointers(LimitGauge* g)
{
    g->SetPointerIndex(LimitGauge::kLowPointer);
    const float low = g->PointerValue();
    g->SetPointerIndex(LimitGauge::kHighPointer);
    const float high = g->PointerValue();
    return {low, high};
}

void WriteLimits(int lowRegister, int32_t low, int highRegister, int32_t high)
{
    WriteRegister(gDeviceAddress, lowRegister, low);
    WriteRegister(gDeviceAddress, highRegister, high);
}

void Refresh(LimitGauge* g, float reading, const QString& unit)
{
    g->SetBandIndex(1);
    g->SetBandEnd(reading);
    g->SetCaption(StrSingle(reading) + unit);
}

// The accessible name of a mask box: ticked masks its row.
QString MaskBoxName(const QString& row) { return QStringLiteral("Mask ") + row; }

QLabel* MakeLabel(QWidget* parent, const QString& text, Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter)
{
    auto* l = new QLabel(text, parent);
    l->setAlignment(align);
    return l;
}

// Gauge layout inside the tab pages (twips).
constexpr double kGaugeTop = 480;
constexpr double kGaugeHeight = 3255;
constexpr double kLabelTop = 180;
constexpr double kLabelHeight = 255;
} // namespace

frmLimits::frmLimits()
{
    SetCaption(QStringLiteral("Interrupt Settings"));
    SetClientSizeTwips(7935, 4800);
    SetFontPoints(this, 8);

    // ---- The interrupt rows ------------------------------------------------------------
    Frame2 = new QGroupBox(QStringLiteral("Interrupts"), this);
    SetFontPoints(Frame2, 8, true);
    PlaceTwips(Frame2, 240, 240, 2655, 4335);

    Label3 = MakeLabel(Frame2, QStringLiteral("Mask"));
    SetFontPoints(Label3, 8, true);
    PlaceTwips(Label3, 1800, 600, 615, 195);

    const QString rowNames[10] = {
        QStringLiteral("VDD High/Low"), QStringLiteral("External Fault"), QStringLiteral("Internal Low"),
        QStringLiteral("Internal High"), QStringLiteral("External Low"), QStringLiteral("External High"),
        QStringLiteral("Ain2"), QStringLiteral("Ain3"), QStringLiteral("Ain4"), QStringLiteral("Pin Status")};
    const double rowTop[10] = {840, 1080, 1320, 1560, 1800, 2040, 2280, 2520, 2760, 3240};
    const int rowLamp[10] = {4, 5, 1, 0, 3, 2, 7, 8, 9, 6};
    const int rowBox[10] = {4, 5, 1, 0, 3, 2, 6, 7, 8, -1};

    std::array<QLabel*, 10> rowLabels{};
    for (int row = 0; row < 10; ++row) {
        const bool pin = row == 9;
        QLabel* l = MakeLabel(Frame2, rowNames[row],
                              pin ? Qt::AlignLeft | Qt::AlignVCenter : Qt::AlignRight | Qt::AlignVCenter);
        SetFontPoints(l, 8, false);
        if (pin)
            PlaceTwips(l, 480, rowTop[row] - 15, 1020, 225);
        else
            PlaceTwips(l, 60, rowTop[row] - 15, 1440, 225);
        rowLabels[row] = l;

        // The lamp and the box show no caption of their own: assistive technology knows
        // the lamp by its row and the box by what ticking it does, as the column's heading
        // says.
        auto* lamp = new Lamp(Frame2);
        PlaceTwips(lamp, 1560, rowTop[row], 255, 180);
        lamp->setAccessibleName(rowNames[row]);
        tglAlert[rowLamp[row]] = lamp;

        auto* box = new QCheckBox(Frame2);
        box->setFocusPolicy(Qt::StrongFocus);
        box->setAccessibleName(MaskBoxName(rowNames[row]));
        PlaceTwips(box, 1920, rowTop[row] - 15, 255, 225);
        if (pin)
            chkIntMask = box;
        else
            chkMask[rowBox[row]] = box;
    }
    Label8 = rowLabels[0];
    Label9[0] = rowLabels[1];
    Label5 = rowLabels[2];
    Label4 = rowLabels[3];
    Label7 = rowLabels[4];
    Label6 = rowLabels[5];
    Label9[1] = rowLabels[6];
    Label9[2] = rowLabels[7];
    Label9[3] = rowLabels[8];
    Label10 = rowLabels[9];

    for (int k = 0; k < 9; ++k)
        connect(chkMask[k], &QCheckBox::toggled, this, [this, k] { chkMask_Click(k); });
    connect(chkIntMask, &QCheckBox::toggled, this, &frmLimits::chkIntMask_Click);

    // ---- The gauges ----------------------------------------------------------------------
    SSTab1 = new QTabWidget(this);
    PlaceTwips(SSTab1, 3120, 240, 4575, 4335);
    auto* tempPage = new QWidget;
    auto* ainPage = new QWidget;
    auto* vddPage = new QWidget;
    SSTab1->addTab(tempPage, QStringLiteral("Temp Limits"));
    SSTab1->addTab(ainPage, QStringLiteral("Ain Limits"));
    SSTab1->addTab(vddPage, QStringLiteral("Vdd Limits"));
    SSTab1->setCurrentIndex(0);

    auto makeGauge = [](QWidget* page, const QString& name, double left, double width, double min, double max) {
        auto* g = new LimitGauge(page);
        g->setAccessibleName(name);
        PlaceTwips(g, left, kGaugeTop, width, kGaugeHeight);
        SetScale(g, min, max, min);
        return g;
    };
    auto headLabel = [](QWidget* page, const QString& text, double left, double width) {
        QLabel* l = MakeLabel(page, text, Qt::AlignCenter);
        SetFontPoints(l, 8, true);
        PlaceTwips(l, left - 120, kLabelTop, width + 240, kLabelHeight);
        return l;
    };
    auto disabledLabel = [](QWidget* page, const QString& text, double left, double width) {
        QLabel* l = MakeLabel(page, text, Qt::AlignCenter);
        l->setWordWrap(true);
        SetTextColor(l, QColor(128, 128, 128));
        PlaceTwips(l, left, kGaugeTop + 960, width, 1200);
        l->hide();
        return l;
    };

    // "Temp Limits"
    const double internalLeft = 840, externalLeft = 2520, tempWidth = 1080;
    ggeInternal = makeGauge(tempPage, QStringLiteral("Internal"), internalLeft, tempWidth, -128, 127);
    ggeExternal = makeGauge(tempPage, QStringLiteral("External"), externalLeft, tempWidth, -128, 127);
    Label1[0] = headLabel(tempPage, QStringLiteral("Internal"), internalLeft, tempWidth);
    Label1[1] = headLabel(tempPage, QStringLiteral("External"), externalLeft, tempWidth);
    lblExtDisabled = disabledLabel(tempPage, QStringLiteral("External Temperature is disabled"),
                                   externalLeft - 120, tempWidth + 240);

    // "Ain Limits"
    const double ainWidth = 840;
    const double ainLeft[4] = {225, 1290, 2355, 3420};
    for (int i = 0; i < 4; ++i) {
        ggeAin[i] = makeGauge(ainPage, QStringLiteral("Ain%1").arg(i + 1), ainLeft[i], ainWidth, 0, 5);
        lblAin[i] = headLabel(ainPage, QStringLiteral("Ain%1").arg(i + 1), ainLeft[i], ainWidth);
    }
    lblAin1Disabled = disabledLabel(ainPage, QStringLiteral("Ain1 is Disabled"), ainLeft[0], ainWidth);
    lblAin2Disabled = disabledLabel(ainPage, QStringLiteral("Ain2 is Disabled"), ainLeft[1], ainWidth);
    lblAin3Disabled = disabledLabel(ainPage, QStringLiteral("Ain3 is Disabled"), ainLeft[2], ainWidth);

    // "Vdd Limits"
    const double vddLeft = 1680;
    ggeVdd = makeGauge(vddPage, QStringLiteral("Vdd"), vddLeft, tempWidth, 0, 7);
    Label1[2] = headLabel(vddPage, QStringLiteral("Vdd"), vddLeft, tempWidth);

    connect(ggeInternal, &LimitGauge::PointerMoved, this, &frmLimits::ggeInternal_PointerMoved);
    connect(ggeExternal, &LimitGauge::PointerMoved, this, &frmLimits::ggeExternal_PointerMoved);
    connect(ggeVdd, &LimitGauge::PointerMoved, this, &frmLimits::ggeVdd_PointerMoved);
    for (int i = 0; i < 4; ++i)
        connect(ggeAin[i], &LimitGauge::PointerMoved, this, [this, i] { ggeAin_PointerMoved(i); });
}

void frmLimits::Form_Load()
{
    // Ticking a box here runs its click handler, which writes the bit that is already set.
    for (int k = 0; k < 9; ++k) {
        const int mask = (k == 4 ? gIntMask2 : gIntMask1) & 0xFF;
        chkMask[k]->setChecked((mask & MaskBit(k)) != 0);
    }
    chkIntMask->setChecked(!gIntOutputEnabled);
    gLimitsFormOpen = true;
    ConfigureLimitsForm();
}

void frmLimits::Form_Unload() { gLimitsFormOpen = false; }

void frmLimits::chkMask_Click(int index)
{
    if (index < 0 || index > 8)
        return;
    const int reg = MaskRegister(index);
    const int bit = MaskBit(index);
    const int r = ReadRegister(gDeviceAddress, reg);
    int32_t v = chkMask[index]->isChecked() ? (r | bit) : (r & ~bit & 0xFF);
    WriteRegister(gDeviceAddress, reg, v);
}

void frmLimits::chkIntMask_Click()
{
    const int r = ReadRegister(gDeviceAddress, kConfig1);
    int32_t v = chkIntMask->isChecked() ? (r | 0x20) : (r & 0xDF);
    WriteRegister(gDeviceAddress, kConfig1, v);
}

void frmLimits::ggeInternal_PointerMoved()
{
    const auto [low, high] = Pointers(ggeInternal);
    WriteLimits(kInternalLow, PointerToTempLimit(low), kInternalHigh, PointerToTempLimit(high));
}

void frmLimits::ggeExternal_PointerMoved()
{
    const auto [low, high] = Pointers(ggeExternal);
    WriteLimits(kExternalLow, PointerToTempLimit(low), kExternalHigh, PointerToTempLimit(high));
}

void frmLimits::ggeVdd_PointerMoved()
{
    const auto [low, high] = Pointers(ggeVdd);
    WriteLimits(kVddLow, VddVoltsToCode(low), kVddHigh, VddVoltsToCode(high));
}

void frmLimits::ggeAin_PointerMoved(int index)
{
    if (index < 0 || index > 3)
        return;
    const auto [low, high] = Pointers(ggeAin[index]);
    WriteLimits(kAinLow[index], AinVoltsToCode(low), kAinHigh[index], AinVoltsToCode(high));
}

void UpdateLimitsForm()
{
    frmLimits* f = FormInstance<frmLimits>();
    if (!f)
        return;
    const QString unit = TemperatureUnitText();
    const QString volts = QStringLiteral("V");
    Refresh(f->ggeInternal, gInternalTemp, unit);
    Refresh(f->ggeExternal, gExternalTemp, unit);
    Refresh(f->ggeVdd, gVddVolts, volts);
    for (int i = 0; i < 4; ++i)
        Refresh(f->ggeAin[i], gAinVolts[i], volts);

    const QString row6 = gAin12Mode == Ain12ExtDiode ? QStringLiteral("External High") : QStringLiteral("Ain1");
    if (f->Label6->text() != row6) {
        f->Label6->setText(row6);
        f->chkMask[2]->setAccessibleName(MaskBoxName(row6));
        f->tglAlert[2]->setAccessibleName(row6);
    }

    for (int k = 0; k < 10; ++k)
        f->tglAlert[k]->SetLampState(LampSource(k));
}

void ConfigureLimitsForm()
{
    if (!gLimitsFormOpen)
        return;
    frmLimits* f = FormInstance<frmLimits>();
    if (!f)
        return;

    // Ain1/Ain2 pins: analog inputs or the external diode (also for an invalid selection).
    const bool ain12 = gAin12Mode == Ain12Inputs;
    f->ggeExternal->SetVisible(!ain12);
    f->Label1[1]->setVisible(!ain12);
    f->lblExtDisabled->setVisible(ain12);
    for (int i = 0; i < 2; ++i) {
        f->ggeAin[i]->SetVisible(ain12);
        f->lblAin[i]->setVisible(ain12);
    }
    f->lblAin1Disabled->setVisible(!ain12);
    f->lblAin2Disabled->setVisible(!ain12);

    f->ggeAin[2]->SetVisible(gAin3Enabled);
    f->lblAin[2]->setVisible(gAin3Enabled);
    f->lblAin3Disabled->setVisible(!gAin3Enabled);

    for (LimitGauge* g : {f->ggeInternal, f->ggeExternal}) {
        if (gFahrenheit)
            SetScale(g, -198, 260, 70);
        else
            SetScale(g, -128, 127, 20);
    }

    const double fullScale = gAinRefVoltage == 2.28f ? 2.28 : 3.3;
    for (LimitGauge* g : f->ggeAin)
        SetScale(g, 0, fullScale, 1);

    // The limit registers in the order internal, external, Vdd, Ain1 to Ain4.
    auto read = [](int reg) { return static_cast<int>(ReadRegister(gDeviceAddress, reg)); };
    auto placeTemp = [&](LimitGauge* g, int lowReg, int highReg) {
        const int low = read(lowReg);
        const int high = read(highReg);
        SetPointers(g, TempLimitToPointer(low), TempLimitToPointer(high));
    };
    placeTemp(f->ggeInternal, kInternalLow, kInternalHigh);
    placeTemp(f->ggeExternal, kExternalLow, kExternalHigh);
    {
        const int low = read(kVddLow);
        const int high = read(kVddHigh);
        SetPointers(f->ggeVdd, VddLimitToPointer(low), VddLimitToPointer(high));
    }
    for (int i = 0; i < 4; ++i) {
        const int low = read(kAinLow[i]);
        const int high = read(kAinHigh[i]);
        SetPointers(f->ggeAin[i], AinLimitToPointer(low), AinLimitToPointer(high));
    }
}

void ShowLimitsForm() { ShowForm<frmLimits>(); }
