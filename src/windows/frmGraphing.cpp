#include "windows/frmGraphing.h"

#include "chip/Formatting.h"
#include "chip/GeneralStuff.h"
#include "platform/NumberText.h"
#include "platform/OptionButtons.h"
#include "platform/StripChart.h"
#include "platform/Twips.h"
#include "platform/WrapButtons.h"
#include "windows/GeneralStuff.h"
#include "windows/TemperatureUnit.h"
#include "windows/frmLimits.h"
#include "windows/frmSave.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>
#include <cmath>
#include <initializer_list>

namespace {
const QColor kBlue(0, 0, 255);
const QColor kRed(255, 0, 0);
const QColor kGreen(0, 128, 0);
const QColor kDacCPen(0, 128, 64);
const QColor kMagenta(255, 0, 255);
const QColor kBlack(0, 0, 0);

// One chart as created: title, legend names, colours and value ranges.
StripChart* MakeChart(QWidget* parent, const QString& title, std::initializer_list<const char*> legends,
                      double low, double high, double limitLow, double limitHigh)
{
    auto* chart = new StripChart(static_cast<int>(legends.size()), parent);
    PlaceTwips(chart, 2400, 0, 8175, 7095);
    chart->SetSelectedText(0);
    chart->SetCaption(title);
    int16_t item = 1;
    for (const char* legend : legends) {
        chart->SetSelectedText(item++);
        chart->SetCaption(QString::fromUtf8(legend));
    }
    chart->SetSelectedText(0);
    const QColor colors[4] = {kBlue, kRed, kGreen, kBlack};
    for (int pen = 0; pen < chart->PenCount() && pen < 4; ++pen)
        chart->SetPenColor(pen, colors[pen]);
    chart->SetZoomLimits(limitLow, limitHigh);
    chart->SetDefaultValueRange(low, high);
    return chart;
}

// The chip reads temperatures from -128 to 127.75 degrees Celsius: the temperature chart
// can be zoomed out to all of that in the unit shown.
constexpr double kChipLowestCelsius = -128;
constexpr double kChipHighestCelsius = 128;

void SetTemperatureZoomLimits(StripChart* chart)
{
    if (gFahrenheit)
        chart->SetZoomLimits(kChipLowestCelsius * 9 / 5 + 32, kChipHighestCelsius * 9 / 5 + 32);
    else
        chart->SetZoomLimits(kChipLowestCelsius, kChipHighestCelsius);
}

// The DAC chart keeps its limits of 0 to 7 V and widens them to the whole span of
// every DAC as its range and reference stand now (twice a 5 V external reference reaches
// 10 V; a negative reference gives negative outputs), and to every reading the chart still
// holds: a stretch drawn under an earlier reference stays within reach until it has left
// the chart's history (a reading rounded to hundredths can lie a little beyond the span).
constexpr double kDacLimitLow = 0;
constexpr double kDacLimitHigh = 7;

void SetDacZoomLimits(StripChart* chart)
{
    double low = kDacLimitLow;
    double high = kDacLimitHigh;
    auto cover = [&](double volts) {
        if (!std::isfinite(volts))
            return;
        low = std::min(low, volts);
        high = std::max(high, volts);
    };
    for (int16_t dac = 0; dac < 4; ++dac)
        cover(gDacRange[dac] * static_cast<double>(DacReference(dac)));
    cover(chart->HeldLow());
    cover(chart->HeldHigh());
    if (low != chart->ZoomLimitLow() || high != chart->ZoomLimitHigh())
        chart->SetZoomLimits(low, high);
}

void SetItem(StripChart* chart, int16_t item, const QString& caption)
{
    chart->SetSelectedText(item);
    chart->SetCaption(caption);
}

void SetPen(StripChart* chart, int16_t pen, bool visible)
{
    chart->SetSelectedPen(pen);
    chart->SetPenVisible(visible);
}

// Legend number text: trimmed, no "0" before the point (".5", "-3.25", "0").
QString V(float value) { return TrimSingle(value); }
} // namespace

