#include "TestSupport.h"

#include "board/USBStuff.h"
#include "chip/GeneralStuff.h"
#include "platform/Forms.h"
#include "platform/Twips.h"
#include "platform/UpDown.h"
#include "platform/WrapButtons.h"
#include "windows/GeneralStuff.h"
#include "windows/frmMain.h"
#include "windows/frmOptions.h"

#include <QComboBox>
#include <QGroupBox>
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

    // The bytes written to one register, in order.
    std::vector<int> WritesTo(int reg) const
    {
        std::vector<int> out;
        for (const auto& [r, v] : fake.board.Writes())
            if (r == reg)
                out.push_back(v);
        return out;
    }
};

int TopTwipsPx(double twips) { return TwipsToPixelsY(twips); }
} // namespace

TEST_F(OptionsTest, UnchangedApplyWritesBackWhatLoadRead)
{
    // Bits the window does not show must come back as read.
    Preset(0x18, 0x99); // monitoring, Ain 1-2, AIN3, bit 4, power down
    Preset(0x19, 0x27);
    Preset(0x1A, 0xDF);
    Preset(0x1B, 0x25);
    Preset(0x1C, 0xFA);
    Preset(0x21, 0xD8);
    Preset(0x22, 0x7F);
    frmOptions* form = Open();

    EXPECT_TRUE(gOptionsFormOpen);
    EXPECT_EQ(form->SSTab1->currentIndex(), 0);
    EXPECT_EQ(form->txtOffset[0]->text(), "-40");
    EXPECT_EQ(form->txtOffset[1]->text(), "127");
    EXPECT_EQ(form->cmbDACRange[0]->currentText(), "0V - 2Vref");
    EXPECT_EQ(form->cmbDACRange[1]->currentText(), "0V - VRef");
    EXPECT_EQ(form->cmbDACRange[2]->currentText(), "0V - 2Vref");
    EXPECT_EQ(form->cmbDACRange[3]->currentText(), "0V - VRef");
    EXPECT_TRUE(form->optLDACWrite[2]->isChecked());
    EXPECT_EQ(form->cmbTempAin12->currentText(), "Ain 1-2");
    EXPECT_EQ(form->cmbLDACAin3->currentText(), "AIN3");
    EXPECT_EQ(form->cmbADCClock->currentText(), "22.5 kHz");
    EXPECT_TRUE(form->optAinRef[1]->isChecked());
    EXPECT_TRUE(form->chkExtDACRef[0]->isChecked() == false && form->chkExtDACRef[1]->isChecked() == false);
    EXPECT_FALSE(form->txtExtRef->isEnabled());
    EXPECT_FALSE(form->lblExtRef->isEnabled());
    EXPECT_EQ(form->txtExtRef->text(), "2.25");

    form->cmdApply_Click();
    EXPECT_EQ(fake.board.Writes(), (Writes{{0x18, 0x99}, {0x19, 0x27}, {0x1A, 0xDF}, {0x1B, 0x25},
                                           {0x1C, 0xFA}, {0x21, 0xD8}, {0x22, 0x7F}}));
    EXPECT_TRUE(IsFormLoaded<frmOptions>());
    EXPECT_FALSE(gSPIMode);
    EXPECT_FLOAT_EQ(gExtRefVoltage, 2.25f);
}

