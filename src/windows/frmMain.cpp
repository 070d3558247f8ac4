#include "windows/frmMain.h"

#include "board/Switches.h"
#include "board/USBStuff.h"
#include "chip/Formatting.h"
#include "chip/GeneralStuff.h"
#include "platform/Forms.h"
#include "platform/NumberText.h"
#include "platform/Runtime.h"
#include "platform/Twips.h"
#include "windows/DataLog.h"
#include "windows/GeneralStuff.h"
#include "windows/ToolbarIcons.h"
#include "windows/frmAbout.h"
#include "windows/frmDAC.h"
#include "windows/frmExternalTest.h"
#include "windows/frmGraphing.h"
#include "windows/frmHelp.h"
#include "windows/frmLimits.h"
#include "windows/frmOptions.h"
#include "windows/frmRegMap.h"
#include "windows/frmSave.h"
#include "windows/frmSplash.h"
#include "windows/frmTest.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDate>
#include <QLabel>
#include <QLocale>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QTime>
#include <QTimer>
#include <QToolBar>
#include <algorithm>
#include <cmath>

namespace {
void UnloadEverything()
{
    if (gMainForm)
        gMainForm->UnloadAll();
    else
        UnloadAllForms();
}

// A stored geometry value: the number in the text, or the default when the text is absent
// or not a number at all.
double StoredTwips(const QString& key, double defaultValue)
{
    const QString text = GetSetting(key, QString()).trimmed();
    if (text.isEmpty())
        return defaultValue;
    bool ok = false;
    const double v = text.toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return defaultValue;
    return v;
}

} // namespace

frmMain::frmMain()
{
    setWindowTitle(QString::fromLatin1(kProgramTitle));
    mdiArea = new ClientArea(this);
    mdiArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mdiArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mdiArea->setBackground(QColor(128, 128, 128));
    // Bringing a window to the front changes no other window's size: a maximised window
    // stays maximised under the one activated, which shows at its own size.
    mdiArea->setOption(QMdiArea::DontMaximizeSubWindowOnActivation);
    setCentralWidget(mdiArea);
    SetMdiArea(mdiArea);
    // The menus and the toolbar hold every command there is: no menu of the main window's
    // own (which would offer to hide the toolbar) on a right click.
    setContextMenuPolicy(Qt::NoContextMenu);
    BuildMenus();
    BuildToolbar();
    BuildStatusBar();

    tmrMaster = new QTimer(this);
    tmrMaster->setTimerType(Qt::PreciseTimer);
    tmrMaster->setInterval(10);
    connect(tmrMaster, &QTimer::timeout, this, &frmMain::tmrMaster_Timer);
    gUnloadAllWindows = &UnloadEverything;
}

frmMain::~frmMain()
{
    // The client area goes after this object: it must no longer call back into it.
    disconnect(mdiArea, nullptr, this, nullptr);
    if (gMainForm == this)
        gMainForm = nullptr;
    if (gUnloadAllWindows == &UnloadEverything)
        gUnloadAllWindows = nullptr;
    SetMdiArea(nullptr);
}

void frmMain::BuildMenus()
{
    QMenuBar* bar = menuBar();
    mnuFile = bar->addMenu(QStringLiteral("&File"));
    mnuFile->addAction(QStringLiteral("&Log Data"), this, &frmMain::mnuLog_Click);

    mnuView = bar->addMenu(QStringLiteral("&View"));
    mnuView->addAction(QStringLiteral("&Register Map"), this, &frmMain::mnuRegMap_Click);
    mnuView->addAction(QStringLiteral("&Graphs"), this, &frmMain::mnuGraphs_Click);
    mnuView->addAction(QStringLiteral("&Interrupts"), this, &frmMain::mnuInterrupt_Click);

    mnuDevice = bar->addMenu(QStringLiteral("&Settings"));
    mnuDevice->addAction(QStringLiteral("&Device Configuration"), this, &frmMain::mnuConfig_Click);
    mnuDevice->addAction(QStringLiteral("D&AC Control"), this, &frmMain::mnuDAC_Click);
    mnuDevice->addAction(QStringLiteral("Board Settings"), this, &frmMain::mnuBoard_Click);
    mnuDevice->addAction(QStringLiteral("&Test Procedure"), this, &frmMain::mnuTestProcedure_Click);

    mnuWindow = bar->addMenu(QStringLiteral("&Window"));
    mdiArea->viewport()->installEventFilter(this);
    connect(mdiArea, &QMdiArea::subWindowActivated, this, &frmMain::WindowMenuChanged);
    FillWindowMenu();

    mnuHelp = bar->addAction(QStringLiteral("&Help"));
    connect(mnuHelp, &QAction::triggered, this, &frmMain::mnuHelp_Click);
    mnuAbout = bar->addAction(QStringLiteral("About"));
    connect(mnuAbout, &QAction::triggered, this, &frmMain::mnuAbout_Click);
}

