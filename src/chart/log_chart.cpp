#include "chart/log_chart.h"

#include "chart/chart_texts.h"
#include "readout/data_file.h"

#include <QFile>

#include <algorithm>
#include <cmath>

namespace vemtra::chart {

namespace {

// "ch1".."ch4" -> 0..3, else -1.
int channelOf(QByteArrayView name)
{
    if (name.size() != 3 || !name.startsWith("ch") || name[2] < '1' || name[2] > '4')
        return -1;
    return name[2] - '1';
}

QByteArray withoutLineEnd(QByteArray line)
{
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    return line;
}

// Reads lines and counts them; a final line end does not make an extra line.
class Lines {
public:
    explicit Lines(QIODevice &in) : in_(in) {}
    bool next(QByteArray &line)
    {
        if (in_.atEnd())
            return false;
        line = withoutLineEnd(in_.readLine());
        ++number_;
        return true;
    }
    int number() const { return number_; }

private:
    QIODevice &in_;
    int number_ = 0;
};

LoadResult failed(LoadError error, int line)
{
    LoadResult result;
    result.error = error;
    result.line = line;
    return result;
}

// Header line: each name followed by a TAB. Record lines: the values, each
// followed by a TAB, then ":" and the record number from 0.
LoadResult parseDataFile(Lines &lines, const QByteArray &channelLine)
{
    LoadResult result;
    LogRecords &log = result.log;
    QList<QByteArray> names = channelLine.split('\t');
    if (names.size() < 2 || !names.last().isEmpty())
        return failed(LoadError::BadChannelLine, lines.number());
    names.removeLast();
    QList<int> columns;
    for (const QByteArray &name : names) {
        const int channel = channelOf(name);
        if (channel < 0 || log.logged[std::size_t(channel)])
            return failed(LoadError::BadChannelLine, lines.number());
        log.logged[std::size_t(channel)] = true;
        columns.append(channel);
    }

    QByteArray line;
    while (lines.next(line)) {
        const QList<QByteArray> fields = line.split('\t');
        bool ok = fields.size() == columns.size() + 1 &&
                  fields.last() == ':' + QByteArray::number(log.records);
        for (int i = 0; ok && i < columns.size(); ++i) {
            const auto raw = readout::parseDataValue(fields[i]);
            ok = raw.has_value();
            if (ok)
                log.raw[std::size_t(columns[i])].append(*raw);
        }
        if (!ok)
            return failed(LoadError::BadRecord, lines.number());
        ++log.records;
    }
    return result;
}

// Columns by name, so every CSV the program writes reads the same way:
// "index", "time" and anything else not named here are passed over.
LoadResult parseCsv(Lines &lines, const QByteArray &columnLine)
{
    LoadResult result;
    LogRecords &log = result.log;
    const QList<QByteArray> names = columnLine.split(',');
    std::array<int, kChannels> rawColumn{-1, -1, -1, -1};
    int timeColumn = -1;
    int voltColumns = 0;
    int fractionColumns = 0;
    QList<QByteArray> seen;
    for (int i = 0; i < names.size(); ++i) {
        const QByteArray name = names[i].trimmed();
        if (seen.contains(name))
            return failed(LoadError::BadColumns, lines.number());
        seen.append(name);
        const int channel =
            channelOf(QByteArrayView(name).first(std::min<qsizetype>(3, name.size())));
        if (name == "time_s")
            timeColumn = i;
        else if (channel >= 0 && name.mid(3) == "_raw")
            rawColumn[std::size_t(channel)] = i;
        else if (channel >= 0 && name.mid(3) == "_V")
            ++voltColumns;
        else if (channel >= 0 && name.mid(3) == "_xCH4")
            ++fractionColumns;
    }
    if (std::ranges::all_of(rawColumn, [](int c) { return c < 0; }) ||
        (voltColumns > 0 && fractionColumns > 0))
        return failed(LoadError::BadColumns, lines.number());
    for (int channel = 0; channel < kChannels; ++channel)
        log.logged[std::size_t(channel)] = rawColumn[std::size_t(channel)] >= 0;
    if (voltColumns > 0 || fractionColumns > 0)
        log.referenceCh4 = fractionColumns > 0;

    std::optional<bool> timed; // the first row decides: every row has a time or none has
    QByteArray line;
    while (lines.next(line)) {
        const QList<QByteArray> fields = line.split(',');
        if (fields.size() != names.size())
            return failed(LoadError::BadRow, lines.number());
        std::optional<double> seconds;
        if (timeColumn >= 0) {
            const QByteArray text = fields[timeColumn].trimmed();
            if (!timed)
                timed = !text.isEmpty();
            if (*timed) {
                bool ok = false;
                const double t = text.toDouble(&ok);
                if (!ok || !std::isfinite(t) || t < 0 ||
                    (!log.seconds.isEmpty() && t < log.seconds.last()))
                    return failed(LoadError::BadRow, lines.number());
                seconds = t;
            } else if (!text.isEmpty()) {
                return failed(LoadError::BadRow, lines.number());
            }
        }
        std::array<std::uint8_t, kChannels> values{};
        bool answered = true;
        for (int channel = 0; channel < kChannels; ++channel) {
            const int column = rawColumn[std::size_t(channel)];
            if (column < 0)
                continue;
            const QByteArray field = fields[column].trimmed();
            // A channel that did not answer in a reading leaves its fields
            // empty: that reading has no point in the chart.
            if (field.isEmpty()) {
                answered = false;
                continue;
            }
            const auto raw = readout::parseDataValue(field);
            if (!raw)
                return failed(LoadError::BadRow, lines.number());
            values[std::size_t(channel)] = *raw;
        }
        if (!answered)
            continue;
        if (seconds)
            log.seconds.append(*seconds);
        for (int channel = 0; channel < kChannels; ++channel)
            if (rawColumn[std::size_t(channel)] >= 0)
                log.raw[std::size_t(channel)].append(values[std::size_t(channel)]);
        ++log.records;
    }
    return result;
}

QString numberText(double value, int decimals)
{
    return QString::number(value, 'f', decimals);
}

} // namespace

LoadResult parseLog(QIODevice &in)
{
    Lines lines(in);
    QByteArray first;
    do {
        if (!lines.next(first))
            return failed(LoadError::Empty, lines.number());
    } while (first.startsWith('#'));
    if (first.contains('\t'))
        return parseDataFile(lines, first);
    if (first.contains(','))
        return parseCsv(lines, first);
    return failed(LoadError::UnknownFormat, lines.number());
}

LoadResult loadLogFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        LoadResult result = failed(LoadError::CannotOpen, 0);
        result.detail = file.errorString();
        return result;
    }
    return parseLog(file);
}

