#include "windows/frmRegMap.h"

#include "board/USBStuff.h"
#include "chip/RegMapStuff.h"
#include "platform/NumberText.h"
#include "platform/Runtime.h"
#include "platform/TextBox.h"
#include "platform/Twips.h"
#include "windows/GeneralStuff.h"

#include <QBrush>
#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopedValueRollback>
#include <QTimer>
#include <QTreeWidget>
#include <algorithm>
#include <utility>
#include <vector>

namespace {

constexpr unsigned int kDarkGreen = 0x8000;
constexpr unsigned int kDarkRed = 0xC0;
constexpr unsigned int kDarkBlue = 0xC00000;
constexpr unsigned int kBlue = 0xFF0000;
constexpr double kFontPoints = 8.25;
constexpr double kBitFontPoints = 24;

// The lowest value whose write request index (value x 256 + register) still fits a
// signed 32-bit number.
constexpr int32_t kLowestWriteValue = -8388608;

const QString kBadRegisterText = QStringLiteral(
    "Invalid register address. Enter a register number from 0 to FF (hexadecimal).");
const QString kContinuousStoppedText = QStringLiteral(" Continuous Read has been stopped.");
const QString kBadValueText = QStringLiteral(
    "Invalid value. Enter a number from -8388608 to 2147483647 in the Value(Dec) box "
    "(a value from 256 up writes 255).");
const QString kBadHexText = QStringLiteral(
    "Invalid value. Enter at most eight hexadecimal digits in the Value(Hex) box.");

QLabel* MakeLabel(QWidget* parent, const QString& caption, double left, double top,
                  double width, double height, Qt::Alignment align = Qt::AlignLeft)
{
    auto* label = new QLabel(caption, parent);
    label->setAlignment(align | Qt::AlignTop);
    SetFontPoints(label, kFontPoints);
    PlaceTwips(label, left, top, width, height);
    return label;
}

// Our sans font runs wider than the one the layout was drawn for: a fixed caption that
// does not fit grows away from its aligned edge (right-aligned ones to the left).
void FitCaption(QWidget* w, int textWidth)
{
    const int needed = textWidth + 2;
    if (w->width() >= needed)
        return;
    auto* label = qobject_cast<QLabel*>(w);
    if (label && (label->alignment() & Qt::AlignRight))
        w->setGeometry(w->x() - (needed - w->width()), w->y(), needed, w->height());
    else
        w->resize(needed, w->height());
}

void FitCaption(QLabel* label)
{
    FitCaption(label, label->fontMetrics().horizontalAdvance(label->text()));
}

QGroupBox* MakeFrame(QWidget* parent, const QString& caption, double left, double top,
                     double width, double height)
{
    auto* frame = new QGroupBox(caption, parent);
    SetFontPoints(frame, kFontPoints, true);
    PlaceTwips(frame, left, top, width, height);
    return frame;
}

QLineEdit* MakeTextBox(QWidget* parent, double left, double top, double width, double height)
{
    auto* box = new QLineEdit(parent);
    SetFontPoints(box, kFontPoints);
    box->setTextMargins(0, 0, 0, 0);
    PlaceTwips(box, left, top, width, height);
    return box;
}

QPushButton* MakeButton(QWidget* parent, const QString& caption, double left, double top,
                        double width, double height)
{
    auto* button = new QPushButton(caption, parent);
    SetFontPoints(button, kFontPoints);
    button->setAutoDefault(false);
    PlaceTwips(button, left, top, width, height);
    return button;
}

frmRegMap* Window() { return FormInstance<frmRegMap>(); }

// The address as a read shows it: "1Ah" on the label; the box upper-cases it to "1AH".
QString AddressText(int32_t reg) { return HexText(reg) + QLatin1Char('h'); }

// Fills the details from the description, the address and the bit names (bit 7 first),
// then reads the register and shows its value. `addressToBox` false leaves the address
// box as it is (a continuous read while the user types there).
void ShowRegister(frmRegMap* form, const QString& description, int32_t reg,
                  const QStringList& bitNames, bool addressToBox)
{
    form->lblRegDescription->setText(description);
    const QString address = AddressText(reg);
    form->lblCurrentAddr->setText(address);
    // The address box shows its text upper-cased; given that form at once, a box that
    // already shows this address is left as it is, with the user's selection and caret.
    if (addressToBox)
        SetBoxText(form->txtReadAddr, address.toUpper());
    for (int k = 0; k < 8; ++k)
        form->lblInfo[k]->setText(bitNames.value(k));
    const int32_t value = ReadRegister(gDeviceAddress, reg);
    form->lblDecVal->setText(DecText(value));
    form->lblHexVal->setText(HexText(value));
    ShowRegisterBits(value);
}

// The tree, area by area: each group lists the RegMap indices of its registers.
struct TreeGroup {
    const char* name;
    std::vector<int> registers;
};
struct TreeRoot {
    const char* name;
    std::vector<TreeGroup> groups;
};

const std::vector<TreeRoot>& TreeLayout()
{
    static const std::vector<TreeRoot> layout = {
        {"General",
         {{"Configuration", {16, 17, 18, 19, 20, 36}},
          {"Status", {0, 1, 21, 22}},
          {"ID/Revision", {33, 34, 35}}}},
        {"Temperature",
         {{"Internal", {6, 2, 29, 30, 23, 25}}, {"External", {7, 4, 31, 32, 24, 26}}}},
        {"Voltage I/O",
         {{"Vdd", {5, 3, 27, 28}}, {"DAC", {9, 8, 11, 10, 13, 12, 15, 14}}}},
        {"Ain",
         {{"Values", {37, 38, 39, 40}}, {"Limits", {41, 42, 43, 44, 45, 46, 47, 48}}}},
    };
    return layout;
}

// Tree level of a node: 1 root, 2 group, 3 register.
int NodeLevel(const QTreeWidgetItem* node)
{
    int level = 1;
    for (const QTreeWidgetItem* p = node->parent(); p; p = p->parent())
        ++level;
    return level;
}

void ShowRegisterEntry(frmRegMap* form, int16_t index, bool addressToBox)
{
    const RegisterInfo& entry = RegMap[index];
    ShowRegister(form, entry.Description, entry.Address, entry.BitNames.split(QLatin1Char(':')),
                 addressToBox);
}

// True when the text is a number still being typed, as far as it goes: a sign, digits, a
// point, and an exponent letter with its sign once a digit came, with nothing after them
// ("", "-", "-0", "1.", "1e", "-1.5e"). Blanks and other characters make no number.
bool IsNumberBeingTyped(const QString& text)
{
    static const QRegularExpression number(QStringLiteral(
        "^[+-]?([0-9]*[.]?[0-9]*|([0-9]+[.]?[0-9]*|[.][0-9]+)[eE][+-]?[0-9]*)$"));
    return number.match(text).hasMatch();
}

} // namespace

