// Data logging window and the CSV log file.
#include "TestSupport.h"

#include "board/USBStuff.h"
#include "chip/GeneralStuff.h"
#include "platform/Forms.h"
#include "platform/NumberText.h"
#include "platform/UpDown.h"
#include "windows/DataLog.h"
#include "windows/GeneralStuff.h"
#include "windows/frmMain.h"
#include "windows/frmSave.h"

#include <QAbstractFileIconProvider>
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <mutex>
#include <sys/inotify.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>

namespace {

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

// Bytes as a hex dump, so that a mismatch shows exactly which byte differs.
std::string Hex(const QByteArray& bytes) { return bytes.toHex(' ').toStdString(); }

// Keeps a test from hanging on a named pipe: if the program under test opens the pipe
// for writing and waits for a reader, a reader comes after a few seconds, so that the
// test goes on and fails instead. The reader stays open until the guard ends, so that a
// write into the pipe raises no SIGPIPE either.
class PipeReaderAfterTimeout {
public:
    explicit PipeReaderAfterTimeout(const QString& fifo)
        : mThread([this, path = QFile::encodeName(fifo)] {
              std::unique_lock lock(mMutex);
              if (!mDone.wait_for(lock, std::chrono::seconds(3), [this] { return mFinished; }))
                  mReader = ::open(path.constData(), O_RDONLY | O_NONBLOCK);
          })
    {
    }
    ~PipeReaderAfterTimeout()
    {
        {
            std::lock_guard lock(mMutex);
            mFinished = true;
        }
        mDone.notify_all();
        mThread.join();
        if (mReader >= 0)
            ::close(mReader);
    }
    bool ReaderWasNeeded() const { return mReader >= 0; }

private:
    std::mutex mMutex;
    std::condition_variable mDone;
    bool mFinished = false;
    int mReader = -1;
    std::thread mThread;
};

// Without root's power to read and write any file, as every other user, until it ends.
class WithoutFileOverride {
public:
    WithoutFileOverride()
    {
        ::syscall(SYS_capget, &mHeader, mSaved);
        __user_cap_data_struct dropped[2] = {mSaved[0], mSaved[1]};
        dropped[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        ::syscall(SYS_capset, &mHeader, dropped);
    }
    ~WithoutFileOverride() { ::syscall(SYS_capset, &mHeader, mSaved); }

private:
    __user_cap_header_struct mHeader{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct mSaved[2]{};
};

class SaveTest : public ::testing::Test {
protected:
    SaveTest()
    {
        gDeviceAddress = 0x48;
        gLogInterval = 250;
        logPath = dir.filePath(QStringLiteral("run.csv"));
        SetLogFileChooser([this] {
            ++dialogs;
            return chosen;
        });
        chosen = logPath;
    }
    ~SaveTest() override { SetLogFileChooser({}); }

    frmSave* Load() { return LoadForm<frmSave>(); }

    // Ticks only the boxes given, then starts a log run.
    frmSave* StartWith(std::initializer_list<int> channels)
    {
        frmSave* f = Load();
        for (QCheckBox* box : f->chkLog)
            box->setChecked(false);
        for (int k : channels)
            f->chkLog[k]->setChecked(true);
        f->cmdLog_Click();
        return f;
    }

    // One data line, and the message that a failed line reports once the tick is over.
    bool WriteLine()
    {
        const bool written = WriteLogDataLine();
        QCoreApplication::processEvents();
        return written;
    }

    // Presses the log button with the real file dialog and, once the dialog is up, hands
    // it to `answer`, which closes it. A dialog left open fails the case and is cancelled,
    // so that the case never waits for ever; the poll ends with the press.
    void PressWithDialog(frmSave* f, const std::function<void(QFileDialog*)>& answer)
    {
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            poll.stop();
            answer(dialog);
            if (dialog->isVisible()) {
                ADD_FAILURE() << "the file dialog is still open";
                dialog->reject();
            }
        });
        poll.start(10);
        f->cmdLog_Click();
    }

    // The master timer's log step as it runs when a line is due.
    bool LogLine()
    {
        if (!WriteLogDataLine())
            return false;
        ++gLogSampleCount;
        return true;
    }

