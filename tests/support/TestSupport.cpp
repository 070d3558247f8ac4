#include "TestSupport.h"

#include "SimControl.h"
#include "Vantreo.h"
#include "board/VantreoLibrary.h"
#include "platform/Forms.h"
#include "windows/GeneralStuff.h"
#include "windows/frmMain.h"

#include <QCoreApplication>
#include <QImage>
#include <QMouseEvent>
#include <QWidget>
#include <cstdlib>

namespace {
FakeBoard* gFake = nullptr;
ProgramEnvironment* gEnvironment = nullptr;

int16_t FakeLoad(const char* path)
{
    gFake->firmwarePaths.emplace_back(path);
    return gFake->firmwareStatus;
}

int16_t FakeRequest(int16_t request, int32_t value, int32_t index, int16_t direction,
                    int16_t length, uint8_t* buffer)
{
    Transfer t{request, value, index, direction, length, 0};
    if (direction == 0 && buffer)
        t.sent = buffer[0];
    const int n = static_cast<int>(gFake->transfers.size());
    gFake->transfers.push_back(t);
    int16_t status = 0;
    if (gFake->statusFor)
        status = gFake->statusFor(t);
    if (n == gFake->failAt)
        status = -1;
    if (status != 0)
        return status;
    if (request == 0xDE && direction == 0) {
        gFake->registers[index & 0xFF] = static_cast<uint8_t>((index >> 8) & 0xFF);
    } else if (request == 0xDE && direction == 1) {
        buffer[0] = gFake->registers[index & 0xFF];
    } else if (request == 0xDD && direction == 1) {
        for (int i = 0; i < 6; ++i)
            buffer[i] = gFake->ports[i];
    } else if (request == 0xDD && direction == 0) {
        if (value == 2 || value == 3) {
            gFake->ports[2 * value - 2] = static_cast<uint8_t>(index & 0xFF);
            gFake->ports[2 * value - 1] = static_cast<uint8_t>((index >> 8) & 0xFF);
        }
    }
    return 0;
}
} // namespace

std::vector<std::pair<int, int>> FakeBoard::Writes() const
{
    std::vector<std::pair<int, int>> out;
    for (const Transfer& t : transfers)
        if (t.request == 0xDE && t.direction == 0)
            out.emplace_back(t.index & 0xFF, (t.index >> 8) & 0xFF);
    return out;
}

std::vector<std::pair<char, int>> FakeBoard::RegisterTraffic() const
{
    std::vector<std::pair<char, int>> out;
    for (const Transfer& t : transfers)
        if (t.request == 0xDE)
            out.emplace_back(t.direction == 1 ? 'R' : 'W', t.index & 0xFF);
    return out;
}

std::vector<std::pair<int, int>> FakeBoard::PortWrites() const
{
    std::vector<std::pair<int, int>> out;
    for (const Transfer& t : transfers)
        if (t.request == 0xDD && t.direction == 0)
            out.emplace_back(t.value, t.index & 0xFF);
    return out;
}

FakeBoardScope::FakeBoardScope()
{
    gFake = &board;
    SetVantreoFunctions(&FakeLoad, &FakeRequest);
}

FakeBoardScope::~FakeBoardScope()
{
    SetVantreoFunctions(nullptr, nullptr);
    gFake = nullptr;
}

ProgramEnvironment::ProgramEnvironment()
{
    ResetAllGlobals();
    ClearSettings();
    SetClockSource([this] { return clock.Read(); });
    SetMsgBoxHandler([this](const QString& text, MsgIcon icon, MsgButtons) {
        messages.push_back(text);
        icons.push_back(icon);
        return MsgResult::OK;
    });
    SetExitHandler([](int status) { throw ProgramEnded(status); });
    SetAppPath(QStringLiteral(ZANDREL_PROGRAM_DIR));
    gEnvironment = this;
}

ProgramEnvironment::~ProgramEnvironment()
{
    TearDownProgram();
    SimSetTimeSource({});
    gEnvironment = nullptr;
    SetClockSource({});
    SetMsgBoxHandler({});
    SetExitHandler({});
    SetAppPath(QString());
    ResetAllGlobals();
}

void UseSimulatedBoard()
{
    // The simulated chip runs on the test's clock, so readings do not depend on how fast
    // the machine runs the test.
    if (gEnvironment) {
        FakeClock* clock = &gEnvironment->clock;
        const double start = clock->now;
        SimSetTimeSource([clock, start] {
            const double t = clock->now - start;
            return t < 0 ? t + 86400.0 : t; // the fake clock passes midnight, the chip goes on
        });
    }
    SimReset();
    SetVantreoFunctions(&LoadFirmWare, &VendorIORequest);
}

frmMain* BringUpOnSimulatedBoard()
{
    UseSimulatedBoard();
    gMainForm = new frmMain();
    gMainForm->Load();
    return gMainForm;
}

void TearDownProgram()
{
    if (gMainForm) {
        frmMain* main = gMainForm;
        main->UnloadAll();
        FlushDeletedForms();
        delete main;
        gMainForm = nullptr;
    } else {
        UnloadAllForms();
        FlushDeletedForms();
    }
}

void SendMouse(QWidget* w, QEvent::Type type, QPoint pos)
{
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    const Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent e(type, QPointF(pos), w->mapToGlobal(QPointF(pos)), button, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
}

void DoubleClick(QWidget* w, QPoint pos)
{
    for (QEvent::Type t : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonDblClick,
                           QEvent::MouseButtonRelease})
        SendMouse(w, t, pos);
}

namespace {
int Distance(QColor a, QColor b)
{
    return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) + std::abs(a.blue() - b.blue());
}

// Whether the pixel at (x, y) is the colour laid over its surroundings with at least half
// strength. What lies under it is taken from the neighbour that differs most from the
// colour; the pixel must lie on the way from there to the colour, at least half way.
bool ShowsBlend(const QImage& img, int x, int y, QColor c, int tolerance)
{
    QColor under = c;
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
            const QPoint n(x + dx, y + dy);
            if ((dx || dy) && img.rect().contains(n) && Distance(img.pixelColor(n), c) > Distance(under, c))
                under = img.pixelColor(n);
        }
    if (Distance(under, c) <= tolerance)
        return false; // nothing around to tell the colour from
    const QColor p = img.pixelColor(x, y);
    const double d[3] = {double(c.red() - under.red()), double(c.green() - under.green()),
                         double(c.blue() - under.blue())};
    const double q[3] = {double(p.red() - under.red()), double(p.green() - under.green()),
                         double(p.blue() - under.blue())};
    const double share = (d[0] * q[0] + d[1] * q[1] + d[2] * q[2]) / (d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    if (share < 0.45 || share > 1.05)
        return false;
    double off = 0;
    for (int k = 0; k < 3; ++k)
        off += std::abs(q[k] - share * d[k]);
    return off <= tolerance;
}
} // namespace

bool HasColour(const QImage& img, QRect area, QColor c, int tolerance)
{
    area = area.intersected(img.rect());
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            if (Distance(img.pixelColor(x, y), c) <= tolerance || ShowsBlend(img, x, y, c, tolerance))
                return true;
        }
    return false;
}
