// Help window.
#pragma once

#include "platform/Forms.h"

class frmHelp : public Form {
    Q_OBJECT
public:
    frmHelp();
};

// Reads "DisplayHelp" from the settings store into gDisplayHelp.
void ReadHelpPreference();
void ShowHelpForm();
