#include "windows/DataLog.h"

#include "chip/GeneralStuff.h"
#include "platform/NumberText.h"
#include "windows/GeneralStuff.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

QString LogTimeText(int32_t intervalMs, int32_t sampleCount)
{
    const int64_t product = static_cast<int64_t>(intervalMs) * sampleCount;
    // Up to 12 whole digits and 3 decimals the double text holds every digit.
    constexpr int64_t kDoubleExact = 1'000'000'000'000'000LL;
    if (product > -kDoubleExact && product < kDoubleExact)
        return TrimDouble(RoundDecimals(static_cast<double>(product) / 1000.0, 3));
    // Beyond that, write the milliseconds' digits themselves so that none is lost.
    const uint64_t magnitude = product < 0 ? 0 - static_cast<uint64_t>(product)
                                           : static_cast<uint64_t>(product);
    QString text = DecText(static_cast<int64_t>(magnitude / 1000));
    if (product < 0)
        text.prepend(QLatin1Char('-'));
    const unsigned fraction = static_cast<unsigned>(magnitude % 1000);
    if (fraction != 0) {
        QString digits = QString::number(fraction).rightJustified(3, QLatin1Char('0'));
        while (digits.endsWith(QLatin1Char('0')))
            digits.chop(1);
        text += QLatin1Char('.') + digits;
    }
    return text;
}

QString BuildLogLine()
{
    const float values[LogChannelCount] = {
        gInternalTemp, gExternalTemp, gVddVolts,    gDacVolts[0], gDacVolts[1], gDacVolts[2],
        gDacVolts[3],  gKulexTemp,    gAinVolts[0], gAinVolts[1], gAinVolts[2], gAinVolts[3]};
    QString line;
    line.reserve(16 + 12 * LogChannelCount);
    line += LogTimeText(gLogInterval, gLogSampleCount);
    line += QLatin1Char(',');
    for (int k = 0; k < LogChannelCount; ++k) {
        if (gLogChannel[k]) {
            line += StrSingle(values[k]);
            line += QLatin1Char(',');
        }
    }
    return line;
}

QByteArray LogTitleBlock() { return QByteArrayLiteral("\r\nZandrel Log File\r\n\r\n"); }

QByteArray LogLineBytes(const QString& line)
{
    QByteArray bytes = line.toLatin1();
    bytes += "\r\n";
    return bytes;
}

LogFileIdentity gLogFileIdentity;

void LogFileIdentity::Release()
{
    if (held >= 0)
        ::close(held);
    held = -1;
    device = inode = 0;
    end = 0;
}

void EndLogRun()
{
    gLogging = false;
    gLogFileIdentity.Release();
}

namespace {
bool IsSameFile(const struct stat& found, const LogFileIdentity& file)
{
    return static_cast<uint64_t>(found.st_dev) == file.device &&
           static_cast<uint64_t>(found.st_ino) == file.inode;
}

// Why a path that exists but is no regular file is not taken as the log.
QString NotAFileReason(mode_t mode)
{
    if (S_ISDIR(mode))
        return QStringLiteral("It is a folder, not a file.");
    if (S_ISFIFO(mode))
        return QStringLiteral("It is a named pipe, not a file.");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return QStringLiteral("It is a device, not a file.");
    if (S_ISSOCK(mode))
        return QStringLiteral("It is a socket, not a file.");
    return QStringLiteral("It is not a regular file.");
}

// Whether the run's last piece is still where the run wrote it, read back through the
// file the run holds. Another file copied onto the log's name goes into the same inode
// and can be as long, but holds other bytes there. When the held file cannot be read
// (it was opened for writing only), this cannot tell, and says yes.
bool LastPieceInPlace(const LogFileIdentity& file)
{
    QByteArray found(file.last.size(), Qt::Uninitialized);
    const ssize_t n = ::pread(file.held, found.data(), static_cast<size_t>(found.size()),
                              file.end - found.size());
    return n == -1 || (n == found.size() && found == file.last);
}
} // namespace

bool IsLogRunFile(const QString& path, const LogFileIdentity& file)
{
    struct stat found {};
    return file.Known() && ::stat(QFile::encodeName(path).constData(), &found) == 0 &&
           S_ISREG(found.st_mode) && IsSameFile(found, file) && found.st_size >= file.end &&
           LastPieceInPlace(file);
}

