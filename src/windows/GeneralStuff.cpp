#include "windows/GeneralStuff.h"

#include "board/USBStuff.h"
#include "chip/GeneralStuff.h"
#include "chip/RegMapStuff.h"
#include "platform/Forms.h"
#include "platform/Runtime.h"
#include "windows/DataLog.h"
#include "windows/frmGraphing.h"
#include "windows/frmHelp.h"
#include "windows/frmLimits.h"
#include "windows/frmMain.h"
#include "windows/frmSplash.h"
#include "windows/frmTest.h"

frmMain* gMainForm = nullptr;
bool gDisplayHelp = false;
QString gDeviceName;

int16_t gGraphSelect = GraphTemperature;
bool gGraphEnabled = false;
bool gFahrenheit = false;

bool gLogging = false;
QString gLogFileName;
int16_t gLogFileNum = 0;
std::array<bool, LogChannelCount> gLogChannel{};
int32_t gLogInterval = 0;
int32_t gLogSampleCount = 0;

bool gGraphFormOpen = false;
bool gRegMapFormOpen = false;
bool gDacFormOpen = false;
bool gLimitsFormOpen = false;
bool gOptionsFormOpen = false;
bool gTestFormOpen = false;

namespace {
// The chip model's start-up defaults and its decoder reach the windows through these.
void RegisterWithChipModel()
{
    RegisterWindowProcedures({
        .InitWindowDefaults =
            [] {
                gGraphEnabled = true;
                gLogInterval = 250;
            },
        .SetupGraphChannels = &SetupGraphChannels,
        .ConfigureLimitsForm = &ConfigureLimitsForm,
        .SetupAin12SourceOptions = &SetupAin12SourceOptions,
    });
}
} // namespace

void ResetAllGlobals()
{
    ResetUsbStuff();
    ResetChipState();
    ResetRegisterMap();
    gMainForm = nullptr;
    gDisplayHelp = false;
    gDeviceName.clear();
    gGraphSelect = GraphTemperature;
    gGraphEnabled = false;
    gFahrenheit = false;
    EndLogRun();
    gLogFileName.clear();
    gLogFileNum = 0;
    gLogChannel.fill(false);
    gLogInterval = 0;
    gLogSampleCount = 0;
    gGraphFormOpen = gRegMapFormOpen = gDacFormOpen = false;
    gLimitsFormOpen = gOptionsFormOpen = gTestFormOpen = false;
    RegisterWithChipModel();
}

void SetStatusText(const QString& text)
{
    if (gMainForm)
        gMainForm->SetStatusText(text);
}

QString StatusText() { return gMainForm ? gMainForm->StatusText() : QString(); }

void Main()
{
    RegisterWithChipModel();
    frmSplash* splash = ShowForm<frmSplash>();
    splash->repaint();
    DoEvents();
    gMainForm = new frmMain();
    gMainForm->Load();
    UnloadForm<frmSplash>();
    gMainForm->show();
    ReadHelpPreference();
    if (gDisplayHelp)
        LoadForm<frmHelp>();
}
