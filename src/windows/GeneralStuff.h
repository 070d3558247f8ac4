// Program start and the values shared by the windows: the main window, the graph and
// log settings, and the window-open flags.
#pragma once

#include <QString>
#include <array>
#include <cstdint>

class frmMain;

enum GraphSelect : int16_t { GraphTemperature = 0, GraphVdd = 1, GraphDacs = 2, GraphAin = 3 };
enum LogChannel : int16_t {
    LogInternal = 0, LogExternal, LogVdd, LogDacA, LogDacB, LogDacC, LogDacD,
    LogKulex, LogAin1, LogAin2, LogAin3, LogAin4, LogChannelCount
};

inline constexpr int kVersionMajor = 2;
inline constexpr int kVersionMinor = 0;
inline constexpr int kVersionRevision = 2;

extern frmMain* gMainForm;
extern bool gDisplayHelp;
extern QString gDeviceName;

extern int16_t gGraphSelect;
extern bool gGraphEnabled;
extern bool gFahrenheit;

extern bool gLogging;
extern QString gLogFileName;
extern int16_t gLogFileNum;
extern std::array<bool, LogChannelCount> gLogChannel;
extern int32_t gLogInterval;
extern int32_t gLogSampleCount;

extern bool gGraphFormOpen;
extern bool gRegMapFormOpen;
extern bool gDacFormOpen;
extern bool gLimitsFormOpen;
extern bool gOptionsFormOpen;
extern bool gTestFormOpen;

// The program's start-up procedure: splash, main window with the bring-up, help.
void Main();

// The data line of the log without its line end (time field and the logged channels).
QString BuildLogLine();

// Status bar panel 1 of the main window (does nothing before the main window exists).
void SetStatusText(const QString& text);
QString StatusText();

// Puts every process-wide value of the program back to its start value (tests), with
// the windows' procedures registered with the chip model as at program start.
void ResetAllGlobals();
