// What the original runtime gave the program: the clock, pending events, message
// boxes, the settings store, the program folder and the final exit. Each piece that
// tests need to control can be replaced through a setter.
#pragma once

#include <QString>
#include <functional>

// The program's title, shown on every message box and used as the settings application.
inline constexpr const char* kProgramTitle = "Zandrel Evaluation Software";

// ---- Clock: seconds since midnight, single precision --------------------------------
float Timer();
// Replaces the clock (tests). An empty function restores the wall clock.
void SetClockSource(std::function<float()> source);
bool ClockReplaced();

// Handles every queued window event (repaints included) and returns.
void DoEvents();

// ---- Message boxes ---------------------------------------------------------------------
enum class MsgIcon { None, Critical, Exclamation, Information, Question };
enum class MsgButtons { OK, OKCancel, YesNo };
enum class MsgResult { OK, Cancel, Yes, No };

// Shows a modal message box titled with the program's title.
MsgResult MsgBox(const QString& text, MsgIcon icon = MsgIcon::None,
                 MsgButtons buttons = MsgButtons::OK);
// Replaces the box with a function that answers it (tests). Empty restores the real box.
using MsgBoxHandler = std::function<MsgResult(const QString& text, MsgIcon, MsgButtons)>;
void SetMsgBoxHandler(MsgBoxHandler handler);

// ---- Settings store (section "Settings" of the program's application) --------------
QString GetSetting(const QString& key, const QString& defaultValue = QString());
void SaveSetting(const QString& key, const QString& value);
bool HasSetting(const QString& key);
void RemoveSetting(const QString& key);
void ClearSettings(); // tests

// ---- Program folder ----------------------------------------------------------------
// The folder of the executable, without a trailing separator unless it is the root; empty
// when the system cannot tell it (a folder path longer than the system resolves).
QString AppPath();
void SetAppPath(const QString& path); // tests

// ---- Ending the process --------------------------------------------------------------
// Ends the process with the status. Tests replace it with a function that throws.
[[noreturn]] void EndProgram(int status);
void SetExitHandler(std::function<void(int)> handler);
