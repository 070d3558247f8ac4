// The board link against a recording fake of the library: framing of every request,
// the write clamp, the fatal path and the delay.
#include "TestSupport.h"

#include "board/USBStuff.h"
#include "board/VantreoLibrary.h"
#include "chip/GeneralStuff.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {
class BoardLink : public ::testing::Test {
protected:
    ProgramEnvironment env;
    FakeBoardScope fake;
    FakeBoard& board = fake.board;
};

TEST_F(BoardLink, SmbusReadFramesDeviceInValueAndRegisterInIndex)
{
    board.registers[0x4E] = 0x41;
    EXPECT_EQ(ReadRegister(0x49, 0x4E), 0x41);
    ASSERT_EQ(board.transfers.size(), 1u);
    const Transfer& t = board.transfers[0];
    EXPECT_EQ(t.request, 0xDE);
    EXPECT_EQ(t.value, 0x149);
    EXPECT_EQ(t.index, 0x4E);
    EXPECT_EQ(t.direction, 1);
    EXPECT_EQ(t.length, 1);
}

TEST_F(BoardLink, SpiFramingCarriesRegisterForReadsAndDeviceForWrites)
{
    gSPIMode = true;
    ReadRegister(0x48, 0x1A);
    int32_t data = 0x05;
    WriteRegister(0x48, 0x1A, data);
    ASSERT_GE(board.transfers.size(), 2u);
    EXPECT_EQ(board.transfers[0].value, 0x21A);
    EXPECT_EQ(board.transfers[0].index, 0x1A);
    EXPECT_EQ(board.transfers[1].value, 0x248);
    EXPECT_EQ(board.transfers[1].index, 0x51A);
    EXPECT_EQ(board.transfers[1].direction, 0);
    EXPECT_EQ(board.transfers[1].length, 0);
    EXPECT_EQ(board.transfers[1].sent, 0);
    // The write of 1Ah is decoded: the read-back uses SPI framing too.
    ASSERT_EQ(board.transfers.size(), 3u);
    EXPECT_EQ(board.transfers[2].value, 0x21A);
}

TEST_F(BoardLink, WriteClampsAboveByteRangeInCallersVariable)
{
    int32_t data = 300;
    EXPECT_EQ(WriteRegister(0x48, 0x30, data), 0);
    EXPECT_EQ(data, 255);
    EXPECT_EQ(board.transfers.at(0).index, 0xFF30);
    int32_t exact = 255;
    WriteRegister(0x48, 0x30, exact);
    EXPECT_EQ(exact, 255);
}

TEST_F(BoardLink, NegativeDataGoesIntoTheIndexUnchanged)
{
    int32_t data = -1;
    WriteRegister(0x48, 0x21, data);
    EXPECT_EQ(data, -1);
    EXPECT_EQ(board.transfers.at(0).index, -223);
    EXPECT_EQ(board.transfers.at(0).index & 0xFFFF, 0xFF21);
    int32_t five = -5;
    WriteRegister(0x48, 0x21, five);
    EXPECT_EQ(board.transfers.at(1).index & 0xFFFF, 0xFB21);
}

TEST_F(BoardLink, DataThatCannotBeFramedIsRefusedWithoutSending)
{
    int32_t lowest = -8388608; // * 256 still fits
    EXPECT_EQ(WriteRegister(0x48, 0x00, lowest), 0);
    int32_t tooLow = -8388609;
    EXPECT_NE(WriteRegister(0x48, 0x00, tooLow), 0);
    EXPECT_EQ(board.transfers.size(), 1u);
    EXPECT_TRUE(env.messages.empty());
}

TEST_F(BoardLink, PortRequests)
{
    board.ports[2] = 0x12;
    board.ports[3] = 0x34;
    ReadBoardPorts();
    EXPECT_EQ(gUsbBuffer[2], 0x12);
    EXPECT_EQ(gUsbBuffer[3], 0x34);
    WriteBoardPort(3, 0x07, 0xAB);
    SendSpiModeRequest();
    ASSERT_EQ(board.transfers.size(), 3u);
    EXPECT_EQ(board.transfers[0].request, 0xDD);
    EXPECT_EQ(board.transfers[0].length, 6);
    EXPECT_EQ(board.transfers[0].direction, 1);
    EXPECT_EQ(board.transfers[1].value, 3);
    EXPECT_EQ(board.transfers[1].index, 0xAB07);
    EXPECT_EQ(board.transfers[1].direction, 0);
    EXPECT_EQ(board.transfers[2].request, 0xDA);
    EXPECT_EQ(board.transfers[2].direction, 1);
    EXPECT_EQ(board.transfers[2].length, 1);
}

