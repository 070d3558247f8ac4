#include "windows/frmAbout.h"

frmAbout::frmAbout()
{
    SetCaption(QStringLiteral("About the Morvane Evaluatiton Software"));
}

void LoadAboutForm()
{
    ShowForm<frmAbout>();
}
