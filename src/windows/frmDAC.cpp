#include "windows/frmDAC.h"

frmDAC::frmDAC()
{
    SetCaption(QStringLiteral("DAC Control"));
}

void UpdateDacFormLabels()
{
}

void ShowDacForm()
{
    ShowForm<frmDAC>();
}
