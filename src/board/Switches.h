// The board's switches: each setter changes one field of switch port 2 or 3 with a
// read-modify-write of the board's port image. The high byte goes back as read.
#pragma once

#include <QString>
#include <cstdint>

int16_t SelectSMBusInterface();
int16_t SelectSPIInterface();
int16_t SelectExtDiodePath();
int16_t SelectAin12Path();
int16_t SelectLEDBarDAC(const QString& channel); // "A" to "D"
void SelectAin3Switch();
void SelectLDACSwitch();
int16_t SetAin12SourceTerminal();
int16_t SetAin12SourceLEDDac();
int16_t ConnectAin12Path();
int16_t DisconnectAin12Path();