bool AppendToLogFile(const QString& path, const QByteArray& bytes, LogFileOpen how,
                     QString* reason, LogFileIdentity* file)
{
    auto fail = [&](const QString& why) {
        if (reason)
            *reason = why;
        return false;
    };
    auto failErrno = [&](int error) { return fail(qt_error_string(error)); };
    if (path.isEmpty())
        return fail(QStringLiteral("No file name was given."));
    const QByteArray native = QFile::encodeName(path);

    // Looked at before it is opened: opening a named pipe for writing waits for a reader,
    // and opening a device can have effects of its own.
    struct stat found {};
    if (::stat(native.constData(), &found) == 0) {
        if (!S_ISREG(found.st_mode))
            return fail(NotAFileReason(found.st_mode));
    } else if (errno != ENOENT || how == LogFileOpen::MustExist) {
        return failErrno(errno);
    }

    // The start of a run, or a run that holds no file yet, holds the file it writes from
    // now on, open for reading too, so that the run's pieces can be read back.
    const bool taking = file && (how == LogFileOpen::CreateIfMissing || !file->Known());

    // Non-blocking, in case the path was replaced by a pipe since: the open then fails or
    // returns at once, and the check below refuses what it opened.
    int flags = (taking ? O_RDWR : O_WRONLY) | O_APPEND | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
    if (how == LogFileOpen::CreateIfMissing)
        flags |= O_CREAT;
    int fd = -1;
    do
        fd = ::open(native.constData(), flags, 0666);
    while (fd < 0 && errno == EINTR);
    // A file one may write but not read is still logged into, without the read-back.
    if (fd < 0 && errno == EACCES && taking)
        fd = ::open(native.constData(), (flags & ~O_ACCMODE) | O_WRONLY, 0666);
    if (fd < 0)
        return failErrno(errno);

    struct stat opened {};
    if (::fstat(fd, &opened) != 0) {
        const int error = errno;
        ::close(fd);
        return failErrno(error);
    }
    if (!S_ISREG(opened.st_mode)) {
        ::close(fd);
        return fail(NotAFileReason(opened.st_mode));
    }
    // A data line goes on only where the run's lines before it are, under its title block
    // and header. The run holds its file open, so no other file can have its inode; a
    // file shorter than the run left it is the run's own file emptied or cut in place,
    // and one without the run's last piece in its place was written over.
    if (file && file->Known() && how == LogFileOpen::MustExist &&
        (!IsSameFile(opened, *file) || opened.st_size < file->end || !LastPieceInPlace(*file))) {
        ::close(fd);
        return fail(QStringLiteral("It is no longer the file this log run began: another program "
                                   "has replaced it, emptied it or cut it short."));
    }

    // Taken before anything is written, so that no piece goes into a file the run could
    // not hold.
    if (taking) {
        file->Release();
        file->held = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
        if (file->held < 0) {
            const int error = errno;
            ::close(fd);
            return failErrno(error);
        }
        file->device = static_cast<uint64_t>(opened.st_dev);
        file->inode = static_cast<uint64_t>(opened.st_ino);
    }

    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    int error = 0;
    while (left > 0) {
        const ssize_t n = ::write(fd, data, static_cast<size_t>(left));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            // After a part went in, this is the call that says why the rest did not.
            error = errno;
            break;
        }
        data += n;
        left -= n;
    }
    if (error != 0) {
        // Take back whatever part of the piece reached the file, so that the lines already
        // in it stay whole.
        struct stat now {};
        if (::fstat(fd, &now) == 0 && now.st_size > opened.st_size)
            (void)::ftruncate(fd, opened.st_size);
        ::close(fd);
        if (taking)
            file->Release();
        return failErrno(error);
    }
    if (file) {
        // Where the piece ends: the end of the file as the write found it, which lines
        // another program appended since the look above have moved on.
        file->end = static_cast<int64_t>(::lseek(fd, 0, SEEK_CUR));
        file->last = bytes;
    }
    if (::close(fd) != 0 && errno != EINTR) {
        const int closeError = errno;
        if (taking)
            file->Release();
        return failErrno(closeError);
    }
    return true;
}