// The Window menu is kept current as child windows come, go, change their caption or
// become active, never while it drops down: a menu refilled from inside its own popup
// stops dropping down once it has been shown empty. With no child window open it holds
// one greyed entry, so it always drops down.
void frmMain::FillWindowMenu()
{
    mnuWindow->clear();
    const auto windows = mdiArea->subWindowList(QMdiArea::CreationOrder);
    int n = 0;
    for (QMdiSubWindow* sub : windows) {
        if (sub->isHidden())
            continue;
        ++n;
        // Entries 1 to 9 take their digit as access key and the tenth takes 0 ("1&0"), so
        // no two share one; any further entry has none.
        const QString number = n < 10 ? QStringLiteral("&%1").arg(n)
                               : n == 10 ? QStringLiteral("1&0") : QString::number(n);
        QString caption = sub->windowTitle();
        caption.replace(QLatin1Char('&'), QStringLiteral("&&"));
        QAction* a = mnuWindow->addAction(number + QLatin1Char(' ') + caption);
        a->setCheckable(true);
        a->setChecked(sub == mdiArea->activeSubWindow());
        QPointer<QMdiSubWindow> target(sub);
        connect(a, &QAction::triggered, this, [this, target] {
            // Shown as every way of opening a window shows it: a minimised one comes back
            // as it was, and no other window changes its size.
            if (target)
                if (auto* form = qobject_cast<Form*>(target->widget()))
                    form->Show();
            // The entry's click took its check mark away, also when the window was in
            // front already and so nothing else refills the menu.
            WindowMenuChanged();
        });
    }
    if (n == 0)
        mnuWindow->addAction(QStringLiteral("No Windows Open"))->setEnabled(false);
}

// Refills the Window menu once the current event is done: an entry being chosen is still
// at work when it activates its window.
void frmMain::WindowMenuChanged()
{
    if (mWindowMenuDue)
        return;
    mWindowMenuDue = true;
    QMetaObject::invokeMethod(this, [this] {
        mWindowMenuDue = false;
        FillWindowMenu();
    }, Qt::QueuedConnection);
}

bool frmMain::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::ChildAdded:
        // A new frame in the client area: follow its showing, hiding and caption.
        if (watched == mdiArea->viewport())
            static_cast<QChildEvent*>(event)->child()->installEventFilter(this);
        break;
    case QEvent::Show:
    case QEvent::Hide:
    case QEvent::WindowTitleChange:
        if (watched != mdiArea->viewport() && qobject_cast<QMdiSubWindow*>(watched))
            WindowMenuChanged();
        break;
    default:
        break;
    }
    return QMainWindow::eventFilter(watched, event);
}

