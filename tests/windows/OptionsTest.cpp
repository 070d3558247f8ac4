#include "SimControl.h"
#include "TestSupport.h"
#include "Vantreo.h"
#include "board/USBStuff.h"
#include "board/VantreoLibrary.h"
#include "chip/GeneralStuff.h"
#include "platform/Forms.h"
#include "platform/Twips.h"
#include "platform/UpDown.h"
#include "platform/WrapButtons.h"
#include "windows/GeneralStuff.h"
#include "windows/frmMain.h"
#include "windows/frmOptions.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <gtest/gtest.h>

namespace {
using Writes = std::vector<std::pair<int, int>>;

class OptionsTest : public ::testing::Test {
protected:
    ProgramEnvironment env;
    FakeBoardScope fake;

    void SetUp() override { gDeviceAddress = 0x48; }
    void Preset(int reg, int value) { fake.board.registers[reg] = static_cast<uint8_t>(value); }

    // Opens the window and forgets the transfers of its Load.
    frmOptions* Open()
    {
        frmOptions* form = LoadForm<frmOptions>();
        fake.board.Clear();
        return form;
    }
    void Close(frmOptions* form)
    {
        form->Unload();
        FlushDeletedForms();
    }
    std::vector<int> WritesTo(int reg) const
    {
        std::vector<int> out;
        for (const auto& [r, v] : fake.board.Writes())
            if (r == reg)
                out.push_back(v);
        return out;
    }
};
} // namespace

TEST_F(OptionsTest, UnchangedApplyWritesBackWhatLoadRead)
{
    // Bits the window does not show must come back as read.
    const Writes chip = {{0x18, 0x99}, {0x19, 0x27}, {0x1A, 0xDF}, {0x1B, 0x25},
                         {0x1C, 0xFA}, {0x21, 0xD8}, {0x22, 0x7F}};
    for (const auto& [reg, value] : chip)
        Preset(reg, value);
    frmOptions* form = Open();
    EXPECT_EQ(form->txtOffset[0]->text(), "-40");
    EXPECT_EQ(form->txtOffset[1]->text(), "127");
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(form->cmbDACRange[i]->currentText(), i % 2 ? "0V - VRef" : "0V - 2Vref");
    EXPECT_TRUE(form->optLDACWrite[2]->isChecked());
    EXPECT_FALSE(form->txtExtRef->isEnabled()); // both external references off
    EXPECT_FALSE(form->lblExtRef->isEnabled());

    form->cmdApply_Click();
    EXPECT_EQ(fake.board.Writes(), chip);
    EXPECT_TRUE(IsFormLoaded<frmOptions>());
    EXPECT_FALSE(gSPIMode);
    EXPECT_FLOAT_EQ(gExtRefVoltage, 2.25f);
    Close(form);

    // An invalid Ain1-2 field (01 or 11) shows as "External Temp" and goes back as 10.
    for (int field : {0x02, 0x06}) {
        Preset(0x18, field | 0x01);
        form = Open();
        EXPECT_EQ(form->cmbTempAin12->currentText(), "External Temp");
        form->cmdApply_Click();
        EXPECT_EQ(WritesTo(0x18), std::vector<int>{0x05});
        Close(form);
    }
    EXPECT_TRUE(env.messages.empty());
}

