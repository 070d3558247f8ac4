// The register map window: tree, read, write, bit toggle, the value mirror and refusals.
#include "TestSupport.h"

#include "SimControl.h"
#include "board/USBStuff.h"
#include "chip/GeneralStuff.h"
#include "chip/RegMapStuff.h"
#include "platform/Forms.h"
#include "platform/Twips.h"
#include "windows/GeneralStuff.h"
#include "windows/frmMain.h"
#include "windows/frmRegMap.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

class RegMapTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        InitRegisterMap();
        gDeviceAddress = 0x48;
        form = LoadForm<frmRegMap>();
        ASSERT_NE(form, nullptr);
        fake.board.Clear();
    }

    // Registers read, in order.
    std::vector<int> Reads() const
    {
        std::vector<int> out;
        for (const Transfer& t : fake.board.transfers)
            if (t.request == 0xDE && t.direction == 1)
                out.push_back(t.index);
        return out;
    }
    std::vector<int32_t> WriteIndices() const
    {
        std::vector<int32_t> out;
        for (const Transfer& t : fake.board.transfers)
            if (t.request == 0xDE && t.direction == 0)
                out.push_back(t.index);
        return out;
    }
    QStringList BitNames() const
    {
        QStringList out;
        for (QLabel* l : form->lblInfo)
            out << l->text();
        return out;
    }
    QString Bits() const // bit 7 first
    {
        QString out;
        for (int i = 7; i >= 0; --i)
            out += form->lblBit[i]->text();
        return out;
    }
    QTreeWidgetItem* Node(const QString& text) const
    {
        const auto found =
            form->TreeView1->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
        return found.size() == 1 ? found.first() : nullptr;
    }
    static void Type(QLineEdit* box, const QString& text)
    {
        box->setFocus();
        box->insert(text);
    }
    static void PressKey(QWidget* w, int key)
    {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(w, &press);
    }
    static void Click(QWidget* w)
    {
        const QPointF at(w->width() / 2.0, w->height() / 2.0);
        QMouseEvent release(QEvent::MouseButtonRelease, at, w->mapToGlobal(at), Qt::LeftButton,
                            Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(w, &release);
    }
    // Everything a read or write can change on the window.
    QStringList Shown() const
    {
        return {form->lblRegDescription->text(), form->lblCurrentAddr->text(),
                form->lblHexVal->text(), form->lblDecVal->text(), form->txtReadAddr->text(),
                form->txtHex->text(), form->txtDec->text(), Bits(), BitNames().join(':')};
    }

    ProgramEnvironment env;
    FakeBoardScope fake;
    frmRegMap* form = nullptr;
};

int CountNodes(QTreeWidgetItem* item)
{
    int n = 1;
    for (int i = 0; i < item->childCount(); ++i)
        n += CountNodes(item->child(i));
    return n;
}

int CountNodes(QTreeWidget* tree)
{
    int n = 0;
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        n += CountNodes(tree->topLevelItem(i));
    return n;
}

