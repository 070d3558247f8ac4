#include "windows/frmGraphing.h"

#include "TestSupport.h"
#include "board/USBStuff.h"
#include "chip/GeneralStuff.h"
#include "platform/Forms.h"
#include "platform/StripChart.h"
#include "windows/GeneralStuff.h"
#include "platform/NumberText.h"
#include "windows/frmMain.h"
#include "windows/frmSave.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>

namespace {

const QString kDeg = QStringLiteral("\u00B0");

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

} // namespace
