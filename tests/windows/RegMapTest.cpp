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

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <gtest/gtest.h>

namespace {

using Writes = std::vector<std::pair<int, int>>;

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
    // Registers read, or full write indices, in order.
    std::vector<int> Indices(int direction) const
    {
        std::vector<int> out;
        for (const Transfer& t : fake.board.transfers)
            if (t.request == 0xDE && t.direction == direction)
                out.push_back(t.index);
        return out;
    }
    QString BitNames() const
    {
        QStringList out;
        for (QLabel* l : form->lblInfo)
            out << l->text();
        return out.join(':');
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
        const auto found = form->TreeView1->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
        return found.size() == 1 ? found.first() : nullptr;
    }
    static void Type(QLineEdit* box, const QString& text) { box->insert(text); }
    static void PressKey(QWidget* w, int key)
    {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(w, &press);
    }
    // Mouse events in the order Qt delivers them to a widget.
    static void Mouse(QWidget* w, std::initializer_list<QEvent::Type> types)
    {
        const QPointF at(w->width() / 2.0, w->height() / 2.0);
        for (QEvent::Type type : types) {
            const Qt::MouseButtons held =
                type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
            QMouseEvent e(type, at, w->mapToGlobal(at), Qt::LeftButton, held, Qt::NoModifier);
            QApplication::sendEvent(w, &e);
        }
    }
    static void Click(QWidget* w)
    {
        Mouse(w, {QEvent::MouseButtonPress, QEvent::MouseButtonRelease});
    }
    static void DoubleClick(QWidget* w)
    {
        Mouse(w, {QEvent::MouseButtonPress, QEvent::MouseButtonRelease,
                  QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease});
    }
    // Everything a read or write can change on the window.
    QStringList Shown() const
    {
        return {form->lblRegDescription->text(), form->lblCurrentAddr->text(),
                form->lblHexVal->text(), form->lblDecVal->text(), form->txtReadAddr->text(),
                form->txtHex->text(), form->txtDec->text(), Bits(), BitNames()};
    }

    ProgramEnvironment env;
    FakeBoardScope fake;
    frmRegMap* form = nullptr;
};

// A left click on a tree node, as the mouse makes it; a collapsed node's groups open first.
void ClickNode(QTreeWidget* tree, QTreeWidgetItem* node)
{
    tree->scrollToItem(node);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(node).center());
}

int CountNodes(QTreeWidget* tree)
{
    int n = 0;
    for (QTreeWidgetItemIterator it(tree); *it; ++it)
        ++n;
    return n;
}

TEST_F(RegMapTest, LayoutKeepsBitsInOrderAndCaptionsWhole)
{
    EXPECT_TRUE(gRegMapFormOpen);
    EXPECT_FALSE(RegMapContinuousReadTicked());
    EXPECT_EQ(Bits(), QStringLiteral("00000000"));
    EXPECT_NEAR(form->OuterWidthTwips(), 8460, TwipsPerPixelX());
    // Bit 7 leftmost, bit 0 rightmost, each name centred under its bit and wide enough.
    for (int i = 0; i < 8; ++i) {
        if (i < 7) {
            EXPECT_GT(form->lblBit[i]->x(), form->lblBit[i + 1]->x());
        }
        QLabel* info = form->lblInfo[7 - i];
        EXPECT_LE(std::abs(form->lblBit[i]->geometry().center().x() - info->geometry().center().x()), 1);
        EXPECT_GE(info->width(), info->fontMetrics().horizontalAdvance("EXLO")) << i;
    }
    EXPECT_GE(form->lblBit[7]->x(), 0);
    EXPECT_LE(form->lblBit[0]->geometry().right(), form->fraBits->width());
    for (QLabel* l : {form->Label5, form->Label6, form->Label7, form->Label8, form->Label9,
                      form->Label10, form->Label11, form->lblRegDescription,
                      form->lblCurrentAddr, form->lblHexVal, form->lblDecVal}) {
        EXPECT_GE(l->width(), l->fontMetrics().horizontalAdvance(l->text())) << l->text().toStdString();
        EXPECT_TRUE(l->parentWidget()->rect().contains(l->geometry())) << l->text().toStdString();
    }
    EXPECT_GE(form->chkContRead->width(), form->chkContRead->sizeHint().width());
    EXPECT_TRUE(form->Frame6->rect().contains(form->chkContRead->geometry()));
    EXPECT_GT(form->txtHex->width(), form->txtHex->fontMetrics().horizontalAdvance("FFFFFFFF"));
    EXPECT_LT(form->txtDec->geometry().right(), form->chkContRead->x());
}

