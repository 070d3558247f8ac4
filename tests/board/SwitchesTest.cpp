// The board switches: read-modify-write of one field, high byte kept, break before make.
#include "TestSupport.h"

#include "board/Switches.h"
#include "board/USBStuff.h"
#include "chip/GeneralStuff.h"

#include <gtest/gtest.h>
#include <string>

namespace {
class Switches : public ::testing::Test {
protected:
    ProgramEnvironment env;
    FakeBoardScope fake;
    FakeBoard& board = fake.board;

    // (port, low byte) of each port write, and the high byte each carried.
    std::vector<int> HighBytes() const
    {
        std::vector<int> out;
        for (const Transfer& t : board.transfers)
            if (t.request == 0xDD && t.direction == 0)
                out.push_back((t.index >> 8) & 0xFF);
        return out;
    }
    using Writes = std::vector<std::pair<int, int>>;
};

TEST_F(Switches, Ain12PathOpensDiodeFirstThenConnects)
{
    board.ports[2] = 0x0F; // diode path closed, LED bar DAC D
    board.ports[3] = 0x5A;
    board.ports[4] = 0x00;
    board.ports[5] = 0xC3;
    SelectAin12Path();
    EXPECT_EQ(board.PortWrites(), (Writes{{2, 0x0C}, {3, 0x03}}));
    EXPECT_EQ(HighBytes(), (std::vector<int>{0x5A, 0xC3}));
    // Each change is its own read-modify-write.
    ASSERT_EQ(board.transfers.size(), 4u);
    EXPECT_EQ(board.transfers[2].direction, 1);
}

TEST_F(Switches, ExtDiodeDisconnectsAinPathFirst)
{
    board.ports[2] = 0x00;
    board.ports[4] = 0xF3;
    SelectExtDiodePath();
    EXPECT_EQ(board.PortWrites(), (Writes{{3, 0xF0}, {2, 0x03}}));
}

TEST_F(Switches, SmbusClearsOnlyTheInterfaceBit)
{
    board.ports[4] = 0x07;
    board.ports[5] = 0x99;
    EXPECT_EQ(SelectSMBusInterface(), 0);
    EXPECT_EQ(board.PortWrites(), (Writes{{3, 0x03}}));
    EXPECT_EQ(HighBytes(), (std::vector<int>{0x99}));
}

TEST_F(Switches, SpiSetsTheBitThenSendsTheModeRequest)
{
    board.ports[4] = 0x03;
    SelectSPIInterface();
    EXPECT_EQ(board.PortWrites(), (Writes{{3, 0x07}}));
    EXPECT_EQ(board.transfers.back().request, 0xDA);
}

TEST_F(Switches, LedBarDacField)
{
    board.ports[2] = 0xFF;
    SelectLEDBarDAC(QStringLiteral("C"));
    board.ports[2] = 0x0C;
    SelectLEDBarDAC(QStringLiteral("A"));
    EXPECT_EQ(board.PortWrites(), (Writes{{2, 0xFB}, {2, 0x00}}));
    board.Clear();
    SelectLEDBarDAC(QStringLiteral("c")); // compared exactly
    EXPECT_TRUE(board.PortWrites().empty());
}

TEST_F(Switches, LdacAin3PinSwitch)
{
    board.ports[2] = 0x41;
    SelectAin3Switch();
    EXPECT_EQ(board.PortWrites(), (Writes{{2, 0x81}}));
    SelectLDACSwitch();
    EXPECT_EQ(board.PortWrites().back(), (std::pair<int, int>{2, 0x41}));
}

TEST_F(Switches, SourceReclosesAinPathOnlyForAnalogInputs)
{
    struct Case {
        const char* setter;
        int16_t (*set)();
        int16_t mode;
        Writes writes;
    };
    const Case cases[] = {
        {"LED DAC", &SetAin12SourceLEDDac, Ain12ExtDiode, {{2, 0x30}}},
        {"terminal", &SetAin12SourceTerminal, Ain12ExtDiode, {{2, 0x00}}},
        {"LED DAC", &SetAin12SourceLEDDac, Ain12Invalid, {{2, 0x30}}},
        {"terminal", &SetAin12SourceTerminal, Ain12Invalid, {{2, 0x00}}},
        {"LED DAC", &SetAin12SourceLEDDac, Ain12Inputs, {{2, 0x30}, {3, 0x03}}},
        {"terminal", &SetAin12SourceTerminal, Ain12Inputs, {{2, 0x00}, {3, 0x03}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.setter) + " in mode " + std::to_string(c.mode));
        board.Clear();
        board.ports[2] = 0x10; // source bits half set: either value changes them
        board.ports[4] = 0x00; // Ain1/Ain2 path open
        gAin12Mode = c.mode;
        c.set();
        EXPECT_EQ(board.PortWrites(), c.writes);
    }
}

TEST_F(Switches, FailedImageReadWorksFromThePreviousBuffer)
{
    gUsbBuffer[2] = 0x20;
    board.statusFor = [](const Transfer& t) -> int16_t {
        return (t.request == 0xDD && t.direction == 1) ? 1 : 0;
    };
    SelectAin3Switch();
    EXPECT_EQ(board.PortWrites(), (Writes{{2, 0xA0}}));
    EXPECT_TRUE(env.messages.empty());
}
} // namespace