void frmMain::BuildToolbar()
{
    tbToolBar = addToolBar(QStringLiteral("Toolbar"));
    tbToolBar->setObjectName(QStringLiteral("tbToolBar"));
    tbToolBar->setMovable(false);
    tbToolBar->setIconSize(QSize(16, 16));
    struct Button {
        const char* key;
        const char* tip;
    };
    const Button buttons[] = {{"Save", "Log Data"},
                              {"Config", "Configure the Device"},
                              {"Graphs", "Temperature/Fan graphs"},
                              {"Tree", "Register Map Tree"},
                              {"DAC", "DAC Control"},
                              {"Interrupts", "Interrupts/Limits"}};
    for (const Button& b : buttons) {
        const QString key = QString::fromLatin1(b.key);
        QAction* a = tbToolBar->addAction(ToolbarIcon(key), QString());
        a->setToolTip(QString::fromLatin1(b.tip));
        a->setObjectName(QStringLiteral("tb") + key);
        a->setData(key);
        connect(a, &QAction::triggered, this, [this, key] { tbToolBar_ButtonClick(key); });
        // A button shows a picture only: its tooltip is its name for a screen reader.
        if (QWidget* button = tbToolBar->widgetForAction(a))
            button->setAccessibleName(a->toolTip());
    }
}

void frmMain::BuildStatusBar()
{
    QStatusBar* sb = statusBar();
    mStatusPanel = new QLabel(QStringLiteral("Status"));
    mDatePanel = new QLabel;
    mTimePanel = new QLabel;
    const int minWidth = TwipsToPixelsX(1440);
    for (QLabel* l : {mStatusPanel, mDatePanel, mTimePanel}) {
        l->setMinimumWidth(minWidth);
        l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        l->setContentsMargins(4, 0, 4, 0);
    }
    mDatePanel->setAlignment(Qt::AlignCenter);
    mTimePanel->setAlignment(Qt::AlignCenter);
    sb->addWidget(mStatusPanel, 1);
    sb->addPermanentWidget(mDatePanel);
    sb->addPermanentWidget(mTimePanel);
    auto updateClock = [this] {
        const QLocale locale;
        mDatePanel->setText(locale.toString(QDate::currentDate(), QLocale::ShortFormat));
        mTimePanel->setText(locale.toString(QTime::currentTime(), QLocale::ShortFormat));
    };
    updateClock();
    mClockTimer = new QTimer(this);
    mClockTimer->setInterval(1000);
    connect(mClockTimer, &QTimer::timeout, this, updateClock);
    mClockTimer->start();
}

void frmMain::SetStatusText(const QString& text)
{
    if (mStatusPanel->text() != text)
        mStatusPanel->setText(text);
}

QString frmMain::StatusText() const { return mStatusPanel->text(); }

double frmMain::LeftTwips() const { return PixelsToTwipsX(pos().x()); }
double frmMain::TopTwips() const { return PixelsToTwipsY(pos().y()); }
// Width and height are the outer size, frame and title bar included, as stored.
double frmMain::WidthTwips() const { return PixelsToTwipsX(frameGeometry().width()); }
double frmMain::HeightTwips() const { return PixelsToTwipsY(frameGeometry().height()); }

// Gives the window the outer bounds (pixels): the frame's top left at the position and
// the frame's size, once the window manager's frame is known; before that the frame
// counts as nothing.
void frmMain::SetOuterGeometry(const QRect& outer)
{
    const QSize frame = frameGeometry().size() - size();
    move(outer.topLeft());
    resize(std::max(outer.width() - frame.width(), 100), std::max(outer.height() - frame.height(), 100));
}

void frmMain::changeEvent(QEvent* event)
{
    // The window starts maximised, before its frame is known. When it is first restored,
    // it takes the stored bounds with the frame as the window manager has made it; bounds
    // stored on a larger screen are brought into view on this one.
    if (event->type() == QEvent::WindowStateChange && mStoredOuter.isValid()) {
        const auto old = static_cast<QWindowStateChangeEvent*>(event)->oldState();
        if ((old & Qt::WindowMaximized) && !(windowState() & (Qt::WindowMaximized | Qt::WindowMinimized |
                                                               Qt::WindowFullScreen))) {
            // The frame changes with the state (a maximised window has no border), and
            // its new extents reach us a little later: apply the bounds again until the
            // frame stands on them, for at most half a second.
            // Bounds larger than the screen's available area come down to its size.
            const QRect available = screen()->availableGeometry();
            const QRect outer =
                KeptInView(QRect(mStoredOuter.topLeft(), mStoredOuter.size().boundedTo(available.size())), available);
            mStoredOuter = QRect();
            auto* settle = new QTimer(this);
            settle->setInterval(50);
            connect(settle, &QTimer::timeout, this, [this, settle, outer, tries = 0]() mutable {
                const bool normal = !(windowState() & (Qt::WindowMaximized | Qt::WindowMinimized |
                                                      Qt::WindowFullScreen));
                const bool done = !normal || frameGeometry() == outer || ++tries > 10;
                if (!done)
                    SetOuterGeometry(outer);
                if (done) {
                    settle->stop();
                    settle->deleteLater();
                }
            });
            settle->start();
        }
    }
    QMainWindow::changeEvent(event);
}

