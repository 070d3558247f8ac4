#include "windows/frmTest.h"

frmTest::frmTest()
{
    SetCaption(QStringLiteral("Evaluation Board Settings"));
}

void SetupAin12SourceOptions()
{
}

void ShowTestForm()
{
    ShowForm<frmTest>();
}