TEST_F(OptionsTest, InvertedBitsShowAsDesigned)
{
    Preset(0x18, 0x60); // interrupt output off, polarity active high
    Preset(0x1C, 0x10); // external reference on C/D only
    Preset(0x7F, 0x01);
    frmOptions* form = Open();
    EXPECT_FALSE(form->chkIntEnable->isChecked());
    EXPECT_FALSE(form->chkIntPolarity->isChecked());
    EXPECT_FALSE(form->chkExtDACRef[0]->isChecked());
    EXPECT_TRUE(form->chkExtDACRef[1]->isChecked());
    EXPECT_TRUE(form->txtExtRef->isEnabled());
    EXPECT_TRUE(form->chkSPI->isChecked());
    EXPECT_TRUE(form->chkSPI->isEnabled());

    // Unticking both disables the text and its label; Apply still takes the text.
    form->chkExtDACRef[1]->setChecked(false);
    EXPECT_FALSE(form->txtExtRef->isEnabled());
    EXPECT_FALSE(form->lblExtRef->isEnabled());
    form->chkExtDACRef[0]->setChecked(true);
    EXPECT_TRUE(form->txtExtRef->isEnabled());
    EXPECT_TRUE(form->lblExtRef->isEnabled());
    form->chkExtDACRef[0]->setChecked(false);
    form->txtExtRef->setText("0.5");
    form->chkSPI->setChecked(false);
    form->cmdApply_Click();
    EXPECT_FLOAT_EQ(gExtRefVoltage, 0.5f);
    EXPECT_EQ(WritesTo(0x1C), std::vector<int>{0x30});
    EXPECT_FALSE(gExtRefAB);
    EXPECT_FALSE(gExtRefCD);

    // Text without a number sets the reference to 0; the next opening shows the plain form.
    form->txtExtRef->setText("volts");
    form->cmdApply_Click();
    EXPECT_FLOAT_EQ(gExtRefVoltage, 0.0f);
    gExtRefVoltage = 0.5f;
    form->Unload();
    FlushDeletedForms();
    EXPECT_EQ(Open()->txtExtRef->text(), "0.5");
}

TEST_F(OptionsTest, ApplyComposesEveryControl)
{
    frmOptions* form = Open(); // every register reads 0
    EXPECT_TRUE(form->chkIntEnable->isChecked());
    EXPECT_TRUE(form->chkIntPolarity->isChecked());
    EXPECT_TRUE(form->optAinRef[0]->isChecked());
    EXPECT_TRUE(form->optLDACWrite[0]->isChecked());

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
    EXPECT_TRUE(fake.board.transfers.empty()) << "edits touch only the controls";

    form->cmdApply_Click();
    EXPECT_EQ(fake.board.Writes(), (Writes{{0x18, 0xAD}, {0x19, 0x20}, {0x1A, 0x73}, {0x1B, 0x3A},
                                           {0x1C, 0x30}, {0x21, 0x00}, {0x22, 0x00}}));
    // The chip state follows each write.
    EXPECT_EQ(gAin12Mode, Ain12ExtDiode);
    EXPECT_TRUE(gAin3Enabled);
    EXPECT_FALSE(gIntOutputEnabled);
    EXPECT_TRUE(gDacAInternalTemp && gDacBExternalTemp);
    EXPECT_FLOAT_EQ(gAinRefVoltage, 3.3f);
    EXPECT_EQ(gDacRange, (std::array<int16_t, 4>{1, 2, 1, 2}));
    EXPECT_FALSE(gExtRefAB || gExtRefCD);

    // Apply reads nothing itself: only the decoder's read-backs of 18h, 1Ah, 1Bh, 1Ch.
    std::vector<int> reads;
    for (const Transfer& t : fake.board.transfers)
        if (t.request == 0xDE && t.direction == 1)
            reads.push_back(t.index);
    EXPECT_EQ(reads, (std::vector<int>{0x18, 0x1A, 0x1B, 0x1C}));
}

TEST_F(OptionsTest, InvalidAin12FieldShowsExternalTempAndIsRepaired)
{
    for (int field : {0x02, 0x06}) {
        Preset(0x18, field | 0x01);
        frmOptions* form = Open();
        EXPECT_EQ(form->cmbTempAin12->currentText(), "External Temp");
        form->cmdApply_Click();
        EXPECT_EQ(WritesTo(0x18), std::vector<int>{0x05});
        EXPECT_TRUE(env.messages.empty()) << "Apply never writes an invalid Ain1-2 field";
        form->Unload();
        FlushDeletedForms();
    }
}

