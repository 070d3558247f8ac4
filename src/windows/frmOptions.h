// Configuration window: shows the chip's configuration registers, writes them back on
// Apply or OK, generates LDAC commands, takes the external DAC reference voltage and
// switches the chip interface to SPI.
#pragma once

#include "platform/Forms.h"

#include <array>
#include <cstdint>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class WrapCheckBox;
class WrapOptionButton;
class UpDown;

class frmOptions : public Form {
    Q_OBJECT
public:
    frmOptions();

    void Form_Load() override;
    void Form_Unload() override;

    // Handlers.
    void cmdApply_Click();
    void cmdOK_Click();
    void cmdCancel_Click();
    void cmdGenLDAC_Click(int index);
    void chkExtDACRef_Click(int index);
    void cmbLDACAin3_Click();
    void optLDACWrite_Click(int index);
    // Arranges the LDAC tab after the current choice in cmbLDACAin3.
    void UpdateLDACControls();

    // Registers 18h, 19h, 1Ah, 1Bh, 1Ch and 7Fh as read by Load.
    std::array<int32_t, 6> mConfigRegs{};
    // Registers 21h and 22h as read by Load, as signed values -128 to 127.
    std::array<int32_t, 2> mOffsetRegs{};

    QTabWidget* SSTab1 = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;
    QPushButton* cmdApply = nullptr;

    // "Device Options"
    QGroupBox* Frame2 = nullptr;
    WrapCheckBox* chkMonitoring = nullptr;
    WrapCheckBox* chkPowerDown = nullptr;
    WrapCheckBox* chkAveraging = nullptr;
    WrapCheckBox* chkIntEnable = nullptr;
    WrapCheckBox* chkIntPolarity = nullptr;
    WrapCheckBox* chkSPI = nullptr;
    QLabel* Label4 = nullptr;
    QComboBox* cmbTempAin12 = nullptr;
    QLabel* Label5 = nullptr;
    QComboBox* cmbLDACAin3 = nullptr;
    QLabel* Label6 = nullptr;
    QComboBox* cmbADCClock = nullptr;

    // "DAC Options"
    QGroupBox* Frame4 = nullptr;
    std::array<QLabel*, 4> Label1{};
    std::array<QComboBox*, 4> cmbDACRange{};
    QGroupBox* Frame6 = nullptr;
    std::array<WrapCheckBox*, 2> chkDACProp{};
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    std::array<QLineEdit*, 2> txtOffset{};
    UpDown* UpDown1 = nullptr;
    UpDown* UpDown2 = nullptr;
    WrapCheckBox* chkDACThermalBits = nullptr;

    // "LDAC Options"
    QGroupBox* Frame5 = nullptr;
    QLabel* lblLDAC = nullptr;
    std::array<WrapOptionButton*, 4> optLDACWrite{};
    QGroupBox* Frame7 = nullptr;
    std::array<QPushButton*, 4> cmdGenLDAC{};

    // "Reference"
    QGroupBox* Frame3 = nullptr;
    std::array<WrapCheckBox*, 2> chkExtDACRef{};
    QLabel* lblExtRef = nullptr;
    QLineEdit* txtExtRef = nullptr;
    QGroupBox* Frame1 = nullptr;
    std::array<WrapOptionButton*, 2> optAinRef{};

private:
    // Checks the number texts, then composes and writes every register. False when a
    // text was refused; nothing is written then.
    bool ApplyChanges();
    bool CheckNumberTexts(std::array<int32_t, 2>& offsets, float& extRef);
    void RefuseText(QWidget* page, QLineEdit* box, const QString& message);
};

// Runs the window's Load again when it is open (the board settings window uses it).
void RefreshOptionsForm();
void ShowOptionsForm();