QString describe(const LoadResult &result)
{
    const QString at = QStringLiteral("line %1: ").arg(result.line);
    switch (result.error) {
    case LoadError::None:
        return {};
    case LoadError::CannotOpen:
        return QStringLiteral("cannot read the file: %1").arg(result.detail);
    case LoadError::Empty:
        return QStringLiteral("the file holds no log");
    case LoadError::UnknownFormat:
        return at + QStringLiteral("neither a data file's channel line nor a CSV column row");
    case LoadError::BadChannelLine:
        return at + QStringLiteral("the channel line names other than ch1..ch4, each once");
    case LoadError::BadRecord:
        return at + QStringLiteral("not the next record of the data file");
    case LoadError::BadColumns:
        return at + QStringLiteral("the columns name no chN_raw, a column twice, or both _V "
                                   "and _xCH4");
    case LoadError::BadRow:
        return at + QStringLiteral("not a row of the columns (value 0..255, time not going back)");
    }
    return {};
}

TimeAxis timeAxisFor(std::optional<double> spanSeconds)
{
    if (!spanSeconds)
        return {TimeUnit::Record, 1};
    if (*spanSeconds < 3 * 60)
        return {TimeUnit::Second, 1};
    if (*spanSeconds < 3 * 3600)
        return {TimeUnit::Minute, 60};
    return {TimeUnit::Hour, 3600};
}