TEST_F(RegMapTest, TreeHoldsEveryRegisterOnceAndIsRebuiltOnReopen)
{
    QTreeWidget* tree = form->TreeView1;
    const QStringList roots = {"General", "Temperature", "Voltage I/O", "Ain"};
    ASSERT_EQ(tree->topLevelItemCount(), 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(tree->topLevelItem(i)->text(0), roots[i]);
        EXPECT_EQ(tree->topLevelItem(i)->isExpanded(), i == 0);
    }
    EXPECT_EQ(tree->topLevelItem(0)->child(2)->text(0), QStringLiteral("ID/Revision"));
    EXPECT_EQ(tree->topLevelItem(0)->foreground(0).color(), QColor(0, 128, 0));
    EXPECT_EQ(tree->topLevelItem(0)->child(0)->foreground(0).color(), QColor(192, 0, 0));
    EXPECT_EQ(CountNodes(tree), 62);
    for (const RegisterInfo& r : RegMap) {
        QTreeWidgetItem* node = Node(r.Name);
        ASSERT_NE(node, nullptr) << r.Name.toStdString();
        ASSERT_TRUE(node->parent() && node->parent()->parent());
        EXPECT_EQ(node->foreground(0).color(), QColor(0, 0, 192));
    }
    // Shared addresses keep separate nodes under their own groups, in the listed order.
    EXPECT_EQ(Node("Vdd LSBs")->parent()->text(0), QStringLiteral("Vdd"));
    EXPECT_EQ(Node("Ain1 MSBs")->parent()->text(0), QStringLiteral("Values"));
    EXPECT_EQ(Node("Internal")->child(1)->text(0), QStringLiteral("Internal Temp LSBs"));
    EXPECT_EQ(Node("Configuration")->child(5)->text(0), QStringLiteral("SPI Lock Status"));

    form->Unload();
    FlushDeletedForms();
    EXPECT_FALSE(gRegMapFormOpen);
    form = LoadForm<frmRegMap>();
    EXPECT_EQ(CountNodes(form->TreeView1), 62);
}

TEST_F(RegMapTest, ReadShowsTheFirstRegisterOfTheAddress)
{
    // An empty address box reads register 00h.
    fake.board.registers[0x00] = 0x81;
    form->cmdRead_Click();
    EXPECT_EQ(Shown(), QStringList({"Interrupt Status 1", "0h", "81", "129", "0H", "", "",
                                    "10000001", "Ain4:Ain3:Ain2:FLT:EXLO:EXHI:INLO:INHI"}));
    EXPECT_EQ(Indices(1), std::vector<int>{0x00});

    fake.board.Clear();
    form->txtReadAddr->clear();
    Type(form->txtReadAddr, "3");
    form->cmdRead_Click();
    EXPECT_EQ(form->lblRegDescription->text(), QStringLiteral("Internal Temp LSBs"));
    EXPECT_EQ(BitNames(), QStringLiteral("-:-:-:-:-:-:1:0"));
    EXPECT_EQ(Indices(1), std::vector<int>{0x03});
}

