// Graphs window with the live strip charts.
#pragma once

#include "platform/Forms.h"

#include <cstdint>

class frmGraphing : public Form {
    Q_OBJECT
public:
    frmGraphing();
};

void SetupGraphChannels();
void UpdateGraphingForm();
void ShowGraphingForm();
// Brings up the graphs window (loading it when needed) on the given chart.
void ShowGraphChart(int16_t chart);
