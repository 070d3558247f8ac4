#include "windows/frmGraphing.h"

#include "LabelCheck.h"
#include "TestSupport.h"
#include "board/USBStuff.h"
#include "chip/Formatting.h"
#include "chip/GeneralStuff.h"
#include "platform/Forms.h"
#include "platform/StripChart.h"
#include "windows/GeneralStuff.h"
#include "platform/NumberText.h"
#include "platform/LimitGauge.h"
#include "windows/frmLimits.h"
#include "windows/frmMain.h"
#include "windows/frmSave.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>

namespace {

const QString kDeg = QStringLiteral("\u00B0");

// Drags a zoom arrow of a chart from its centre to a point, in steps.
void DragArrow(StripChart* chart, StripChart::Arrow arrow, QPoint to)
{
    const QPoint from = chart->ArrowCentre(arrow);
    SendMouse(chart, QEvent::MouseButtonPress, from);
    for (int i = 1; i <= 4; ++i)
        SendMouse(chart, QEvent::MouseMove, from + (to - from) * i / 4);
    SendMouse(chart, QEvent::MouseButtonRelease, to);
}

void DoubleClickArrow(StripChart* chart, StripChart::Arrow arrow)
{
    DoubleClick(chart, chart->ArrowCentre(arrow));
}

// One drag of each value arrow to the chart's edge, as far as the window lets the mouse go.
void ZoomOut(StripChart* chart)
{
    const QPoint top = chart->ArrowCentre(StripChart::Arrow::ValueTop);
    DragArrow(chart, StripChart::Arrow::ValueTop, QPoint(top.x(), 0));
    const QPoint bottom = chart->ArrowCentre(StripChart::Arrow::ValueBottom);
    DragArrow(chart, StripChart::Arrow::ValueBottom, QPoint(bottom.x(), chart->height() - 1));
}

class GraphingTest : public ::testing::Test {
protected:
    GraphingTest()
    {
        gDeviceAddress = 0x48;
        gGraphEnabled = true; // as the start-up defaults leave it
    }

    frmGraphing* Open()
    {
        frmGraphing* f = LoadForm<frmGraphing>();
        EXPECT_NE(f, nullptr);
        return f;
    }

    void Close()
    {
        UnloadForm<frmGraphing>();
        FlushDeletedForms();
    }

    // The one chart not hidden, as a GraphSelect value; -1 unless exactly one.
    static int VisibleChart(frmGraphing* f)
    {
        int shown = -1;
        for (int i = 0; i < 4; ++i) {
            if (!f->Chart(i)->isHidden()) {
                if (shown != -1)
                    return -1;
                shown = i;
            }
        }
        return shown;
    }

    static int Samples(StripChart* chart, int pen) { return chart->History(pen).Count(); }

