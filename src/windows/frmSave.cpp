#include "windows/frmSave.h"

#include "board/USBStuff.h"
#include "chip/GeneralStuff.h"
#include "platform/NumberText.h"
#include "platform/Runtime.h"
#include "platform/Twips.h"
#include "platform/UpDown.h"
#include "windows/DataLog.h"
#include "windows/TemperatureUnit.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMimeDatabase>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>

namespace {
std::function<QString()> gLogFileChooser;

const QString kStartCaption = QStringLiteral("Start Logging");
const QString kStopCaption = QStringLiteral("Stop Logging...");

struct ChannelBox {
    const char* caption;
    double boxLeft;
    double labelLeft;
    double labelWidth;
    double top;
};

// Indexed by LogChannel: three columns of four rows inside the frame.
constexpr ChannelBox kChannelBoxes[LogChannelCount] = {
    {"Internal Temp", 1440, 120, 1260, 480}, {"External Temp", 1440, 120, 1260, 720},
    {"Vdd", 1440, 120, 1260, 1200},          {"DAC A", 3000, 1920, 1020, 480},
    {"DAC B", 3000, 1920, 1020, 720},        {"DAC C", 3000, 1920, 1020, 960},
    {"DAC D", 3000, 1920, 1020, 1200},       {"Kulex", 1440, 120, 1260, 960},
    {"Ain1", 4440, 3600, 780, 480},          {"Ain2", 4440, 3600, 780, 720},
    {"Ain3", 4440, 3600, 780, 960},          {"Ain4", 4440, 3600, 780, 1200},
};

// Whether the chip's present pin functions give the channel a reading.
bool ChannelAvailable(int k)
{
    switch (k) {
    case LogExternal: return gAin12Mode == Ain12ExtDiode;
    case LogAin1:
    case LogAin2: return gAin12Mode == Ain12Inputs;
    case LogKulex:
    case LogAin3: return gAin3Enabled;
    default: return true;
    }
}

// A whole text that is a decimal number: optional sign, digits with an optional fraction,
// optional exponent, blanks around it.
bool ReadsAsNumber(const QString& text)
{
    static const QRegularExpression number(
        QStringLiteral(R"(^\s*[+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?\s*$)"));
    return number.match(text).hasMatch();
}

// Icons and type names for the file dialog from the names alone. The stock provider reads
// the start of a file to guess its type, and reading some files (a kernel message queue
// in /proc, a pipe) waits for ever on the user-interface thread.
class NameOnlyIconProvider : public QFileIconProvider {
public:
    using QFileIconProvider::icon;
    QIcon icon(const QFileInfo& info) const override
    {
        if (info.isRoot())
            return icon(Drive);
        return icon(info.isDir() ? Folder : File);
    }
    QString type(const QFileInfo& info) const override
    {
        if (info.isDir())
            return QStringLiteral("Folder");
        const QMimeType mime =
            QMimeDatabase().mimeTypeForFile(info.fileName(), QMimeDatabase::MatchExtension);
        if (!mime.isDefault() && !mime.comment().isEmpty())
            return mime.comment();
        return info.suffix().isEmpty() ? QStringLiteral("File")
                                       : info.suffix().toUpper() + QStringLiteral(" File");
    }
};

// The save dialog for the log. A log has one file, and its name is taken as typed, double
// quotes and all: Qt's dialog reads quotes in the name box as a list of names ("a" "b"),
// returns the first of them (my "best" run.csv would name "best") and greys Save when
// that one is empty (data 5").
class LogFileDialog : public QFileDialog {
public:
    LogFileDialog(QWidget* parent, const QString& folder, const QString& filter)
        : QFileDialog(parent, QString(), folder, filter)
    {
        // Runs after the dialog's own judging of the name, which was connected first.
        if (QLineEdit* box = NameBox())
            connect(box, &QLineEdit::textChanged, this, [this](const QString& text) {
                auto* buttons = findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
                if (QPushButton* save = buttons ? buttons->button(QDialogButtonBox::Save) : nullptr)
                    if (text.contains(QLatin1Char('"')))
                        save->setEnabled(true);
            });
    }

    // The file the user chose; empty until the dialog is accepted.
    QString ChosenFile() const { return mTyped.isEmpty() ? selectedFiles().value(0) : mTyped; }

    void accept() override
    {
        const QLineEdit* box = NameBox();
        const QString typed = box ? box->text() : QString();
        if (!typed.contains(QLatin1Char('"'))) {
            QFileDialog::accept();
            return;
        }
        mTyped = directory().absoluteFilePath(typed);
        QDialog::accept();
    }

private:
    QLineEdit* NameBox() const { return findChild<QLineEdit*>(QStringLiteral("fileNameEdit")); }