void ClickLabel::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QLabel::mousePressEvent(event);
        return;
    }
    mPressed = true;
    event->accept();
}

void ClickLabel::mouseDoubleClickEvent(QMouseEvent* event)
{
    // Qt delivers a double-click as press, release, double-click, release. The base class
    // would take the double-click for a second press; here it starts no click, so its
    // release does nothing.
    mPressed = false;
    event->accept();
}

void ClickLabel::mouseReleaseEvent(QMouseEvent* event)
{
    const bool pressed = std::exchange(mPressed, false);
    if (event->button() != Qt::LeftButton) {
        QLabel::mouseReleaseEvent(event);
        return;
    }
    event->accept();
    if (pressed && rect().contains(event->position().toPoint()))
        emit clicked();
}

frmRegMap::frmRegMap()
{
    SetCaption(QStringLiteral("Register Map Access"));
    SetFontPoints(this, kFontPoints);

    Frame1 = MakeFrame(this, QStringLiteral("Register Map"), 120, 120, 2895, 5295);
    TreeView1 = new QTreeWidget(Frame1);
    SetFontPoints(TreeView1, kFontPoints);
    TreeView1->setHeaderHidden(true);
    TreeView1->setColumnCount(1);
    TreeView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Long names scroll sideways instead of being cut.
    TreeView1->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    TreeView1->header()->setStretchLastSection(false);
    TreeView1->setTextElideMode(Qt::ElideNone);
    PlaceTwips(TreeView1, 240, 360, 2415, 4695);

    Frame3 = MakeFrame(this, QStringLiteral("Register Details"), 3240, 120, 4575, 1935);
    Label7 = MakeLabel(Frame3, QStringLiteral("Register"), 1560, 360, 585, 195, Qt::AlignRight);
    lblRegDescription = MakeLabel(Frame3, QStringLiteral("Description"), 2400, 360, 1995, 435);
    lblRegDescription->setWordWrap(true);
    Label8 = MakeLabel(Frame3, QStringLiteral("Address"), 1635, 840, 570, 195, Qt::AlignRight);
    lblCurrentAddr = MakeLabel(Frame3, QStringLiteral("Address"), 2400, 840, 570, 195);
    Label9 = MakeLabel(Frame3, QStringLiteral("Current Value (Hex)"), 840, 1200, 1380, 195,
                       Qt::AlignRight);
    lblHexVal = MakeLabel(Frame3, QStringLiteral("HexVal"), 2400, 1200, 510, 195);
    Label10 = MakeLabel(Frame3, QStringLiteral("Current Value (Dec)"), 840, 1560, 1395, 195,
                        Qt::AlignRight);
    lblDecVal = MakeLabel(Frame3, QStringLiteral("DecVal"), 2400, 1560, 525, 195);
    for (QLabel* l : {lblRegDescription, lblCurrentAddr, lblHexVal, lblDecVal})
        SetTextColor(l, ColorFromBGR(kDarkGreen));
    // The value labels' first captions ("Address", "HexVal", "DecVal") show whole too.
    for (QLabel* l : {Label7, Label8, Label9, Label10, lblCurrentAddr, lblHexVal, lblDecVal})
        FitCaption(l);

    fraBits = MakeFrame(this, QStringLiteral("Bit Display"), 3240, 2280, 4575, 1095);
    for (int i = 0; i < 8; ++i) {
        auto* bit = new ClickLabel(fraBits);
        bit->setText(QStringLiteral("0"));
        bit->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        SetFontPoints(bit, kBitFontPoints);
        SetTextColor(bit, ColorFromBGR(kBlue));
        bit->setCursor(Qt::PointingHandCursor);
        // The caption is the bit's value; screen readers find the label by its bit number.
        bit->setAccessibleName(QStringLiteral("Bit %1").arg(i));
        bit->setAccessibleDescription(bit->text());
        connect(bit, &ClickLabel::clicked, this, [this, i] { lblBit_Click(i); });
        lblBit[i] = bit;
        lblInfo[i] = MakeLabel(fraBits, QStringLiteral("X"), 0, 720, 135, 195, Qt::AlignHCenter);
    }

    Frame6 = MakeFrame(this, QStringLiteral("Read/Write"), 3240, 3600, 4575, 1815);
    Label11 = MakeLabel(Frame6, QStringLiteral("Address"), 960, 480, 570, 195, Qt::AlignRight);
    txtReadAddr = MakeTextBox(Frame6, 1560, 480, 615, 285);
    cmdWrite = MakeButton(Frame6, QStringLiteral("Write"), 2880, 480, 1215, 255);
    Label5 = MakeLabel(Frame6, QStringLiteral("Value(Hex)"), 720, 840, 780, 195, Qt::AlignRight);
    txtHex = MakeTextBox(Frame6, 1560, 840, 615, 285);
    cmdRead = MakeButton(Frame6, QStringLiteral("Read"), 2880, 840, 1215, 255);
    Label6 = MakeLabel(Frame6, QStringLiteral("Value(Dec)"), 720, 1200, 795, 195, Qt::AlignRight);
    txtDec = MakeTextBox(Frame6, 1560, 1200, 615, 285);
    chkContRead = new QCheckBox(QStringLiteral("Continuous Read"), Frame6);
    SetFontPoints(chkContRead, kFontPoints);
    PlaceTwips(chkContRead, 2520, 1200, 1575, 375);
    FitCaption(chkContRead, chkContRead->sizeHint().width());
    // Each box is named by the label on its row, the tree by its frame.
    txtReadAddr->setAccessibleName(Label11->text());
    txtHex->setAccessibleName(Label5->text());
    txtDec->setAccessibleName(Label6->text());
    TreeView1->setAccessibleName(Frame1->title());
    for (QAbstractButton* b : {static_cast<QAbstractButton*>(cmdWrite),
                               static_cast<QAbstractButton*>(cmdRead),
                               static_cast<QAbstractButton*>(chkContRead)})
        b->setAccessibleName(b->text());
    // Eight hexadecimal digits should show whole; the boxes may grow up to just short of
    // the check box beside the decimal box.
    const int digits = txtHex->fontMetrics().horizontalAdvance(QStringLiteral("FFFFFFFF")) + 10;
    const int widest = chkContRead->x() - TwipsToPixelsX(60) - txtDec->x();
    for (QLineEdit* box : {txtReadAddr, txtHex, txtDec})
        box->resize(std::clamp(digits, box->width(), std::max(box->width(), widest)), box->height());
    for (QLabel* l : {Label11, Label5, Label6})
        FitCaption(l);

    connect(cmdRead, &QPushButton::clicked, this, [this] { cmdRead_Click(); });
    connect(cmdWrite, &QPushButton::clicked, this, [this] { cmdWrite_Click(); });
    connect(txtDec, &QLineEdit::returnPressed, this, [this] { txtDec_KeyDown(13, 0); });
    connect(txtHex, &QLineEdit::returnPressed, this, [this] { txtHex_KeyDown(13, 0); });
    connect(txtDec, &QLineEdit::textChanged, this, [this] { txtDec_Change(); });
    connect(txtHex, &QLineEdit::textChanged, this, [this] { txtHex_Change(); });
    connect(txtReadAddr, &QLineEdit::textChanged, this, [this] { txtReadAddr_Change(); });
    // A node is shown when it becomes the current one, by the arrow keys or a click, and
    // again when it is clicked or Enter or Space is pressed on it.
    connect(TreeView1, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* node) { TreeView1_NodeClick(node); });
    connect(TreeView1, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* node) {
        if (node == mCurrentAtPress)
            TreeView1_NodeClick(node);
    });
    TreeView1->installEventFilter(this);
    TreeView1->viewport()->installEventFilter(this);
    txtReadAddr->installEventFilter(this);
}