frmGraphing::frmGraphing()
{
    SetCaption(QStringLiteral("Graphing"));
    SetFontPoints(this, 8);
    SetClientSizeTwips(10620, 7140);

    Frame1 = new QGroupBox(QStringLiteral("Select Graph"), this);
    PlaceTwips(Frame1, 360, 600, 1695, 2655);
    SetFontPoints(Frame1, 8, true);
    const char* options[4] = {"Temperature", "Vdd", "DACs", "Ain1-4"};
    for (int i = 0; i < 4; ++i) {
        optGraph[i] = new QRadioButton(QString::fromLatin1(options[i]), Frame1);
        SetFontPoints(optGraph[i], 8, false);
        PlaceTwips(optGraph[i], 240, 480 + 480 * i, 1335, 255);
        ConnectOptionClick(optGraph[i], this, [this, i] { optGraph_Click(i); });
    }

    // The captions get the room our system font needs, up to the charts and the count.
    chkEnableGraph = new QCheckBox(QStringLiteral("Enable Graphing"), this);
    PlaceTwips(chkEnableGraph, 360, 3720, 1935, 255);
    connect(chkEnableGraph, &QCheckBox::toggled, this, [this] { chkEnableGraph_Click(); });

    chkFahrenheit = new WrapCheckBox(QStringLiteral("Display Temperature in Fahrenheit"), this);
    PlaceTwips(chkFahrenheit, 360, 4440, 1935, 555);
    connect(chkFahrenheit, &QCheckBox::toggled, this, [this] { chkFahrenheit_Click(); });

    cmdLog = new QPushButton(QStringLiteral("Log Data"), this);
    PlaceTwips(cmdLog, 360, 5400, 1695, 375);
    connect(cmdLog, &QPushButton::clicked, this, [this] { cmdLog_Click(); });

    Label1 = new QLabel(QStringLiteral("Logged"), this);
    PlaceTwips(Label1, 360, 5880, 700, 255);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // The count can run to ten digits: it takes the room up to the charts, and a wider
    // text is drawn smaller, never cut.
    lblLogged = new FitLabel(QStringLiteral("0"), this);
    PlaceTwips(lblLogged, 1080, 5880, 975, 255);
    lblLogged->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    stpTemp = MakeChart(this, QStringLiteral("Temperature(\u00B0C)"), {"Internal", "External", "Kulex"}, 0, 110,
                        kChipLowestCelsius, kChipHighestCelsius);
    SetTemperatureZoomLimits(stpTemp);
    stpVoltage = MakeChart(this, QStringLiteral("Vdd (V)"), {"Vdd"}, 2, 6, 0, 7);
    stpDAC = MakeChart(this, QStringLiteral("DAC Outputs (V)"), {"DAC A", "DAC B", "DAC C", "DAC D"}, 0, 6,
                       kDacLimitLow, kDacLimitHigh);
    SetDacZoomLimits(stpDAC);
    stpDAC->SetPenColor(2, kDacCPen);
    stpDAC->SetLegendColor(2, kGreen);
    stpDAC->SetPenColor(3, kMagenta);
    stpAin = MakeChart(this, QStringLiteral("Ain (V)"), {"Ain1", "Ain2", "Ain3", "Ain4"}, 0, 4, 0, 4);
    for (StripChart* chart : {stpTemp, stpVoltage, stpDAC, stpAin})
        SetFontPoints(chart, 9);
    lblLogged->resize(std::max(lblLogged->width(), stpTemp->x() - 4 - lblLogged->x()), lblLogged->height());
}

StripChart* frmGraphing::Chart(int graphSelect) const
{
    switch (graphSelect) {
    case GraphTemperature: return stpTemp;
    case GraphVdd: return stpVoltage;
    case GraphDacs: return stpDAC;
    case GraphAin: return stpAin;
    default: return nullptr;
    }
}

void frmGraphing::Form_Load()
{
    // The chart shown last time; a value out of range falls back to the temperatures.
    int select = gGraphSelect;
    if (select < GraphTemperature || select > GraphAin)
        select = GraphTemperature;
    optGraph[select]->setChecked(true);
    gGraphFormOpen = true;
    SetupGraphChannels();
    if (gGraphEnabled)
        chkEnableGraph->setChecked(true);
    if (gFahrenheit)
        chkFahrenheit->setChecked(true);
}

void frmGraphing::Form_Unload() { gGraphFormOpen = false; }

void frmGraphing::optGraph_Click(int index)
{
    gGraphSelect = static_cast<int16_t>(index);
    ShowSelectedChart();
}

void frmGraphing::ShowSelectedChart()
{
    for (StripChart* chart : {stpTemp, stpVoltage, stpDAC, stpAin})
        chart->setVisible(false);
    if (StripChart* chart = Chart(gGraphSelect))
        chart->setVisible(true);
}

void frmGraphing::chkEnableGraph_Click() { gGraphEnabled = chkEnableGraph->isChecked(); }

void frmGraphing::chkFahrenheit_Click()
{
    gFahrenheit = chkFahrenheit->isChecked();
    SetTemperatureZoomLimits(stpTemp);
    ConfigureLimitsForm();
}

void frmGraphing::cmdLog_Click() { ShowSaveForm(); }

