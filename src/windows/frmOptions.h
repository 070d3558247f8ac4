// Configuration window.
#pragma once

#include "platform/Forms.h"

class frmOptions : public Form {
    Q_OBJECT
public:
    frmOptions();
};

// Runs the window's Load again when it is open (the board settings window uses it).
void RefreshOptionsForm();
void ShowOptionsForm();
