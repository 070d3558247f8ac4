#include "windows/frmRegMap.h"

frmRegMap::frmRegMap()
{
    SetCaption(QStringLiteral("Register Map Access"));
}

bool RegMapContinuousReadTicked()
{
    return false;
}

void RegMapContinuousRead()
{
}

void ShowRegMapForm()
{
    ShowForm<frmRegMap>();
}