    QString mTyped;
};

// The chosen path in its clean absolute form ("." and ".." parts and doubled separators
// taken out), naming the same file. The folder is written as the system resolves it where
// taking out the parts by their text alone would name another one: a ".." after a
// symbolic link goes up from the link's target, and one at the root stays there (text
// alone keeps it, as in "/../tmp"). A path whose folder does not exist stays as it is, so
// that the start says what failed.
QString CleanLogPath(const QString& chosen)
{
    const QFileInfo given(QDir::current().absoluteFilePath(chosen));
    const QString name = given.fileName();
    const QString folder = given.path();
    const QString realFolder = QFileInfo(folder).canonicalFilePath();
    if (realFolder.isEmpty())
        return given.filePath();
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return QFileInfo(given.filePath()).canonicalFilePath();
    QString cleanFolder = QDir::cleanPath(folder);
    if (cleanFolder.split(QLatin1Char('/')).contains(QLatin1String("..")) ||
        QFileInfo(cleanFolder).canonicalFilePath() != realFolder)
        cleanFolder = realFolder;
    return cleanFolder.endsWith(QLatin1Char('/')) ? cleanFolder + name
                                                  : cleanFolder + QLatin1Char('/') + name;
}

void ShowCannotWrite(const QString& path, const QString& reason, const QString& outcome)
{
    MsgBox(QStringLiteral("The log file cannot be written:\n%1\n\n%2\n\n%3").arg(path, reason, outcome),
           MsgIcon::Exclamation);
}
} // namespace

void SetLogFileChooser(std::function<QString()> chooser) { gLogFileChooser = std::move(chooser); }

frmSave::frmSave()
{
    SetCaption(QStringLiteral("Logging/Save/Recall"));
    SetFontPoints(this, 8);
    SetClientSizeTwips(5955, 3525);

    Frame1 = new QGroupBox(QStringLiteral("Data  Logging"), this);
    SetFontPoints(Frame1, 8, true);
    PlaceTwips(Frame1, 240, 240, 5415, 3015);

    for (int k = 0; k < LogChannelCount; ++k) {
        const ChannelBox& c = kChannelBoxes[k];
        Label1[k] = new QLabel(QString::fromLatin1(c.caption), Frame1);
        Label1[k]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        PlaceTwips(Label1[k], c.labelLeft, c.top - 30, c.labelWidth, 255);
        chkLog[k] = new QCheckBox(Frame1);
        PlaceTwips(chkLog[k], c.boxLeft, c.top, 255, 195);
        // The box shows no caption of its own; without a name, readers would call it by
        // the frame's caption.
        chkLog[k]->setAccessibleName(Label1[k]->text());
        Label1[k]->setBuddy(chkLog[k]);
    }

    Label2 = new QLabel(QStringLiteral("Log Interval (ms)"), Frame1);
    PlaceTwips(Label2, 240, 2040, 1500, 225);
    txtLogInt = new QLineEdit(Frame1);
    PlaceTwips(txtLogInt, 360, 2280, 720, 285);
    txtLogInt->setAccessibleName(Label2->text());
    Label2->setBuddy(txtLogInt);
    UpDown1 = new UpDown(Frame1);
    PlaceTwips(UpDown1, 1080, 2280, 255, 285);
    UpDown1->SetAccessibleName(Label2->text());
    UpDown1->SetBuddy(txtLogInt);
    UpDown1->SetRange(10, 10000);
    UpDown1->SetIncrement(1);
    UpDown1->SetValue(10);

    cmdLog = new QPushButton(kStartCaption, Frame1);
    PlaceTwips(cmdLog, 1800, 2160, 1815, 375);
    cmdClose = new QPushButton(QStringLiteral("Close"), Frame1);
    PlaceTwips(cmdClose, 3960, 2160, 1215, 375);

    // The frame's caption is bold; what stands inside it is not.
    for (QWidget* w : Frame1->findChildren<QWidget*>())
        SetFontPoints(w, 8, false);

    connect(cmdLog, &QPushButton::clicked, this, &frmSave::cmdLog_Click);
    connect(cmdClose, &QPushButton::clicked, this, &frmSave::cmdClose_Click);
    connect(txtLogInt, &QLineEdit::textChanged, this, &frmSave::txtLogInt_Change);
}

void frmSave::Form_Load()
{
    cmdLog->setText(gLogging ? kStopCaption : kStartCaption);
    for (int k = 0; k < LogChannelCount; ++k)
        chkLog[k]->setChecked(gLogChannel[k] && ChannelAvailable(k));
    txtLogInt->setText(DecText(gLogInterval));
    for (int k = 0; k < LogChannelCount; ++k)
        chkLog[k]->setEnabled(ChannelAvailable(k));
}

