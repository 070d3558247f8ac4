// Graphs window: four strip charts of the live readings (one visible at a time), the
// "Enable Graphing" and Fahrenheit switches, and the way to the data logging window.
#pragma once

#include "platform/FitLabel.h"
#include "platform/Forms.h"

#include <array>
#include <cstdint>

class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class StripChart;

class frmGraphing : public Form {
    Q_OBJECT
public:
    frmGraphing();

    void Form_Load() override;
    void Form_Unload() override;

    void optGraph_Click(int index);
    void chkEnableGraph_Click();
    void chkFahrenheit_Click();
    void cmdLog_Click();

    // Hides every chart, then shows the one of gGraphSelect.
    void ShowSelectedChart();
    // The chart of a GraphSelect value (null outside 0..3).
    StripChart* Chart(int graphSelect) const;

    QGroupBox* Frame1 = nullptr;
    std::array<QRadioButton*, 4> optGraph{};
    QCheckBox* chkEnableGraph = nullptr;
    QCheckBox* chkFahrenheit = nullptr;
    QPushButton* cmdLog = nullptr;
    QLabel* Label1 = nullptr;
    FitLabel* lblLogged = nullptr;
    StripChart* stpTemp = nullptr;
    StripChart* stpVoltage = nullptr;
    StripChart* stpDAC = nullptr;
    StripChart* stpAin = nullptr;
};

// Shows or hides the External/Kulex and Ain1-Ain3 pens and captions by the function of the
// chip's pins. Does nothing unless the graphs window is open.
void SetupGraphChannels();
// The master timer's refresh: one sample on every pen, the legends and the logging count.
void UpdateGraphingForm();
void ShowGraphingForm();
// Opens the graphs window if needed, brings it to the front and selects chart 0..3
// (temperatures, Vdd, DACs, Ain1-4) as a click on its option button does.
void ShowGraphChart(int16_t chart);
