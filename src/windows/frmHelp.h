// The help window: the help page and the start-up preference.
#pragma once

#include "platform/Forms.h"

class QCheckBox;
class QTextBrowser;

class frmHelp : public Form {
    Q_OBJECT
public:
    frmHelp();
    void Form_Load() override;
    void Form_Unload() override;

    QTextBrowser* brwWebBrowser = nullptr;
    QCheckBox* chkHelp = nullptr;

protected:
    void resizeEvent(QResizeEvent* event) override;
};

// Reads "DisplayHelp" from the settings store into gDisplayHelp (only the text True sets it).
void ReadHelpPreference();
void ShowHelpForm();
// Places a child window as the help and about windows do: centred on the main window's
// outer size, 1500 twips above the middle. Negative positions are kept.
void PlaceAboveMainCentre(Form* form);