void frmMain::Load()
{
    if (mLoaded)
        return;
    mLoaded = true;
    MDIForm_Load();
}

// The board bring-up.
void frmMain::MDIForm_Load()
{
    // 1. Geometry from the settings store.
    const double left = StoredTwips(QStringLiteral("MainLeft"), 1000);
    const double top = StoredTwips(QStringLiteral("MainTop"), 1000);
    const double width = StoredTwips(QStringLiteral("MainWidth"), 6500);
    const double height = StoredTwips(QStringLiteral("MainHeight"), 6500);
    mStoredOuter = QRect(TwipsToPixelsX(left), TwipsToPixelsY(top), std::max(TwipsToPixelsX(width), 100),
                         std::max(TwipsToPixelsY(height), 100));
    SetOuterGeometry(mStoredOuter);

    // 2. Caption and state.
    setWindowTitle(QString::fromLatin1(kProgramTitle));
    setWindowState(windowState() | Qt::WindowMaximized);

    // 3. Progress set-up. The bring-up hands events on while it waits, so the splash may
    // be closed (and destroyed) part way: hold it by a guarded pointer.
    const QPointer<frmSplash> splash = FormInstance<frmSplash>();
    auto setBar = [splash](float twips) {
        if (splash)
            splash->SetProgressTwips(twips);
    };
    auto showText = [splash](const QString& text) {
        if (splash)
            splash->ShowProgressText(text);
    };
    const float barDesign = splash ? splash->ProgressTwips() : 5415.0f;
    const float unit = std::floor(static_cast<float>(std::nearbyint(barDesign)) / 100.0f);
    float bar = 0;
    setBar(bar);
    if (splash)
        splash->StartProgress(QStringLiteral("Downloading Firmware..."));

    // 4.
    gDeviceName = QStringLiteral("Zandrel");

    // 5. Firmware.
    if (LoadBoardFirmware() < 0)
        FatalUsbError(FirmwareError);
    SetStatusText(QStringLiteral("Firmware download succesful"));
    bar = unit * 33;
    setBar(bar);

    // 6. Enumerating: a pause the splash animates.
    showText(QStringLiteral("Enumerating..."));
    const float enumerateEnd = unit * 50;
    do {
        bar = bar + unit / 2;
        setBar(bar);
        Delay(50);
        DoEvents();
    } while (bar < enumerateEnd);

    // 7. Connecting: select SMBus on the board, up to 20 tries.
    showText(QStringLiteral("Connecting..."));
    int count = 0;
    int16_t status;
    do {
        status = SelectSMBusInterface();
        ++count;
        Delay(200);
        DoEvents();
    } while (status != 0 && count != 20);
    if (status != 0)
        FatalUsbError(InitialConnectionError);

    // 8.
    bar = unit * 76;
    setBar(bar);
    showText(QStringLiteral("Searching for ") + gDeviceName + QStringLiteral(" on USB..."));
    Delay(1000);

    // 9. Device scan.
    for (int address = 0x48; address <= 0x4B; ++address) {
        bar = bar + unit * 8;
        setBar(bar);
        if (ReadRegister(address, 0x4E) == 0x41) {
            gDeviceAddress = address;
            break;
        }
    }
    if (gDeviceAddress == 0)
        FatalUsbError(InitialConnectionError);

    // 10.
    bar = unit * 100;
    setBar(bar);
    showText(QStringLiteral("Found an ") + gDeviceName + QStringLiteral(" at ") +
             QString::number(gDeviceAddress, 16).toUpper() + QStringLiteral("h"));

    // 11. Monitoring on.
    int32_t value = ReadRegister(gDeviceAddress, 0x18) | 0x01;
    WriteRegister(gDeviceAddress, 0x18, value);
    Delay(2000);

    // 12, 13. Defaults and chip state.
    InitDefaults();
    UpdateRegisterState(0x1A);
    UpdateRegisterState(0x1B);
    UpdateRegisterState(0x1D);
    UpdateRegisterState(0x1E);

    // 14. The measurement cycle starts with the next tick.
    tmrMaster->start();

    // 15. The graphs window.
    ShowGraphingForm();
}