TEST_F(BoardLink, PortWriteStatusIsHandedBack)
{
    board.statusFor = [](const Transfer& t) -> int16_t { return t.request == 0xDD ? 5 : 0; };
    EXPECT_EQ(WriteBoardPort(2, 0, 0), 5);
    EXPECT_TRUE(env.messages.empty());
}

TEST_F(BoardLink, FailedReadEndsTheProgramWithCommunicationsMessage)
{
    board.statusFor = [](const Transfer&) -> int16_t { return -1; };
    // The box's modal loop runs a read that fails again: one failure, one box.
    SetMsgBoxHandler([this](const QString& text, MsgIcon icon, MsgButtons) {
        env.messages.push_back(text);
        env.icons.push_back(icon);
        if (env.messages.size() == 1)
            ReadRegister(0x48, 0x01);
        return MsgResult::OK;
    });
    EXPECT_THROW(ReadRegister(0x48, 0x00), ProgramEnded);
    EXPECT_EQ(board.transfers.size(), 2u);
    ASSERT_EQ(env.messages.size(), 1u);
    EXPECT_EQ(env.messages[0], QStringLiteral("Communications Interrupted - Check USB connections"));
    EXPECT_EQ(env.icons[0], MsgIcon::Critical);
}

TEST_F(BoardLink, FailedWriteEndsTheProgramBeforeDecoding)
{
    board.failAt = 0;
    int32_t v = 1;
    try {
        WriteRegister(0x48, 0x18, v);
        FAIL() << "a failed write must end the program";
    } catch (const ProgramEnded& e) {
        EXPECT_NE(e.status, 0);
    }
    EXPECT_EQ(board.transfers.size(), 1u); // no read-back
}

TEST_F(BoardLink, MissingBoardLibraryIsReportedAndEndsWithStatus2)
{
    QTemporaryDir emptyFolder;
    ASSERT_TRUE(emptyFolder.isValid());
    SetAppPath(emptyFolder.path());
    SetVantreoFunctions(nullptr, nullptr); // bind by name again, from the empty folder
    try {
        LoadBoardFirmware();
        FAIL() << "a missing library must end the program";
    } catch (const ProgramEnded& e) {
        EXPECT_EQ(e.status, 2);
    }
    ASSERT_EQ(env.messages.size(), 1u);
    EXPECT_TRUE(env.messages[0].contains(QStringLiteral("libVantreo.so")));
    EXPECT_EQ(env.icons[0], MsgIcon::Critical);
}

TEST_F(BoardLink, FatalTextsAreExact)
{
    EXPECT_EQ(FatalUsbErrorText(0), QStringLiteral("Firmware failed to download - Check USB connections"));
    EXPECT_EQ(FatalUsbErrorText(1), QStringLiteral("SMBus enable error  - Check USB connections"));
    EXPECT_EQ(FatalUsbErrorText(2),
              QStringLiteral("Initial Connection Failed - If the device has previously \r\n"
                             "been set up for SPI communications then \r\n"
                             "disconnect and re-connect the board"));
    EXPECT_TRUE(FatalUsbErrorText(7).isEmpty());
    EXPECT_THROW(FatalUsbError(7), ProgramEnded);
    EXPECT_TRUE(env.messages.empty());
}

