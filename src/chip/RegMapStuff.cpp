#include "chip/RegMapStuff.h"

std::array<RegisterInfo, kRegisterCount> RegMap;

namespace {
struct Row {
    int32_t address;
    const char* name;
    const char* bits;
    int16_t defaultValue;
};

constexpr const char* kByteBits = "7:6:5:4:3:2:1:0";
constexpr const char* kMsbBits = "9:8:7:6:5:4:3:2";
constexpr const char* kDacLsbBits = "3:2:1:0:-:-:-:-";
constexpr const char* kDacMsbBits = "11:10:9:8:7:6:5:4";
constexpr const char* kStatus1Bits = "Ain4:Ain3:Ain2:FLT:EXLO:EXHI:INLO:INHI";
constexpr const char* kStatus2Bits = "-:-:-:VDD:-:-:-:-";

const Row kRows[kRegisterCount] = {
    {0x00, "Interrupt Status 1", kStatus1Bits, 0},
    {0x01, "Interrupt Status 2", kStatus2Bits, 0},
    {0x03, "Internal Temp LSBs", "-:-:-:-:-:-:1:0", 0},
    {0x03, "Vdd LSBs", "-:-:-:-:V1:V0:-:-", 0},
    {0x04, "External Temp LSBs", "Ain4:Ain4:Ain3:Ain3:Ain2:Ain2:Ext:Ext", 0},
    {0x06, "Vdd MSBs", kMsbBits, 0},
    {0x07, "Internal Temp MSBs", kMsbBits, 0},
    {0x08, "External Temp MSBs", kMsbBits, 0},
    {0x10, "DAC A LSBs", kDacLsbBits, 0},
    {0x11, "DAC A MSBs", kDacMsbBits, 0},
    {0x12, "DAC B LSBs", kDacLsbBits, 0},
    {0x13, "DAC B MSBs", kDacMsbBits, 0},
    {0x14, "DAC C LSBs", kDacLsbBits, 0},
    {0x15, "DAC C MSBs", kDacMsbBits, 0},
    {0x16, "DAC D LSBs", kDacLsbBits, 0},
    {0x17, "DAC D MSBs", kDacMsbBits, 0},
    {0x18, "Configuration 1", "PD:POL:EN:-:LDAC:P7/8:P7/8:MON", 0},
    {0x19, "Configuration 2", "RST:SMBT:AVE:CONV:-:C2:C1:C0", 0},
    {0x1A, "Configuration 3", "-:DBE:DAI:REF:DAC:-:RES:ADC", 0},
    {0x1B, "DAC Configuration", "-:-:GEN1:GEN0:DRNG:CRNG:BRNG:ARNG", 0},
    {0x1C, "LDAC Configuration", "-:-:REF:REF:D:C:B:A", 0},
    {0x1D, "Interrupt Mask 1", kStatus1Bits, 0},
    {0x1E, "Interrupt Mask 2", kStatus2Bits, 0},
    {0x1F, "Internal Offset", kByteBits, 0},
    {0x20, "External Offset", kByteBits, 0},
    {0x21, "Internal Analog Offset", kByteBits, 216},
    {0x22, "External Analog Offset", kByteBits, 216},
    {0x23, "Vdd High Limit", kByteBits, 199},
    {0x24, "Vdd Low Limit", kByteBits, 98},
    {0x25, "Internal High Limit", kByteBits, 100},
    {0x26, "Internal Low Limit", kByteBits, 201},
    {0x27, "External High Limit", kByteBits, 255},
    {0x28, "External Low Limit", kByteBits, 0},
    {0x4D, "Device ID", kByteBits, 0},
    {0x4E, "Company ID", kByteBits, 65},
    {0x4F, "Revision", kByteBits, 4},
    {0x7F, "SPI Lock Status", "-:-:-:-:-:-:-:SPI", 0},
    {0x08, "Ain1 MSBs", kMsbBits, 0},
    {0x09, "Ain2 MSBs", kMsbBits, 0},
    {0x0A, "Ain3 MSBs", kMsbBits, 0},
    {0x0B, "Ain4 MSBs", kMsbBits, 0},
    {0x27, "Ain1 Vhigh Limit", kByteBits, 255},
    {0x28, "Ain1 Vlow Limit", kByteBits, 0},
    {0x2B, "Ain2 Vhigh Limit", kByteBits, 255},
    {0x2C, "Ain2 Vlow Limit", kByteBits, 0},
    {0x2D, "Ain3 Vhigh Limit", kByteBits, 255},
    {0x2E, "Ain3 Vlow Limit", kByteBits, 0},
    {0x2F, "Ain4 Vhigh Limit", kByteBits, 255},
    {0x30, "Ain4 Vlow Limit", kByteBits, 0},
};
} // namespace

void InitRegisterMap()
{
    for (int i = 0; i < kRegisterCount; ++i) {
        RegisterInfo& r = RegMap[i];
        r.Address = kRows[i].address;
        r.Name = QString::fromLatin1(kRows[i].name);
        r.Description = r.Name;
        r.BitNames = QString::fromLatin1(kRows[i].bits);
        r.DefaultValue = kRows[i].defaultValue;
    }
}

void ResetRegisterMap() { RegMap.fill(RegisterInfo{}); }

int FindRegisterByAddress(int32_t address)
{
    for (int i = 0; i < kRegisterCount; ++i) {
        if (!RegMap[i].Name.isEmpty() && RegMap[i].Address == address)
            return i;
    }
    return -1;
}

int FindRegisterByName(const QString& name)
{
    for (int i = 0; i < kRegisterCount; ++i) {
        if (!RegMap[i].Name.isEmpty() && RegMap[i].Name == name)
            return i;
    }
    return -1;
}

QStringList RegisterBitNames(int index)
{
    if (index < 0 || index >= kRegisterCount)
        return {};
    return RegMap[index].BitNames.split(QLatin1Char(':'));
}
