// Data logging window: which channels go into the CSV log, the log interval, the file,
// and starting and stopping a log run.
#pragma once

#include "platform/Forms.h"
#include "windows/GeneralStuff.h"

#include <QString>
#include <array>
#include <functional>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class UpDown;

class frmSave : public Form {
    Q_OBJECT
public:
    frmSave();

    void Form_Load() override;

    void cmdLog_Click();
    void cmdClose_Click();
    void txtLogInt_Change();

    // The header line of a log run without its line end, from the ticked boxes.
    QString GetLogHeader() const;

    QGroupBox* Frame1 = nullptr;
    std::array<QCheckBox*, LogChannelCount> chkLog{};
    std::array<QLabel*, LogChannelCount> Label1{};
    QLabel* Label2 = nullptr;
    QLineEdit* txtLogInt = nullptr;
    UpDown* UpDown1 = nullptr;
    QPushButton* cmdLog = nullptr;
    QPushButton* cmdClose = nullptr;

private:
    // Asks for the log file; empty when the user cancels.
    QString ChooseLogFile();
    void StartLogging();
    void StopLogging();

    // The file the last log run started from this window went to.
    QString mLastLogFile;
};

// The master timer's log item: appends one data line to the log file. False when nothing
// was written; logging has then been stopped and the user told why.
bool WriteLogDataLine();
void ShowSaveForm();

// Replaces the file dialog of the log start with a function that returns the chosen path
// (empty for cancel). An empty function brings the dialog back.
void SetLogFileChooser(std::function<QString()> chooser);
