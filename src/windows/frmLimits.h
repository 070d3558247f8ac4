// Interrupt settings window with the limit gauges and alert lamps.
#pragma once

#include "platform/Forms.h"

#include <array>

class LimitGauge;
class Lamp;
class QCheckBox;
class QGroupBox;
class QLabel;
class QTabWidget;

class frmLimits : public Form {
    Q_OBJECT
public:
    frmLimits();

    void Form_Load() override;
    void Form_Unload() override;

    // Mask boxes: Index 0 to 8, and the interrupt output ("Pin Status").
    void chkMask_Click(int index);
    void chkIntMask_Click();

    // A pointer of a gauge was dragged: both limits of that gauge are written.
    void ggeInternal_PointerMoved();
    void ggeExternal_PointerMoved();
    void ggeVdd_PointerMoved();
    void ggeAin_PointerMoved(int index);

    QGroupBox* Frame2 = nullptr;
    QLabel* Label3 = nullptr; // "Mask"
    QLabel* Label4 = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label6 = nullptr; // "External High" or "Ain1"
    QLabel* Label7 = nullptr;
    QLabel* Label8 = nullptr;
    std::array<QLabel*, 4> Label9{};
    QLabel* Label10 = nullptr; // "Pin Status"
    std::array<Lamp*, 10> tglAlert{};
    std::array<QCheckBox*, 9> chkMask{};
    QCheckBox* chkIntMask = nullptr;

    QTabWidget* SSTab1 = nullptr;
    LimitGauge* ggeInternal = nullptr;
    LimitGauge* ggeExternal = nullptr;
    LimitGauge* ggeVdd = nullptr;
    std::array<LimitGauge*, 4> ggeAin{};
    std::array<QLabel*, 3> Label1{}; // "Internal", "External", "Vdd"
    std::array<QLabel*, 4> lblAin{};
    QLabel* lblExtDisabled = nullptr;
    QLabel* lblAin1Disabled = nullptr;
    QLabel* lblAin2Disabled = nullptr;
    QLabel* lblAin3Disabled = nullptr;
};

// Fits the gauges to the chip's pin functions, Ain reference and temperature unit and
// places every limit pointer from the limit registers. Does nothing while the window is closed.
void ConfigureLimitsForm();
// The periodic refresh: reading bars, captions, the Ain1 row label and the lamps.
void UpdateLimitsForm();
void ShowLimitsForm();