TEST_F(BoardLink, FirmwarePathIsProgramFolderPlusFileName)
{
    SetAppPath(QStringLiteral("/opt/zandrel"));
    EXPECT_EQ(LoadBoardFirmware(), 0);
    ASSERT_EQ(board.firmwarePaths.size(), 1u);
    EXPECT_EQ(board.firmwarePaths[0], "/opt/zandrel/ZandrelFW.Hex");
    // A folder ending in the separator (the root) gives two in a row, as designed.
    SetAppPath(QStringLiteral("/"));
    LoadBoardFirmware();
    EXPECT_EQ(board.firmwarePaths[1], "//ZandrelFW.Hex");
    board.firmwareStatus = -3;
    EXPECT_EQ(LoadBoardFirmware(), -3);
    // A folder with letters beyond ASCII reaches the library as the file system names it.
    board.firmwareStatus = 0;
    SetAppPath(QStringLiteral("/home/j\u00f6rg/Zandrel \u00b0C"));
    EXPECT_EQ(LoadBoardFirmware(), 0);
    EXPECT_EQ(board.firmwarePaths[3], "/home/j\xc3\xb6rg/Zandrel \xc2\xb0" "C/ZandrelFW.Hex");
}

TEST_F(BoardLink, OverlongFirmwarePathIsRefused)
{
    SetAppPath(QStringLiteral("/") + QString(600, QLatin1Char('a')));
    EXPECT_LT(LoadBoardFirmware(), 0);
    EXPECT_TRUE(board.firmwarePaths.empty());
    EXPECT_TRUE(StringToBytes(QString()));
    EXPECT_EQ(gFirmwareFileBytes[0], 0);
    EXPECT_TRUE(StringToBytes(QString(512, QLatin1Char('x'))));
    EXPECT_EQ(gFirmwareFileBytes[511], 'x');
    EXPECT_EQ(gFirmwareFileBytes[512], 0);

    // The bring-up's fatal box says why and shows the whole path, on lines a box can show
    // (a name longer than a line is cut into pieces); the status is the firmware's.
    for (const QString& folder : {QStringLiteral("/") + QString(600, QLatin1Char('a')),
                                  QStringLiteral("/home/j\u00f6rg") + QStringLiteral("/eval-kit-folder").repeated(32)}) {
        SetAppPath(folder);
        env.messages.clear();
        gFatalUsbErrorRaised = false;
        ASSERT_LT(LoadBoardFirmware(), 0);
        ASSERT_TRUE(FirmwarePathTooLong());
        try {
            FatalUsbError(FirmwareError);
            FAIL() << "the firmware error must end the program";
        } catch (const ProgramEnded& e) {
            EXPECT_EQ(e.status, 10);
        }
        ASSERT_EQ(env.messages.size(), 1u);
        const QString text = env.messages[0];
        EXPECT_TRUE(text.startsWith(QStringLiteral("Firmware failed to download - The program's folder path is too long.")))
            << text.toStdString();
        EXPECT_TRUE(text.contains(QStringLiteral("at most 512 bytes; this one has %1:")
                                      .arg(QFile::encodeName(gFirmwareFile).size())));
        EXPECT_TRUE(QString(text).remove(QLatin1Char('\n')).contains(gFirmwareFile));
        for (const QString& line : text.split(QLatin1Char('\n'))) {
            if (!line.contains(QLatin1Char(' '))) { // a line of the path
                EXPECT_LE(line.size(), 65) << line.toStdString();
            }
        }
    }

    // A path that fits: the design's text.
    SetAppPath(QStringLiteral("/opt/zandrel"));
    LoadBoardFirmware();
    EXPECT_FALSE(FirmwarePathTooLong());
    EXPECT_EQ(FatalUsbErrorText(FirmwareError), QStringLiteral("Firmware failed to download - Check USB connections"));
}

TEST_F(BoardLink, DelayEndsAfterItsTimeOrAtMidnight)
{
    env.clock.now = 1000.0;
    env.clock.step = 0.01;
    Delay(200);
    EXPECT_GT(env.clock.now, 1000.2);
    EXPECT_LT(env.clock.now, 1000.25);

    // Begun a tenth of a second before midnight: ends when the clock wraps.
    env.clock.now = 86399.9;
    Delay(200);
    EXPECT_LT(env.clock.now, 1.0);

    // Zero: returns at the first reading greater than the start.
    env.clock.now = 500.0;
    env.clock.step = 0.5;
    Delay(0);
    EXPECT_DOUBLE_EQ(env.clock.now, 501.0);
}
} // namespace