TEST_F(OptionsTest, ApplyComposesEveryControlAndTheChipStateFollows)
{
    frmOptions* form = Open(); // every register reads 0
    form->chkMonitoring->setChecked(true);
    form->chkPowerDown->setChecked(true);
    form->chkIntEnable->setChecked(false);
    form->cmbTempAin12->setCurrentText("External Temp");
    form->cmbLDACAin3->setCurrentText("AIN3");
    form->chkAveraging->setChecked(true);
    form->chkDACProp[0]->setChecked(true);
    form->chkDACProp[1]->setChecked(true);
    form->chkDACThermalBits->setChecked(true);
    form->cmbADCClock->setCurrentText("22.5 kHz");
    form->optAinRef[1]->setChecked(true);
    form->cmbDACRange[1]->setCurrentIndex(1);
    form->cmbDACRange[3]->setCurrentIndex(1);
    form->optLDACWrite[3]->setChecked(true);
    form->chkExtDACRef[0]->setChecked(false);
    form->chkExtDACRef[1]->setChecked(false);
    EXPECT_FALSE(form->txtExtRef->isEnabled());
    form->chkExtDACRef[1]->setChecked(true);
    EXPECT_TRUE(form->txtExtRef->isEnabled() && form->lblExtRef->isEnabled());
    form->chkExtDACRef[1]->setChecked(false);
    form->txtExtRef->setText("0.5"); // taken although the box is disabled
    form->UpDown1->StepDown();
    form->UpDown2->StepUp();
    EXPECT_TRUE(fake.board.transfers.empty()) << "edits touch only the controls";

    form->cmdApply_Click();
    EXPECT_EQ(fake.board.Writes(), (Writes{{0x18, 0xAD}, {0x19, 0x20}, {0x1A, 0x73}, {0x1B, 0x3A},
                                           {0x1C, 0x30}, {0x21, 0xFF}, {0x22, 0x01}}));
    EXPECT_EQ(gAin12Mode, Ain12ExtDiode);
    EXPECT_TRUE(gAin3Enabled);
    EXPECT_FALSE(gIntOutputEnabled);
    EXPECT_FLOAT_EQ(gAinRefVoltage, 3.3f);
    EXPECT_EQ(gDacRange, (std::array<int16_t, 4>{1, 2, 1, 2}));
    EXPECT_FALSE(gExtRefAB || gExtRefCD);
    EXPECT_FLOAT_EQ(gExtRefVoltage, 0.5f);
}

TEST_F(OptionsTest, OffsetTextsAreRoundedAndNotLimited)
{
    frmOptions* form = Open();
    const std::vector<std::pair<const char*, int>> cases = {
        {"-40", 0xD8},  {"300", 0xFF},        {"12.5", 0x0C},          {"13.5", 0x0E},
        {"abc", 0x00},  {"-129", 0x7F},       {"2147483647", 0xFF},    {"-2147483648", 0x00},
        // Below what the board link can frame: the register still gets the low byte.
        {"-8388609", 0xFF},
    };
    for (const auto& [text, byte] : cases) {
        fake.board.Clear();
        form->txtOffset[1]->setText(QString::fromLatin1(text));
        form->cmdApply_Click();
        EXPECT_EQ(WritesTo(0x22), std::vector<int>{byte}) << text;
        EXPECT_EQ(fake.board.Writes().size(), 7u) << text;
    }
    EXPECT_TRUE(env.messages.empty());
    // The spin controls stay within -128 to 127.
    form->txtOffset[0]->setText("127");
    form->UpDown1->StepUp();
    EXPECT_EQ(form->txtOffset[0]->text(), "127");
    form->txtOffset[0]->setText("-128");
    form->UpDown1->StepDown();
    EXPECT_EQ(form->txtOffset[0]->text(), "-128");
}

TEST_F(OptionsTest, OutOfRangeTextsAreRefusedBeforeAnyWrite)
{
    struct Case {
        int box; // 0, 1 offsets; 2 reference
        const char* text;
        const char* field;
    };
    const Case cases[] = {
        {0, "2147483647.5", "Internal Analog Offset"},
        {1, "-1e10", "External Analog Offset"},
        {2, "1e39", "External Reference"},
    };
    gExtRefVoltage = 1.5f;
    frmOptions* form = Open();
    form->chkSPI->setChecked(true);
    for (const Case& c : cases) {
        env.messages.clear();
        form->txtOffset[0]->setText("0");
        form->txtOffset[1]->setText("0");
        form->txtExtRef->setText("2.5");
        (c.box < 2 ? form->txtOffset[c.box] : form->txtExtRef)->setText(QString::fromLatin1(c.text));
        form->cmdOK_Click();
        ASSERT_EQ(env.messages.size(), 1u) << c.text;
        EXPECT_TRUE(env.messages[0].contains(QString::fromLatin1(c.field))) << c.text;
        EXPECT_TRUE(fake.board.transfers.empty()) << c.text;
        EXPECT_FALSE(gSPIMode);
        EXPECT_FLOAT_EQ(gExtRefVoltage, 1.5f);
        EXPECT_TRUE(IsFormLoaded<frmOptions>()) << "OK keeps the window open for a correction";
    }
}

