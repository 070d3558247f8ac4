// DAC control window.
#pragma once

#include "platform/Forms.h"

class frmDAC : public Form {
    Q_OBJECT
public:
    frmDAC();
};

// The master timer's refresh of the output label and the LDAC pin status.
void UpdateDacFormLabels();
void ShowDacForm();
