// The chip's register table: 49 named registers with their bit names.
#pragma once

#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>

struct RegisterInfo {
    int32_t Address = 0;
    QString Name;
    QString Description;
    QString BitNames;
    int16_t DefaultValue = 0;
};

inline constexpr int kRegisterCount = 49;
extern std::array<RegisterInfo, kRegisterCount> RegMap;

void InitRegisterMap();
// Index of the first entry with the address, or -1.
int FindRegisterByAddress(int32_t address);
// Index of the entry whose name matches exactly (letter case included), or -1.
int FindRegisterByName(const QString& name);
// The eight bit names, element 0 for bit 7 down to element 7 for bit 0.
QStringList RegisterBitNames(int index);
// Empties the table (tests).
void ResetRegisterMap();