void frmMain::MDIForm_Unload()
{
    if (isMinimized())
        return;
    SaveSetting(QStringLiteral("MainLeft"), PlainSingle(static_cast<float>(LeftTwips())));
    SaveSetting(QStringLiteral("MainTop"), PlainSingle(static_cast<float>(TopTwips())));
    SaveSetting(QStringLiteral("MainWidth"), PlainSingle(static_cast<float>(WidthTwips())));
    SaveSetting(QStringLiteral("MainHeight"), PlainSingle(static_cast<float>(HeightTwips())));
}

void frmMain::UnloadAll()
{
    if (mUnloaded)
        return;
    mUnloaded = true;
    tmrMaster->stop();
    // The program ends: so does a log run, and its file is let go.
    EndLogRun();
    UnloadAllForms();
    MDIForm_Unload();
}

void frmMain::closeEvent(QCloseEvent* event)
{
    UnloadAll();
    event->accept();
    QCoreApplication::quit();
}

// ---- Menus and toolbar -------------------------------------------------------------------

void frmMain::mnuLog_Click() { ShowSaveForm(); }
void frmMain::mnuRegMap_Click() { ShowRegMapForm(); }
void frmMain::mnuGraphs_Click() { ShowGraphingForm(); }
void frmMain::mnuInterrupt_Click() { ShowLimitsForm(); }
void frmMain::mnuConfig_Click() { ShowOptionsForm(); }
void frmMain::mnuDAC_Click() { ShowDacForm(); }
void frmMain::mnuBoard_Click() { ShowTestForm(); }
void frmMain::mnuTestProcedure_Click() { ShowExternalTestForm(); }
void frmMain::mnuHelp_Click() { ShowHelpForm(); }
void frmMain::mnuAbout_Click() { LoadAboutForm(); }

void frmMain::tbToolBar_ButtonClick(const QString& key)
{
    if (key == QLatin1String("Save"))
        ShowSaveForm();
    else if (key == QLatin1String("Config"))
        ShowOptionsForm();
    else if (key == QLatin1String("Graphs"))
        ShowGraphingForm();
    else if (key == QLatin1String("Tree"))
        ShowRegMapForm();
    else if (key == QLatin1String("DAC"))
        ShowDacForm();
    else if (key == QLatin1String("Interrupts"))
        ShowLimitsForm();
}

// ---- Master timer ----------------------------------------------------------------------

bool IsDue(double lastRun, double period, double now)
{
    return lastRun + period < now || now < lastRun;
}

namespace {
void StoreTemperature(float& target, float celsius)
{
    target = celsius;
    if (gFahrenheit) {
        const float f = static_cast<float>(static_cast<double>(target) * 9.0 / 5.0 + 32.0);
        target = static_cast<float>(RoundDecimals(f, 2));
    }
}

float Rounded(float value, int decimals) { return static_cast<float>(RoundDecimals(value, decimals)); }
} // namespace