TEST_F(OptionsTest, OffsetTextsAreRoundedAndWrittenUnlimited)
{
    Preset(0x22, 0xD8);
    frmOptions* form = Open();
    EXPECT_EQ(form->txtOffset[1]->text(), "-40");

    const std::vector<std::pair<const char*, int>> cases = {
        {"-40", 0xD8},   {"300", 0xFF},        {"255", 0xFF},        {"12.5", 0x0C},
        {"13.5", 0x0E},  {"-0.5", 0x00},       {"abc", 0x00},        {"", 0x00},
        {"7fh", 0x07},   {"2147483647", 0xFF}, {"-2147483648", 0x00}, {"-2147483648.5", 0x00},
        {"-8388609", 0xFF}, {"-8388608", 0x00}, {"-129", 0x7F},
    };
    for (const auto& [text, byte] : cases) {
        fake.board.Clear();
        form->txtOffset[1]->setText(QString::fromLatin1(text));
        form->cmdApply_Click();
        EXPECT_EQ(WritesTo(0x22), std::vector<int>{byte}) << text;
        EXPECT_EQ(fake.board.Writes().size(), 7u) << text;
        EXPECT_TRUE(env.messages.empty()) << text;
    }
    // 300 written as FFh shows as -1 at the next opening.
    form->txtOffset[1]->setText("300");
    form->cmdApply_Click();
    form->Unload();
    FlushDeletedForms();
    EXPECT_EQ(Open()->txtOffset[1]->text(), "-1");
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
        {0, "3000000000", "Internal Analog Offset"},
        {1, "-1e10", "External Analog Offset"},
        {1, "1e400", "External Analog Offset"},
        {2, "1e39", "External Reference"},
        {2, "-4e38", "External Reference"},
    };
    gExtRefVoltage = 1.5f;
    frmOptions* form = Open();
    form->chkSPI->setChecked(true);
    for (const Case& c : cases) {
        env.messages.clear();
        fake.board.Clear();
        form->txtOffset[0]->setText("0");
        form->txtOffset[1]->setText("0");
        form->txtExtRef->setText("2.5");
        QLineEdit* box = c.box < 2 ? form->txtOffset[c.box] : form->txtExtRef;
        box->setText(QString::fromLatin1(c.text));
        form->cmdOK_Click();
        ASSERT_EQ(env.messages.size(), 1u) << c.text;
        EXPECT_TRUE(env.messages[0].contains(QString::fromLatin1(c.field))) << env.messages[0].toStdString();
        EXPECT_EQ(env.icons[0], MsgIcon::Exclamation);
        EXPECT_TRUE(fake.board.transfers.empty()) << c.text;
        EXPECT_FALSE(gSPIMode);
        EXPECT_FLOAT_EQ(gExtRefVoltage, 1.5f);
        EXPECT_TRUE(IsFormLoaded<frmOptions>()) << "OK keeps the window open for a correction";
        EXPECT_EQ(form->SSTab1->currentIndex(), c.box < 2 ? 1 : 3);
    }
    // The largest single is still a reference the window takes.
    form->chkSPI->setChecked(false);
    form->txtExtRef->setText("3.4e38");
    form->txtOffset[0]->setText("1");
    form->cmdApply_Click();
    EXPECT_FLOAT_EQ(gExtRefVoltage, 3.4e38f);
}

