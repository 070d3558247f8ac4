// Register map window.
#pragma once

#include "platform/Forms.h"

class frmRegMap : public Form {
    Q_OBJECT
public:
    frmRegMap();
};

// The master timer's continuous read: true when "Continuous Read" is ticked.
bool RegMapContinuousReadTicked();
void RegMapContinuousRead();
void ShowRegMapForm();
