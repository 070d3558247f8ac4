#include "windows/frmExternalTest.h"

frmExternalTest::frmExternalTest()
{
    SetCaption(QStringLiteral("Test Procedure"));
}

void ShowExternalTestForm()
{
    ShowForm<frmExternalTest>();
}