bool frmRegMap::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == TreeView1->viewport() && event->type() == QEvent::MouseButtonPress) {
        mCurrentAtPress = TreeView1->currentItem();
    } else if (watched == TreeView1 && event->type() == QEvent::KeyPress) {
        switch (static_cast<QKeyEvent*>(event)->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Space:
            TreeView1_NodeClick(TreeView1->currentItem());
            break;
        default:
            break;
        }
    } else if (watched == txtReadAddr && event->type() == QEvent::FocusOut) {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        mAddressKeysInMenuBar = reason == Qt::MenuBarFocusReason;
        // Left for another control (not for another program, a menu or the menu bar): the
        // box shows at once the form the continuous read gives it from now on.
        int32_t reg = 0;
        if (!AddressBeingTyped() && chkContRead->isChecked() && AddressBoxRegister(reg))
            SetBoxText(txtReadAddr, AddressText(reg).toUpper());
    }
    return Form::eventFilter(watched, event);
}

void frmRegMap::Form_Load()
{
    // Fixed single border without minimise or maximise; the window is made 8460 twips
    // wide overall.
    SetClientSizeTwips(7980, 5580, true);
    if (QWidget* frame = Frame(); frame != this) {
        frame->setWindowFlags(frame->windowFlags() & ~Qt::WindowMinimizeButtonHint &
                              ~Qt::WindowMaximizeButtonHint);
        const double border = OuterWidthTwips() - PixelsToTwipsX(width());
        SetClientSizeTwips(8460 - border, 5580, true);
    } else {
        SetClientSizeTwips(8460, 5580, true);
    }
    BuildRegisterTree();
    LayoutBitLabels();
    if (QTreeWidgetItem* general = TreeView1->topLevelItem(0))
        general->setExpanded(true);
    gRegMapFormOpen = true;
}