ChartResult makeChart(const LogRecords &log, const ChartOptions &options)
{
    ChartResult result;
    LogChart &chart = result.chart;
    if (options.intervalSeconds &&
        (!std::isfinite(*options.intervalSeconds) || *options.intervalSeconds <= 0)) {
        result.error = ChartError::BadInterval;
        return result;
    }

    // Board time of every record: the file's own, else from the interval.
    QList<double> seconds;
    if (!log.seconds.isEmpty()) {
        seconds = log.seconds;
    } else if (options.intervalSeconds) {
        seconds.reserve(log.records);
        for (int i = 0; i < log.records; ++i)
            seconds.append(i * *options.intervalSeconds);
    }
    const bool timed = !log.seconds.isEmpty() || options.intervalSeconds.has_value();
    std::optional<double> span;
    if (timed)
        span = seconds.isEmpty() ? 0.0 : seconds.last();
    chart.time = timeAxisFor(span);
    chart.records = log.records;

    QList<double> x;
    x.reserve(log.records);
    for (int i = 0; i < log.records; ++i)
        x.append(timed ? seconds[i] / chart.time.secondsPerUnit : double(i));
    chart.xMax = x.isEmpty() ? 0 : x.last();

    switch (chart.time.unit) {
    case TimeUnit::Record:
        chart.timeLabel = texts::recordNumber();
        break;
    case TimeUnit::Second:
        chart.timeLabel = texts::timeSeconds();
        break;
    case TimeUnit::Minute:
        chart.timeLabel = texts::timeMinutes();
        break;
    case TimeUnit::Hour:
        chart.timeLabel = texts::timeHours();
        break;
    }

    chart.referenceCh4 = log.referenceCh4.value_or(options.referenceCh4);
    chart.valueMax = chart.referenceCh4 ? 1.0 : 5.0;
    chart.valueLabel = chart.referenceCh4 ? texts::fractionOfCh4() : texts::volts();
    // A reading against the supply is raw × 5 V / 256; against CH4 it is raw / 256 of CH4.
    const double scale = chart.valueMax / 256.0;

    for (int channel = 0; channel < kChannels; ++channel) {
        if (!log.logged[std::size_t(channel)])
            continue;
        ChannelCurve curve;
        curve.channel = channel;
        curve.name = QStringLiteral("CH%1").arg(channel + 1);
        curve.rgb = kChannelRgb[std::size_t(channel)];
        curve.x = x; // shared, not copied
        const QList<std::uint8_t> &raw = log.raw[std::size_t(channel)];
        curve.y.reserve(raw.size());
        for (std::uint8_t value : raw)
            curve.y.append(value * scale);
        chart.curves.append(curve);
    }
    return result;
}

int recordAt(const LogChart &chart, double x)
{
    if (chart.curves.isEmpty() || chart.curves.first().x.isEmpty())
        return -1;
    const QList<double> &xs = chart.curves.first().x;
    const auto it = std::lower_bound(xs.begin(), xs.end(), x);
    if (it == xs.begin())
        return 0;
    if (it == xs.end())
        return int(xs.size() - 1);
    const auto before = it - 1;
    return int((x - *before <= *it - x) ? before - xs.begin() : it - xs.begin());
}

QString cursorText(const LogChart &chart, int record)
{
    if (record < 0 || chart.curves.isEmpty() || record >= chart.curves.first().x.size())
        return {};
    static const QString gap = QStringLiteral("\u3000");
    QString text = QStringLiteral("No.%1").arg(record);
    const double x = chart.curves.first().x[record];
    switch (chart.time.unit) {
    case TimeUnit::Record:
        break;
    case TimeUnit::Second:
        text += gap + numberText(x, 3) + QStringLiteral(" s");
        break;
    case TimeUnit::Minute:
        text += gap + numberText(x, 3) + QStringLiteral(" min");
        break;
    case TimeUnit::Hour:
        text += gap + numberText(x, 4) + QStringLiteral(" h");
        break;
    }
    for (const ChannelCurve &curve : chart.curves) {
        const double y = curve.y[record];
        text += gap + curve.name + QLatin1Char(' ') +
                (chart.referenceCh4 ? numberText(y, 4) : numberText(y, 3) + QStringLiteral(" V"));
    }
    return text;
}

} // namespace vemtra::chart
