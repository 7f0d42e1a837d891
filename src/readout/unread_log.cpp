#include "readout/unread_log.h"

#include "serial/output_file.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace vemtra::readout {

namespace {

// Enough for every board a user keeps; the oldest go first.
constexpr int kRecordsKept = 200;

QByteArray hexOf(const HeaderReadBack &readBack)
{
    return QByteArray(reinterpret_cast<const char *>(readBack.data()), qsizetype(readBack.size()))
        .toHex();
}

QList<QByteArray> recordLines()
{
    QFile file(readOutRecordPath());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QList<QByteArray> lines;
    for (const QByteArray &line : file.readAll().split('\n'))
        if (!line.trimmed().isEmpty())
            lines << line.trimmed();
    return lines;
}

} // namespace

bool hasUnreadLog(const HeaderReadBack &readBack)
{
    return loggedBytes(readBack) > 0 && !wasReadOut(readBack);
}

int loggedBytes(const HeaderReadBack &readBack)
{
    const protocol::LogHeader header = protocol::LogHeader::decode(readBack);
    return header.showsLog() ? header.loggedBytes() : 0;
}

QString readOutRecordPath()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation))
        .filePath(QStringLiteral("readouts.txt"));
}

bool wasReadOut(const HeaderReadBack &readBack)
{
    const QByteArray key = hexOf(readBack);
    for (const QByteArray &line : recordLines())
        if (line.split(' ').value(0) == key)
            return true;
    return false;
}

bool rememberReadOut(const HeaderReadBack &readBack, const QDateTime &when)
{
    QList<QByteArray> lines = recordLines();
    lines << hexOf(readBack) + ' ' + when.toUTC().toString(Qt::ISODate).toLatin1();
    if (lines.size() > kRecordsKept)
        lines = lines.mid(lines.size() - kRecordsKept);
    const QString path = readOutRecordPath();
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    serial::OutputFile file(path);
    if (!file.open())
        return false;
    file.device().write(lines.join('\n') + '\n');
    return file.commit();
}

} // namespace vemtra::readout
