// Board settings window: which DAC drives the board's LED bar, the opto-sensor mode that
// lets the photo sensor drive the LED bar through DAC A, and where the board takes the
// Ain1/Ain2 voltages from. Every choice takes effect at once; the window keeps no state.
#pragma once

#include "platform/Forms.h"

#include <array>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

class frmTest : public Form {
    Q_OBJECT
public:
    frmTest();

    void Form_Load() override;
    void Form_Unload() override;
    void cmdClose_Click();
    void cmbLEDCon_Click();
    void chkOpto_Click();
    void optAin12_Click(int index);
    // The register set-up of the opto-sensor mode.
    void SetUpOptoControl();

    QGroupBox* Frame2 = nullptr;
    QLabel* Label2 = nullptr;
    QComboBox* cmbLEDCon = nullptr;
    QCheckBox* chkOpto = nullptr;
    QGroupBox* Frame1 = nullptr;
    QLabel* Label1 = nullptr;
    std::array<QRadioButton*, 2> optAin12{};
    QPushButton* cmdClose = nullptr;

private:
    // Selects an item of the LED bar list from the program; the list's handler runs
    // when the selection changes and runHandler is set.
    void SetLEDConIndex(int index, bool runHandler);
};

// Makes the Ain1-2 source options follow the function of the Ain1/Ain2 pins. Does
// nothing unless the board settings window is open.
void SetupAin12SourceOptions();
void ShowTestForm();