TEST_F(RegMapTest, TreeClickOrKeyShowsItsOwnNameUntilTheNextRead)
{
    fake.board.registers[0x03] = 0x0C;
    ClickNode(form->TreeView1, Node("Vdd LSBs"));
    EXPECT_EQ(Shown(), QStringList({"Vdd LSBs", "3h", "C", "12", "3H", "", "", "00001100",
                                    "-:-:-:-:V1:V0:-:-"}));
    // The continuous read resolves the box again: the earlier table entry wins.
    form->chkContRead->setChecked(true);
    RegMapContinuousRead();
    EXPECT_EQ(form->lblRegDescription->text(), QStringLiteral("Internal Temp LSBs"));
    EXPECT_EQ(Indices(1), (std::vector<int>{0x03, 0x03}));
    // After another register read by its address, a click on the same node shows it again.
    form->txtReadAddr->setText("1F");
    form->cmdRead_Click();
    ClickNode(form->TreeView1, Node("Vdd LSBs"));
    EXPECT_EQ(form->lblRegDescription->text(), QStringLiteral("Vdd LSBs"));

    // Each register the arrow keys reach is read once, and Enter (either key) or Space
    // reads the current one again, as a click on it does; the group node above reads nothing.
    fake.board.Clear();
    for (Qt::Key key : {Qt::Key_Up, Qt::Key_Down, Qt::Key_Down, Qt::Key_Return, Qt::Key_Enter,
                        Qt::Key_Space, Qt::Key_Up, Qt::Key_Up, Qt::Key_Up})
        QTest::keyClick(form->TreeView1, key,
                        key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
    ClickNode(form->TreeView1, Node("Vdd MSBs"));
    EXPECT_EQ(Indices(1),
              (std::vector<int>{0x06, 0x03, 0x23, 0x23, 0x23, 0x23, 0x03, 0x06, 0x06}));

    // Root, group and renamed nodes change nothing.
    fake.board.Clear();
    const QStringList before = Shown();
    for (const char* text : {"General", "Temperature", "Status", "Limits"})
        ClickNode(form->TreeView1, Node(text));
    QTreeWidgetItem* renamed = Node("Revision");
    renamed->setText(0, "Revision 2");
    ClickNode(form->TreeView1, renamed);
    EXPECT_EQ(Shown(), before);
    EXPECT_TRUE(fake.board.transfers.empty());
    EXPECT_TRUE(env.messages.empty());
}

TEST_F(RegMapTest, UnnamedAddressesShowUnknownAndBitNumbers)
{
    fake.board.registers[0x50] = 0x5A;
    Type(form->txtReadAddr, "5");
    Type(form->txtReadAddr, "0");
    form->cmdRead_Click();
    EXPECT_EQ(Shown(), QStringList({"Unknown", "50h", "5A", "90", "50H", "", "", "01011010",
                                    "7:6:5:4:3:2:1:0"}));
    // Registers 80h to FFh go to the board as they are; the box is upper-cased as typed.
    form->txtReadAddr->clear();
    Type(form->txtReadAddr, "f");
    Type(form->txtReadAddr, "f");
    EXPECT_EQ(form->txtReadAddr->text(), QStringLiteral("FF"));
    EXPECT_EQ(form->txtReadAddr->cursorPosition(), 2);
    form->cmdRead_Click();
    EXPECT_EQ(Indices(1), (std::vector<int>{0x50, 0xFF}));
    EXPECT_TRUE(env.messages.empty());
}

TEST_F(RegMapTest, WriteSendsTheDecimalValueAndKeepsTheBoxes)
{
    Type(form->txtReadAddr, "1F");
    Type(form->txtDec, "300");
    form->cmdWrite_Click();
    EXPECT_EQ(fake.board.Writes(), (Writes{{0x1F, 0xFF}}));
    EXPECT_EQ(Shown(), QStringList({"Internal Offset", "1Fh", "FF", "255", "1FH", "12C", "300",
                                    "11111111", "7:6:5:4:3:2:1:0"}));
    EXPECT_EQ(fake.board.transfers.back().direction, 1); // read back last

    // A negative value typed over the box goes on with its sign: the index is value x 256
    // + register. The lone "-" reads as 0, and the echo of that 0 must not replace it. Text
    // that is no number being typed gives way to the echo, the number that Enter writes.
    fake.board.Clear();
    form->txtDec->setFocus();
    for (const char* text : {"-1", "-8388608", "-40", "FB", "5abc", "0x1F", "12,5"}) {
        form->txtDec->selectAll();
        QTest::keyClicks(form->txtDec, text);
        QTest::keyClick(form->txtDec, Qt::Key_Return);
    }
    EXPECT_EQ(form->txtDec->text(), QStringLiteral("125"));
    EXPECT_EQ(Indices(0), (std::vector<int>{-256 + 0x1F, INT32_MIN + 0x1F, -40 * 256 + 0x1F, 0x1F,
                                            5 * 256 + 0x1F, 256 + 0x1F, 125 * 256 + 0x1F}));
    // Emptied key by key, the box stays empty for the next number and writes nothing.
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(form->txtDec, Qt::Key_Backspace);
    QTest::keyClicks(form->txtDec, "5");
    QTest::keyClick(form->txtDec, Qt::Key_Backspace);
    EXPECT_EQ(form->txtDec->text(), QString());
    QTest::keyClicks(form->txtDec, "-5");
    QTest::keyClick(form->txtDec, Qt::Key_Return);
    EXPECT_EQ(fake.board.Writes().size(), 8u);
    EXPECT_EQ(fake.board.Writes().back(), (std::pair{0x1F, 0xFB}));
    EXPECT_TRUE(env.messages.empty());
}

TEST_F(RegMapTest, EnterWritesFromTheValueBoxesOnlyAndTheMirrorSettles)
{
    Type(form->txtReadAddr, "20");
    PressKey(form->txtReadAddr, Qt::Key_Return);
    EXPECT_TRUE(fake.board.transfers.empty());

    Type(form->txtHex, "7f");
    EXPECT_EQ(form->txtDec->text(), QStringLiteral("127"));
    EXPECT_EQ(form->txtHex->text(), QStringLiteral("7F"));
    PressKey(form->txtHex, Qt::Key_Return);
    form->txtDec->setText("12");
    PressKey(form->txtDec, Qt::Key_Enter);
    PressKey(form->txtDec, Qt::Key_A);
    EXPECT_EQ(fake.board.Writes(), (Writes{{0x20, 0x7F}, {0x20, 12}}));

    form->txtHex->setText("FFFF");
    EXPECT_EQ(form->txtDec->text(), QStringLiteral("-1"));
    EXPECT_EQ(form->txtHex->text(), QStringLiteral("FFFFFFFF"));
    EXPECT_EQ(form->txtHex->cursorPosition(), 8);
    form->txtDec->setText("1");
    Type(form->txtDec, ".");
    EXPECT_EQ(form->txtDec->text(), QStringLiteral("1."));
    Type(form->txtDec, "5");
    EXPECT_EQ(form->txtHex->text(), QStringLiteral("2"));
    EXPECT_EQ(form->txtDec->text(), QStringLiteral("2"));
}

TEST_F(RegMapTest, KeysTypedIntoTheBoxesAreTakenAsTyped)
{
    Type(form->txtReadAddr, "1F");
    // Typed key by key, FFFF echoes as FFFFFFFF and the last four keys make twelve digits:
    // those beyond eight only repeat the sign, and Enter writes the value typed.
    form->txtHex->setFocus();
    QTest::keyClicks(form->txtHex, "FFFFFFFF");
    EXPECT_EQ(form->txtHex->text(), QStringLiteral("FFFFFFFFFFFF"));
    EXPECT_EQ(form->txtDec->text(), QStringLiteral("-1"));
    QTest::keyClick(form->txtHex, Qt::Key_Return);
    form->txtHex->clear();
    QTest::keyClicks(form->txtHex, "ffff1234");
    EXPECT_EQ(form->txtDec->text(), QStringLiteral("-60876"));
    QTest::keyClick(form->txtHex, Qt::Key_Return);
    // Digits that do more than repeat the sign are still refused, typed or not.
    for (const char* text : {"1FFFFFFFF", "FFFFFFFFF7FFFFFFF"}) {
        form->txtHex->clear();
        QTest::keyClicks(form->txtHex, text);
        EXPECT_EQ(form->txtDec->text(), QString()) << text;
        QTest::keyClick(form->txtHex, Qt::Key_Return);
    }
    EXPECT_EQ(Indices(0), (std::vector<int>{-256 + 0x1F, -60876 * 256 + 0x1F}));
    ASSERT_EQ(env.messages.size(), 2u);
    EXPECT_TRUE(env.messages[1].contains("Value(Hex)"));

    // The keys typed into the address box name the register, with a continuous read
    // between every two: each reads what the box names so far (an empty box 00h) and
    // leaves its text as typed; the next read the user starts gives the box its H.
    form->show();
    QApplication::setActiveWindow(form);
    form->txtReadAddr->setFocus();
    form->txtReadAddr->clear();
    form->chkContRead->setChecked(true);
    fake.board.Clear();
    for (const char* key : {"0", "1", "d"}) {
        RegMapContinuousRead();
        QTest::keyClicks(form->txtReadAddr, key);
    }
    RegMapContinuousRead();
    EXPECT_EQ(form->txtReadAddr->text(), QStringLiteral("01D"));
    EXPECT_EQ(Indices(1), (std::vector<int>{0x00, 0x00, 0x01, 0x1D}));
    form->txtDec->setFocus();
    QTest::keyClicks(form->txtDec, "5");
    QTest::keyClick(form->txtDec, Qt::Key_Return);
    // 1, a read, BackSpace, a read, 2: register 02h; a selection stays over the reads and
    // over a bit click's write and read, so the keys typed next replace it.
    form->txtReadAddr->setFocus();
    form->txtReadAddr->selectAll();
    for (Qt::Key key : {Qt::Key_1, Qt::Key_Backspace, Qt::Key_2}) {
        QTest::keyClick(form->txtReadAddr, key);
        RegMapContinuousRead();
    }
    QTest::keyClick(form->txtReadAddr, Qt::Key_Left, Qt::ShiftModifier);
    RegMapContinuousRead();
    Click(form->lblBit[0]);
    EXPECT_EQ(form->txtReadAddr->selectedText(), QStringLiteral("2H"));
    QTest::keyClicks(form->txtReadAddr, "100");
    RegMapContinuousRead(); // a number passed through while typing: no box, still ticked
    QTest::keyClick(form->txtReadAddr, Qt::Key_Home);
    QTest::keyClick(form->txtReadAddr, Qt::Key_Delete);
    RegMapContinuousRead();
    EXPECT_EQ(fake.board.Writes(), (Writes{{0x1D, 5}, {0x02, 0x01}}));
    EXPECT_EQ(form->lblCurrentAddr->text(), QStringLiteral("0h"));
    // Leaving the box gives it the form the read shows.
    form->txtHex->setFocus();
    EXPECT_EQ(form->txtReadAddr->text(), QStringLiteral("0H"));
    EXPECT_TRUE(RegMapContinuousReadTicked());
}

TEST_F(RegMapTest, BitClickWritesTheShownValueWithOneBitFlipped)
{
    // Before any read every bit shows 0, and an empty box means register 00h.
    Click(form->lblBit[3]);
    EXPECT_EQ(fake.board.Writes(), (Writes{{0x00, 0x08}}));

    form->txtReadAddr->setText("1F");
    fake.board.registers[0x1F] = 0xA5;
    form->cmdRead_Click();
    // The register changes behind the window: the toggle uses what is shown, not a read.
    fake.board.registers[0x1F] = 0x00;
    fake.board.Clear();
    Click(form->lblBit[0]);
    Click(form->lblBit[7]);
    EXPECT_EQ(fake.board.Writes(), (Writes{{0x1F, 0xA4}, {0x1F, 0x24}}));
    EXPECT_EQ(Indices(1), (std::vector<int>{0x1F, 0x1F}));
    EXPECT_EQ(Bits(), QStringLiteral("00100100"));

    // A double-click toggles once: its second press is no new click (on 1Ch each write
    // is an LDAC command).
    form->txtReadAddr->setText("1C");
    form->cmdRead_Click();
    fake.board.Clear();
    DoubleClick(form->lblBit[2]);
    EXPECT_EQ(fake.board.Writes(), (Writes{{0x1C, 0x04}}));
    EXPECT_EQ(Bits(), QStringLiteral("00000100"));
    // A release without its press on the label is no click either.
    Mouse(form->lblBit[3], {QEvent::MouseButtonRelease});
    EXPECT_EQ(fake.board.Writes().size(), 1u);
}

TEST_F(RegMapTest, BadRegisterNumbersAndValuesAreRefusedUntouched)
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
        EXPECT_EQ(Shown(), before) << text;
    }
    EXPECT_EQ(env.icons.front(), MsgIcon::Exclamation);

    form->txtReadAddr->setText("1F");
    // A decimal number beyond 32 bits has no hexadecimal text: the box shows none rather
    // than the last number that fitted.
    const std::pair<const char*, const char*> decimals[] = {
        {"-8388609", "FF7FFFFF"}, {"-3000000000", ""}, {"2147483647", "7FFFFFFF"},
        {"2147483648", ""}, {"1", "1"}, {"1E20", ""}};
    for (auto [text, hex] : decimals) {
        form->txtDec->setText(text);
        EXPECT_EQ(form->txtDec->text(), QString::fromLatin1(text)); // no clamping echo
        EXPECT_EQ(form->txtHex->text(), QString::fromLatin1(hex)) << text;
        if (*hex == '\0' || *hex == 'F') {
            env.messages.clear();
            form->cmdWrite_Click();
            ASSERT_EQ(env.messages.size(), 1u) << text;
            // The refusal names the numbers a write takes, and what one above 255 writes.
            EXPECT_TRUE(env.messages[0].contains("from -8388608 to 2147483647")) << text;
            EXPECT_TRUE(env.messages[0].contains("from 256 up writes 255")) << text;
        }
    }
    // Digits beyond eight that do more than repeat the sign are refused, not cut to the
    // last eight; the decimal box shows no value, and neither Write nor Enter in a box
    // writes.
    fake.board.Clear();
    for (const char* text : {"100000005", "F7FFFFFFF", "FFFFFFFF0000FFFF"}) {
        form->txtHex->setText(text);
        EXPECT_EQ(form->txtHex->text(), QString::fromLatin1(text));
        EXPECT_EQ(form->txtDec->text(), QString());
        env.messages.clear();
        form->cmdWrite_Click();
        PressKey(form->txtHex, Qt::Key_Return);
        PressKey(form->txtDec, Qt::Key_Return);
        EXPECT_EQ(env.messages.size(), 3u) << text;
    }
    EXPECT_TRUE(env.messages.back().contains("Value(Hex)"));
    form->txtHex->setText("000000005"); // leading zeros are no digits of the value
    EXPECT_EQ(form->txtDec->text(), QStringLiteral("5"));
    EXPECT_TRUE(fake.board.transfers.empty());

    // A continuous read stops on a bad number with one message, shown after the tick.
    form->txtReadAddr->setText("123");
    form->chkContRead->setChecked(true);
    env.messages.clear();
    RegMapContinuousRead();
    EXPECT_FALSE(RegMapContinuousReadTicked());
    QCoreApplication::processEvents();
    ASSERT_EQ(env.messages.size(), 1u);
    EXPECT_TRUE(env.messages[0].contains("Continuous Read"));
    EXPECT_TRUE(fake.board.transfers.empty());
}

