// DAC control window: sets the code of one of the chip's four DACs with a slider and
// shows the output voltage measured for it and the state of the LDAC pin.
#pragma once

#include "platform/FitLabel.h"
#include "platform/Forms.h"

#include <array>

class DacSlider;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

class frmDAC : public Form {
    Q_OBJECT
public:
    frmDAC();

    void Form_Load() override;
    void Form_Unload() override;
    void optDAC_Click(int index);
    void sldDAC_Change();
    void cmdClose_Click();

    QGroupBox* Frame2 = nullptr;
    QLabel* Label1 = nullptr;
    FitLabel* lblDacVal = nullptr;
    std::array<QRadioButton*, 4> optDAC{};
    QLabel* lblDACIndicator = nullptr;
    DacSlider* sldDAC = nullptr;
    QGroupBox* Frame3 = nullptr;
    QLabel* lblLDACPinStatus = nullptr;
    QPushButton* cmdClose = nullptr;
};

// The master timer's refresh of the output label and the LDAC pin status.
void UpdateDacFormLabels();
void ShowDacForm();
