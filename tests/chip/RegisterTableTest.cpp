// The register table against the chip's register map, row by row and field by field.
#include "chip/RegMapStuff.h"

#include <gtest/gtest.h>

namespace {
struct ExpectedRegister {
    int32_t address;
    const char* name;
    const char* bitNames; // bit 7 first
    int16_t defaultValue;
};

// The chip's 49 named registers in table order.
const ExpectedRegister kExpected[kRegisterCount] = {
        {0x00, "Interrupt Status 1", "Ain4:Ain3:Ain2:FLT:EXLO:EXHI:INLO:INHI", 0}, // 0
        {0x01, "Interrupt Status 2", "-:-:-:VDD:-:-:-:-", 0}, // 1
        {0x03, "Internal Temp LSBs", "-:-:-:-:-:-:1:0", 0}, // 2
        {0x03, "Vdd LSBs", "-:-:-:-:V1:V0:-:-", 0}, // 3
        {0x04, "External Temp LSBs", "Ain4:Ain4:Ain3:Ain3:Ain2:Ain2:Ext:Ext", 0}, // 4
        {0x06, "Vdd MSBs", "9:8:7:6:5:4:3:2", 0}, // 5
        {0x07, "Internal Temp MSBs", "9:8:7:6:5:4:3:2", 0}, // 6
        {0x08, "External Temp MSBs", "9:8:7:6:5:4:3:2", 0}, // 7
        {0x10, "DAC A LSBs", "3:2:1:0:-:-:-:-", 0}, // 8
        {0x11, "DAC A MSBs", "11:10:9:8:7:6:5:4", 0}, // 9
        {0x12, "DAC B LSBs", "3:2:1:0:-:-:-:-", 0}, // 10
        {0x13, "DAC B MSBs", "11:10:9:8:7:6:5:4", 0}, // 11
        {0x14, "DAC C LSBs", "3:2:1:0:-:-:-:-", 0}, // 12
        {0x15, "DAC C MSBs", "11:10:9:8:7:6:5:4", 0}, // 13
        {0x16, "DAC D LSBs", "3:2:1:0:-:-:-:-", 0}, // 14
        {0x17, "DAC D MSBs", "11:10:9:8:7:6:5:4", 0}, // 15
        {0x18, "Configuration 1", "PD:POL:EN:-:LDAC:P7/8:P7/8:MON", 0}, // 16
        {0x19, "Configuration 2", "RST:SMBT:AVE:CONV:-:C2:C1:C0", 0}, // 17
        {0x1A, "Configuration 3", "-:DBE:DAI:REF:DAC:-:RES:ADC", 0}, // 18
        {0x1B, "DAC Configuration", "-:-:GEN1:GEN0:DRNG:CRNG:BRNG:ARNG", 0}, // 19
        {0x1C, "LDAC Configuration", "-:-:REF:REF:D:C:B:A", 0}, // 20
        {0x1D, "Interrupt Mask 1", "Ain4:Ain3:Ain2:FLT:EXLO:EXHI:INLO:INHI", 0}, // 21
        {0x1E, "Interrupt Mask 2", "-:-:-:VDD:-:-:-:-", 0}, // 22
        {0x1F, "Internal Offset", "7:6:5:4:3:2:1:0", 0}, // 23
        {0x20, "External Offset", "7:6:5:4:3:2:1:0", 0}, // 24
        {0x21, "Internal Analog Offset", "7:6:5:4:3:2:1:0", 216}, // 25
        {0x22, "External Analog Offset", "7:6:5:4:3:2:1:0", 216}, // 26
        {0x23, "Vdd High Limit", "7:6:5:4:3:2:1:0", 199}, // 27
        {0x24, "Vdd Low Limit", "7:6:5:4:3:2:1:0", 98}, // 28
        {0x25, "Internal High Limit", "7:6:5:4:3:2:1:0", 100}, // 29
        {0x26, "Internal Low Limit", "7:6:5:4:3:2:1:0", 201}, // 30
        {0x27, "External High Limit", "7:6:5:4:3:2:1:0", 255}, // 31
        {0x28, "External Low Limit", "7:6:5:4:3:2:1:0", 0}, // 32
        {0x4D, "Device ID", "7:6:5:4:3:2:1:0", 0}, // 33
        {0x4E, "Company ID", "7:6:5:4:3:2:1:0", 65}, // 34
        {0x4F, "Revision", "7:6:5:4:3:2:1:0", 4}, // 35
        {0x7F, "SPI Lock Status", "-:-:-:-:-:-:-:SPI", 0}, // 36
        {0x08, "Ain1 MSBs", "9:8:7:6:5:4:3:2", 0}, // 37
        {0x09, "Ain2 MSBs", "9:8:7:6:5:4:3:2", 0}, // 38
        {0x0A, "Ain3 MSBs", "9:8:7:6:5:4:3:2", 0}, // 39
        {0x0B, "Ain4 MSBs", "9:8:7:6:5:4:3:2", 0}, // 40
        {0x27, "Ain1 Vhigh Limit", "7:6:5:4:3:2:1:0", 255}, // 41
        {0x28, "Ain1 Vlow Limit", "7:6:5:4:3:2:1:0", 0}, // 42
        {0x2B, "Ain2 Vhigh Limit", "7:6:5:4:3:2:1:0", 255}, // 43
        {0x2C, "Ain2 Vlow Limit", "7:6:5:4:3:2:1:0", 0}, // 44
        {0x2D, "Ain3 Vhigh Limit", "7:6:5:4:3:2:1:0", 255}, // 45
        {0x2E, "Ain3 Vlow Limit", "7:6:5:4:3:2:1:0", 0}, // 46
        {0x2F, "Ain4 Vhigh Limit", "7:6:5:4:3:2:1:0", 255}, // 47
        {0x30, "Ain4 Vlow Limit", "7:6:5:4:3:2:1:0", 0}, // 48
};

TEST(RegisterTable, EveryRowMatchesTheChipsRegisterMap)
{
    InitRegisterMap();
    for (int i = 0; i < kRegisterCount; ++i) {
        const ExpectedRegister& want = kExpected[i];
        const RegisterInfo& got = RegMap[i];
        SCOPED_TRACE(testing::Message() << "index " << i << " (" << want.name << ")");
        EXPECT_EQ(got.Address, want.address);
        EXPECT_EQ(got.Name.toStdString(), want.name);
        EXPECT_EQ(got.Description.toStdString(), want.name);
        EXPECT_EQ(got.BitNames.toStdString(), want.bitNames);
        // Split, element 0 is bit 7.
        EXPECT_EQ(RegisterBitNames(i).join(QLatin1Char(':')).toStdString(), want.bitNames);
        EXPECT_EQ(RegisterBitNames(i).size(), 8);
        EXPECT_EQ(got.DefaultValue, want.defaultValue);
    }
}
} // namespace