void SetupGraphChannels()
{
    frmGraphing* form = FormInstance<frmGraphing>();
    if (!gGraphFormOpen || !form)
        return;
    StripChart* temp = form->stpTemp;
    StripChart* ain = form->stpAin;

    if (gAin12Mode == Ain12ExtDiode) {
        SetItem(temp, 2, QStringLiteral("External"));
        SetPen(temp, 1, true);
        SetItem(ain, 1, QStringLiteral("Ain1 Disabled"));
        SetItem(ain, 2, QStringLiteral("Ain2 Disabled"));
        SetPen(ain, 0, false);
        SetPen(ain, 1, false);
    } else if (gAin12Mode == Ain12Inputs) {
        SetItem(temp, 2, QStringLiteral("External Disabled"));
        SetPen(temp, 1, false);
        SetItem(ain, 1, QStringLiteral("Ain1"));
        SetItem(ain, 2, QStringLiteral("Ain2"));
        SetPen(ain, 0, true);
        SetPen(ain, 1, true);
    }

    if (gAin3Enabled) {
        SetItem(temp, 3, QStringLiteral("Kulex"));
        SetPen(temp, 2, true);
        SetItem(ain, 3, QStringLiteral("Ain3"));
        SetPen(ain, 2, true);
    } else {
        SetItem(temp, 3, QStringLiteral("Kulex Disabled"));
        SetPen(temp, 2, false);
        SetItem(ain, 3, QStringLiteral("Ain3 Disabled"));
        SetPen(ain, 2, false);
    }
}

void UpdateGraphingForm()
{
    frmGraphing* form = FormInstance<frmGraphing>();
    if (!form || !form->chkEnableGraph->isChecked())
        return;
    StripChart* temp = form->stpTemp;
    StripChart* vdd = form->stpVoltage;
    StripChart* dac = form->stpDAC;
    StripChart* ain = form->stpAin;

    temp->AppendSample(0, gInternalTemp);
    temp->AppendSample(1, gExternalTemp);
    temp->AppendSample(2, gKulexTemp);
    vdd->AppendSample(0, gVddVolts);
    for (int16_t i = 0; i < 4; ++i)
        dac->AppendSample(i, gDacVolts[i]);
    // A DAC's range or reference may have changed, a new reading come and an old one gone.
    SetDacZoomLimits(dac);
    for (int16_t i = 0; i < 4; ++i)
        ain->AppendSample(i, gAinVolts[i]);

    const QString unit = TemperatureUnitText();
    const QString volts = QStringLiteral("V");
    SetItem(temp, 0, QStringLiteral("Temperature(") + unit + QStringLiteral(")"));
    SetItem(temp, 1, QStringLiteral("Internal=") + V(gInternalTemp) + unit);
    if (gAin12Mode == Ain12ExtDiode)
        SetItem(temp, 2, QStringLiteral("External=") + V(gExternalTemp) + unit);
    if (gAin3Enabled)
        SetItem(temp, 3, QStringLiteral("Kulex=") + V(gKulexTemp) + unit);
    SetItem(vdd, 1, QStringLiteral("Vdd=") + V(gVddVolts) + volts);
    const char* dacNames[4] = {"DACA=", "DACB=", "DACC=", "DACD="};
    for (int16_t i = 0; i < 4; ++i)
        SetItem(dac, static_cast<int16_t>(i + 1), QString::fromLatin1(dacNames[i]) + V(gDacVolts[i]) + volts);
    if (gAin12Mode == Ain12Inputs) {
        SetItem(ain, 1, QStringLiteral("Ain1=") + V(gAinVolts[0]) + volts);
        SetItem(ain, 2, QStringLiteral("Ain2=") + V(gAinVolts[1]) + volts);
    }
    if (gAin3Enabled)
        SetItem(ain, 3, QStringLiteral("Ain3(Kulex)=") + V(gAinVolts[2]) + volts);
    SetItem(ain, 4, QStringLiteral("Ain4(Photo-Sensor)=") + V(gAinVolts[3]) + volts);

    if (gLogging) {
        form->cmdLog->setText(QStringLiteral("Logging..."));
        form->lblLogged->setText(DecText(gLogSampleCount));
    } else {
        form->cmdLog->setText(QStringLiteral("Log Data"));
    }
}

void ShowGraphingForm() { ShowForm<frmGraphing>(); }

void ShowGraphChart(int16_t chart)
{
    frmGraphing* form = ShowForm<frmGraphing>();
    if (!form || chart < GraphTemperature || chart > GraphAin)
        return;
    form->optGraph[chart]->setChecked(true);
}