void frmRegMap::Form_Unload() { gRegMapFormOpen = false; }

void frmRegMap::LayoutBitLabels()
{
    const double w0 = PixelsToTwipsX(fraBits->width());
    for (int i = 7; i >= 0; --i) {
        ClickLabel* bit = lblBit[i];
        PlaceTwips(bit, 0, 240, (w0 - 200) / 8, 555);
        const double w = PixelsToTwipsX(bit->width());
        const double left = w0 - ((i + 1) * w + 100);
        MoveTwips(bit, left, 240);
        // Each bit name is centred under its bit; the name label is as wide as the bit so
        // that names longer than one letter are not cut.
        QLabel* info = lblInfo[7 - i];
        PlaceTwips(info, left, 720, w, 195);
        const double infoWidth = PixelsToTwipsX(info->width());
        MoveTwips(info, left + w / 2 - infoWidth / 2, 720);
    }
}

void frmRegMap::Refuse(const QString& text)
{
    const QScopedValueRollback<bool> open(mRefusalOpen, true);
    MsgBox(text, MsgIcon::Exclamation);
}

void frmRegMap::RefuseAddress()
{
    // The continuous read would refuse the same number: it stops here and says so in this
    // box, and a refusal of its own still pending is dropped.
    QString text = kBadRegisterText;
    if (chkContRead->isChecked() || mStopReportPending) {
        chkContRead->setChecked(false);
        mStopReportPending = false;
        text += kContinuousStoppedText;
    }
    Refuse(text);
}

