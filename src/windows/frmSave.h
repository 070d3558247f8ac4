// Data logging window.
#pragma once

#include "platform/Forms.h"

class frmSave : public Form {
    Q_OBJECT
public:
    frmSave();
};

// The master timer's log item: appends one data line; false when nothing was written.
bool WriteLogDataLine();
void ShowSaveForm();