TEST_F(RegMapTest, OpensWithItsLayoutAndTouchesNoRegister)
{
    EXPECT_EQ(form->Caption(), QStringLiteral("Register Map Access"));
    EXPECT_TRUE(gRegMapFormOpen);
    EXPECT_FALSE(form->chkContRead->isChecked());
    EXPECT_FALSE(RegMapContinuousReadTicked());
    EXPECT_EQ(form->lblRegDescription->text(), QStringLiteral("Description"));
    EXPECT_EQ(form->lblHexVal->text(), QStringLiteral("HexVal"));
    EXPECT_EQ(Bits(), QStringLiteral("00000000"));
    EXPECT_TRUE(form->txtReadAddr->text().isEmpty());
    EXPECT_EQ(form->lblRegDescription->palette().color(QPalette::WindowText), QColor(0, 128, 0));
    EXPECT_EQ(form->lblBit[0]->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    EXPECT_NEAR(form->OuterWidthTwips(), 8460, TwipsPerPixelX());

    // Bit 7 leftmost, bit 0 rightmost, each name centred under its bit.
    for (int i = 0; i < 7; ++i)
        EXPECT_GT(form->lblBit[i]->x(), form->lblBit[i + 1]->x());
    for (int i = 0; i < 8; ++i) {
        const QRect bit = form->lblBit[i]->geometry();
        const QRect info = form->lblInfo[7 - i]->geometry();
        EXPECT_LE(std::abs(bit.center().x() - info.center().x()), 1) << i;
        // Bit names of four letters fit under their bit.
        EXPECT_GE(info.width(), form->lblInfo[7 - i]->fontMetrics().horizontalAdvance("EXLO")) << i;
    }
    EXPECT_GE(form->lblBit[7]->x(), 0);
    EXPECT_LE(form->lblBit[0]->geometry().right(), form->fraBits->width());

    // No fixed caption is cut, and every control stays inside its frame.
    for (QLabel* l : {form->Label5, form->Label6, form->Label7, form->Label8, form->Label9,
                      form->Label10, form->Label11}) {
        EXPECT_GE(l->width(), l->fontMetrics().horizontalAdvance(l->text())) << l->text().toStdString();
        EXPECT_TRUE(l->parentWidget()->rect().contains(l->geometry())) << l->text().toStdString();
    }
    EXPECT_GE(form->chkContRead->width(), form->chkContRead->sizeHint().width());
    EXPECT_TRUE(form->Frame6->rect().contains(form->chkContRead->geometry()));
    EXPECT_GT(form->txtHex->width(), form->txtHex->fontMetrics().horizontalAdvance("FFFFFFFF"));
    EXPECT_LT(form->txtDec->geometry().right(), form->chkContRead->x());
}

TEST_F(RegMapTest, TreeHoldsEveryRegisterOnceUnderItsGroup)
{
    QTreeWidget* tree = form->TreeView1;
    ASSERT_EQ(tree->topLevelItemCount(), 4);
    const QStringList roots = {"General", "Temperature", "Voltage I/O", "Ain"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(tree->topLevelItem(i)->text(0), roots[i]);
        EXPECT_EQ(tree->topLevelItem(i)->isExpanded(), i == 0);
    }
    QTreeWidgetItem* general = tree->topLevelItem(0);
    ASSERT_EQ(general->childCount(), 3);
    EXPECT_EQ(general->child(2)->text(0), QStringLiteral("ID/Revision"));
    EXPECT_EQ(CountNodes(tree), 62);
    EXPECT_EQ(tree->indentation(), TwipsToPixelsX(200));

    for (const RegisterInfo& r : RegMap) {
        QTreeWidgetItem* node = Node(r.Name);
        ASSERT_NE(node, nullptr) << r.Name.toStdString();
        ASSERT_NE(node->parent(), nullptr);
        ASSERT_NE(node->parent()->parent(), nullptr);
        EXPECT_EQ(node->data(0, Qt::UserRole).toString(), r.Name);
        EXPECT_EQ(node->foreground(0).color(), QColor(0, 0, 192));
    }
    EXPECT_EQ(general->foreground(0).color(), QColor(0, 128, 0));
    EXPECT_EQ(general->child(0)->foreground(0).color(), QColor(192, 0, 0));

    // Shared addresses keep separate nodes under their own groups, in the listed order.
    EXPECT_EQ(Node("Vdd LSBs")->parent()->text(0), QStringLiteral("Vdd"));
    EXPECT_EQ(Node("Ain1 MSBs")->parent()->text(0), QStringLiteral("Values"));
    QTreeWidgetItem* internal = Node("Internal");
    ASSERT_NE(internal, nullptr);
    EXPECT_EQ(internal->child(0)->text(0), QStringLiteral("Internal Temp MSBs"));
    EXPECT_EQ(internal->child(1)->text(0), QStringLiteral("Internal Temp LSBs"));
    QTreeWidgetItem* config = general->child(0);
    EXPECT_EQ(config->child(config->childCount() - 1)->text(0), QStringLiteral("SPI Lock Status"));

    // Reopening builds the tree again from empty.
    form->Unload();
    FlushDeletedForms();
    EXPECT_FALSE(gRegMapFormOpen);
    form = LoadForm<frmRegMap>();
    EXPECT_EQ(CountNodes(form->TreeView1), 62);
    EXPECT_TRUE(gRegMapFormOpen);
}

TEST_F(RegMapTest, ReadShowsTheFirstRegisterOfTheAddress)
{
    // An empty address box reads register 00h.
    fake.board.registers[0x00] = 0x81;
    form->cmdRead_Click();
    EXPECT_EQ(form->lblRegDescription->text(), QStringLiteral("Interrupt Status 1"));
    EXPECT_EQ(form->txtReadAddr->text(), QStringLiteral("0H"));
    EXPECT_EQ(form->lblCurrentAddr->text(), QStringLiteral("0h"));
    EXPECT_EQ(form->lblHexVal->text(), QStringLiteral("81"));
    EXPECT_EQ(form->lblDecVal->text(), QStringLiteral("129"));
    EXPECT_EQ(Bits(), QStringLiteral("10000001"));
    EXPECT_EQ(Reads(), std::vector<int>{0x00});

    fake.board.Clear();
    form->txtReadAddr->clear();
    Type(form->txtReadAddr, "3");
    fake.board.registers[0x03] = 0x40;
    form->cmdRead_Click();
    EXPECT_EQ(form->lblRegDescription->text(), QStringLiteral("Internal Temp LSBs"));
    EXPECT_EQ(BitNames(), QStringList({"-", "-", "-", "-", "-", "-", "1", "0"}));
    EXPECT_EQ(form->lblHexVal->text(), QStringLiteral("40"));
    EXPECT_EQ(form->txtReadAddr->text(), QStringLiteral("3H"));
    EXPECT_EQ(Reads(), std::vector<int>{0x03});
    // A read leaves the value boxes alone.
    EXPECT_TRUE(form->txtDec->text().isEmpty());
    EXPECT_TRUE(form->txtHex->text().isEmpty());
}

TEST_F(RegMapTest, TreeClickShowsTheRegisterUnderItsOwnNameUntilTheNextRead)
{
    fake.board.registers[0x03] = 0x0C;
    emit form->TreeView1->itemClicked(Node("Vdd LSBs"), 0);
    EXPECT_EQ(form->lblRegDescription->text(), QStringLiteral("Vdd LSBs"));
    EXPECT_EQ(form->lblInfo[4]->text(), QStringLiteral("V1"));
    EXPECT_EQ(form->lblInfo[5]->text(), QStringLiteral("V0"));
    EXPECT_EQ(form->lblCurrentAddr->text(), QStringLiteral("3h"));
    EXPECT_EQ(Bits(), QStringLiteral("00001100"));
    EXPECT_EQ(Reads(), std::vector<int>{0x03});

    // The continuous read resolves the box again: the earlier table entry wins.
    form->chkContRead->setChecked(true);
    ASSERT_TRUE(RegMapContinuousReadTicked());
    RegMapContinuousRead();
    EXPECT_EQ(form->lblRegDescription->text(), QStringLiteral("Internal Temp LSBs"));
    EXPECT_EQ(form->lblInfo[4]->text(), QStringLiteral("-"));
    EXPECT_TRUE(env.messages.empty());
}

TEST_F(RegMapTest, RootAndGroupClicksChangeNothing)
{
    Type(form->txtReadAddr, "1f");
    form->cmdRead_Click();
    fake.board.Clear();
    const QStringList before = Shown();
    for (const char* text : {"General", "Temperature", "Status", "Limits", "Ain"})
        emit form->TreeView1->itemClicked(Node(text), 0);
    form->TreeView1_NodeClick(nullptr);
    // A register node whose text is no register name changes nothing either.
    QTreeWidgetItem* renamed = Node("Revision");
    renamed->setText(0, "Revision 2");
    emit form->TreeView1->itemClicked(renamed, 0);
    EXPECT_EQ(Shown(), before);
    EXPECT_TRUE(fake.board.transfers.empty());
    EXPECT_TRUE(env.messages.empty());
}

TEST_F(RegMapTest, UnnamedAddressShowsUnknownAndBitNumbers)
{
    fake.board.registers[0x50] = 0x5A;
    Type(form->txtReadAddr, "50");
    form->cmdRead_Click();
    EXPECT_EQ(form->lblRegDescription->text(), QStringLiteral("Unknown"));
    EXPECT_EQ(BitNames(), QStringList({"7", "6", "5", "4", "3", "2", "1", "0"}));
    EXPECT_EQ(form->lblCurrentAddr->text(), QStringLiteral("50h"));
    EXPECT_EQ(form->txtReadAddr->text(), QStringLiteral("50H"));
    EXPECT_EQ(form->lblHexVal->text(), QStringLiteral("5A"));
    EXPECT_EQ(form->lblDecVal->text(), QStringLiteral("90"));
    EXPECT_EQ(Reads(), std::vector<int>{0x50});

    // Registers 80h to FFh go to the board as they are.
    fake.board.Clear();
    form->txtReadAddr->setText("ff");
    form->cmdRead_Click();
    EXPECT_EQ(Reads(), std::vector<int>{0xFF});
    EXPECT_EQ(form->lblCurrentAddr->text(), QStringLiteral("FFh"));
    EXPECT_TRUE(env.messages.empty());
}

TEST_F(RegMapTest, AddressBoxIsUpperCasedWithTheCaretAtTheEnd)
{
    Type(form->txtReadAddr, "1");
    Type(form->txtReadAddr, "a");
    EXPECT_EQ(form->txtReadAddr->text(), QStringLiteral("1A"));
    EXPECT_EQ(form->txtReadAddr->cursorPosition(), 2);
    // Enter in the address box does nothing.
    PressKey(form->txtReadAddr, Qt::Key_Return);
    EXPECT_TRUE(fake.board.transfers.empty());
    EXPECT_EQ(form->lblRegDescription->text(), QStringLiteral("Description"));
}

TEST_F(RegMapTest, WriteSendsTheDecimalValueAndKeepsTheBoxes)
{
    Type(form->txtReadAddr, "1F");
    Type(form->txtDec, "300");
    EXPECT_EQ(form->txtHex->text(), QStringLiteral("12C"));
    form->cmdWrite_Click();
    EXPECT_EQ(fake.board.Writes(), (std::vector<std::pair<int, int>>{{0x1F, 0xFF}}));
    EXPECT_EQ(form->txtDec->text(), QStringLiteral("300"));
    EXPECT_EQ(form->txtHex->text(), QStringLiteral("12C"));
    EXPECT_EQ(form->lblDecVal->text(), QStringLiteral("255"));
    EXPECT_EQ(form->lblRegDescription->text(), QStringLiteral("Internal Offset"));
    // The read after the write is the last transfer.
    ASSERT_FALSE(fake.board.transfers.empty());
    EXPECT_EQ(fake.board.transfers.back().direction, 1);
    EXPECT_EQ(fake.board.transfers.back().index, 0x1F);

    // A negative value goes on with its sign: the index is value x 256 + register.
    fake.board.Clear();
    form->txtDec->setText("-1");
    form->cmdWrite_Click();
    EXPECT_EQ(WriteIndices(), std::vector<int32_t>{-256 + 0x1F});
    fake.board.Clear();
    form->txtDec->setText("-8388608");
    form->cmdWrite_Click();
    EXPECT_EQ(WriteIndices(), std::vector<int32_t>{INT32_MIN + 0x1F});
    EXPECT_TRUE(env.messages.empty());
}

TEST_F(RegMapTest, EnterInEitherValueBoxWritesTheDecimalValue)
{
    Type(form->txtReadAddr, "20");
    Type(form->txtHex, "7f");
    EXPECT_EQ(form->txtDec->text(), QStringLiteral("127"));
    PressKey(form->txtHex, Qt::Key_Return);
    EXPECT_EQ(fake.board.Writes(), (std::vector<std::pair<int, int>>{{0x20, 0x7F}}));

    fake.board.Clear();
    form->txtDec->setText("12");
    PressKey(form->txtDec, Qt::Key_Enter);
    PressKey(form->txtDec, Qt::Key_A);
    EXPECT_EQ(fake.board.Writes(), (std::vector<std::pair<int, int>>{{0x20, 12}}));
}

TEST_F(RegMapTest, MirrorSettlesAfterOneEchoEachWay)
{
    Type(form->txtHex, "FFFF");
    EXPECT_EQ(form->txtDec->text(), QStringLiteral("-1"));
    EXPECT_EQ(form->txtHex->text(), QStringLiteral("FFFFFFFF"));
    EXPECT_EQ(form->txtHex->cursorPosition(), 8);

    form->txtDec->clear();
    EXPECT_EQ(form->txtDec->text(), QStringLiteral("0"));
    form->txtDec->clear();
    Type(form->txtDec, "1");
    Type(form->txtDec, ".");
    EXPECT_EQ(form->txtDec->text(), QStringLiteral("1."));
    EXPECT_EQ(form->txtHex->text(), QStringLiteral("1"));
    Type(form->txtDec, "5");
    EXPECT_EQ(form->txtHex->text(), QStringLiteral("2"));
    EXPECT_EQ(form->txtDec->text(), QStringLiteral("2"));
}

TEST_F(RegMapTest, BitClickWritesTheShownValueWithOneBitFlipped)
{
    // Before any read every bit shows 0, and an empty box means register 00h.
    Click(form->lblBit[3]);
    EXPECT_EQ(fake.board.Writes(), (std::vector<std::pair<int, int>>{{0x00, 0x08}}));
    EXPECT_EQ(form->lblRegDescription->text(), QStringLiteral("Interrupt Status 1"));

    fake.board.Clear();
    form->txtReadAddr->setText("1F");
    fake.board.registers[0x1F] = 0xA5;
    form->cmdRead_Click();
    // The register changes behind the window: the toggle uses what is shown, not a read.
    fake.board.registers[0x1F] = 0x00;
    fake.board.Clear();
    Click(form->lblBit[0]);
    EXPECT_EQ(fake.board.Writes(), (std::vector<std::pair<int, int>>{{0x1F, 0xA4}}));
    EXPECT_EQ(Reads(), std::vector<int>{0x1F});
    EXPECT_EQ(Bits(), QStringLiteral("10100100"));
    Click(form->lblBit[7]);
    EXPECT_EQ(fake.board.Writes().back(), (std::pair<int, int>{0x1F, 0x24}));
}

TEST_F(RegMapTest, RegisterNumbersOutsideOneByteAreRefused)
{
    Type(form->txtDec, "5");
    for (const char* text : {"100", "8000", "FFFF", "80000000", "FFFFFFFF", "100000001"}) {
        form->txtReadAddr->setText(text);
        const QStringList before = Shown();
        env.messages.clear();
        form->cmdRead_Click();
        form->cmdWrite_Click();
        Click(form->lblBit[2]);
        EXPECT_EQ(env.messages.size(), 3u) << text;
        EXPECT_TRUE(fake.board.transfers.empty()) << text;
        EXPECT_EQ(Shown(), before) << text;
    }
    EXPECT_TRUE(env.messages.front().contains("register")) << env.messages.front().toStdString();
    EXPECT_EQ(env.icons.front(), MsgIcon::Exclamation);
}

TEST_F(RegMapTest, WriteValuesBeyondTheRequestRangeAreRefused)
{
    Type(form->txtReadAddr, "1F");
    for (const char* text : {"-8388609", "-3000000000", "3000000000", "1E20"}) {
        form->txtDec->setText(text);
        // Too large for a 32-bit number: the box keeps what was typed.
        EXPECT_EQ(form->txtDec->text(), QString::fromLatin1(text));
        env.messages.clear();
        form->cmdWrite_Click();
        EXPECT_EQ(env.messages.size(), 1u) << text;
        EXPECT_TRUE(fake.board.transfers.empty()) << text;
    }
    EXPECT_EQ(form->lblRegDescription->text(), QStringLiteral("Description"));
}

TEST_F(RegMapTest, ContinuousReadStopsOnABadRegisterNumber)
{
    form->txtReadAddr->setText("123");
    form->chkContRead->setChecked(true);
    RegMapContinuousRead();
    EXPECT_FALSE(form->chkContRead->isChecked());
    EXPECT_FALSE(RegMapContinuousReadTicked());
    ASSERT_EQ(env.messages.size(), 1u);
    EXPECT_TRUE(env.messages[0].contains("Continuous Read"));
    EXPECT_TRUE(fake.board.transfers.empty());
}

} // namespace

