// Interrupt settings window with the limit gauges and alert lamps.
#pragma once

#include "platform/Forms.h"

class frmLimits : public Form {
    Q_OBJECT
public:
    frmLimits();
};

void ConfigureLimitsForm();
void UpdateLimitsForm();
void ShowLimitsForm();
