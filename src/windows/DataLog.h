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

// The file a log run writes into. The run holds it open from its start to its end, so
// that the system cannot give its inode to another file while the run goes on: a file
// under the log's name with the run's device and inode is then the run's own file, not
// one made anew after it was deleted. Its length after the run's last piece tells a file
// emptied or cut short in place, and that piece's bytes, read back where they went, a
// file whose bytes were written over in place (another file copied onto its name).
struct LogFileIdentity {
    LogFileIdentity() = default;
    LogFileIdentity(const LogFileIdentity&) = delete;
    LogFileIdentity& operator=(const LogFileIdentity&) = delete;
    ~LogFileIdentity() { Release(); }

    bool Known() const { return held >= 0; }
    // Lets go of the run's file and forgets it.
    void Release();

    int held = -1; // the run's file, open for the whole run; -1 while no run holds one
    uint64_t device = 0;
    uint64_t inode = 0;
    // Where the run's last piece ends in the file, and that piece's bytes.
    int64_t end = 0;
    QByteArray last;
};

// The file of the present log run; none before the first one and after a run ends.
extern LogFileIdentity gLogFileIdentity;

// Ends the log run, if one is going: no further line is written and its file is let go.
// Every end of a run comes here: the stop, a failed line, the program's end.
void EndLogRun();

// Whether the path still names the run's file, as long as the run left it and with the
// run's last piece still in its place.
bool IsLogRunFile(const QString& path, const LogFileIdentity& file);

// Appends the bytes to the file; the file is opened and closed again here. Only a regular
// file is written: a named pipe, a device or a folder is refused without being opened for
// writing, so the call never waits on the file. On failure the file is put back to the
// length it had, so no half-written piece stays in it, and *reason (when given) says why
// in the system's own words.
// With `file` given, the start of a run (CreateIfMissing) takes the file it writes as the
// run's and holds it, letting go of any file held before; a data line (MustExist) goes
// only into the run's file, at no less than the length the run left it and with the run's
// last piece still where it went (a run that holds no file yet takes the one it writes).
// Lines that another program appends between the run's own do not stop it.
bool AppendToLogFile(const QString& path, const QByteArray& bytes, LogFileOpen how,
                     QString* reason = nullptr, LogFileIdentity* file = nullptr);
