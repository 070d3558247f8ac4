// The simulated board in-process, on a clock the test drives, with the shipped firmware
// downloaded and no fault switch set.
#pragma once

#include "SimControl.h"
#include "Vantreo.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

inline const char* const kFaultVariables[] = {"VANTREO_CHIP_ADDRESS", "VANTREO_SMBUS_FAILURES",
                                              "VANTREO_FAIL_AFTER", "VANTREO_FIRMWARE_FAIL"};

inline std::string ShippedFirmware()
{
    return (std::filesystem::path(__FILE__).parent_path() / "../../resources/ZandrelFW.Hex").string();
}

class SimBoardTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* name : kFaultVariables)
            unsetenv(name);
        SimSetTimeSource([this] { return now; });
        SimReset();
        ASSERT_EQ(LoadFirmWare(ShippedFirmware().c_str()), SimOk);
    }
    void TearDown() override
    {
        for (const char* name : kFaultVariables)
            unsetenv(name);
        SimSetTimeSource({});
        SimReset();
    }

    // Fault switches take effect at the next reset, as they do at the first call.
    void Restart(const char* name, const char* value)
    {
        setenv(name, value, 1);
        SimReset();
    }

    int16_t ReadAt(int device, int reg, uint8_t& value)
    {
        return VendorIORequest(0xDE, 0x100 + device, reg, 1, 1, &value);
    }
    int Read(int reg)
    {
        uint8_t v = 0;
        EXPECT_EQ(ReadAt(0x48, reg, v), SimOk) << "register " << reg;
        return v;
    }
    int16_t WriteAt(int value, int reg, int data)
    {
        uint8_t zero = 0;
        return VendorIORequest(0xDE, value, data * 256 + reg, 0, 0, &zero);
    }
    void Write(int reg, int data) { EXPECT_EQ(WriteAt(0x148, reg, data), SimOk) << "register " << reg; }
    int16_t WritePort(int port, int low, int high = 0)
    {
        uint8_t zero = 0;
        return VendorIORequest(0xDD, port, high * 256 + low, 0, 0, &zero);
    }
    std::array<uint8_t, 6> Ports()
    {
        std::array<uint8_t, 6> image{};
        EXPECT_EQ(VendorIORequest(0xDD, 0, 0, 1, 6, image.data()), SimOk);
        return image;
    }
    // Changes the port's low byte in the bits of mask, as the program's switch setters do.
    void SetPortBits(int port, int mask, int bits)
    {
        const auto image = Ports();
        const int low = image[2 * port - 2];
        ASSERT_EQ(WritePort(port, (low & ~mask) | (bits & mask), image[2 * port - 1]), SimOk);
    }
    void Run(double seconds) { now += seconds; }

    double now = 1000.0;
};
