// The data log file: the pieces a log run appends, their bytes, and the one way they
// reach the disk (open for appending, write, close).
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>

// Time field of a data line: interval (ms) times line count, in seconds with up to three
// decimals, no leading blank ("0", ".25", "1.25", "-.25"). The product is taken in 64 bits,
// so a long run never writes a wrong time.
QString LogTimeText(int32_t intervalMs, int32_t sampleCount);

// The block that opens every log run: an empty line, the title line, an empty line.
QByteArray LogTitleBlock();

// A line of the log as it goes into the file: single-byte text (the degree sign is the
// byte B0h) followed by CR LF.
QByteArray LogLineBytes(const QString& line);

// Whether the log file may be created by the write. The start of a log run creates a
// missing file; a data line goes only into the file the run began, so a file removed
// during the run is not made anew without its title and header.
enum class LogFileOpen { CreateIfMissing, MustExist };

// Appends the bytes to the file; the file is opened and closed again here. Only a regular
// file is written: a named pipe, a device or a folder is refused without being opened for
// writing, so the call never waits on the file. On failure the file is put back to the
// length it had, so no half-written piece stays in it, and *reason (when given) says why
// in the system's own words.
bool AppendToLogFile(const QString& path, const QByteArray& bytes, LogFileOpen how,
                     QString* reason = nullptr);
