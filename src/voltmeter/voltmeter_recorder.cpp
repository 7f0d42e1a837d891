#include "voltmeter/voltmeter_recorder.h"

#include "serial/output_file.h"
#include "serial/protocol.h"
#include "serial/volts_text.h"

#include <QFileInfo>

#include <algorithm>
#include <cmath>

namespace vemtra::voltmeter {

QString wallClockText(const QDateTime &time)
{
    // Written out by hand: Qt's ISO form says "Z" for an offset of zero and
    // leaves the offset out of local times.
    const int offset = time.offsetFromUtc();
    const int minutes = std::abs(offset) / 60;
    return time.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz")) +
           QStringLiteral("%1%2:%3")
               .arg(offset < 0 ? QLatin1Char('-') : QLatin1Char('+'))
               .arg(minutes / 60, 2, 10, QLatin1Char('0'))
               .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

QString readingColumns()
{
    QString text = QStringLiteral("time,time_s");
    for (int ch = 1; ch <= 4; ++ch)
        text += QStringLiteral(",ch%1_raw,ch%1_V").arg(ch);
    return text;
}

QString readingFields(const ChannelReadings &readings)
{
    QStringList fields;
    for (const auto &reading : readings) {
        if (!reading) {
            fields << QString() << QString();
            continue;
        }
        fields << QString::number(*reading) << protocol::voltsText(*reading);
    }
    return fields.join(QLatin1Char(','));
}

namespace {

// Enough for many rows; a last line longer than this is not one of ours.
constexpr qint64 kTailBytes = 4096;

} // namespace

RecordingFile lookAtRecording(QIODevice &file)
{
    using Kind = RecordingFile::Kind;
    RecordingFile look;
    const qint64 size = file.size();
    if (size <= 0)
        return look;
    look.kind = Kind::Other;
    const QByteArray columns = readingColumns().toLatin1();
    if (!file.seek(0) || file.readLine(columns.size() + 3).trimmed() != columns)
        return look;

    const qint64 tail = std::min(size, kTailBytes);
    if (!file.seek(size - tail))
        return look;
    QByteArray end = file.read(tail);
    look.endsWithLine = end.endsWith('\n');
    // One line end only: a blank line inside the file is not a row.
    if (end.endsWith('\n'))
        end.chop(1);
    if (end.endsWith('\r'))
        end.chop(1);
    const qsizetype from = end.lastIndexOf('\n') + 1;
    const bool firstLine = from == 0 && tail == size;
    if (from == 0 && !firstLine)
        return look;
    const QByteArray last = end.mid(from);
    if (last == columns) {
        if (firstLine)
            look.kind = Kind::Recording;
        return look;
    }
    const QList<QByteArray> fields = last.split(',');
    bool ok = false;
    const double seconds = fields.size() == columns.count(',') + 1 ? fields[1].toDouble(&ok) : 0;
    if (!ok || !std::isfinite(seconds) || seconds < 0)
        return look;
    look.kind = Kind::Recording;
    look.hasRows = true;
    look.lastSeconds = seconds;
    look.lastWallClock = QDateTime::fromString(QString::fromLatin1(fields[0]), Qt::ISODateWithMs);
    return look;
}

RecordingFile lookAtRecordingFile(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists() || !info.isFile())
        return {};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        RecordingFile unreadable;
        unreadable.kind = RecordingFile::Kind::Other;
        return unreadable;
    }
    return lookAtRecording(file);
}

VoltmeterRecorder::~VoltmeterRecorder()
{
    stop();
}

bool VoltmeterRecorder::start(const QString &path, StartMode mode)
{
    stop();
    rows_ = 0;
    error_.clear();
    started_.invalidate();
    continueFrom_ = 0;
    continueAfter_ = QDateTime();
    file_.setFileName(path);
    // A device or named pipe holds no recording to add to, and would block or
    // fail on the look for one: the rows go straight into it.
    if (serial::OutputFile::isInPlaceTarget(path)) {
        if (!serial::OutputFile::openInPlace(file_, path, &error_))
            return false;
        if (!write(readingColumns().toLatin1() + "\r\n"))
            return false;
        started_.start();
        return true;
    }
    const QIODevice::OpenMode how = mode == StartMode::Replace
                                        ? QIODevice::WriteOnly | QIODevice::Truncate
                                        : QIODevice::ReadWrite | QIODevice::Append;
    // Unbuffered: every row reaches the system as it is written.
    if (!file_.open(how | QIODevice::Unbuffered)) {
        error_ = file_.errorString();
        return false;
    }
    QByteArray head = readingColumns().toLatin1() + "\r\n";
    if (mode == StartMode::Add && !file_.isSequential() && file_.size() > 0) {
        const RecordingFile look = lookAtRecording(file_);
        if (look.kind != RecordingFile::Kind::Recording) {
            error_ = QStringLiteral("not a voltmeter recording");
            file_.close();
            return false;
        }
        if (look.hasRows) {
            continueFrom_ = look.lastSeconds;
            continueAfter_ = look.lastWallClock;
        }
        // A last line without its end would run into the first new row.
        head = look.endsWithLine ? QByteArray() : QByteArray("\r\n");
        file_.seek(file_.size());
    }
    return head.isEmpty() || write(head);
}

bool VoltmeterRecorder::addRow(const ChannelReadings &readings, const QDateTime &wallClock)
{
    if (!isRecording())
        return false;
    double seconds = continueFrom_;
    if (!started_.isValid()) {
        started_.start();
        // The pause since the row added to, as far as the PC's clock can tell.
        if (continueAfter_.isValid())
            seconds += double(std::max<qint64>(0, continueAfter_.msecsTo(wallClock))) / 1000;
        continueFrom_ = seconds;
    } else {
        seconds += double(started_.nsecsElapsed()) / 1e9;
    }
    const QString row = wallClockText(wallClock) + QLatin1Char(',') +
                        QString::number(seconds, 'f', 3) + QLatin1Char(',') +
                        readingFields(readings) + QStringLiteral("\r\n");
    if (!write(row.toLatin1()))
        return false;
    ++rows_;
    return true;
}

bool VoltmeterRecorder::write(const QByteArray &text)
{
    const qint64 before = file_.isSequential() ? -1 : file_.size();
    if (file_.write(text) == text.size())
        return true;
    error_ = file_.errorString();
    // A row cut short would leave a file no table reader takes: it goes.
    if (before >= 0)
        file_.resize(before);
    file_.close();
    return false;
}

void VoltmeterRecorder::stop()
{
    if (file_.isOpen())
        file_.close();
}

} // namespace vemtra::voltmeter
