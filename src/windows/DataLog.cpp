#include "windows/DataLog.h"

#include "chip/GeneralStuff.h"
#include "platform/NumberText.h"
#include "windows/GeneralStuff.h"

#include <QFile>
#include <QFileInfo>

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

bool AppendToLogFile(const QString& path, const QByteArray& bytes, QString* reason)
{
    auto fail = [&](const QString& why) {
        if (reason)
            *reason = why;
        return false;
    };
    if (path.isEmpty())
        return fail(QStringLiteral("No file name was given."));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) {
        // A folder never opens as a file; it is looked for only then, not on every line.
        if (QFileInfo(path).isDir())
            return fail(QStringLiteral("It is a folder, not a file."));
        return fail(file.errorString());
    }
    const qint64 before = file.size();
    const bool written = file.write(bytes) == bytes.size() && file.flush();
    if (!written) {
        const QString why = file.errorString();
        // Take back whatever part of the piece reached the file, so that the lines already
        // in it stay whole.
        file.close();
        const QFileInfo info(path);
        if (before >= 0 && info.isFile() && info.size() > before)
            QFile::resize(path, before);
        return fail(why);
    }
    file.close();
    if (file.error() != QFileDevice::NoError)
        return fail(file.errorString());
    return true;
}