bool frmRegMap::AddressBeingTyped() const
{
    // Alt hands the keys to the menu bar, and Escape gives them back to the box.
    QWidget* focus = txtReadAddr->window()->focusWidget();
    return focus == txtReadAddr || (mAddressKeysInMenuBar && qobject_cast<QMenuBar*>(focus));
}

bool frmRegMap::AddressBoxRegister(int32_t& reg) const
{
    bool overflow = false;
    reg = HexValue(txtReadAddr->text(), &overflow);
    return !overflow && reg >= 0 && reg <= 0xFF;
}

void frmRegMap::cmdRead_Click()
{
    int32_t reg = 0;
    if (!AddressBoxRegister(reg)) {
        RefuseAddress();
        return;
    }
    ReadRegisterAt(reg);
}

void frmRegMap::ReadRegisterAt(int32_t reg, bool addressToBox)
{
    const int index = FindRegisterByAddress(reg);
    if (index >= 0) {
        ShowRegisterEntry(this, static_cast<int16_t>(index), addressToBox);
        return;
    }
    QStringList bitNumbers;
    for (int k = 0; k < 8; ++k)
        bitNumbers << DecText(7 - k);
    ShowRegister(this, QStringLiteral("Unknown"), reg, bitNumbers, addressToBox);
}

void frmRegMap::cmdWrite_Click()
{
    bool fits = false;
    int32_t data = CLng(ValText(txtDec->text()), &fits);
    int32_t reg = 0;
    if (!AddressBoxRegister(reg)) {
        RefuseAddress();
        return;
    }
    // Digits beyond eight that do more than repeat a sign have no 32-bit value: the decimal
    // box shows none, and the low digits alone must not be taken for the value.
    bool hexOverflow = false;
    HexValue(txtHex->text(), &hexOverflow);
    if (hexOverflow) {
        Refuse(kBadHexText);
        return;
    }
    if (!fits || data < kLowestWriteValue) {
        Refuse(kBadValueText);
        return;
    }
    // The boxes keep what was typed; WriteRegister clamps only this copy.
    WriteRegister(gDeviceAddress, reg, data);
    cmdRead_Click();
}

void frmRegMap::txtDec_KeyDown(int keyCode, int shift)
{
    if (keyCode == 13)
        cmdWrite_Click();
}

void frmRegMap::txtHex_KeyDown(int keyCode, int shift)
{
    if (keyCode == 13)
        cmdWrite_Click();
}

void frmRegMap::lblBit_Click(int index)
{
    if (index < 0 || index > 7)
        return;
    int32_t reg = 0;
    if (!AddressBoxRegister(reg)) {
        RefuseAddress();
        return;
    }
    SetBitCaption(index, lblBit[index]->text() == QLatin1String("0"));
    int32_t value = 0;
    for (int i = 7; i >= 0; --i) {
        if (lblBit[i]->text() != QLatin1String("0"))
            value += 1 << i;
    }
    WriteRegister(gDeviceAddress, reg, value);
    cmdRead_Click();
}

void frmRegMap::TreeView1_NodeClick(QTreeWidgetItem* node)
{
    // Root and group nodes only structure the list; a click that cannot be resolved to a
    // register ends quietly.
    if (!node || NodeLevel(node) != 3)
        return;
    const int index = FindRegisterByName(node->text(0));
    if (index < 0)
        return;
    ShowRegisterDetails(static_cast<int16_t>(index));
}

void frmRegMap::txtDec_Change()
{
    if (mEmptyingMirror)
        return;
    const double number = ValText(txtDec->text());
    bool fits = false;
    CLng(number, &fits);
    // A number beyond the 32-bit range has no hexadecimal text: the hexadecimal box shows
    // none, the decimal box keeps what was typed and a write refuses it.
    if (!fits) {
        const QScopedValueRollback<bool> emptying(mEmptyingMirror, true);
        SetBoxText(txtHex, QString());
        return;
    }
    SetBoxText(txtHex, HexText(number), BoxCaret::FromEnd);
    // A hexadecimal box that showed this number already has no change to echo back: text
    // that is no number being typed gives way to the echo here ("5a" is 5 again).
    if (!IsNumberBeingTyped(txtDec->text()))
        txtHex_Change();
}

