// About window.
#pragma once

#include "platform/Forms.h"

class frmAbout : public Form {
    Q_OBJECT
public:
    frmAbout();
};

void LoadAboutForm();
