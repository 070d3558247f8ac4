#include "board/USBStuff.h"

#include "board/VantreoLibrary.h"
#include "chip/GeneralStuff.h"
#include "platform/Runtime.h"

#include <QFile>
#include <QThread>
#include <climits>
#include <limits>

std::array<uint8_t, 65> gUsbBuffer{};
QString gFirmwareFile;
std::array<uint8_t, kFirmwarePathLimit + 1> gFirmwareFileBytes{};
bool gSPIMode = false;
int32_t gDeviceAddress = 0;

void (*gUnloadAllWindows)() = nullptr;
bool gFatalUsbErrorRaised = false;

namespace {
bool gProgramFolderUnknown = false;
}

void ResetUsbStuff()
{
    gUsbBuffer.fill(0);
    gFirmwareFile.clear();
    gFirmwareFileBytes.fill(0);
    gSPIMode = false;
    gDeviceAddress = 0;
    gFatalUsbErrorRaised = false;
    gProgramFolderUnknown = false;
}

bool StringToBytes(const QString& text)
{
    // The bytes are the path as the file system names it (the system's code page), so a
    // program folder with letters beyond ASCII still finds its firmware.
    const QByteArray bytes = QFile::encodeName(text);
    if (bytes.size() > kFirmwarePathLimit) {
        gFirmwareFileBytes[0] = 0;
        return false;
    }
    int i = 0;
    for (; i < bytes.size(); ++i)
        gFirmwareFileBytes[i] = static_cast<uint8_t>(bytes[i]);
    gFirmwareFileBytes[i] = 0;
    return true;
}

int16_t LoadBoardFirmware()
{
    // The firmware and the board library are taken from the program's folder only: when
    // that is unknown, the download fails before the library is looked for at all.
    const QString folder = AppPath();
    gProgramFolderUnknown = folder.isEmpty();
    if (gProgramFolderUnknown) {
        gFirmwareFile.clear();
        gFirmwareFileBytes[0] = 0;
        return -1;
    }
    // One separator is always added, as the design does; Linux uses "/".
    gFirmwareFile = folder + QStringLiteral("/ZandrelFW.Hex");
    if (!StringToBytes(gFirmwareFile))
        return -1;
    return CallLoadFirmWare(reinterpret_cast<const char*>(gFirmwareFileBytes.data()));
}

static int32_t BusSelector() { return gSPIMode ? 0x200 : 0x100; }

int16_t ReadRegister(int32_t deviceAddress, int32_t reg)
{
    const int32_t value = BusSelector() + (gSPIMode ? reg : deviceAddress);
    const int16_t status = CallVendorIORequest(RegisterRequest, value, reg, 1, 1, gUsbBuffer.data());
    if (status != 0)
        FatalUsbError(CommunicationsError);
    return gUsbBuffer[0];
}

int16_t WriteRegister(int32_t deviceAddress, int32_t reg, int32_t& data)
{
    if (data > 255)
        data = 255;
    // data * 256 + reg must stay a signed 32-bit number; nothing below that can be framed.
    const int64_t index = static_cast<int64_t>(data) * 256 + reg;
    if (index < std::numeric_limits<int32_t>::min() || index > std::numeric_limits<int32_t>::max())
        return -1;
    uint8_t zero = 0;
    const int16_t status = CallVendorIORequest(RegisterRequest, BusSelector() + deviceAddress,
                                               static_cast<int32_t>(index), 0, 0, &zero);
    if (status != 0)
        FatalUsbError(CommunicationsError);
    UpdateRegisterState(reg);
    return 0;
}

int16_t WriteRegisterValue(int32_t deviceAddress, int32_t reg, int32_t data)
{
    return WriteRegister(deviceAddress, reg, data);
}

int16_t WriteBoardPort(int32_t port, int32_t lowByte, int32_t highByte)
{
    uint8_t zero = 0;
    return CallVendorIORequest(BoardPortRequest, port, highByte * 256 + lowByte, 0, 0, &zero);
}

int16_t ReadBoardPorts()
{
    return CallVendorIORequest(BoardPortRequest, 0, 0, 1, 6, gUsbBuffer.data());
}

void SendSpiModeRequest()
{
    CallVendorIORequest(SpiModeRequest, 0, 0, 1, 1, gUsbBuffer.data());
}

bool FirmwarePathTooLong() { return QFile::encodeName(gFirmwareFile).size() > kFirmwarePathLimit; }
bool ProgramFolderUnknown() { return gProgramFolderUnknown; }

namespace {
// A path on lines of a readable width, broken after a "/", so that a box shows all of it.
QString PathOnLines(const QString& path)
{
    constexpr qsizetype kWidth = 64;
    QString out;
    QString line;
    for (const QString& part : path.split(QLatin1Char('/'))) {
        if (!line.isEmpty() && line.size() + part.size() > kWidth) {
            out += line + QLatin1Char('\n');
            line.clear();
        }
        QString rest = part;
        while (rest.size() > kWidth) { // a single name longer than a line
            out += rest.left(kWidth) + QLatin1Char('\n');
            rest.remove(0, kWidth);
        }
        line += rest + QLatin1Char('/');
    }
    line.chop(1);
    return out + line;
}
} // namespace

QString FatalUsbErrorText(int16_t code)
{
    switch (code) {
    case FirmwareError:
        if (ProgramFolderUnknown())
            return QStringLiteral("Firmware failed to download - The program's folder could not be determined.\n\n"
                                  "The system cannot tell the path of the folder this program was started "
                                  "from; a path of more than %1 bytes is beyond what it resolves. The "
                                  "firmware and the board library are taken from that folder only.\n\n"
                                  "Move the program to a folder with a shorter path and start it from there.")
                .arg(PATH_MAX);
        if (FirmwarePathTooLong())
            return QStringLiteral("Firmware failed to download - The program's folder path is too long.\n\n"
                                  "The board's USB library takes a firmware path of at most %1 bytes; "
                                  "this one has %2:\n\n%3\n\n"
                                  "Move the program to a folder with a shorter path.")
                .arg(kFirmwarePathLimit)
                .arg(QFile::encodeName(gFirmwareFile).size())
                .arg(PathOnLines(gFirmwareFile));
        return QStringLiteral("Firmware failed to download - Check USB connections");
    case SMBusEnableError:
        return QStringLiteral("SMBus enable error  - Check USB connections");
    case InitialConnectionError:
        return QStringLiteral("Initial Connection Failed - If the device has previously \r\n"
                              "been set up for SPI communications then \r\n"
                              "disconnect and re-connect the board");
    case CommunicationsError:
        return QStringLiteral("Communications Interrupted - Check USB connections");
    default:
        return QString();
    }
}

void FatalUsbError(int16_t code)
{
    // One failure, one box: a second failure met while the first box is open (a tick or
    // a queued call run by the box's modal loop) is the same broken link.
    const bool first = !gFatalUsbErrorRaised;
    gFatalUsbErrorRaised = true;
    const QString text = FatalUsbErrorText(code);
    if (first && !text.isEmpty())
        MsgBox(text, MsgIcon::Critical);
    if (gUnloadAllWindows)
        gUnloadAllWindows();
    EndProgram(10 + (code >= 0 && code <= 3 ? code : 9));
}

void Delay(float milliseconds)
{
    const float start = Timer();
    const float end = static_cast<float>(start + milliseconds / 1000.0f);
    for (;;) {
        const float now = Timer();
        if (now > end || now < start)
            return;
        // Sleep in short slices: the wait keeps its meaning without loading a core.
        if (!ClockReplaced())
            QThread::usleep(end - now > 0.002f ? 1000 : 200);
    }
}