void frmMain::MeasurementStep()
{
    static constexpr int kFirst[12] = {0x03, 0x04, 0x03, 0x10, 0x12, 0x14, 0x16, 0x00, 0x04, 0x04, 0x04, 0x04};
    static constexpr int kSecond[12] = {0x07, 0x08, 0x06, 0x11, 0x13, 0x15, 0x17, 0x01, 0x08, 0x09, 0x0A, 0x0B};
    // The step indexes the tables: a state outside them starts the cycle over.
    const int step = PollState >= 0 && PollState < 12 ? PollState : 0;
    const int first = ReadRegister(gDeviceAddress, kFirst[step]);
    const int second = ReadRegister(gDeviceAddress, kSecond[step]);
    auto tenBit = [&](int shift) { return static_cast<int16_t>(second * 4 + ((first >> shift) & 0x03)); };
    auto dacCode = [&] { return static_cast<int16_t>(second * 16 + ((first & 0xF0) >> 4)); };
    switch (step) {
    case 0: StoreTemperature(gInternalTemp, TempCodeToCelsius(tenBit(0))); break;
    case 1: StoreTemperature(gExternalTemp, TempCodeToCelsius(tenBit(0))); break;
    case 2: gVddVolts = Rounded(VddCodeToVolts(tenBit(2)), 3); break;
    case 3:
    case 4:
    case 5:
    case 6: {
        const int16_t dac = static_cast<int16_t>(step - 3);
        gDacVolts[dac] = Rounded(DacCodeToVolts(dacCode(), dac), 2);
        break;
    }
    case 7:
        gIntStatus1 = static_cast<int16_t>(first);
        gIntStatus2 = static_cast<int16_t>(second);
        break;
    case 8: gAinVolts[0] = Rounded(AinCodeToVolts(tenBit(0)), 3); break;
    case 9: gAinVolts[1] = Rounded(AinCodeToVolts(tenBit(2)), 3); break;
    case 10:
        gAinVolts[2] = Rounded(AinCodeToVolts(tenBit(4)), 3);
        StoreTemperature(gKulexTemp, static_cast<float>((static_cast<double>(gAinVolts[2]) - 0.5) / 0.01));
        break;
    case 11: gAinVolts[3] = Rounded(AinCodeToVolts(tenBit(6)), 3); break;
    default: break;
    }
    PollState = static_cast<int16_t>(step == 11 ? 0 : step + 1);
}

void frmMain::RefreshItems()
{
    double t;
    if (gGraphFormOpen) {
        t = Timer();
        if (IsDue(LastGraphTime, 0.1, t)) {
            LastGraphTime = t;
            UpdateGraphingForm();
        }
    }
    if (gRegMapFormOpen) {
        const bool ticked = RegMapContinuousReadTicked();
        t = Timer();
        if (IsDue(LastRegMapTime, 0.5, t) && ticked) {
            LastRegMapTime = t;
            RegMapContinuousRead();
        }
    }
    if (gDacFormOpen) {
        t = Timer();
        if (IsDue(LastDacTime, 0.5, t)) {
            LastDacTime = t;
            UpdateDacFormLabels();
        }
    }
    if (gLimitsFormOpen) {
        t = Timer();
        if (IsDue(LastLimitsTime, 0.5, t)) {
            LastLimitsTime = t;
            UpdateLimitsForm();
        }
    }
    if (gOptoControl) {
        t = Timer();
        if (IsDue(LastOptoTime, 0.2, t)) {
            LastOptoTime = t;
            UpdateOptoDac();
        }
    }
    t = Timer();
    if (IsDue(LastLogTime, gLogInterval / 1000.0, t) && gLogging) {
        if (WriteLogDataLine()) {
            ++gLogSampleCount;
            LastLogTime = t;
            SetStatusText(QStringLiteral("Data Logging Enabled"));
        }
    }
    if (!gLogging)
        SetStatusText(QStringLiteral("Status"));
}

void frmMain::tmrMaster_Timer()
{
    // While a fatal error's box is open the program is ending: no step touches the board.
    if (mInTick || mUnloaded || gFatalUsbErrorRaised)
        return;
    mInTick = true;
    MeasurementStep();
    RefreshItems();
    mInTick = false;
}