TEST_F(RegMapTest, ScreenReadersFindEveryControlByItsCaptionOrRowLabel)
{
    std::vector<std::pair<QWidget*, QString>> expected = {
        {form->txtReadAddr, "Address"},   {form->txtHex, "Value(Hex)"},
        {form->txtDec, "Value(Dec)"},     {form->cmdRead, "Read"},
        {form->cmdWrite, "Write"},        {form->chkContRead, "Continuous Read"},
        {form->TreeView1, "Register Map"}};
    for (int i = 0; i < 8; ++i)
        expected.emplace_back(form->lblBit[i], QStringLiteral("Bit %1").arg(i));
    form->txtReadAddr->setText("1F");
    fake.board.registers[0x1F] = 0x81;
    form->cmdRead_Click();
    Click(form->lblBit[1]);
    for (const auto& [widget, name] : expected) {
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(widget);
        ASSERT_NE(a, nullptr) << name.toStdString();
        EXPECT_EQ(a->text(QAccessible::Name), name);
    }
    // A bit label still tells its value, after a read and after a toggle.
    for (int i = 0; i < 8; ++i) {
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(form->lblBit[i]);
        EXPECT_EQ(a->text(QAccessible::Description),
                  QLatin1String(i == 0 || i == 1 || i == 7 ? "1" : "0")) << i;
    }
}

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
    ClickNode(form->TreeView1, found.first());
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
    // Alt lends the address box's keys to the menu bar: a read meanwhile leaves the box as
    // typed, also with the pointer passing over it.
    QApplication::setActiveWindow(main);
    form->txtReadAddr->setText("1");
    form->txtReadAddr->setFocus();
    main->menuBar()->setFocus(Qt::MenuBarFocusReason);
    QTest::mouseMove(form->txtReadAddr);
    env.clock.now += 1.0;
    main->tmrMaster_Timer();
    form->txtReadAddr->setFocus(Qt::MenuBarFocusReason);
    QTest::keyClicks(form->txtReadAddr, "d");
    EXPECT_EQ(form->txtReadAddr->text(), QStringLiteral("1D"));
    // Alt again, then a click into Value(Dec): the box is no longer typed in, and the next
    // read gives it its read form.
    main->menuBar()->setFocus(Qt::MenuBarFocusReason);
    form->txtDec->setFocus(Qt::MouseFocusReason);
    env.clock.now += 1.0;
    main->tmrMaster_Timer();
    EXPECT_EQ(form->txtReadAddr->text(), QStringLiteral("1DH"));
    EXPECT_TRUE(env.messages.empty());
}