TEST_F(OptionsTest, LdacLayoutFollowsTheChoiceBox)
{
    frmOptions* form = Open(); // 18h bit 3 clear: "LDAC"
    auto expectTops = [&](double first) {
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(form->optLDACWrite[i]->geometry().top(), TopTwipsPx(first + 600 * i)) << i;
    };
    EXPECT_EQ(form->cmbLDACAin3->currentText(), "LDAC");
    for (int i = 0; i < 4; ++i) {
        EXPECT_FALSE(form->optLDACWrite[i]->isEnabled());
        EXPECT_FALSE(form->cmdGenLDAC[i]->isEnabled());
    }
    EXPECT_FALSE(form->lblLDAC->isHidden());
    EXPECT_EQ(form->lblLDAC->geometry().top(), TopTwipsPx(480));
    expectTops(840);

    form->cmbLDACAin3->setCurrentText("AIN3"); // not applied yet
    EXPECT_TRUE(form->lblLDAC->isHidden());
    expectTops(600);
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(form->optLDACWrite[i]->isEnabled());
        EXPECT_FALSE(form->cmdGenLDAC[i]->isEnabled());
    }
    form->optLDACWrite[3]->setChecked(true);
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(form->cmdGenLDAC[i]->isEnabled());
    form->optLDACWrite[1]->setChecked(true);
    for (int i = 0; i < 4; ++i)
        EXPECT_FALSE(form->cmdGenLDAC[i]->isEnabled());

    form->cmbLDACAin3->setCurrentText("LDAC");
    EXPECT_FALSE(form->lblLDAC->isHidden());
    expectTops(840);
    EXPECT_TRUE(fake.board.transfers.empty());
}

TEST_F(OptionsTest, GenerateLdacWritesAtOnceAndApplyRestoresLowBits)
{
    Preset(0x18, 0x08); // AIN3
    Preset(0x1B, 0x30); // LDAC from the LDAC register
    Preset(0x1C, 0x30);
    frmOptions* form = Open();
    ASSERT_TRUE(form->cmdGenLDAC[2]->isEnabled());
    form->cmdGenLDAC[2]->click();
    EXPECT_EQ(fake.board.Writes(), (Writes{{0x1C, 0x34}}));
    ASSERT_GE(fake.board.transfers.size(), 2u);
    EXPECT_EQ(fake.board.transfers[0].direction, 1); // read first
    EXPECT_EQ(fake.board.transfers[0].index, 0x1C);

    fake.board.Clear();
    form->cmdApply_Click();
    EXPECT_EQ(WritesTo(0x1C), std::vector<int>{0x30});
}

TEST_F(OptionsTest, SpiSwitchAfterTheSevenSmbusWrites)
{
    gMainForm = new frmMain();
    frmOptions* form = Open();
    EXPECT_TRUE(form->chkSPI->isEnabled());
    form->chkSPI->setChecked(true);
    form->cmdApply_Click();

    EXPECT_TRUE(gSPIMode);
    EXPECT_FALSE(form->chkSPI->isEnabled());
    EXPECT_EQ(gMainForm->windowTitle(), "Zandrel Evaluation Software - SPI mode");

    const auto& t = fake.board.transfers;
    size_t registerWrites = 0, spiRequest = t.size();
    for (size_t i = 0; i < t.size(); ++i) {
        if (t[i].request == 0xDE) {
            EXPECT_EQ(t[i].value, 0x148) << "SMBus framing before the switch, transfer " << i;
            if (t[i].direction == 0)
                ++registerWrites;
        }
        if (t[i].request == 0xDA)
            spiRequest = i;
    }
    EXPECT_EQ(registerWrites, 7u);
    ASSERT_LT(spiRequest, t.size());
    EXPECT_EQ(spiRequest, t.size() - 1) << "the SPI request comes last";
    // The interface switch (port 3 bit 2) is set just before the SPI request.
    ASSERT_FALSE(fake.board.PortWrites().empty());
    EXPECT_EQ(fake.board.PortWrites().back().first, 3);
    EXPECT_EQ(fake.board.PortWrites().back().second & 0x04, 0x04);

    // From now on every register transfer uses SPI framing.
    fake.board.Clear();
    form->cmdGenLDAC_Click(0);
    ASSERT_EQ(fake.board.transfers.size(), 2u);
    EXPECT_EQ(fake.board.transfers[0].value, 0x21C);
    EXPECT_EQ(fake.board.transfers[1].value, 0x248);

    // Reopened, the box stays disabled.
    form->Unload();
    FlushDeletedForms();
    EXPECT_FALSE(Open()->chkSPI->isEnabled());
}

