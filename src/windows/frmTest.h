// Board settings window.
#pragma once

#include "platform/Forms.h"

class frmTest : public Form {
    Q_OBJECT
public:
    frmTest();
};

void SetupAin12SourceOptions();
void ShowTestForm();
