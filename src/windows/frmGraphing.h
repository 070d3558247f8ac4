// Graphs window with the live strip charts.
#pragma once

#include "platform/Forms.h"

class frmGraphing : public Form {
    Q_OBJECT
public:
    frmGraphing();
};

void SetupGraphChannels();
void UpdateGraphingForm();
void ShowGraphingForm();
