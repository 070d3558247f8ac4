#include "windows/frmGraphing.h"

frmGraphing::frmGraphing()
{
    SetCaption(QStringLiteral("Graphing"));
}

void SetupGraphChannels()
{
}

void UpdateGraphingForm()
{
}

void ShowGraphingForm()
{
    ShowForm<frmGraphing>();
}

void ShowGraphChart(int16_t)
{
    ShowGraphingForm();
}