TEST_F(OptionsTest, LdacLayoutFollowsTheChoiceBox)
{
    frmOptions* form = Open(); // 18h bit 3 clear: "LDAC"
    auto expectLayout = [&](double firstTop, bool noteShown, bool optionsOn, bool generateOn) {
        EXPECT_EQ(!form->lblLDAC->isHidden(), noteShown);
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(form->optLDACWrite[i]->geometry().top(), TwipsToPixelsY(firstTop + 600 * i));
            EXPECT_EQ(form->optLDACWrite[i]->isEnabled(), optionsOn);
            EXPECT_EQ(form->cmdGenLDAC[i]->isEnabled(), generateOn);
        }
    };
    EXPECT_EQ(form->lblLDAC->geometry().top(), TwipsToPixelsY(480));
    expectLayout(840, true, false, false);
    form->cmbLDACAin3->setCurrentText("AIN3"); // not applied yet
    expectLayout(600, false, true, false);
    form->optLDACWrite[3]->setChecked(true);
    expectLayout(600, false, true, true);
    form->optLDACWrite[1]->setChecked(true);
    expectLayout(600, false, true, false);
    form->cmbLDACAin3->setCurrentText("LDAC");
    expectLayout(840, true, false, false);
    EXPECT_TRUE(fake.board.transfers.empty());
}

TEST_F(OptionsTest, GenerateLdacWritesAtOnceAndApplyRestoresLowBits)
{
    Preset(0x18, 0x08); // AIN3
    Preset(0x1B, 0x30); // LDAC from the LDAC register
    Preset(0x1C, 0x30);
    frmOptions* form = Open();
    form->cmdGenLDAC[2]->click();
    EXPECT_EQ(fake.board.Writes(), (Writes{{0x1C, 0x34}}));
    fake.board.Clear();
    form->cmdApply_Click();
    EXPECT_EQ(WritesTo(0x1C), std::vector<int>{0x30});
}

TEST_F(OptionsTest, OkCancelAndRefresh)
{
    Preset(0x21, 0x05);
    frmOptions* form = Open();
    form->txtOffset[0]->setText("none");
    form->cmdOK_Click();
    EXPECT_EQ(WritesTo(0x21), std::vector<int>{0x00});
    EXPECT_FALSE(IsFormLoaded<frmOptions>());
    EXPECT_FALSE(gOptionsFormOpen);
    FlushDeletedForms();

    // Closed: the refresh reads nothing and opens nothing.
    fake.board.Clear();
    RefreshOptionsForm();
    EXPECT_TRUE(fake.board.transfers.empty());
    EXPECT_FALSE(IsFormLoaded<frmOptions>());

    // Open: it reads the chip again and discards edits.
    form = Open();
    form->chkPowerDown->setChecked(true);
    form->txtOffset[0]->setText("12");
    Preset(0x1B, 0x01);
    RefreshOptionsForm();
    EXPECT_FALSE(form->chkPowerDown->isChecked());
    EXPECT_EQ(form->txtOffset[0]->text(), "0");
    EXPECT_EQ(form->cmbDACRange[0]->currentIndex(), 1);
    EXPECT_EQ(fake.board.Writes().size(), 0u);

    // Cancel and the close box write nothing.
    form->chkSPI->setChecked(true);
    form->txtExtRef->setText("1.2");
    fake.board.Clear();
    form->cmdCancel_Click();
    FlushDeletedForms();
    form = Open();
    form->cmbADCClock->setCurrentIndex(1);
    form->close();
    EXPECT_TRUE(fake.board.Writes().empty());
    EXPECT_FALSE(gOptionsFormOpen);
    EXPECT_FALSE(gSPIMode);
    EXPECT_FLOAT_EQ(gExtRefVoltage, 2.25f);
}

