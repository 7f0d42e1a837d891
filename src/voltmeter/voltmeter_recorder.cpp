#include "voltmeter/voltmeter_recorder.h"

#include "serial/volts_text.h"

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

VoltmeterRecorder::~VoltmeterRecorder()
{
    stop();
}

bool VoltmeterRecorder::start(const QString &path)
{
    stop();
    rows_ = 0;
    error_.clear();
    file_.setFileName(path);
    // Unbuffered: every row reaches the system as it is written.
    if (!file_.open(QIODevice::ReadWrite | QIODevice::Append | QIODevice::Unbuffered)) {
        error_ = file_.errorString();
        return false;
    }
    const QByteArray columns = readingColumns().toLatin1();
    if (file_.size() > 0) {
        file_.seek(0);
        const QByteArray first = file_.readLine().trimmed();
        if (first != columns) {
            error_ = QStringLiteral("not a voltmeter recording");
            file_.close();
            return false;
        }
        file_.seek(file_.size());
    } else if (!write(columns + "\r\n")) {
        return false;
    }
    started_.start();
    return true;
}

bool VoltmeterRecorder::addRow(const ChannelReadings &readings, const QDateTime &wallClock)
{
    if (!isRecording())
        return false;
    const QString row = wallClockText(wallClock) + QLatin1Char(',') +
                        QString::number(double(started_.nsecsElapsed()) / 1e9, 'f', 3) +
                        QLatin1Char(',') + readingFields(readings) + QStringLiteral("\r\n");
    if (!write(row.toLatin1()))
        return false;
    ++rows_;
    return true;
}

bool VoltmeterRecorder::write(const QByteArray &text)
{
    if (file_.write(text) == text.size())
        return true;
    error_ = file_.errorString();
    file_.close();
    return false;
}

void VoltmeterRecorder::stop()
{
    if (file_.isOpen())
        file_.close();
}

} // namespace vemtra::voltmeter