void frmRegMap::txtHex_Change()
{
    if (mEmptyingMirror)
        return;
    bool overflow = false;
    const int32_t value = HexValue(txtHex->text(), &overflow);
    // More than eight digits: no decimal value, and a write refuses the box.
    if (overflow) {
        const QScopedValueRollback<bool> emptying(mEmptyingMirror, true);
        SetBoxText(txtDec, QString());
        return;
    }
    // A number still being typed that already reads as this one stays as typed: the echo
    // would take the sign or point of a lone "-", "-0" or "1." away (the next 5 would make
    // -5 into 05), and would fill an emptied box. Any other text gives way to the echo.
    const QString typed = txtDec->text();
    if (IsNumberBeingTyped(typed) && ValText(typed) == value)
        return;
    SetBoxText(txtDec, DecText(value), BoxCaret::FromEnd);
}

void frmRegMap::txtReadAddr_Change() { SetBoxText(txtReadAddr, txtReadAddr->text().toUpper()); }

void frmRegMap::ContinuousRead()
{
    // The keys typed into the address box, in order, name the register: a read between
    // two of them leaves the text alone (turning "01" into "1H" would put the next key
    // behind the H) and reads the register the text names so far.
    const bool typing = AddressBeingTyped();
    int32_t reg = 0;
    if (!AddressBoxRegister(reg)) {
        // A number being typed can pass through one that is no register (a third digit
        // before the first is deleted): no box interrupts the typing, and the read waits.
        // A number left there is refused once the focus has left the box.
        if (typing)
            return;
        chkContRead->setChecked(false);
        // A refusal open now already answers for the number; a second box would only
        // repeat it.
        if (mRefusalOpen)
            return;
        // Reported after the tick: a box opened inside it would hold the measurement cycle
        // and the data log until it is answered.
        mStopReportPending = true;
        QTimer::singleShot(0, this, [this] {
            if (!std::exchange(mStopReportPending, false) || gFatalUsbErrorRaised || mRefusalOpen)
                return;
            Refuse(kBadRegisterText + kContinuousStoppedText);
        });
        return;
    }
    ReadRegisterAt(reg, !typing);
}

void frmRegMap::SetBitCaption(int index, bool set)
{
    ClickLabel* bit = lblBit[index];
    bit->setText(set ? QStringLiteral("1") : QStringLiteral("0"));
    bit->setAccessibleDescription(bit->text());
}

void ShowRegisterDetails(int16_t index)
{
    frmRegMap* form = Window();
    if (!form || index < 0 || index >= kRegisterCount)
        return;
    ShowRegisterEntry(form, index, true);
}

void ShowRegisterBits(int32_t value)
{
    frmRegMap* form = Window();
    if (!form)
        return;
    for (int i = 7; i >= 0; --i)
        form->SetBitCaption(i, (value >> i) & 1);
}

void BuildRegisterTree()
{
    frmRegMap* form = Window();
    if (!form)
        return;
    QTreeWidget* tree = form->TreeView1;
    tree->clear();
    tree->setIndentation(TwipsToPixelsX(200));

    auto add = [](QTreeWidgetItem* item, const QString& key, unsigned int colour) {
        item->setText(0, key);
        item->setData(0, Qt::UserRole, key);
        item->setForeground(0, QBrush(ColorFromBGR(colour)));
        return item;
    };
    for (const TreeRoot& root : TreeLayout()) {
        QTreeWidgetItem* rootNode =
            add(new QTreeWidgetItem(tree), QString::fromLatin1(root.name), kDarkGreen);
        for (const TreeGroup& group : root.groups) {
            QTreeWidgetItem* groupNode =
                add(new QTreeWidgetItem(rootNode), QString::fromLatin1(group.name), kDarkRed);
            for (int index : group.registers)
                add(new QTreeWidgetItem(groupNode), RegMap[index].Name, kDarkBlue);
        }
    }
}

bool RegMapContinuousReadTicked()
{
    frmRegMap* form = Window();
    return form && form->chkContRead->isChecked();
}

void RegMapContinuousRead()
{
    if (frmRegMap* form = Window())
        form->ContinuousRead();
}

void ShowRegMapForm() { ShowForm<frmRegMap>(); }
