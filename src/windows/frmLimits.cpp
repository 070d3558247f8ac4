#include "windows/frmLimits.h"

frmLimits::frmLimits()
{
    SetCaption(QStringLiteral("Interrupt Settings"));
}

void ConfigureLimitsForm()
{
}

void UpdateLimitsForm()
{
}

void ShowLimitsForm()
{
    ShowForm<frmLimits>();
}