TEST_F(OptionsTest, OkWithoutNumberWritesZeroAndCloses)
{
    Preset(0x21, 0x05);
    frmOptions* form = Open();
    form->txtOffset[0]->setText("none");
    form->cmdOK_Click();
    EXPECT_EQ(WritesTo(0x21), std::vector<int>{0x00});
    EXPECT_EQ(fake.board.Writes().size(), 7u);
    EXPECT_FALSE(IsFormLoaded<frmOptions>());
    EXPECT_FALSE(gOptionsFormOpen);
}

TEST_F(OptionsTest, CancelAndCloseBoxWriteNothing)
{
    frmOptions* form = Open();
    form->chkMonitoring->setChecked(true);
    form->txtOffset[0]->setText("12");
    form->txtExtRef->setText("1.2");
    form->chkSPI->setChecked(true);
    form->cmdCancel_Click();
    EXPECT_TRUE(fake.board.transfers.empty());
    EXPECT_FALSE(IsFormLoaded<frmOptions>());
    EXPECT_FALSE(gOptionsFormOpen);
    EXPECT_FALSE(gSPIMode);
    EXPECT_FLOAT_EQ(gExtRefVoltage, 2.25f);
    FlushDeletedForms();

    form = Open();
    form->cmbADCClock->setCurrentIndex(1);
    form->close();
    EXPECT_TRUE(fake.board.transfers.empty());
    EXPECT_FALSE(gOptionsFormOpen);
}

TEST_F(OptionsTest, RefreshReloadsOnlyAnOpenWindow)
{
    RefreshOptionsForm();
    EXPECT_TRUE(fake.board.transfers.empty());
    EXPECT_FALSE(IsFormLoaded<frmOptions>());

    frmOptions* form = Open();
    form->txtOffset[0]->setText("99");
    form->chkPowerDown->setChecked(true);
    Preset(0x1B, 0x31);
    Preset(0x18, 0x08);
    RefreshOptionsForm();
    EXPECT_EQ(form->txtOffset[0]->text(), "0");
    EXPECT_FALSE(form->chkPowerDown->isChecked());
    EXPECT_EQ(form->cmbDACRange[0]->currentIndex(), 1);
    EXPECT_TRUE(form->optLDACWrite[3]->isChecked());
    EXPECT_TRUE(form->cmdGenLDAC[0]->isEnabled());
    EXPECT_EQ(fake.board.Writes().size(), 0u);
    EXPECT_EQ(fake.board.transfers.size(), 8u) << "Load reads the eight registers";
    EXPECT_TRUE(gOptionsFormOpen);
}

TEST_F(OptionsTest, SpinControlsStepWithinTheSignedByte)
{
    Preset(0x21, 0x7F);
    Preset(0x22, 0x80);
    frmOptions* form = Open();
    EXPECT_EQ(form->txtOffset[1]->text(), "-128");
    form->UpDown1->StepUp();
    EXPECT_EQ(form->txtOffset[0]->text(), "127");
    form->UpDown1->StepDown();
    EXPECT_EQ(form->txtOffset[0]->text(), "126");
    form->UpDown2->StepDown();
    EXPECT_EQ(form->txtOffset[1]->text(), "-128");
    form->UpDown2->StepUp();
    EXPECT_EQ(form->txtOffset[1]->text(), "-127");
    EXPECT_TRUE(fake.board.transfers.empty());
}

TEST_F(OptionsTest, MenuAndToolbarOpenOneWindow)
{
    gMainForm = new frmMain();
    gMainForm->mnuConfig_Click();
    frmOptions* first = FormInstance<frmOptions>();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->Caption(), "Configuration");
    gMainForm->tbToolBar_ButtonClick("Config");
    EXPECT_EQ(FormInstance<frmOptions>(), first);
    EXPECT_EQ(first->width(), TwipsToPixelsX(7920));
    EXPECT_EQ(first->height(), TwipsToPixelsY(5535));
}