// The box a message raises runs a modal loop in which the master timer goes on ticking.
// Each case answers the box after running the ticks that loop would deliver.
TEST(RegMapOnSimulatedBoard, ARefusedContinuousReadLetsTheCycleAndTheLogGoOn)
{
    ProgramEnvironment env;
    frmMain* main = BringUpOnSimulatedBoard();
    main->mnuRegMap_Click();
    frmRegMap* form = FormInstance<frmRegMap>();
    ASSERT_NE(form, nullptr);
    QTemporaryDir dir;
    gLogFileName = dir.filePath(QStringLiteral("log.csv"));
    {
        QFile started(gLogFileName); // a run's data lines go into the file its start made
        ASSERT_TRUE(started.open(QIODevice::WriteOnly));
    }
    gLogInterval = 100;
    gLogging = true;

    int stepsDuringBox = -1;
    int linesDuringBox = -1;
    SetMsgBoxHandler([&](const QString& text, MsgIcon icon, MsgButtons) {
        env.messages.push_back(text);
        env.icons.push_back(icon);
        const int16_t step = main->PollState;
        const int32_t lines = gLogSampleCount;
        for (int i = 0; i < 10; ++i) { // half a second
            env.clock.now += 0.05;
            main->tmrMaster_Timer();
        }
        stepsDuringBox = (main->PollState - step + 12) % 12;
        linesDuringBox = gLogSampleCount - lines;
        return MsgResult::OK;
    });
    form->txtReadAddr->setText(QStringLiteral("123"));
    form->chkContRead->setChecked(true);
    env.clock.now += 1.0;
    main->tmrMaster_Timer();
    QCoreApplication::processEvents();

    ASSERT_EQ(env.messages.size(), 1u);
    EXPECT_TRUE(env.messages[0].contains(QStringLiteral("Continuous Read has been stopped")));
    EXPECT_FALSE(form->chkContRead->isChecked());
    EXPECT_EQ(stepsDuringBox, 10);
    EXPECT_GE(linesDuringBox, 4);
    QFile log(gLogFileName);
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_EQ(log.readAll().count("\r\n"), gLogSampleCount);
}

