// Register map window: pick a register from the tree or type its address, read it, write
// it in decimal or hexadecimal, toggle single bits, and read it continuously.
#pragma once

#include "platform/Forms.h"

#include <QLabel>
#include <array>
#include <cstdint>

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

// A label that reports a left-button click (the bit labels): a press and its release on
// the label. The second press of a double-click is not a new click.
class ClickLabel : public QLabel {
    Q_OBJECT
public:
    explicit ClickLabel(QWidget* parent = nullptr) : QLabel(parent) {}
signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool mPressed = false;
};

class frmRegMap : public Form {
    Q_OBJECT
public:
    frmRegMap();

    void Form_Load() override;
    void Form_Unload() override;

    void cmdRead_Click();
    void cmdWrite_Click();
    // Key code 13 (Enter) writes; other keys do nothing.
    void txtDec_KeyDown(int keyCode, int shift);
    void txtHex_KeyDown(int keyCode, int shift);
    void lblBit_Click(int index);
    void TreeView1_NodeClick(QTreeWidgetItem* node);
    void txtDec_Change();
    void txtHex_Change();
    void txtReadAddr_Change();

    // The master timer's continuous read: a register number that cannot be read stops it;
    // the refusal is reported once the tick is over, unless a refusal is open already.
    // While the address box is being typed in, its text is left as typed, and a number
    // there that cannot be read waits for the focus to leave the box.
    void ContinuousRead();
    // Shows a bit label's caption, "1" or "0", and tells screen readers the same.
    void SetBitCaption(int index, bool set);

    QGroupBox* Frame1 = nullptr;
    QTreeWidget* TreeView1 = nullptr;
    QGroupBox* Frame3 = nullptr;
    QLabel* Label7 = nullptr;
    QLabel* lblRegDescription = nullptr;
    QLabel* Label8 = nullptr;
    QLabel* lblCurrentAddr = nullptr;
    QLabel* Label9 = nullptr;
    QLabel* lblHexVal = nullptr;
    QLabel* Label10 = nullptr;
    QLabel* lblDecVal = nullptr;
    QGroupBox* fraBits = nullptr;
    std::array<ClickLabel*, 8> lblBit{};
    std::array<QLabel*, 8> lblInfo{};
    QGroupBox* Frame6 = nullptr;
    QLabel* Label11 = nullptr;
    QLineEdit* txtReadAddr = nullptr;
    QPushButton* cmdWrite = nullptr;
    QLabel* Label5 = nullptr;
    QLineEdit* txtHex = nullptr;
    QPushButton* cmdRead = nullptr;
    QLabel* Label6 = nullptr;
    QLineEdit* txtDec = nullptr;
    QCheckBox* chkContRead = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void LayoutBitLabels();
    // Whether the user is typing in the address box: it holds the window's focus, or the
    // menu bar took the keys from it.
    bool AddressBeingTyped() const;
    // The register number in the address box, or false when it is not 00h to FFh.
    bool AddressBoxRegister(int32_t& reg) const;
    // Reads and shows register `reg`; `addressToBox` false leaves the address box's text.
    void ReadRegisterAt(int32_t reg, bool addressToBox = true);
    // Shows a refusal box; while it is open the continuous read raises none.
    void Refuse(const QString& text);
    // Refuses the address box's number; a ticked continuous read stops with it.
    void RefuseAddress();

    // Set while a mirror handler empties the other box: an empty box is no value to echo.
    bool mEmptyingMirror = false;
    // The address box gave the keys to the menu bar (Alt), which hands them back.
    bool mAddressKeysInMenuBar = false;
    // Set while a refusal box of this window is open.
    bool mRefusalOpen = false;
    // The continuous read stopped on a bad number and has yet to say so.
    bool mStopReportPending = false;
    // The tree's current node when the mouse button last went down on it: a click that made
    // its node current was shown by that change already.
    const QTreeWidgetItem* mCurrentAtPress = nullptr;
};

// Fills the window's labels from RegMap entry `index` and reads the register.
void ShowRegisterDetails(int16_t index);
// Shows the eight bits of a register value on the bit labels.
void ShowRegisterBits(int32_t value);
// Fills the register tree of the register map window (4 areas, 9 groups, 49 registers).
void BuildRegisterTree();

// The master timer's continuous read: true when "Continuous Read" is ticked.
bool RegMapContinuousReadTicked();
void RegMapContinuousRead();
void ShowRegMapForm();