    ProgramEnvironment env;
    FakeBoardScope fake;
};

TEST(GraphingBringUp, TheBringUpOpensTheGraphsAndTheMasterTimerPlotsTheChip)
{
    ProgramEnvironment env;
    frmMain* main = BringUpOnSimulatedBoard();
    frmGraphing* f = FormInstance<frmGraphing>();
    ASSERT_NE(f, nullptr);
    EXPECT_TRUE(gGraphFormOpen);
    EXPECT_TRUE(f->optGraph[0]->isChecked());
    EXPECT_FALSE(f->stpTemp->isHidden());
    EXPECT_TRUE(f->chkEnableGraph->isChecked());
    EXPECT_FALSE(f->chkFahrenheit->isChecked());

    // Two seconds of ticks: about twenty refreshes, each a sample on every pen.
    env.clock.step = 0;
    for (int i = 0; i < 200; ++i) {
        env.clock.now += 0.01;
        main->tmrMaster_Timer();
    }
    const int samples = f->stpTemp->History(0).Count();
    EXPECT_GE(samples, 18);
    EXPECT_LE(samples, 21);
    EXPECT_EQ(f->stpAin->History(3).Count(), samples);
    // Each legend shows the value of the newest sample of its pen.
    auto newest = [](StripChart* chart, int pen) {
        const PenHistory& h = chart->History(pen);
        return static_cast<float>(h.ValueAt(h.Count() - 1));
    };
    EXPECT_EQ(f->stpTemp->Text(1),
              QStringLiteral("Internal=") + TrimSingle(newest(f->stpTemp, 0)) + kDeg + QStringLiteral("C"));
    EXPECT_EQ(f->stpVoltage->Text(1), QStringLiteral("Vdd=") + TrimSingle(newest(f->stpVoltage, 0)) + QStringLiteral("V"));
    EXPECT_GT(newest(f->stpVoltage, 0), 2.0F);
    EXPECT_GT(newest(f->stpTemp, 0), 10.0F);
}

TEST_F(GraphingTest, FirstOpeningShowsTheTemperatureChartWithCreationTexts)
{
    frmGraphing* f = Open();
    EXPECT_TRUE(gGraphFormOpen);
    EXPECT_EQ(f->Caption(), QStringLiteral("Graphing"));
    EXPECT_TRUE(f->optGraph[0]->isChecked());
    EXPECT_EQ(VisibleChart(f), GraphTemperature);
    EXPECT_TRUE(f->chkEnableGraph->isChecked());
    EXPECT_FALSE(f->chkFahrenheit->isChecked());
    EXPECT_FALSE(gFahrenheit);
    EXPECT_EQ(f->cmdLog->text(), QStringLiteral("Log Data"));
    EXPECT_EQ(f->lblLogged->text(), QStringLiteral("0"));
    EXPECT_EQ(f->stpTemp->Text(0), QStringLiteral("Temperature(") + kDeg + QStringLiteral("C)"));
    EXPECT_EQ(f->stpVoltage->Text(0), QStringLiteral("Vdd (V)"));
    EXPECT_EQ(f->stpDAC->Text(0), QStringLiteral("DAC Outputs (V)"));
    EXPECT_EQ(f->stpAin->Text(0), QStringLiteral("Ain (V)"));
    EXPECT_EQ(f->stpDAC->Text(3), QStringLiteral("DAC C"));
    // Chip state not yet decoded: Kulex and Ain3 off, Ain1/Ain2 left as created.
    EXPECT_EQ(f->stpTemp->Text(3), QStringLiteral("Kulex Disabled"));
    EXPECT_EQ(f->stpAin->Text(1), QStringLiteral("Ain1"));
    EXPECT_EQ(f->stpDAC->PenColor(2), QColor(0, 128, 64));
    EXPECT_EQ(f->stpDAC->LegendColor(2), QColor(0, 128, 0));
    EXPECT_EQ(f->stpDAC->PenColor(3), QColor(255, 0, 255));
    EXPECT_EQ(f->stpAin->PenColor(3), QColor(0, 0, 0));
    EXPECT_EQ(f->stpTemp->toolTip(), QStringLiteral("Drag the arrows at the edges of this graph to zoom in and out"));
    EXPECT_DOUBLE_EQ(f->stpTemp->ValueLow(), 0);
    EXPECT_DOUBLE_EQ(f->stpTemp->ValueHigh(), 110);
    EXPECT_DOUBLE_EQ(f->stpVoltage->ValueLow(), 2);
    EXPECT_DOUBLE_EQ(f->stpVoltage->ZoomLimitHigh(), 7);

    // "Log Data" opens the data logging window.
    f->cmdLog->click();
    EXPECT_TRUE(IsFormLoaded<frmSave>());
}

TEST_F(GraphingTest, FrozenPlottingFreezesChartsLegendsAndTheLoggingIndicator)
{
    frmGraphing* f = Open();
    gAin12Mode = Ain12Inputs;
    gAin3Enabled = true;
    SetupGraphChannels();
    f->chkEnableGraph->setChecked(false);
    EXPECT_FALSE(gGraphEnabled);

    gInternalTemp = 25.25F;
    gAinVolts[3] = 0.5F;
    gLogging = true;
    gLogSampleCount = 17;
    UpdateGraphingForm();
    for (StripChart* chart : {f->stpTemp, f->stpVoltage, f->stpDAC, f->stpAin})
        for (int pen = 0; pen < chart->PenCount(); ++pen)
            EXPECT_EQ(Samples(chart, pen), 0);
    EXPECT_EQ(f->stpTemp->Text(1), QStringLiteral("Internal"));
    EXPECT_EQ(f->stpTemp->Text(3), QStringLiteral("Kulex"));
    EXPECT_EQ(f->stpAin->Text(4), QStringLiteral("Ain4"));
    EXPECT_EQ(f->cmdLog->text(), QStringLiteral("Log Data"));
    EXPECT_EQ(f->lblLogged->text(), QStringLiteral("0"));

    // Running again: one sample on every pen, hidden ones included, and the indicator.
    f->chkEnableGraph->setChecked(true);
    EXPECT_TRUE(gGraphEnabled);
    UpdateGraphingForm();
    for (StripChart* chart : {f->stpTemp, f->stpVoltage, f->stpDAC, f->stpAin})
        for (int pen = 0; pen < chart->PenCount(); ++pen)
            EXPECT_EQ(Samples(chart, pen), 1);
    EXPECT_EQ(f->stpTemp->Text(1), QStringLiteral("Internal=25.25") + kDeg + QStringLiteral("C"));
    EXPECT_EQ(f->cmdLog->text(), QStringLiteral("Logging..."));
    EXPECT_EQ(f->lblLogged->text(), QStringLiteral("17"));

    // The log run ends: the button says so, the count of the last run stays.
    gLogging = false;
    gLogSampleCount = 0;
    UpdateGraphingForm();
    EXPECT_EQ(f->cmdLog->text(), QStringLiteral("Log Data"));
    EXPECT_EQ(f->lblLogged->text(), QStringLiteral("17"));

    // The largest count shows whole, clear of the charts.
    gLogging = true;
    gLogSampleCount = 2147483647;
    UpdateGraphingForm();
    EXPECT_EQ(f->lblLogged->text(), QStringLiteral("2147483647"));
    EXPECT_TRUE(ShowsWholeText(f->lblLogged));
    EXPECT_LT(f->lblLogged->geometry().right(), f->stpTemp->x());
    gLogging = false;
}

TEST_F(GraphingTest, Ain12ModeSwitchesExternalAgainstAin1AndAin2)
{
    frmGraphing* f = Open();
    gExternalTemp = 30.5F;
    gAinVolts[0] = 1.25F;
    gAinVolts[1] = 2.0F;

    gAin12Mode = Ain12ExtDiode;
    SetupGraphChannels();
    EXPECT_EQ(f->stpTemp->Text(2), QStringLiteral("External"));
    EXPECT_TRUE(f->stpTemp->PenVisible(1));
    EXPECT_EQ(f->stpAin->Text(1), QStringLiteral("Ain1 Disabled"));
    EXPECT_EQ(f->stpAin->Text(2), QStringLiteral("Ain2 Disabled"));
    EXPECT_FALSE(f->stpAin->PenVisible(0));
    EXPECT_FALSE(f->stpAin->PenVisible(1));
    EXPECT_TRUE(f->stpAin->PenVisible(3));
    UpdateGraphingForm();
    EXPECT_EQ(f->stpTemp->Text(2), QStringLiteral("External=30.5") + kDeg + QStringLiteral("C"));
    EXPECT_EQ(f->stpAin->Text(1), QStringLiteral("Ain1 Disabled"));
    EXPECT_EQ(f->stpAin->Text(2), QStringLiteral("Ain2 Disabled"));
    EXPECT_EQ(Samples(f->stpAin, 0), 1); // hidden, still sampled

    gAin12Mode = Ain12Inputs;
    SetupGraphChannels();
    EXPECT_EQ(f->stpTemp->Text(2), QStringLiteral("External Disabled"));
    EXPECT_FALSE(f->stpTemp->PenVisible(1));
    EXPECT_EQ(f->stpAin->Text(1), QStringLiteral("Ain1"));
    EXPECT_TRUE(f->stpAin->PenVisible(0));
    EXPECT_TRUE(f->stpAin->PenVisible(1));
    UpdateGraphingForm();
    EXPECT_EQ(f->stpTemp->Text(2), QStringLiteral("External Disabled"));
    EXPECT_EQ(f->stpAin->Text(1), QStringLiteral("Ain1=1.25V"));
    EXPECT_EQ(f->stpAin->Text(2), QStringLiteral("Ain2=2V"));

    // An invalid selection changes neither chart and refreshes neither legend.
    gAin12Mode = Ain12Invalid;
    gAinVolts[0] = 3.0F;
    gExternalTemp = 40.0F;
    SetupGraphChannels();
    UpdateGraphingForm();
    EXPECT_EQ(f->stpTemp->Text(2), QStringLiteral("External Disabled"));
    EXPECT_FALSE(f->stpTemp->PenVisible(1));
    EXPECT_EQ(f->stpAin->Text(1), QStringLiteral("Ain1=1.25V"));
    EXPECT_TRUE(f->stpAin->PenVisible(0));
}

TEST_F(GraphingTest, Ain3SwitchShowsKulexAndAin3)
{
    frmGraphing* f = Open();
    gKulexTemp = 25.0F;
    gAinVolts[2] = 0.75F;

    gAin3Enabled = false;
    SetupGraphChannels();
    UpdateGraphingForm();
    EXPECT_EQ(f->stpTemp->Text(3), QStringLiteral("Kulex Disabled"));
    EXPECT_EQ(f->stpAin->Text(3), QStringLiteral("Ain3 Disabled"));
    EXPECT_FALSE(f->stpTemp->PenVisible(2));
    EXPECT_FALSE(f->stpAin->PenVisible(2));

    gAin3Enabled = true;
    SetupGraphChannels();
    EXPECT_EQ(f->stpTemp->Text(3), QStringLiteral("Kulex"));
    EXPECT_EQ(f->stpAin->Text(3), QStringLiteral("Ain3"));
    EXPECT_TRUE(f->stpTemp->PenVisible(2));
    EXPECT_TRUE(f->stpAin->PenVisible(2));
    UpdateGraphingForm();
    EXPECT_EQ(f->stpTemp->Text(3), QStringLiteral("Kulex=25") + kDeg + QStringLiteral("C"));
    EXPECT_EQ(f->stpAin->Text(3), QStringLiteral("Ain3(Kulex)=.75V"));

    // Ain3's line drawn, then the pin given to LDAC (18h bit 3 cleared): one plot more and
    // the line is gone from the chart.
    f->optGraph[GraphAin]->setChecked(true);
    StripChart* ain = f->stpAin;
    env.clock.step = 0;
    auto greenDrawn = [&](int refreshes) {
        for (int i = 0; i < refreshes; ++i) {
            env.clock.now += 0.1;
            UpdateGraphingForm();
        }
        QImage img(ain->size(), QImage::Format_ARGB32);
        ain->render(&img);
        const int top = static_cast<int>(ain->ValueToY(1.25));
        const QRect around(ain->PlotRect().left() + 1, top, ain->PlotRect().width() - 2,
                           static_cast<int>(ain->ValueToY(0.25)) - top);
        return HasColour(img, around, QColor(0, 128, 0));
    };
    EXPECT_TRUE(greenDrawn(100));
    WriteRegisterValue(gDeviceAddress, 0x18, ReadRegister(gDeviceAddress, 0x18) & ~0x08);
    EXPECT_FALSE(gAin3Enabled);
    EXPECT_FALSE(greenDrawn(1));

    // Closed window: the set-up does nothing and the refresh finds nothing to do.
    Close();
    EXPECT_FALSE(gGraphFormOpen);
    SetupGraphChannels();
    UpdateGraphingForm();
}

TEST_F(GraphingTest, LegendNumbersAndTheFahrenheitTitle)
{
    frmGraphing* f = Open();
    gVddVolts = 3.3F;
    gDacVolts = {1.25F, 0.0F, 2.5F, 4.096F};
    gAinVolts[3] = 0.5F;
    gInternalTemp = -0.25F;
    UpdateGraphingForm();
    EXPECT_EQ(f->stpAin->Text(4), QStringLiteral("Ain4(Photo-Sensor)=.5V"));
    EXPECT_EQ(f->stpVoltage->Text(1), QStringLiteral("Vdd=3.3V"));
    EXPECT_EQ(f->stpDAC->Text(1), QStringLiteral("DACA=1.25V"));
    EXPECT_EQ(f->stpDAC->Text(2), QStringLiteral("DACB=0V"));
    EXPECT_EQ(f->stpDAC->Text(4), QStringLiteral("DACD=4.096V"));
    EXPECT_EQ(f->stpTemp->Text(1), QStringLiteral("Internal=-.25") + kDeg + QStringLiteral("C"));
    EXPECT_EQ(f->stpVoltage->Text(0), QStringLiteral("Vdd (V)"));
    gAinVolts[3] = 0.0F;
    UpdateGraphingForm();
    EXPECT_EQ(f->stpAin->Text(4), QStringLiteral("Ain4(Photo-Sensor)=0V"));
    EXPECT_DOUBLE_EQ(f->stpDAC->History(3).ValueAt(1), static_cast<double>(4.096F));

    // The unit switches at the next refresh; plotted samples keep their values.
    f->chkFahrenheit->setChecked(true);
    EXPECT_TRUE(gFahrenheit);
    EXPECT_EQ(f->stpTemp->Text(0), QStringLiteral("Temperature(") + kDeg + QStringLiteral("C)"));
    gInternalTemp = 77.0F;
    UpdateGraphingForm();
    EXPECT_EQ(f->stpTemp->Text(0), QStringLiteral("Temperature(") + kDeg + QStringLiteral("F)"));
    // Assistive technology knows the chart by its title.
    EXPECT_EQ(QAccessible::queryAccessibleInterface(f->stpTemp)->text(QAccessible::Name), f->stpTemp->Text(0));
    EXPECT_EQ(f->stpTemp->Text(1), QStringLiteral("Internal=77") + kDeg + QStringLiteral("F"));
    EXPECT_DOUBLE_EQ(f->stpTemp->History(0).ValueAt(0), -0.25);
    f->chkFahrenheit->setChecked(false);
    EXPECT_FALSE(gFahrenheit);
}

TEST_F(GraphingTest, AnotherWindowSelectsAChartAsAClickDoes)
{
    frmGraphing* f = Open();
    ShowGraphChart(GraphAin);
    EXPECT_EQ(FormInstance<frmGraphing>(), f);
    EXPECT_EQ(gGraphSelect, GraphAin);
    EXPECT_TRUE(f->optGraph[3]->isChecked());
    EXPECT_FALSE(f->optGraph[0]->isChecked());
    EXPECT_EQ(VisibleChart(f), GraphAin);
    f->optGraph[1]->click();
    EXPECT_EQ(gGraphSelect, GraphVdd);
    EXPECT_EQ(VisibleChart(f), GraphVdd);
    // A chart number that does not exist changes nothing.
    ShowGraphChart(4);
    EXPECT_EQ(gGraphSelect, GraphVdd);
    EXPECT_EQ(VisibleChart(f), GraphVdd);

    // With the window closed, it is opened first.
    Close();
    ShowGraphChart(GraphDacs);
    frmGraphing* g = FormInstance<frmGraphing>();
    ASSERT_NE(g, nullptr);
    EXPECT_TRUE(gGraphFormOpen);
    EXPECT_EQ(gGraphSelect, GraphDacs);
    EXPECT_EQ(VisibleChart(g), GraphDacs);
}

TEST_F(GraphingTest, ReopeningStartsEmptyAndKeepsSelectionAndSwitches)
{
    frmGraphing* f = Open();
    gAin3Enabled = true;
    SetupGraphChannels();
    for (int i = 0; i < 25; ++i)
        UpdateGraphingForm();
    EXPECT_EQ(Samples(f->stpDAC, 0), 25);
    f->optGraph[2]->setChecked(true);
    f->chkFahrenheit->setChecked(true);
    UpdateGraphingForm();
    f->chkEnableGraph->setChecked(false);
    Close();
    EXPECT_FALSE(gGraphFormOpen);
    EXPECT_EQ(gGraphSelect, GraphDacs);
    EXPECT_FALSE(gGraphEnabled);
    EXPECT_TRUE(gFahrenheit);

    frmGraphing* g = Open();
    EXPECT_EQ(VisibleChart(g), GraphDacs);
    EXPECT_TRUE(g->optGraph[2]->isChecked());
    EXPECT_FALSE(g->chkEnableGraph->isChecked());
    EXPECT_TRUE(g->chkFahrenheit->isChecked());
    EXPECT_EQ(Samples(g->stpDAC, 0), 0);
    EXPECT_EQ(Samples(g->stpTemp, 0), 0);
    EXPECT_EQ(g->stpTemp->Text(0), QStringLiteral("Temperature(") + kDeg + QStringLiteral("C)"));
    EXPECT_EQ(g->stpDAC->Text(1), QStringLiteral("DAC A"));
    EXPECT_EQ(g->stpTemp->Text(3), QStringLiteral("Kulex"));
}

TEST_F(GraphingTest, TemperatureChartZoomsOutToTheChipsWholeRangeInTheUnitShown)
{
    frmGraphing* f = Open();
    StripChart* chart = f->stpTemp;
    auto zoomOut = [chart] { ZoomOut(chart); };
    EXPECT_DOUBLE_EQ(chart->ValueLow(), 0);
    EXPECT_DOUBLE_EQ(chart->ValueHigh(), 110);

    // The chip reads -128 to 127.75 degrees Celsius (-198.4 to 261.95 Fahrenheit).
    zoomOut();
    EXPECT_LE(chart->ValueLow(), -128);
    EXPECT_GE(chart->ValueHigh(), 127.75);
    DoubleClickArrow(chart, StripChart::Arrow::ValueTop);
    EXPECT_DOUBLE_EQ(chart->ValueLow(), 0);
    EXPECT_DOUBLE_EQ(chart->ValueHigh(), 110);

    f->chkFahrenheit->setChecked(true);
    zoomOut();
    EXPECT_LE(chart->ValueLow(), -198.4);
    EXPECT_GE(chart->ValueHigh(), 261.95);
    DoubleClickArrow(chart, StripChart::Arrow::ValueBottom);
    EXPECT_DOUBLE_EQ(chart->ValueLow(), 0);
    EXPECT_DOUBLE_EQ(chart->ValueHigh(), 110);
    f->chkFahrenheit->setChecked(false);
}

TEST_F(GraphingTest, DacChartZoomsOutToTheOutputsOfTheRangesAndReferencesSet)
{
    frmGraphing* f = Open();
    f->optGraph[GraphDacs]->setChecked(true);
    StripChart* chart = f->stpDAC;
    env.clock.step = 0;
    // A refresh with the readings the measurement cycle makes of the DACs at these codes.
    auto plot = [&](std::array<int16_t, 4> codes) {
        for (int16_t dac = 0; dac < 4; ++dac)
            gDacVolts[dac] = static_cast<float>(RoundDecimals(DacCodeToVolts(codes[dac], dac), 2));
        env.clock.now += 0.1;
        UpdateGraphingForm();
    };
    auto expectView = [&](double low, double high) {
        EXPECT_DOUBLE_EQ(chart->ValueLow(), low);
        EXPECT_DOUBLE_EQ(chart->ValueHigh(), high);
    };
    auto expectDrawnInside = [&](float volts) {
        const double y = chart->ValueToY(volts);
        EXPECT_GT(y, chart->PlotRect().top()) << volts;
        EXPECT_LT(y, chart->PlotRect().bottom()) << volts;
    };

    // The internal reference on the 2x range stays within the stored limits.
    WriteRegisterValue(gDeviceAddress, 0x1B, 0x0F);
    plot({4095, 4095, 4095, 4095});
    expectView(0, 6);
    ZoomOut(chart);
    expectView(0, 7);

    // DACs A and B on the 2x range of a 5 V external reference reach 10 V, as the
    // configuration window sets it: the registers first, then the reference. The outputs
    // still at 0 V, the span alone sets the limit.
    WriteRegisterValue(gDeviceAddress, 0x1B, 0x03);
    WriteRegisterValue(gDeviceAddress, 0x1C, 0x20);
    gExtRefVoltage = 5;
    plot({0, 0, 0, 0});
    ZoomOut(chart);
    expectView(0, 10);
    // A reading rounded up beyond the span (8.0098 V) is in reach too.
    gExtRefVoltage = 4.0049F;
    plot({4095, 0, 0, 0});
    EXPECT_FLOAT_EQ(gDacVolts[DacA], 8.01F);
    ZoomOut(chart);
    EXPECT_GE(chart->ValueHigh(), gDacVolts[DacA]);
    expectDrawnInside(gDacVolts[DacA]);
    gExtRefVoltage = 5;
    plot({2048, 4095, 4095, 0});
    EXPECT_FLOAT_EQ(gDacVolts[DacB], 10);
    // Next, a negative reference: outputs below 0 V.
    gExtRefVoltage = -2.5F;
    plot({4095, 4095, 0, 0});
    const float lowest = gDacVolts[DacA];
    EXPECT_FLOAT_EQ(lowest, -5);
    // A reset returns to the view the chart opens with.
    DoubleClickArrow(chart, StripChart::Arrow::ValueTop);
    expectView(0, 6);

    // The reference raised again and then lowered: the stretches drawn above and below the
    // ranges now set stay within reach until each has left the history, and not after.
    gExtRefVoltage = 2.5F;
    plot({4095, 4095, 4095, 4095});
    ZoomOut(chart);
    expectView(lowest, 10);
    expectDrawnInside(10);
    expectDrawnInside(lowest);
    WriteRegisterValue(gDeviceAddress, 0x1C, 0x30);
    WriteRegisterValue(gDeviceAddress, 0x1B, 0x00);
    for (int i = 3; i < StripChart::kHistoryCapacity; ++i)
        plot({4095, 4095, 4095, 4095});
    ZoomOut(chart);
    expectView(lowest, 10);
    plot({4095, 4095, 4095, 4095});
    expectView(lowest, 7);
    ZoomOut(chart);
    expectView(lowest, 7);
    plot({4095, 4095, 4095, 4095});
    expectView(0, 7);

    // A large negative reference on every DAC: outputs far below 0 V.
    WriteRegisterValue(gDeviceAddress, 0x1C, 0x00);
    gExtRefVoltage = -1.7e38F;
    plot({4095, 1, 2048, 4095});
    ZoomOut(chart);
    EXPECT_LE(chart->ValueLow(), gDacVolts[DacA]);
    EXPECT_GE(chart->ValueLow(), 2 * -1.7e38 * 1.001);
    EXPECT_DOUBLE_EQ(chart->ValueHigh(), 7);
    for (float volts : gDacVolts)
        expectDrawnInside(volts);
    // The value axis labels ("-2.5E+38") show whole: each stands clear of the strip of the
    // zoom arrows (a label too wide for its room is cut at the strip's edge).
    QImage img(chart->size(), QImage::Format_RGB32);
    chart->render(&img);
    const int top = chart->ArrowCentre(StripChart::Arrow::ValueTop).y() + 8;
    const int bottom = chart->ArrowCentre(StripChart::Arrow::ValueBottom).y() - 8;
    const int strip = 2 * chart->ArrowCentre(StripChart::Arrow::ValueTop).x();
    ASSERT_LT(top, bottom);
    for (int y = top; y <= bottom; ++y)
        for (int x = 0; x <= strip; ++x)
            ASSERT_EQ(img.pixel(x, y), img.pixel(0, 0)) << x << ", " << y;

    // The Vdd chart reaches the top Vdd code, the Ain chart the top code of either Ain
    // reference.
    EXPECT_GE(f->stpVoltage->ZoomLimitHigh(), RoundDecimals(VddCodeToVolts(1023), 3));
    for (int ref : {0x00, 0x10}) {
        WriteRegisterValue(gDeviceAddress, 0x1A, ref);
        EXPECT_GE(f->stpAin->ZoomLimitHigh(), RoundDecimals(AinCodeToVolts(1023), 3)) << ref;
    }
}

TEST_F(GraphingTest, PausedPlottingLeavesAGapAndZeroVoltLinesShowAboveTheFrame)
{
    frmGraphing* f = Open();
    f->optGraph[GraphDacs]->setChecked(true);
    env.clock.step = 0;
    auto run = [&](double seconds) {
        for (int i = 0; i < static_cast<int>(seconds * 10); ++i) {
            env.clock.now += 0.1;
            UpdateGraphingForm();
        }
    };
    // DAC A at 2.5 V (blue), the others at 0 V (DAC D's magenta drawn last, on top).
    gDacVolts = {2.5F, 0.0F, 0.0F, 0.0F};
    run(15);
    f->chkEnableGraph->setChecked(false);
    run(20);
    f->chkEnableGraph->setChecked(true);
    run(15);

    StripChart* chart = f->stpDAC;
    ASSERT_DOUBLE_EQ(chart->TimeSpan(), 60);
    QImage img(chart->size(), QImage::Format_ARGB32);
    chart->render(&img);
    const QRect plot = chart->PlotRect();
    // The column of a time so many seconds before the newest sample.
    auto columnOf = [&](double secondsAgo) {
        return plot.left() + static_cast<int>((60 - secondsAgo) / 60 * plot.width());
    };
    const QColor blue(0, 0, 255);
    const QColor magenta(255, 0, 255);
    const QColor frame(96, 96, 96);
    for (double ago : {42.0, 8.0}) {
        const int x = columnOf(ago);
        EXPECT_TRUE(HasColour(img, QRect(x, plot.top(), 1, plot.height()), blue)) << ago << " s ago";
        // The bottom frame line, and the 0 V line whole within the few rows above it.
        int frameRow = plot.bottom() + 2;
        while (frameRow > plot.bottom() - 4 && !HasColour(img, QRect(x, frameRow, 1, 1), frame, 30))
            --frameRow;
        EXPECT_TRUE(HasColour(img, QRect(x, frameRow - 4, 1, 4), magenta)) << ago << " s ago";
    }
    // Nothing drawn in the middle of the pause.
    const QRect gap(columnOf(25), plot.top(), 1, plot.height());
    EXPECT_FALSE(HasColour(img, gap, blue, 150));
    EXPECT_FALSE(HasColour(img, gap, magenta, 150));
}

TEST_F(GraphingTest, FahrenheitSwitchSetsUpAnOpenInterruptSettingsWindowAgain)
{
    frmGraphing* f = Open();
    fake.board.registers[0x26] = 0x19; // 25 degrees Celsius
    fake.board.registers[0x25] = 0x7F; // 127
    auto limitReads = [this] {
        int n = 0;
        for (const auto& [dir, reg] : fake.board.RegisterTraffic())
            n += dir == 'R' && reg >= 0x23 && reg <= 0x30;
        return n;
    };
    auto pointer = [](LimitGauge* g, int index) {
        g->SetPointerIndex(index);
        return g->PointerValue();
    };

    // With the interrupt settings window closed, the switch reads no limit.
    fake.board.Clear();
    f->chkFahrenheit->setChecked(true);
    f->chkFahrenheit->setChecked(false);
    EXPECT_EQ(limitReads(), 0);

    frmLimits* limits = LoadForm<frmLimits>();
    ASSERT_NE(limits, nullptr);
    LimitGauge* g = limits->ggeInternal;
    EXPECT_FLOAT_EQ(pointer(g, LimitGauge::kLowPointer), 25);
    fake.board.Clear();
    f->chkFahrenheit->setChecked(true);
    EXPECT_EQ(limitReads(), 14);
    EXPECT_DOUBLE_EQ(g->ScaleMin(), -198);
    EXPECT_DOUBLE_EQ(g->ScaleMax(), 260);
    EXPECT_FLOAT_EQ(pointer(g, LimitGauge::kLowPointer), 77);
    EXPECT_FLOAT_EQ(pointer(g, LimitGauge::kHighPointer), 260.6F);

    fake.board.Clear();
    f->chkFahrenheit->setChecked(false);
    EXPECT_EQ(limitReads(), 14);
    EXPECT_DOUBLE_EQ(g->ScaleMax(), 127);
    EXPECT_FLOAT_EQ(pointer(g, LimitGauge::kLowPointer), 25);
    UnloadForm<frmLimits>();
}

} // namespace
