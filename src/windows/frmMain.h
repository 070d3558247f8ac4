// The main window: child windows area, menus, toolbar, status bar, the board bring-up
// and the master timer that polls the chip.
#pragma once

#include <QMainWindow>
#include <QRect>
#include <QString>

class QLabel;
class QMdiArea;
class QMenu;
class QTimer;
class QToolBar;
class QAction;

class frmMain : public QMainWindow {
    Q_OBJECT
public:
    frmMain();
    ~frmMain() override;

    // Loads the window: runs the bring-up (MDIForm_Load) once.
    void Load();
    void MDIForm_Load();
    void MDIForm_Unload();
    // Unloads every child window, then the main window itself (stores its geometry).
    void UnloadAll();
    bool IsUnloaded() const { return mUnloaded; }

    void SetStatusText(const QString& text);
    QString StatusText() const;

    // The master timer's handler: one measurement step and the throttled refresh.
    void tmrMaster_Timer();
    QTimer* tmrMaster = nullptr;
    QMdiArea* mdiArea = nullptr;
    QToolBar* tbToolBar = nullptr;

    // Menu handlers.
    void mnuLog_Click();
    void mnuRegMap_Click();
    void mnuGraphs_Click();
    void mnuInterrupt_Click();
    void mnuConfig_Click();
    void mnuDAC_Click();
    void mnuBoard_Click();
    void mnuTestProcedure_Click();
    void mnuHelp_Click();
    void mnuAbout_Click();
    void tbToolBar_ButtonClick(const QString& key);

    QMenu* mnuFile = nullptr;
    QMenu* mnuView = nullptr;
    QMenu* mnuDevice = nullptr;
    QMenu* mnuWindow = nullptr;
    QAction* mnuAbout = nullptr;
    QAction* mnuHelp = nullptr;

    // State of the measurement cycle.
    int16_t PollState = 0;
    double LastGraphTime = 0;
    double LastRegMapTime = 0;
    double LastDacTime = 0;
    double LastLimitsTime = 0;
    double LastLogTime = 0;
    double LastOptoTime = 0;

    // Geometry in twips, as the design stores it.
    double LeftTwips() const;
    double TopTwips() const;
    double WidthTwips() const;
    double HeightTwips() const;

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildMenus();
    void BuildToolbar();
    void BuildStatusBar();
    void FillWindowMenu();
    void WindowMenuChanged();
    void SetOuterGeometry(const QRect& outer);
    void MeasurementStep();
    void RefreshItems();

    QLabel* mStatusPanel = nullptr;
    QLabel* mDatePanel = nullptr;
    QLabel* mTimePanel = nullptr;
    QTimer* mClockTimer = nullptr;
    bool mLoaded = false;
    bool mUnloaded = false;
    bool mInTick = false;
    bool mWindowMenuDue = false;
    // The stored outer bounds (pixels) the window takes when first restored from maximised:
    // the frame's size is known only once the window is on the screen.
    QRect mStoredOuter;
};

// The due test of the refresh items: the period has passed since the last run, or the
// clock has gone past midnight since then.
bool IsDue(double lastRun, double period, double now);