    ProgramEnvironment env;
    FakeBoardScope fake;
    QTemporaryDir dir;
    QString logPath;
    QString chosen;
    int dialogs = 0;
};

TEST_F(SaveTest, ExampleFileByteForByte)
{
    gAin12Mode = Ain12ExtDiode;
    StartWith({LogInternal, LogVdd});
    ASSERT_TRUE(gLogging);
    gInternalTemp = 25.25f;
    gVddVolts = 3.306f;
    ASSERT_TRUE(LogLine());
    gInternalTemp = 25.5f;
    ASSERT_TRUE(LogLine());

    const QByteArray expected("\r\nZandrel Log File\r\n\r\n"
                              "Time(s) ,Internal(\xB0" "C) ,Vdd(V) ,\r\n"
                              "0, 25.25, 3.306,\r\n"
                              ".25, 25.5, 3.306,\r\n");
    EXPECT_EQ(Hex(ReadAll(logPath)), Hex(expected));
}

TEST_F(SaveTest, LineContents)
{
    gLogInterval = 125;
    gLogChannel.fill(false);
    for (int n = 0; n < 5; ++n) {
        gLogSampleCount = n;
        EXPECT_EQ(BuildLogLine(), QStringList({"0,", ".125,", ".25,", ".375,", ".5,"})[n]);
    }

    // All twelve: thirteen fields, each ended by ",", in channel order.
    gLogChannel.fill(true);
    gLogInterval = 250;
    gLogSampleCount = 5;
    gInternalTemp = -40;
    gExternalTemp = 0;
    gVddVolts = 0.75f;
    gDacVolts = {1, 1.25f, 2.5f, 4.095f};
    gKulexTemp = 77.45f;
    gAinVolts = {0.001f, 0.5f, 2.28f, 3.3f};
    EXPECT_EQ(BuildLogLine(),
              "1.25,-40, 0, .75, 1, 1.25, 2.5, 4.095, 77.45, .001, .5, 2.28, 3.3,");

    gLogChannel.fill(false);
    gLogInterval = 0;
    EXPECT_EQ(BuildLogLine(), "0,");
    gLogInterval = -250;
    gLogSampleCount = 1;
    EXPECT_EQ(BuildLogLine(), "-.25,");
}

TEST_F(SaveTest, TimeColumnNeverOverflows)
{
    // 32-bit products.
    EXPECT_EQ(LogTimeText(250, 4), "1");
    EXPECT_EQ(LogTimeText(10, 215), "2.15");
    // Beyond 32 bits: 250 ms x ten million lines is 2,500,000 s.
    EXPECT_EQ(LogTimeText(250, 10'000'000), "2500000");
    EXPECT_EQ(LogTimeText(10000, 2147483647), "21474836470");
    EXPECT_EQ(LogTimeText(-10000, 2147483647), "-21474836470");
    // Beyond what 15 digits of a double hold: every digit still right.
    EXPECT_EQ(LogTimeText(2147483647, 2147483647), "4611686014132420.609");
    EXPECT_EQ(LogTimeText(-2147483647 - 1, 2147483647), "-4611686016279904.256");
}

TEST_F(SaveTest, HeaderUnitsAndDegreeByte)
{
    frmSave* f = Load();
    for (QCheckBox* box : f->chkLog)
        box->setChecked(false);
    EXPECT_EQ(f->GetLogHeader(), "Time(s) ,");

    gAin12Mode = Ain12ExtDiode;
    gAin3Enabled = true;
    f->Unload();
    FlushDeletedForms();
    gLogChannel.fill(true);
    gFahrenheit = true;
    f = Load();
    // Ain1 and Ain2 are not inputs while the pins measure the external diode.
    EXPECT_EQ(Hex(LogLineBytes(f->GetLogHeader())),
              Hex("Time(s) ,Internal(\xB0" "F) ,External(\xB0" "F) ,Vdd(V) ,DACA(V) ,DACB(V) ,"
                  "DACC(V) ,DACD(V) ,Kulex(\xB0" "F) ,Ain3(V) ,Ain4(V) ,\r\n"));
}

TEST_F(SaveTest, LoadShowsStateAndGreysUnavailableChannels)
{
    gLogChannel.fill(true);
    gAin12Mode = Ain12Inputs;
    gAin3Enabled = false;
    gLogInterval = 250;
    frmSave* f = Load();
    EXPECT_EQ(f->Caption(), "Logging/Save/Recall");
    EXPECT_EQ(f->cmdLog->text(), "Start Logging");
    EXPECT_EQ(f->txtLogInt->text(), "250");
    EXPECT_EQ(gLogInterval, 250);
    for (int k = 0; k < LogChannelCount; ++k) {
        const bool available = k != LogExternal && k != LogKulex && k != LogAin3;
        EXPECT_EQ(f->chkLog[k]->isChecked(), available) << k;
        EXPECT_EQ(f->chkLog[k]->isEnabled(), available) << k;
    }
    // Loading does not touch the flags; the next start does.
    EXPECT_TRUE(gLogChannel[LogExternal]);
    f->cmdLog_Click();
    ASSERT_TRUE(gLogging);
    EXPECT_FALSE(gLogChannel[LogExternal]);
    EXPECT_FALSE(gLogChannel[LogKulex]);
    EXPECT_TRUE(gLogChannel[LogAin1]);
    EXPECT_EQ(gLogSampleCount, 0);

    // Boxes changed during the run leave the run alone.
    f->chkLog[LogVdd]->setChecked(false);
    EXPECT_TRUE(gLogChannel[LogVdd]);

    // Closing leaves logging on; reopening shows the running state.
    f->cmdClose_Click();
    FlushDeletedForms();
    EXPECT_FALSE(IsFormLoaded<frmSave>());
    EXPECT_TRUE(gLogging);
    EXPECT_TRUE(LogLine());
    f = Load();
    EXPECT_EQ(f->cmdLog->text(), "Stop Logging...");
    EXPECT_TRUE(f->chkLog[LogVdd]->isChecked());

    // Stop at once; pressing again asks for a file again and appends to the same one.
    f->cmdLog_Click();
    EXPECT_FALSE(gLogging);
    EXPECT_EQ(f->cmdLog->text(), "Start Logging");
    f->cmdLog_Click();
    EXPECT_EQ(dialogs, 2);
    EXPECT_TRUE(gLogging);
    EXPECT_TRUE(ReadAll(logPath).endsWith(",\r\n\r\nZandrel Log File\r\n\r\nTime(s) ,"
                                          "Internal(\xB0" "C) ,Vdd(V) ,DACA(V) ,DACB(V) ,DACC(V) ,DACD(V) ,"
                                          "Ain1(V) ,Ain2(V) ,Ain4(V) ,\r\n"));
}

TEST_F(SaveTest, CancelledDialogStartsNothing)
{
    gLogChannel.fill(true);
    gAin12Mode = Ain12ExtDiode;
    gAin3Enabled = true;
    gLogFileName = "old.csv";
    frmSave* f = Load();
    f->chkLog[LogVdd]->setChecked(false);
    chosen.clear();
    f->cmdLog_Click();
    EXPECT_FALSE(gLogging);
    EXPECT_EQ(f->cmdLog->text(), "Start Logging");
    EXPECT_TRUE(gLogFileName.isEmpty());
    EXPECT_TRUE(gLogChannel[LogVdd]);
    EXPECT_TRUE(env.messages.empty());
    EXPECT_FALSE(QFile::exists(logPath));
}

TEST_F(SaveTest, StartOnUnwritableFileSaysWhyAndOnWriteOnlyFileLogs)
{
    // A path below a regular file cannot be created, not even by root.
    const QString blocker = dir.filePath("blocker");
    QFile b(blocker);
    ASSERT_TRUE(b.open(QIODevice::WriteOnly));
    b.close();
    for (const QString& path : {blocker + "/log.csv", dir.path()}) {
        env.messages.clear();
        chosen = path;
        frmSave* f = StartWith({LogInternal});
        EXPECT_FALSE(gLogging) << path.toStdString();
        EXPECT_EQ(f->cmdLog->text(), "Start Logging");
        ASSERT_EQ(env.messages.size(), 1u);
        EXPECT_TRUE(env.messages[0].contains(path));
        EXPECT_EQ(env.icons[0], MsgIcon::Exclamation);
    }
    EXPECT_TRUE(env.messages[0].contains("folder"));
    EXPECT_EQ(ReadAll(blocker), QByteArray());

    // A file one may write but not read is logged into; cut short, it stops the run.
    const QString writeOnly = dir.filePath("writeonly.csv");
    {
        QFile w(writeOnly);
        ASSERT_TRUE(w.open(QIODevice::WriteOnly));
        ASSERT_TRUE(w.setPermissions(QFileDevice::WriteOwner));
    }
    env.messages.clear();
    {
        WithoutFileOverride user;
        chosen = writeOnly;
        StartWith({});
        EXPECT_TRUE(gLogging);
        EXPECT_TRUE(LogLine());
        ASSERT_TRUE(QFile::resize(writeOnly, 2));
        EXPECT_FALSE(WriteLine());
    }
    EXPECT_FALSE(gLogging);
    EXPECT_EQ(ReadAll(writeOnly), "\r\n");
    ASSERT_EQ(env.messages.size(), 1u);
    EXPECT_TRUE(env.messages[0].contains("no longer the file this log run began"));
}

TEST_F(SaveTest, RunFailureStopsLoggingAndKeepsWrittenLines)
{
    gMainForm = new frmMain();
    // A run holds its file open until it ends, however it ends.
    const auto openFiles = [] { return QDir("/proc/self/fd").count(); };
    const auto filesBefore = openFiles();
    frmSave* f = StartWith({});
    ASSERT_TRUE(LogLine());
    ASSERT_TRUE(LogLine());
    const QByteArray before = ReadAll(logPath);

    // The file is moved away and a folder takes its name.
    const QString kept = dir.filePath("kept.csv");
    ASSERT_TRUE(QFile::rename(logPath, kept));
    ASSERT_TRUE(QDir().mkdir(logPath));
    EXPECT_FALSE(WriteLine());
    EXPECT_FALSE(gLogging);
    EXPECT_EQ(f->cmdLog->text(), "Start Logging");
    ASSERT_EQ(env.messages.size(), 1u);
    EXPECT_TRUE(env.messages[0].contains(logPath));
    // The file is gone from its name: its lines are kept elsewhere, not "in the file".
    EXPECT_FALSE(env.messages[0].contains("stays in the file"));
    EXPECT_EQ(ReadAll(kept), before);
    EXPECT_TRUE(before.endsWith("\r\n0,\r\n.25,\r\n"));

    // The run's file deleted and another, longer file written under its name: not the
    // run's file, although the system would give the new file the deleted one's inode.
    chosen = logPath = dir.filePath("swapped.csv");
    f->cmdLog_Click();
    ASSERT_TRUE(gLogging);
    ASSERT_TRUE(LogLine());
    ASSERT_TRUE(QFile::remove(logPath));
    {
        QFile o(logPath);
        ASSERT_TRUE(o.open(QIODevice::WriteOnly));
        o.write(QByteArray(4096, 'x'));
    }
    EXPECT_FALSE(WriteLine());
    EXPECT_FALSE(gLogging);
    ASSERT_EQ(env.messages.size(), 2u);
    EXPECT_TRUE(env.messages[1].contains(logPath));
    EXPECT_TRUE(env.messages[1].contains("no longer the file this log run began"));
    EXPECT_FALSE(env.messages[1].contains("stays in the file"));
    EXPECT_EQ(ReadAll(logPath), QByteArray(4096, 'x'));

    // The run's own file emptied in place (rotation by copy and truncation).
    chosen = logPath = dir.filePath("emptied.csv");
    f->cmdLog_Click();
    ASSERT_TRUE(gLogging);
    ASSERT_TRUE(LogLine());
    ASSERT_TRUE(QFile::resize(logPath, 0));
    EXPECT_FALSE(WriteLine());
    EXPECT_FALSE(gLogging);
    ASSERT_EQ(env.messages.size(), 3u);
    EXPECT_TRUE(env.messages[2].contains("no longer the file this log run began"));
    EXPECT_EQ(ReadAll(logPath), QByteArray());
    // Lines added by another program do not stop the run.
    f->cmdLog_Click();
    ASSERT_TRUE(gLogging);
    ASSERT_TRUE(LogLine());
    {
        QFile o(logPath);
        ASSERT_TRUE(o.open(QIODevice::Append));
        o.write("note\r\n");
    }
    ASSERT_TRUE(LogLine());
    EXPECT_TRUE(ReadAll(logPath).endsWith("\r\n0,\r\nnote\r\n.25,\r\n"));
    EXPECT_EQ(env.messages.size(), 3u);
    // Another file copied over it in place: the same file, its bytes written over, as
    // long as before and alike but for the run's last line.
    QByteArray copied = ReadAll(logPath);
    copied.replace(copied.size() - 5, 1, "7"); // ".25," becomes ".75,"
    {
        QFile o(logPath);
        ASSERT_TRUE(o.open(QIODevice::WriteOnly)); // emptied and written anew
        o.write(copied);
    }
    EXPECT_FALSE(WriteLine());
    EXPECT_FALSE(gLogging);
    ASSERT_EQ(env.messages.size(), 4u);
    EXPECT_TRUE(env.messages[3].contains("no longer the file this log run began"));
    EXPECT_FALSE(env.messages[3].contains("stays in the file"));
    EXPECT_EQ(ReadAll(logPath), copied);
    // Stop lets the run's file go at once.
    chosen = logPath = dir.filePath("stopped.csv");
    f->cmdLog_Click();
    ASSERT_TRUE(gLogging);
    f->cmdLog_Click();
    EXPECT_EQ(openFiles(), filesBefore);

    // The folder of the log removed during a run.
    QDir sub(dir.filePath("sub"));
    ASSERT_TRUE(sub.mkpath("."));
    chosen = sub.filePath("log.csv");
    f->cmdLog_Click();
    ASSERT_TRUE(gLogging);
    ASSERT_TRUE(sub.removeRecursively());
    EXPECT_FALSE(WriteLine());
    EXPECT_FALSE(gLogging);
    EXPECT_EQ(env.messages.size(), 5u);
    EXPECT_EQ(openFiles(), filesBefore);

    // The program's end (closed, or a fatal error) ends the run too.
    chosen = logPath;
    f->cmdLog_Click();
    ASSERT_TRUE(gLogging);
    EXPECT_EQ(openFiles(), filesBefore + 1);
    gMainForm->UnloadAll();
    EXPECT_FALSE(gLogging);
    EXPECT_EQ(openFiles(), filesBefore);
}

// A named pipe or a device is refused by name, at the start and at every line, and the
// program never waits for the pipe's reader.
TEST_F(SaveTest, OnlyARegularFileIsTakenAsTheLog)
{
    const QString fifo = dir.filePath("pipe.csv");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    {
        PipeReaderAfterTimeout guard(fifo);
        chosen = fifo;
        frmSave* f = StartWith({LogInternal});
        EXPECT_FALSE(gLogging);
        EXPECT_EQ(f->cmdLog->text(), "Start Logging");
        EXPECT_FALSE(guard.ReaderWasNeeded()) << "the start waited for a reader of the pipe";
    }
    ASSERT_EQ(env.messages.size(), 1u);
    EXPECT_TRUE(env.messages[0].contains(fifo));
    EXPECT_TRUE(env.messages[0].contains("named pipe"));

    // The log file replaced by a pipe during a run, with a reader waiting on it (so that
    // the write would not wait).
    chosen = logPath;
    StartWith({LogInternal});
    ASSERT_TRUE(gLogging);
    ASSERT_TRUE(LogLine());
    const QByteArray written = ReadAll(logPath);
    ASSERT_TRUE(QFile::rename(logPath, dir.filePath("kept.csv")));
    ASSERT_TRUE(QFile::rename(fifo, logPath));
    const int reader = ::open(QFile::encodeName(logPath).constData(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    EXPECT_FALSE(WriteLine());
    char buffer[256];
    const ssize_t leaked = ::read(reader, buffer, sizeof buffer);
    ::close(reader);
    EXPECT_LE(leaked, 0) << "a line went into the pipe";
    EXPECT_FALSE(gLogging);
    ASSERT_EQ(env.messages.size(), 2u);
    EXPECT_TRUE(env.messages[1].contains(logPath));
    EXPECT_TRUE(env.messages[1].contains("named pipe"));
    EXPECT_EQ(ReadAll(dir.filePath("kept.csv")), written);

    // Nor is a device.
    gLogging = true;
    gLogFileName = "/dev/full";
    EXPECT_FALSE(WriteLine());
    ASSERT_EQ(env.messages.size(), 3u);
    EXPECT_TRUE(env.messages[2].contains("/dev/full"));
    EXPECT_TRUE(env.messages[2].contains("device"));
}

// A line that reaches the disk only in part is taken back, and the message gives the
// system's reason for the part that did not go in.
TEST_F(SaveTest, LineCutShortIsTakenBackAndSaysWhy)
{
    gLogChannel.fill(true);
    gAin12Mode = Ain12ExtDiode;
    gAin3Enabled = true;
    StartWith({LogInternal, LogExternal, LogVdd, LogDacA, LogDacB, LogDacC, LogDacD});
    ASSERT_TRUE(LogLine());
    QByteArray before = ReadAll(logPath);

    // The file may grow by a few bytes only.
    struct rlimit old {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    auto oldSignal = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit tight = old;
    tight.rlim_cur = static_cast<rlim_t>(before.size() + 5);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &tight), 0);
    bool written = WriteLine();
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldSignal);

    EXPECT_FALSE(written);
    EXPECT_FALSE(gLogging);
    EXPECT_EQ(Hex(ReadAll(logPath)), Hex(before));
    ASSERT_EQ(env.messages.size(), 1u);
    EXPECT_TRUE(env.messages[0].contains("File too large")) << env.messages[0].toStdString();
    EXPECT_TRUE(env.messages[0].contains("stays in the file")); // as long as the run left it

    // A full disk: a file system of one page, the log filled up to a few bytes short of it.
    const QString mountPoint = dir.filePath("small");
    ASSERT_TRUE(QDir().mkdir(mountPoint));
    if (::mount("tmpfs", QFile::encodeName(mountPoint).constData(), "tmpfs", 0, "size=4k") != 0)
        GTEST_SKIP() << "no small file system can be mounted here";
    struct Unmount {
        QByteArray path;
        ~Unmount() { ::umount2(path.constData(), MNT_DETACH); }
    } unmount{QFile::encodeName(mountPoint)};
    chosen = mountPoint + "/log.csv";
    StartWith({LogInternal, LogVdd});
    ASSERT_TRUE(gLogging);
    {
        QFile fill(chosen);
        ASSERT_TRUE(fill.open(QIODevice::Append));
        ASSERT_GT(fill.write(QByteArray(4096 - 5 - fill.size(), 'x')), 0);
    }
    before = ReadAll(chosen);
    ASSERT_EQ(before.size(), 4091);
    written = WriteLine();
    EXPECT_FALSE(written);
    EXPECT_FALSE(gLogging);
    EXPECT_EQ(Hex(ReadAll(chosen)), Hex(before));
    ASSERT_EQ(env.messages.size(), 2u);
    EXPECT_TRUE(env.messages[1].contains(chosen));
    EXPECT_TRUE(env.messages[1].contains("No space left on device")) << env.messages[1].toStdString();
    EXPECT_TRUE(env.messages[1].contains("stays in the file"));
}

TEST_F(SaveTest, IntervalText)
{
    frmSave* f = Load();
    const struct {
        const char* text;
        int32_t interval;
    } cases[] = {
        {"12.5", 12},   {"13.5", 14},        {"0", 0},           {"-100", -100},
        {"abc", -100},  {"", -100},          {"1e3", 1000},      {"12abc", 1000},
        {" 77 ", 77},   {"3000000000", 77},  {"-2147483649", 77}, {"2147483647", 2147483647},
        {"+5", 5},      {"-", 5},            {"1e999", 5},
    };
    for (const auto& c : cases) {
        f->txtLogInt->setText(QString::fromLatin1(c.text));
        EXPECT_EQ(gLogInterval, c.interval) << c.text;
    }
    EXPECT_EQ(f->txtLogInt->text(), "1e999"); // the box keeps what was typed

    // The arrows step from the number shown and stay within 10 to 10000.
    f->txtLogInt->setText("250");
    f->UpDown1->StepUp();
    EXPECT_EQ(f->txtLogInt->text(), "251");
    EXPECT_EQ(gLogInterval, 251);
    f->txtLogInt->setText("10000");
    f->UpDown1->StepUp();
    EXPECT_EQ(gLogInterval, 10000);
    f->txtLogInt->setText("10");
    f->UpDown1->StepDown();
    EXPECT_EQ(f->txtLogInt->text(), "10");
    f->txtLogInt->setText("0");
    f->UpDown1->StepDown();
    EXPECT_EQ(gLogInterval, 10);
}

// The master timer's log item over two runs on one file: interval changed and Fahrenheit
// switched during the first, the second started within one interval of the last line.
TEST_F(SaveTest, MasterTimerLogsOnItsInterval)
{
    frmMain* main = new frmMain();
    gMainForm = main;
    env.clock.step = 0;
    env.clock.now = 1000.0;
    gAin12Mode = Ain12ExtDiode;
    frmSave* f = StartWith({LogInternal});
    f->cmdClose_Click(); // lines keep coming with the window closed
    FlushDeletedForms();

    main->tmrMaster_Timer();
    EXPECT_EQ(gLogSampleCount, 1);
    EXPECT_EQ(StatusText(), "Data Logging Enabled");
    main->tmrMaster_Timer(); // same instant: not due
    EXPECT_EQ(gLogSampleCount, 1);
    env.clock.now += 0.2;
    main->tmrMaster_Timer();
    EXPECT_EQ(gLogSampleCount, 1);
    env.clock.now += 0.1;
    main->tmrMaster_Timer();
    EXPECT_EQ(gLogSampleCount, 2);

    gLogInterval = 500; // rescales later lines
    gFahrenheit = true;
    env.clock.now += 0.6;
    for (int i = 0; i < 12; ++i) // a whole measurement cycle, one line
        main->tmrMaster_Timer();
    EXPECT_EQ(gLogSampleCount, 3);

    f = Load();
    f->cmdLog_Click();
    EXPECT_FALSE(gLogging);
    main->tmrMaster_Timer();
    EXPECT_EQ(StatusText(), "Status");

    // Started again within one interval of the last line: its first line waits.
    env.clock.now += 0.2;
    f->cmdLog_Click();
    ASSERT_TRUE(gLogging);
    main->tmrMaster_Timer();
    EXPECT_EQ(gLogSampleCount, 0);
    env.clock.now += 0.4;
    main->tmrMaster_Timer();
    EXPECT_EQ(gLogSampleCount, 1);

    const QList<QByteArray> lines = ReadAll(logPath).split('\n');
    ASSERT_EQ(lines.size(), 13);
    EXPECT_EQ(lines[3], "Time(s) ,Internal(\xB0" "C) ,\r");
    EXPECT_TRUE(lines[4].startsWith("0, "));
    EXPECT_TRUE(lines[5].startsWith(".25, "));
    EXPECT_TRUE(lines[6].startsWith("1, ")); // 2 x 500 ms
    EXPECT_EQ(lines[7], "\r");
    EXPECT_EQ(lines[8], "Zandrel Log File\r");
    EXPECT_EQ(lines[10], "Time(s) ,Internal(\xB0" "F) ,\r");
    EXPECT_TRUE(lines[11].startsWith("0, "));
    EXPECT_TRUE(lines[12].isEmpty());
    for (const QByteArray& line : lines.mid(4, 3))
        EXPECT_TRUE(line.endsWith(",\r"));
}

// The log file deleted between two ticks of the master timer: logging stops with a message
// naming the file, shown while the status bar says why, and the timer goes back to
// "Status" afterwards.
TEST_F(SaveTest, MasterTimerStopsOnFailedLine)
{
    frmMain* main = new frmMain();
    gMainForm = main;
    env.clock.step = 0;
    env.clock.now = 1000.0;
    StartWith({});
    main->tmrMaster_Timer();
    ASSERT_EQ(gLogSampleCount, 1);
    const auto lastLine = main->LastLogTime;
    ASSERT_TRUE(QFile::remove(logPath));
    // The box comes after the tick, and the measurement cycle goes on while it is open.
    int stepsDuringBox = -1;
    SetMsgBoxHandler([&](const QString& text, MsgIcon, MsgButtons) {
        env.messages.push_back(text);
        const int16_t step = main->PollState;
        for (int i = 0; i < 5; ++i) {
            env.clock.now += 0.01;
            main->tmrMaster_Timer();
        }
        stepsDuringBox = (main->PollState - step + 12) % 12;
        return MsgResult::OK;
    });
    env.clock.now += 0.3;
    main->tmrMaster_Timer();
    EXPECT_FALSE(gLogging);
    EXPECT_EQ(gLogSampleCount, 1);
    EXPECT_EQ(main->LastLogTime, lastLine);
    EXPECT_TRUE(env.messages.empty());
    QCoreApplication::processEvents();
    ASSERT_EQ(env.messages.size(), 1u);
    EXPECT_TRUE(env.messages[0].contains(logPath));
    EXPECT_TRUE(env.messages[0].contains("No such file or directory"));
    EXPECT_EQ(stepsDuringBox, 5);
    EXPECT_EQ(StatusText(), "Status");
    EXPECT_FALSE(QFile::exists(logPath));

    // Rotated between two lines: the file deleted and an empty one of the same name made.
    // The run stops as for a deleted file, and the new file gets no data line.
    SetMsgBoxHandler([&](const QString& text, MsgIcon, MsgButtons) {
        env.messages.push_back(text);
        return MsgResult::OK;
    });
    env.messages.clear();
    env.clock.now += 1.0;
    FormInstance<frmSave>()->cmdLog_Click();
    ASSERT_TRUE(gLogging);
    main->tmrMaster_Timer();
    ASSERT_EQ(gLogSampleCount, 1);
    ASSERT_TRUE(QFile::remove(logPath));
    {
        QFile rotated(logPath);
        ASSERT_TRUE(rotated.open(QIODevice::WriteOnly));
    }
    env.clock.now += 0.3;
    main->tmrMaster_Timer();
    EXPECT_FALSE(gLogging);
    EXPECT_EQ(gLogSampleCount, 1);
    QCoreApplication::processEvents();
    ASSERT_EQ(env.messages.size(), 1u);
    EXPECT_TRUE(env.messages[0].contains(logPath));
    EXPECT_TRUE(env.messages[0].contains("no longer the file this log run began"))
        << env.messages[0].toStdString();
    EXPECT_FALSE(env.messages[0].contains("stays in the file"));
    EXPECT_EQ(ReadAll(logPath), QByteArray());
    main->tmrMaster_Timer();
    EXPECT_EQ(StatusText(), "Status");
}

// The real file dialog: a refused name does not decide where it opens next, nor does Qt's
// memory of a folder from an earlier run; a log run's file does. Its icons and types come
// from names alone, so no file is opened to guess them.
TEST_F(SaveTest, FileDialogStartFolderAndIcons)
{
    QSettings(QSettings::UserScope, "QtProject")
        .setValue("FileDialog/lastVisited", QUrl::fromLocalFile("/proc").toString());
    chosen = "/proc/version";
    frmSave* f = StartWith({});
    ASSERT_FALSE(gLogging);
    ASSERT_EQ(env.messages.size(), 1u);
    SetLogFileChooser({});

    // A file whose name says nothing of its type: a provider that reads contents opens it.
    const QString probe = dir.filePath("kmsg");
    {
        QFile p(probe);
        ASSERT_TRUE(p.open(QIODevice::WriteOnly));
        p.write("%PDF-1.4\n");
    }
    // Open until the case ends: a number closed early can be another file's by the time
    // it is read again, and a read of that may wait for ever.
    struct Inotify {
        int fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        ~Inotify() { ::close(fd); }
    } watch;
    ASSERT_GE(watch.fd, 0);
    ASSERT_GE(inotify_add_watch(watch.fd, QFile::encodeName(dir.path()).constData(), IN_OPEN), 0);

    // Notes where the dialog stands, and whether asking its icons and types opened the probe.
    QString startFolder;
    QStringList startSelection;
    bool readContents = true;
    auto note = [&](QFileDialog* dialog) {
        startFolder = dialog->directory().absolutePath();
        startSelection = dialog->selectedFiles();
        if (QAbstractFileIconProvider* icons = dialog->iconProvider()) {
            icons->icon(QFileInfo(probe));
            icons->type(QFileInfo(probe));
            alignas(inotify_event) char events[4096];
            const ssize_t n = ::read(watch.fd, events, sizeof events);
            readContents = false;
            for (ssize_t at = 0; at < n;) {
                const auto* event = reinterpret_cast<const inotify_event*>(events + at);
                if (event->len > 0 && QByteArray(event->name) == "kmsg")
                    readContents = true;
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
        }
    };

    PressWithDialog(f, [&](QFileDialog* dialog) {
        note(dialog);
        dialog->reject();
    });
    EXPECT_FALSE(gLogging);
    EXPECT_EQ(QDir(startFolder).canonicalPath().toStdString(),
              QDir(ZANDREL_PROGRAM_DIR).canonicalPath().toStdString());
    EXPECT_FALSE(readContents) << "the file dialog opened a file to guess its type";

    // A log run's file is where the dialog comes back to, with that file named.
    SetLogFileChooser([&] { return logPath; });
    f->cmdLog_Click();
    ASSERT_TRUE(gLogging);
    f->cmdLog_Click();
    SetLogFileChooser({});
    PressWithDialog(f, [&](QFileDialog* dialog) {
        note(dialog);
        QDialog* asked = dialog; // the file dialog's own accept(), as its Save button runs it
        asked->accept();
    });
    EXPECT_EQ(startFolder.toStdString(), dir.path().toStdString());
    EXPECT_EQ(startSelection, QStringList{logPath});
    EXPECT_TRUE(gLogging);
    EXPECT_EQ(gLogFileName, logPath);
}

// A name typed into the dialog's file name box is used as typed, quotes and all, and a
// path with ".." parts is kept in its clean form: the log run, the next dialog's folder
// and the messages name the file plainly.
TEST_F(SaveTest, TypedNameIsUsedAsTypedInItsCleanForm)
{
    QDir sub(dir.filePath("sub"));
    ASSERT_TRUE(sub.mkpath("deeper"));
    chosen = sub.filePath("first.csv"); // the dialog opens in "sub" next
    frmSave* f = StartWith({});
    ASSERT_TRUE(gLogging);
    f->cmdLog_Click();
    SetLogFileChooser({});

    // Notes the dialog's folder, then types into the file name box over what it shows
    // and presses Enter, or clicks Save; with nothing to type, cancels.
    QString startFolder;
    auto press = [&](const QString& typed, bool clickSave = false) {
        PressWithDialog(f, [&](QFileDialog* dialog) {
            startFolder = dialog->directory().absolutePath();
            if (typed.isEmpty()) {
                dialog->reject();
                return;
            }
            // The box has the focus, as when the user types into it (the dialog then
            // leaves what is typed alone).
            auto* box = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            dialog->activateWindow();
            if (!box || !QTest::qWaitForWindowActive(dialog)) {
                ADD_FAILURE() << "no file name box to type into";
                return;
            }
            box->setFocus();
            QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClicks(box, typed);
            auto* buttons = dialog->findChild<QDialogButtonBox*>();
            QPushButton* save = buttons ? buttons->button(QDialogButtonBox::Save) : nullptr;
            if (clickSave && save)
                QTest::mouseClick(save, Qt::LeftButton);
            else
                QTest::keyClick(box, Qt::Key_Return);
        });
    };

    press("deeper/../../typed.csv");
    EXPECT_EQ(QDir(startFolder).canonicalPath(), sub.canonicalPath());
    ASSERT_TRUE(gLogging);
    const QString clean = dir.filePath("typed.csv");
    EXPECT_EQ(gLogFileName.toStdString(), clean.toStdString());
    EXPECT_TRUE(ReadAll(clean).startsWith("\r\nZandrel Log File\r\n"));

    // The message of a failed line names the file plainly.
    ASSERT_TRUE(QFile::remove(clean));
    EXPECT_FALSE(WriteLine());
    ASSERT_EQ(env.messages.size(), 1u);
    EXPECT_TRUE(env.messages[0].contains("\n" + clean + "\n")) << env.messages[0].toStdString();

    // The next dialog opens in the file's folder, not in "sub/deeper/../..".
    press(QString());
    EXPECT_EQ(startFolder.toStdString(), dir.path().toStdString());

    // More ".." than folders: the system stays at the root, and so does the clean path
    // (and with it the next dialog's folder).
    QString fromRoot = QStringLiteral("../").repeated(dir.path().count('/') + 3) + dir.path().mid(1);
    press(fromRoot + "/above.csv");
    ASSERT_TRUE(gLogging);
    EXPECT_EQ(gLogFileName.toStdString(), dir.filePath("above.csv").toStdString());
    f->cmdLog_Click();
    press(QString());
    EXPECT_EQ(startFolder.toStdString(), dir.path().toStdString());

    // A ".." after a symbolic link goes up from the link's target, as the system goes: the
    // path keeps naming the file the system writes.
    const QString link = dir.filePath("link");
    ASSERT_TRUE(QFile::link(sub.filePath("deeper"), link));
    press(link + "/../viaLink.csv");
    ASSERT_TRUE(gLogging);
    EXPECT_EQ(gLogFileName.toStdString(), QFileInfo(sub.filePath("viaLink.csv")).absoluteFilePath().toStdString());
    EXPECT_TRUE(QFile::exists(sub.filePath("viaLink.csv")));
    f->cmdLog_Click();

    // Double quotes are part of the name, not a list of names; with one at the end, Save
    // is not greyed.
    press("my \"best\" run.csv");
    ASSERT_TRUE(gLogging);
    EXPECT_EQ(gLogFileName.toStdString(), sub.filePath("my \"best\" run.csv").toStdString());
    f->cmdLog_Click();
    press("run 5\"", true);
    ASSERT_TRUE(gLogging);
    EXPECT_EQ(gLogFileName.toStdString(), sub.filePath("run 5\"").toStdString());
    f->cmdLog_Click();
    EXPECT_EQ(sub.entryList(QDir::Files | QDir::Hidden),
              QStringList({"first.csv", "my \"best\" run.csv", "run 5\"", "viaLink.csv"}));
}

// Screen readers call each control by its own caption or the label of its row, never by
// the frame's caption.
TEST_F(SaveTest, EveryControlHasItsOwnAccessibleName)
{
    frmSave* f = Load();
    auto nameOf = [](QWidget* w) {
        return QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name).toStdString();
    };
    const char* const captions[LogChannelCount] = {
        "Internal Temp", "External Temp", "Vdd",  "DAC A", "DAC B", "DAC C",
        "DAC D",         "Kulex",         "Ain1", "Ain2",  "Ain3",  "Ain4"};
    for (int k = 0; k < LogChannelCount; ++k)
        EXPECT_EQ(nameOf(f->chkLog[k]), captions[k]) << k;
    EXPECT_EQ(nameOf(f->txtLogInt), "Log Interval (ms)");
    EXPECT_EQ(nameOf(f->UpDown1), "Log Interval (ms)");
    EXPECT_EQ(nameOf(f->cmdLog), "Start Logging");
    EXPECT_EQ(nameOf(f->cmdClose), "Close");
}

// A log run on the simulated board through the program's own bring-up and timer: one
// column per logged channel, the same on every line, with the measured values.
TEST(SaveOnSimulatedBoard, LogRunGivesOneColumnPerChannel)
{
    ProgramEnvironment env;
    QTemporaryDir dir;
    const QString path = dir.filePath("sim.csv");
    SetLogFileChooser([&] { return path; });
    frmMain* main = BringUpOnSimulatedBoard();
    frmSave* f = LoadForm<frmSave>();
    for (int i = 0; i < 24; ++i) // every channel measured
        main->tmrMaster_Timer();
    for (QCheckBox* box : f->chkLog) // the user ticks what can be ticked
        box->setChecked(box->isEnabled());
    f->cmdLog_Click();
    ASSERT_TRUE(gLogging);
    int ticked = 1; // the time column
    for (QCheckBox* box : f->chkLog)
        ticked += box->isChecked() ? 1 : 0;
    env.clock.step = 0.01;
    for (int i = 0; i < 300; ++i)
        main->tmrMaster_Timer();
    SetLogFileChooser({});
    ASSERT_GT(gLogSampleCount, 5);

    const QList<QByteArray> lines = ReadAll(path).split('\n');
    ASSERT_EQ(lines.size(), 4 + gLogSampleCount + 1);
    for (int n = 0; n < gLogSampleCount; ++n) {
        const QByteArray& line = lines[4 + n];
        ASSERT_TRUE(line.endsWith(",\r")) << line.toStdString();
        EXPECT_EQ(line.count(','), ticked) << line.toStdString();
        EXPECT_TRUE(line.startsWith(LogTimeText(gLogInterval, n).toLatin1() + ",")) << n;
    }
    EXPECT_EQ(lines[3].count(','), ticked);
    // The Vdd column carries the measured supply (the simulated board adds a little noise).
    ASSERT_TRUE(gLogChannel[LogVdd]);
    const int vddColumn = 1 + (gLogChannel[LogInternal] ? 1 : 0) + (gLogChannel[LogExternal] ? 1 : 0);
    EXPECT_GT(gVddVolts, 2.5f);
    const QByteArray vdd = lines[4 + gLogSampleCount - 1].split(',').value(vddColumn);
    EXPECT_TRUE(vdd.startsWith(' ')) << vdd.toStdString();
    EXPECT_NEAR(ValText(QString::fromLatin1(vdd)), gVddVolts, 0.05);
}

} // namespace
