#include "board/Switches.h"

#include "board/USBStuff.h"
#include "chip/GeneralStuff.h"

namespace {
// Reads the port image, replaces the field's bits of the port's low byte, writes it back.
int16_t SetPortField(int port, uint8_t mask, uint8_t bits)
{
    ReadBoardPorts();
    const int low = gUsbBuffer[2 * port - 2];
    const int high = gUsbBuffer[2 * port - 1];
    const int newLow = (low & ~mask & 0xFF) | (bits & mask);
    return WriteBoardPort(port, newLow, high);
}
} // namespace

int16_t SelectSMBusInterface() { return SetPortField(3, 0x04, 0x00); }

int16_t SelectSPIInterface()
{
    const int16_t status = SetPortField(3, 0x04, 0x04);
    SendSpiModeRequest();
    return status;
}

int16_t ConnectAin12Path() { return SetPortField(3, 0x03, 0x03); }
int16_t DisconnectAin12Path() { return SetPortField(3, 0x03, 0x00); }

int16_t SelectExtDiodePath()
{
    DisconnectAin12Path();
    return SetPortField(2, 0x03, 0x03);
}

int16_t SelectAin12Path()
{
    const int16_t status = SetPortField(2, 0x03, 0x00);
    ConnectAin12Path();
    return status;
}

int16_t SelectLEDBarDAC(const QString& channel)
{
    int code;
    if (channel == QLatin1String("A"))
        code = 0;
    else if (channel == QLatin1String("B"))
        code = 1;
    else if (channel == QLatin1String("C"))
        code = 2;
    else if (channel == QLatin1String("D"))
        code = 3;
    else
        return -1;
    return SetPortField(2, 0x0C, static_cast<uint8_t>(code << 2));
}

void SelectAin3Switch() { SetPortField(2, 0xC0, 0x80); }
void SelectLDACSwitch() { SetPortField(2, 0xC0, 0x40); }

int16_t SetAin12SourceTerminal()
{
    const int16_t status = SetPortField(2, 0x30, 0x00);
    if (gAin12Mode == Ain12Inputs)
        ConnectAin12Path();
    return status;
}

int16_t SetAin12SourceLEDDac()
{
    const int16_t status = SetPortField(2, 0x30, 0x30);
    if (gAin12Mode == Ain12Inputs)
        ConnectAin12Path();
    return status;
}
