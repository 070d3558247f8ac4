// The simulated board: firmware download, request framing, switch ports, the SPI switch
// and the fault switches.
#include "SimFixture.h"
#include "TestSupport.h"

#include "board/Switches.h"
#include "board/USBStuff.h"
#include "board/VantreoLibrary.h"

namespace {
// Writes the lines (CR LF ends) to a file of its own and returns its path.
std::string HexFile(const std::string& name, const std::string& text)
{
    const std::string path = ::testing::TempDir() + "sim_" + name + ".hex";
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

const std::string kData = ":0400000002004000BA\r\n";
const std::string kEnd = ":00000001FF\r\n";
} // namespace

TEST_F(SimBoardTest, FirmwareFilesAreCheckedBeforeTheBoardRuns)
{
    EXPECT_EQ(LoadFirmWare(HexFile("good", "\r\n:020000040000FA\r\n:0400000002004000ba\n\n" + kEnd).c_str()), SimOk);
    EXPECT_EQ(LoadFirmWare(HexFile("checksum", ":0400000002004000BB\r\n" + kEnd).c_str()), SimFwBadChecksum);
    EXPECT_EQ(LoadFirmWare(HexFile("noend", kData).c_str()), SimFwNoEndRecord);
    EXPECT_EQ(LoadFirmWare(HexFile("onlyend", kEnd).c_str()), SimFwNoData);
    EXPECT_EQ(LoadFirmWare(HexFile("beyond64k", ":020000040001F9\r\n" + kData + kEnd).c_str()), SimFwNoData);
    for (const std::string bad : {"0400000002004000BA\r\n", ":0400000002004000B\r\n", ":0500000002004000B9\r\n",
                                  ":04000000020040G0BA\r\n", ":00000001FF\r\n:0400000002004000BA\r\n",
                                  ":0400000902004000B1\r\n", ":01000001AA54\r\n"})
        EXPECT_EQ(LoadFirmWare(HexFile("bad", bad + kEnd).c_str()), SimFwMalformed) << bad;
    EXPECT_EQ(LoadFirmWare((::testing::TempDir() + "no such firmware.hex").c_str()), SimFwUnreadable);
    EXPECT_EQ(LoadFirmWare(::testing::TempDir().c_str()), SimFwUnreadable);
    EXPECT_EQ(LoadFirmWare(nullptr), SimFwUnreadable);

    // The failed downloads left the board without firmware.
    uint8_t v = 0;
    EXPECT_EQ(ReadAt(0x48, 0x4E, v), SimNoFirmware);
    EXPECT_EQ(LoadFirmWare(ShippedFirmware().c_str()), SimOk);
    EXPECT_EQ(ReadAt(0x48, 0x4E, v), SimOk);
    EXPECT_EQ(v, 0x41);
}

TEST_F(SimBoardTest, SmBusAnswersAtTheChipAndIdlesHighElsewhere)
{
    EXPECT_EQ(Read(0x4E), 0x41);
    EXPECT_EQ(Read(0x4F), 0x04);
    uint8_t v = 0;
    EXPECT_EQ(ReadAt(0x49, 0x4E, v), SimOk);
    EXPECT_EQ(v, 0xFF);
    EXPECT_EQ(WriteAt(0x149, 0x25, 0x11), SimOk);
    EXPECT_EQ(Read(0x25), 0x64); // the write to nobody changed nothing

    // A negative data value carries its low 8 bits; bits above the index's low 16 are ignored.
    Write(0x21, -5);
    EXPECT_EQ(Read(0x21), 0xFB);
    EXPECT_EQ(WriteAt(0x148, 0x22, -1), SimOk);
    EXPECT_EQ(Read(0x22), 0xFF);
}

TEST_F(SimBoardTest, PortsTwoAndThreeAreWritableAndPortOneIsNot)
{
    EXPECT_EQ(Ports(), (std::array<uint8_t, 6>{0x01, 0x00, 0x40, 0x00, 0x03, 0x00}));
    EXPECT_EQ(WritePort(2, 0x8F, 0x12), SimOk);
    EXPECT_EQ(WritePort(3, 0x00, 0x34), SimOk);
    EXPECT_EQ(Ports(), (std::array<uint8_t, 6>{0x01, 0x00, 0x8F, 0x12, 0x00, 0x34}));
    EXPECT_NE(WritePort(1, 0xFF), SimOk);
    EXPECT_NE(WritePort(4, 0xFF), SimOk);
    uint8_t zero = 0;
    EXPECT_NE(VendorIORequest(0xDD, 2, 0x10000, 0, 0, &zero), SimOk);
    EXPECT_EQ(std::vector<uint8_t>(SimPortImage(), SimPortImage() + 6),
              (std::vector<uint8_t>{0x01, 0x00, 0x8F, 0x12, 0x00, 0x34}));
}

TEST_F(SimBoardTest, UnknownRequestsAndBadShapesFail)
{
    uint8_t buffer[8] = {};
    EXPECT_EQ(VendorIORequest(0xDB, 0, 0, 1, 1, buffer), SimBadRequest);
    EXPECT_EQ(VendorIORequest(0xDE, 0x148, 0x4E, 1, 2, buffer), SimBadRequest);
    EXPECT_EQ(VendorIORequest(0xDE, 0x148, 0x4E, 1, 0, buffer), SimBadRequest);
    EXPECT_EQ(VendorIORequest(0xDE, 0x148, 0x4E, 1, 1, nullptr), SimBadRequest);
    EXPECT_EQ(VendorIORequest(0xDE, 0x148, 0x4E, 2, 1, buffer), SimBadRequest);
    EXPECT_EQ(VendorIORequest(0xDE, 0x148, 0x0125, 0, 1, buffer), SimBadRequest);
    EXPECT_EQ(VendorIORequest(0xDE, 0x048, 0x4E, 1, 1, buffer), SimBadRequest);
    EXPECT_EQ(VendorIORequest(0xDE, 0x348, 0x4E, 1, 1, buffer), SimBadRequest);
    EXPECT_EQ(VendorIORequest(0xDD, 0, 0, 1, 5, buffer), SimBadRequest);
    EXPECT_EQ(VendorIORequest(0xDA, 0, 0, 1, 0, buffer), SimBadRequest);
    EXPECT_EQ(VendorIORequest(0xDA, 0, 0, 0, 1, buffer), SimBadRequest);

    SimReset(); // no firmware: even good requests fail
    EXPECT_EQ(VendorIORequest(0xDE, 0x148, 0x4E, 1, 1, buffer), SimNoFirmware);
    EXPECT_EQ(VendorIORequest(0xDD, 0, 0, 1, 6, buffer), SimNoFirmware);
}

TEST_F(SimBoardTest, SpiNeedsTheSwitchAndTheRequestAndThenLocksOutSmBus)
{
    uint8_t v = 0;
    EXPECT_EQ(VendorIORequest(0xDE, 0x24E, 0x4E, 1, 1, &v), SimBusError);
    EXPECT_EQ(VendorIORequest(0xDA, 0, 0, 1, 1, &v), SimBusError); // switch still on SMBus
    EXPECT_EQ(Read(0x7F), 0x00);

    SetPortBits(3, 0x04, 0x04);
    EXPECT_EQ(ReadAt(0x48, 0x4E, v), SimBusError);
    EXPECT_EQ(VendorIORequest(0xDE, 0x24E, 0x4E, 1, 1, &v), SimBusError);
    EXPECT_EQ(VendorIORequest(0xDA, 0, 0, 1, 1, &v), SimOk);

    v = 0;
    EXPECT_EQ(VendorIORequest(0xDE, 0x24E, 0x4E, 1, 1, &v), SimOk);
    EXPECT_EQ(v, 0x41);
    EXPECT_EQ(WriteAt(0x248, 0x1A, 0x05), SimOk);
    EXPECT_EQ(VendorIORequest(0xDE, 0x21A, 0x1A, 1, 1, &v), SimOk);
    EXPECT_EQ(v, 0x05);
    EXPECT_EQ(VendorIORequest(0xDE, 0x27F, 0x7F, 1, 1, &v), SimOk);
    EXPECT_EQ(v, 0x01);

    // Back on SMBus the board works again, but the chip stays in SPI until power-on.
    SetPortBits(3, 0x04, 0x00);
    EXPECT_EQ(ReadAt(0x48, 0x4E, v), SimBusError);
    EXPECT_EQ(VendorIORequest(0xDE, 0x24E, 0x4E, 1, 1, &v), SimBusError);
    SimReset();
    ASSERT_EQ(LoadFirmWare(ShippedFirmware().c_str()), SimOk);
    EXPECT_EQ(Read(0x7F), 0x00);
}

TEST_F(SimBoardTest, ChipAddressSwitch)
{
    uint8_t v = 0;
    Restart("VANTREO_CHIP_ADDRESS", "4A");
    ASSERT_EQ(LoadFirmWare(ShippedFirmware().c_str()), SimOk);
    EXPECT_EQ(ReadAt(0x48, 0x4E, v), SimOk);
    EXPECT_EQ(v, 0xFF);
    EXPECT_EQ(ReadAt(0x4A, 0x4E, v), SimOk);
    EXPECT_EQ(v, 0x41);

    Restart("VANTREO_CHIP_ADDRESS", "none");
    ASSERT_EQ(LoadFirmWare(ShippedFirmware().c_str()), SimOk);
    for (int address = 0x48; address <= 0x4B; ++address) {
        EXPECT_EQ(ReadAt(address, 0x4E, v), SimOk);
        EXPECT_EQ(v, 0xFF);
    }

    Restart("VANTREO_CHIP_ADDRESS", "4C"); // not a Zandrel address: the default stays
    ASSERT_EQ(LoadFirmWare(ShippedFirmware().c_str()), SimOk);
    EXPECT_EQ(Read(0x4E), 0x41);
}

TEST_F(SimBoardTest, SmBusSelectionFailuresThenSuccess)
{
    Restart("VANTREO_SMBUS_FAILURES", "3");
    ASSERT_EQ(LoadFirmWare(ShippedFirmware().c_str()), SimOk);
    EXPECT_EQ(WritePort(2, 0x41), SimOk); // port 2 is not the selection
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(WritePort(3, 0x07), SimInjectedFailure);
    EXPECT_EQ(Ports()[4], 0x03);
    EXPECT_EQ(WritePort(3, 0x03), SimOk);
    EXPECT_EQ(WritePort(3, 0x03), SimOk);
}

TEST_F(SimBoardTest, FailAfterAndFirmwareFailure)
{
    Restart("VANTREO_FAIL_AFTER", "4");
    ASSERT_EQ(LoadFirmWare(ShippedFirmware().c_str()), SimOk);
    uint8_t v = 0;
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(ReadAt(0x48, 0x4E, v), SimOk);
    EXPECT_EQ(ReadAt(0x48, 0x4E, v), SimInjectedFailure);
    EXPECT_EQ(WritePort(2, 0x40), SimInjectedFailure);

    Restart("VANTREO_FAIL_AFTER", "");
    Restart("VANTREO_FIRMWARE_FAIL", "1");
    EXPECT_EQ(LoadFirmWare(ShippedFirmware().c_str()), SimFwForcedFailure);
    EXPECT_EQ(ReadAt(0x48, 0x4E, v), SimNoFirmware);
}

// The program's own board link and switch setters against the simulated board.
TEST_F(SimBoardTest, ProgramBoardLinkFindsAndSwitchesTheChip)
{
    ProgramEnvironment env;
    Restart("VANTREO_CHIP_ADDRESS", "49");
    SetVantreoFunctions(&LoadFirmWare, &VendorIORequest);
    SetAppPath(QString::fromStdString(std::filesystem::path(ShippedFirmware()).parent_path().string()));

    EXPECT_GE(LoadBoardFirmware(), 0);
    EXPECT_EQ(SelectSMBusInterface(), 0);
    EXPECT_EQ(ReadRegister(0x48, 0x4E), 0xFF);
    EXPECT_EQ(ReadRegister(0x49, 0x4E), 0x41);
    gDeviceAddress = 0x49;

    WriteRegisterValue(gDeviceAddress, 0x18, 0x0D); // external diode, Ain3, monitoring
    EXPECT_EQ(SimPortImage()[2] & 0xC3, 0x83);      // diode path closed, Ain3 switch
    EXPECT_EQ(SimPortImage()[4] & 0x03, 0x00);      // Ain1/Ain2 path open
    WriteRegisterValue(gDeviceAddress, 0x18, 0x01);
    EXPECT_EQ(SimPortImage()[2] & 0xC3, 0x40);
    EXPECT_EQ(SimPortImage()[4] & 0x03, 0x03);

    gSPIMode = true;
    SelectSPIInterface();
    EXPECT_EQ(ReadRegister(gDeviceAddress, 0x7F), 0x01);
    WriteRegisterValue(gDeviceAddress, 0x25, 0x50);
    EXPECT_EQ(ReadRegister(gDeviceAddress, 0x25), 0x50);
    EXPECT_TRUE(env.messages.empty());
    SetVantreoFunctions(nullptr, nullptr);
}
