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

LogIdentity identityOf(const ReadoutResult &result)
{
    return {result.header, result.tail};
}

ProgrammingVerdict programmingVerdict(const ReadoutResult &look, bool force,
                                      const std::optional<LogIdentity> &readOutHere)
{
    if (force)
        return ProgrammingVerdict::Program;
    if (!look.ok())
        return ProgrammingVerdict::LogNotLookedAt;
    if (loggedBytes(look.header) == 0)
        return ProgrammingVerdict::Program;
    const LogIdentity seen = identityOf(look);
    if ((readOutHere && *readOutHere == seen) || wasReadOut(seen))
        return ProgrammingVerdict::Program;
    return ProgrammingVerdict::UnreadLog;
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

bool wasReadOut(const LogIdentity &log)
{
    if (log.tail.isEmpty())
        return false;
    const QByteArray header = hexOf(log.header);
    const QByteArray tail = log.tail.toHex();
    for (const QByteArray &line : recordLines()) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.value(0) == header && fields.value(2) == tail)
            return true;
    }
    return false;
}

bool rememberReadOut(const LogIdentity &log, const QDateTime &when)
{
    QList<QByteArray> lines = recordLines();
    lines << hexOf(log.header) + ' ' + when.toUTC().toString(Qt::ISODate).toLatin1() + ' ' +
                 log.tail.toHex();
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