TEST(RegMapOnSimulatedBoard, ARefusedNumberShowsOneBoxWhileTheContinuousReadRuns)
{
    ProgramEnvironment env;
    frmMain* main = BringUpOnSimulatedBoard();
    main->mnuRegMap_Click();
    frmRegMap* form = FormInstance<frmRegMap>();
    ASSERT_NE(form, nullptr);

    // Each box runs the ticks and the posted events of a second of its modal loop.
    int open = 0;
    int raisedOverABox = 0;
    SetMsgBoxHandler([&](const QString& text, MsgIcon icon, MsgButtons) {
        env.messages.push_back(text);
        env.icons.push_back(icon);
        if (open > 0)
            ++raisedOverABox;
        ++open;
        for (int i = 0; i < 20; ++i) {
            env.clock.now += 0.05;
            main->tmrMaster_Timer();
            QCoreApplication::processEvents();
        }
        --open;
        return MsgResult::OK;
    });
    form->txtReadAddr->setText(QStringLiteral("1A"));
    form->chkContRead->setChecked(true);
    env.clock.now += 1.0;
    main->tmrMaster_Timer();
    ASSERT_TRUE(env.messages.empty());

    // Write with a number above FFh: one box, which also says the continuous read stopped.
    form->txtReadAddr->setText(QStringLiteral("100"));
    form->txtDec->setText(QStringLiteral("5"));
    form->cmdWrite->click();
    QCoreApplication::processEvents();
    EXPECT_EQ(raisedOverABox, 0);
    ASSERT_EQ(env.messages.size(), 1u);
    EXPECT_TRUE(env.messages[0].contains(QStringLiteral("Invalid register address")));
    EXPECT_TRUE(env.messages[0].contains(QStringLiteral("Continuous Read has been stopped")));
    EXPECT_FALSE(form->chkContRead->isChecked());

    // The continuous read met the number first and has yet to report it when Read is
    // pressed: still one box.
    env.messages.clear();
    form->chkContRead->setChecked(true);
    env.clock.now += 1.0;
    main->tmrMaster_Timer();
    form->cmdRead->click();
    QCoreApplication::processEvents();
    EXPECT_EQ(raisedOverABox, 0);
    ASSERT_EQ(env.messages.size(), 1u);
    EXPECT_TRUE(env.messages[0].contains(QStringLiteral("Continuous Read has been stopped")));
}