void frmSave::cmdLog_Click()
{
    if (gLogging)
        StopLogging();
    else
        StartLogging();
}

void frmSave::StopLogging()
{
    cmdLog->setText(kStartCaption);
    EndLogRun();
    SetStatusText(QStringLiteral("Status"));
}

void frmSave::StartLogging()
{
    gLogFileName.clear();
    const QString chosen = ChooseLogFile();
    if (chosen.isEmpty())
        return;
    const QString name = CleanLogPath(chosen);
    gLogFileName = name;
    for (int k = 0; k < LogChannelCount; ++k)
        gLogChannel[k] = chkLog[k]->isChecked();

    // No other file of the program takes a file number, so the next free number is the first.
    gLogFileNum = 1;
    QString reason;
    if (!AppendToLogFile(gLogFileName, LogTitleBlock() + LogLineBytes(GetLogHeader()),
                         LogFileOpen::CreateIfMissing, &reason, &gLogFileIdentity)) {
        ShowCannotWrite(gLogFileName, reason, QStringLiteral("Logging has not started."));
        return;
    }
    // Only a file that took a log run is where the dialog comes back to.
    mLastLogFile = name;
    cmdLog->setText(kStopCaption);
    gLogging = true;
    gLogSampleCount = 0;
}

QString frmSave::ChooseLogFile()
{
    if (gLogFileChooser)
        return gLogFileChooser();

    // The dialog opens where the last log run of this window went, else in the program's
    // folder; never where a refused name pointed (such as /proc), and never where Qt's
    // own memory of the last folder would take it.
    QString start = AppPath();
    QString selection;
    if (!mLastLogFile.isEmpty()) {
        const QFileInfo last(mLastLogFile);
        if (last.absoluteDir().exists()) {
            start = last.absolutePath();
            selection = last.fileName();
        }
    }
    NameOnlyIconProvider icons; // outlives the dialog, which does not own it
    LogFileDialog dialog(this, start, QStringLiteral("Log Files (*.csv)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // The log is appended to, never replaced, so an existing file needs no warning.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setIconProvider(&icons);
    dialog.setDirectory(start);
    if (!selection.isEmpty())
        dialog.selectFile(selection);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.ChosenFile();
}

QString frmSave::GetLogHeader() const
{
    static const char* const kTitles[LogChannelCount] = {
        "Internal(%1) ,", "External(%1) ,", "Vdd(V) ,",  "DACA(V) ,", "DACB(V) ,", "DACC(V) ,",
        "DACD(V) ,",      "Kulex(%1) ,",    "Ain1(V) ,", "Ain2(V) ,", "Ain3(V) ,", "Ain4(V) ,"};
    const QString unit = TemperatureUnitText();
    QString header = QStringLiteral("Time(s) ,");
    for (int k = 0; k < LogChannelCount; ++k) {
        if (!chkLog[k]->isChecked())
            continue;
        QString title = QString::fromLatin1(kTitles[k]);
        if (title.contains(QLatin1String("%1")))
            title = title.arg(unit);
        header += title;
    }
    return header;
}

void frmSave::txtLogInt_Change()
{
    const QString text = txtLogInt->text();
    if (!ReadsAsNumber(text))
        return;
    bool ok = false;
    const int32_t interval = CLng(ValText(text), &ok);
    if (ok)
        gLogInterval = interval;
}

void frmSave::cmdClose_Click() { Unload(); }

bool WriteLogDataLine()
{
    QString reason;
    if (AppendToLogFile(gLogFileName, LogLineBytes(BuildLogLine()), LogFileOpen::MustExist, &reason,
                        &gLogFileIdentity))
        return true;
    const QString path = gLogFileName;
    // Only the run's own file, still under its name, keeps the lines logged before (a line
    // cut short is taken back); a file gone, or another in its place, does not.
    const QString outcome = IsLogRunFile(path, gLogFileIdentity)
                                ? QStringLiteral("Data logging has stopped. Every line logged before stays in the file.")
                                : QStringLiteral("Data logging has stopped.");
    EndLogRun();
    if (frmSave* form = FormInstance<frmSave>())
        form->cmdLog->setText(kStartCaption);
    // Reported after the tick: a box opened inside it would hold the measurement cycle, and
    // with it the charts and every other window, until it is answered.
    QTimer::singleShot(0, qApp, [path, reason, outcome] {
        if (!gFatalUsbErrorRaised)
            ShowCannotWrite(path, reason, outcome);
    });
    return false;
}

void ShowSaveForm() { ShowForm<frmSave>(); }
