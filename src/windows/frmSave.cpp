#include "windows/frmSave.h"
#include "windows/GeneralStuff.h"

frmSave::frmSave()
{
    SetCaption(QStringLiteral("Logging/Save/Recall"));
}

bool WriteLogDataLine()
{
    return false;
}

void ShowSaveForm()
{
    ShowForm<frmSave>();
}

QString BuildLogLine()
{
    return {};
}
