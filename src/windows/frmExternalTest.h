// Test procedure window.
#pragma once

#include "platform/Forms.h"

class frmExternalTest : public Form {
    Q_OBJECT
public:
    frmExternalTest();
};

void ShowExternalTestForm();
