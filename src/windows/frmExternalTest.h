// Test procedure window: one button per step of the board check, each putting the chip
// and the board into a fixed state and bringing up the chart that shows the result, and
// a row of options that chooses the DAC driving the LED bar.
#pragma once

#include "platform/Forms.h"

#include <array>

class QGroupBox;
class QPushButton;
class QRadioButton;

class frmExternalTest : public Form {
    Q_OBJECT
public:
    frmExternalTest();

    void Form_Load() override;
    void cmdEnableAllTemps_Click();
    void cmdVerifyVdd_Click();
    void cmdVerifyDACs_Click();
    void cmdEnableAin14_Click();
    void cmcdAinTerminal_Click();
    void cmdAlertLED_Click();
    void cmdLDACTest_Click();
    void cmdExtRef_Click();
    void optDAC_Click(int index);

    QPushButton* cmdEnableAllTemps = nullptr;
    QPushButton* cmdVerifyVdd = nullptr;
    QPushButton* cmdVerifyDACs = nullptr;
    QPushButton* cmdEnableAin14 = nullptr;
    QPushButton* cmcdAinTerminal = nullptr;
    QPushButton* cmdAlertLED = nullptr;
    QPushButton* cmdLDACTest = nullptr;
    QPushButton* cmdExtRef = nullptr;
    QGroupBox* Frame1 = nullptr;
    std::array<QRadioButton*, 4> optDAC{};
};

void ShowExternalTestForm();
