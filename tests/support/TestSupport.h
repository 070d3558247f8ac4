// Shared helpers for the tests: a clock the test drives, answered message boxes, a
// caught program end, a recording fake of the board library and the simulated board.
#pragma once

#include "platform/Runtime.h"

#include <QColor>
#include <QEvent>
#include <QPoint>
#include <QRect>
#include <QString>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <vector>

// Thrown by the replaced program end.
struct ProgramEnded : std::runtime_error {
    explicit ProgramEnded(int s) : std::runtime_error("program ended"), status(s) {}
    int status;
};

// A clock that advances by a fixed step at every reading.
struct FakeClock {
    double now = 12 * 3600.0; // noon
    double step = 0.001;
    float Read()
    {
        const float v = static_cast<float>(now);
        now += step;
        if (now >= 86400.0)
            now -= 86400.0;
        return v;
    }
};

// One request as the board library received it.
struct Transfer {
    int16_t request;
    int32_t value;
    int32_t index;
    int16_t direction;
    int16_t length;
    uint8_t sent; // first byte of the buffer for a send
};

// A recording fake of the library's two functions. Reads answer from `registers` and
// `ports`; `failAt` makes the n-th transfer (0-based) fail.
struct FakeBoard {
    std::vector<Transfer> transfers;
    std::vector<std::string> firmwarePaths;
    uint8_t registers[256] = {};
    uint8_t ports[6] = {};
    int16_t firmwareStatus = 0;
    int failAt = -1;
    std::function<int16_t(const Transfer&)> statusFor; // optional per-transfer status
    // Register writes only: (register, data byte) in order.
    std::vector<std::pair<int, int>> Writes() const;
    // Register reads ('R') and writes ('W') in order, with their register.
    std::vector<std::pair<char, int>> RegisterTraffic() const;
    // Port writes only: (port, low byte).
    std::vector<std::pair<int, int>> PortWrites() const;
    void Clear() { transfers.clear(); }
};

// Installs the fake as the board library (and removes it in the destructor).
class FakeBoardScope {
public:
    FakeBoardScope();
    ~FakeBoardScope();
    FakeBoard board;
};

// Test environment for anything that runs program code: every global back to its start,
// a fake clock, message boxes recorded and answered OK, program end thrown as ProgramEnded.
class ProgramEnvironment {
public:
    ProgramEnvironment();
    ~ProgramEnvironment();
    FakeClock clock;
    std::vector<QString> messages;
    std::vector<MsgIcon> icons;
};

// Runs the simulated board in-process (static library) as the board library.
void UseSimulatedBoard();
// Runs the whole bring-up on the simulated board and returns the main window.
class frmMain;
frmMain* BringUpOnSimulatedBoard();
// Unloads every window and deletes the main window.
void TearDownProgram();

class QImage;
class QWidget;
// A left-button mouse event as the window system delivers it (a move carries no button).
void SendMouse(QWidget* w, QEvent::Type type, QPoint pos);
// A double-click as the window system delivers it: press, release, double-click, release.
void DoubleClick(QWidget* w, QPoint pos);
// Whether some pixel of the area shows the colour: within the tolerance of it (sum of the
// three channel differences), or a blend of it over what lies around the pixel that holds
// at least half of it, within the tolerance. An anti-aliased hairline that falls between two
// pixel rows or columns is drawn at about half strength in both, over the background or
// another line, and is seen wherever it falls.
bool HasColour(const QImage& img, QRect area, QColor c, int tolerance = 60);