namespace {
// The simulated board behind a recorder of every request as it was framed.
std::vector<Transfer>* gSimRecord = nullptr;

int16_t RecordingSimRequest(int16_t request, int32_t value, int32_t index, int16_t direction,
                            int16_t length, uint8_t* buffer)
{
    if (gSimRecord)
        gSimRecord->push_back(Transfer{request, value, index, direction, length, 0});
    return VendorIORequest(request, value, index, direction, length, buffer);
}

struct SimRecorder {
    std::vector<Transfer> record;
    SimRecorder()
    {
        gSimRecord = &record;
        SetVantreoFunctions(&LoadFirmWare, &RecordingSimRequest);
    }
    ~SimRecorder()
    {
        gSimRecord = nullptr;
        SetVantreoFunctions(&LoadFirmWare, &VendorIORequest);
    }
};
} // namespace

TEST(OptionsOnSimulatedBoard, ChangesReachTheChipAndSpiKeepsTheBoardTalking)
{
    ProgramEnvironment env;
    frmMain* main = BringUpOnSimulatedBoard();
    SimRecorder recorder;
    std::vector<Transfer>& record = recorder.record;

    main->mnuConfig_Click();
    frmOptions* form = FormInstance<frmOptions>();
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->Caption(), "Configuration");
    EXPECT_EQ(form->chkMonitoring->isChecked(), (SimPeekRegister(0x18) & 1) != 0);

    form->cmbDACRange[2]->setCurrentIndex(1);
    form->cmbLDACAin3->setCurrentText("AIN3");
    form->txtOffset[1]->setText("-40");
    form->chkSPI->setChecked(true);
    record.clear();
    form->cmdOK_Click();
    EXPECT_FALSE(IsFormLoaded<frmOptions>());

    // The seven writes in order, all with SMBus framing; the SPI request after them.
    std::vector<int> written;
    size_t lastWrite = 0, spiRequest = record.size();
    for (size_t i = 0; i < record.size(); ++i) {
        const Transfer& t = record[i];
        if (t.request == 0xDE) {
            EXPECT_EQ(t.value, 0x100 + gDeviceAddress) << "transfer " << i;
            if (t.direction == 0) {
                written.push_back(t.index & 0xFF);
                lastWrite = i;
            }
        }
        if (t.request == 0xDA)
            spiRequest = i;
    }
    EXPECT_EQ(written, (std::vector<int>{0x18, 0x19, 0x1A, 0x1B, 0x1C, 0x21, 0x22}));
    ASSERT_LT(spiRequest, record.size());
    EXPECT_GT(spiRequest, lastWrite);
    EXPECT_EQ(SimPeekRegister(0x1B) & 0x04, 0x04);
    EXPECT_EQ(SimPeekRegister(0x22), 0xD8);
    EXPECT_EQ(gDacRange[2], 2);
    EXPECT_TRUE(gAin3Enabled);
    EXPECT_TRUE(gSPIMode);
    EXPECT_EQ(main->windowTitle(), "Zandrel Evaluation Software - SPI mode");

    // The board now answers SPI framing: polling goes on without a failure, and a
    // reopened window shows the switch disabled.
    record.clear();
    for (int i = 0; i < 24; ++i)
        main->tmrMaster_Timer();
    main->mnuConfig_Click();
    ASSERT_FALSE(record.empty());
    for (const Transfer& t : record) {
        if (t.request == 0xDE) {
            EXPECT_EQ(t.value >> 8, 2);
        }
    }
    form = FormInstance<frmOptions>();
    ASSERT_NE(form, nullptr);
    EXPECT_TRUE(form->chkSPI->isChecked());
    EXPECT_FALSE(form->chkSPI->isEnabled());
    EXPECT_TRUE(env.messages.empty());
}
