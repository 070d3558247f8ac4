#include "windows/frmHelp.h"

frmHelp::frmHelp()
{
    SetCaption(QStringLiteral("Help"));
}

void ReadHelpPreference()
{
}

void ShowHelpForm()
{
    ShowForm<frmHelp>();
}
