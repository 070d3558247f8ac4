#include "windows/frmOptions.h"

frmOptions::frmOptions()
{
    SetCaption(QStringLiteral("Configuration"));
}

void RefreshOptionsForm()
{
}

void ShowOptionsForm()
{
    ShowForm<frmOptions>();
}