namespace {

TEST(RegMapOnSimulatedBoard, WritesReachTheChipAndTheContinuousReadFollowsIt)
{
    ProgramEnvironment env;
    frmMain* main = BringUpOnSimulatedBoard();
    main->mnuRegMap_Click();
    frmRegMap* form = FormInstance<frmRegMap>();
    ASSERT_NE(form, nullptr);
    main->tbToolBar_ButtonClick(QStringLiteral("Tree"));
    EXPECT_EQ(FormInstance<frmRegMap>(), form);

    const auto found = form->TreeView1->findItems(QStringLiteral("Interrupt Mask 1"),
                                                  Qt::MatchExactly | Qt::MatchRecursive);
    ASSERT_EQ(found.size(), 1);
    emit form->TreeView1->itemClicked(found.first(), 0);
    EXPECT_EQ(form->txtReadAddr->text(), QStringLiteral("1DH"));
    form->txtHex->setText(QStringLiteral("5A"));
    form->cmdWrite_Click();
    EXPECT_EQ(SimPeekRegister(0x1D), 0x5A);
    EXPECT_EQ(gIntMask1, 0x5A);
    EXPECT_EQ(form->lblHexVal->text(), QStringLiteral("5A"));

    // Ticked, the master timer re-reads the register once half a second has passed.
    form->chkContRead->setChecked(true);
    SimPokeRegister(0x1D, 0x21);
    env.clock.now += 1.0;
    main->tmrMaster_Timer();
    EXPECT_EQ(form->lblHexVal->text(), QStringLiteral("21"));
    SimPokeRegister(0x1D, 0x22);
    main->tmrMaster_Timer();
    EXPECT_EQ(form->lblHexVal->text(), QStringLiteral("21"));
    env.clock.now += 1.0;
    main->tmrMaster_Timer();
    EXPECT_EQ(form->lblHexVal->text(), QStringLiteral("22"));
    EXPECT_TRUE(env.messages.empty());
}

} // namespace