TEST(RegMapOnSimulatedBoard, ABoardFailureInAUserReadShowsOneFatalBox)
{
    ProgramEnvironment env;
    frmMain* main = BringUpOnSimulatedBoard();
    main->mnuRegMap_Click();
    frmRegMap* form = FormInstance<frmRegMap>();
    ASSERT_NE(form, nullptr);
    FakeBoardScope fake; // from here on the board answers nothing
    fake.board.statusFor = [](const Transfer&) -> int16_t { return -1; };

    int transfersDuringBox = -1;
    bool windowsStayedUnderTheBox = false;
    SetMsgBoxHandler([&](const QString& text, MsgIcon icon, MsgButtons) {
        env.messages.push_back(text);
        env.icons.push_back(icon);
        const size_t before = fake.board.transfers.size();
        for (int i = 0; i < 3; ++i) {
            env.clock.now += 0.05;
            main->tmrMaster_Timer();
        }
        transfersDuringBox = static_cast<int>(fake.board.transfers.size() - before);
        windowsStayedUnderTheBox = FormInstance<frmRegMap>() == form;
        return MsgResult::OK;
    });
    form->txtReadAddr->setText(QStringLiteral("1A"));
    try {
        form->cmdRead_Click();
        FAIL() << "a failed read must end the program";
    } catch (const ProgramEnded& e) {
        EXPECT_EQ(e.status, 13);
    }
    ASSERT_EQ(env.messages.size(), 1u);
    EXPECT_EQ(env.messages[0], QStringLiteral("Communications Interrupted - Check USB connections"));
    EXPECT_EQ(env.icons[0], MsgIcon::Critical);
    // The box stays until it is answered: no tick reaches the board meanwhile.
    EXPECT_EQ(transfersDuringBox, 0);
    EXPECT_TRUE(windowsStayedUnderTheBox);
    EXPECT_EQ(FormInstance<frmRegMap>(), nullptr);
}

} // namespace
