#include "chart/log_chart.h"

#include "readout/csv_export.h"
#include "readout/data_file.h"
#include "readout/log_header_decode.h"
#include "serial/protocol.h"

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
// "time" and anything else not named here are passed over; of "index" only
// the first row counts, to number the records of a part of a log.
LoadResult parseCsv(Lines &lines, const QByteArray &columnLine)
{
    LoadResult result;
    LogRecords &log = result.log;
    const QList<QByteArray> names = columnLine.split(',');
    std::array<int, kChannels> rawColumn{-1, -1, -1, -1};
    int timeColumn = -1;
    int indexColumn = -1;
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
        else if (name == "index")
            indexColumn = i;
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
        if (indexColumn >= 0 && log.records == 0) {
            bool ok = false;
            const int index = fields[indexColumn].trimmed().toInt(&ok);
            if (ok && index >= 0)
                log.firstIndex = index;
        }
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

// The whole 50 us steps between records when the times are exactly record
// number × that many steps, as in a read-out and the CSV made from it.
std::optional<std::uint32_t> intervalCountOf(const QList<double> &seconds, int firstIndex,
                                             std::optional<double> intervalSeconds)
{
    constexpr double steps = protocol::kStepsPerSecond;
    double interval = 0;
    if (seconds.size() > 1)
        interval = seconds[1] - seconds[0];
    else if (intervalSeconds)
        interval = *intervalSeconds;
    const double count = std::round(interval * steps);
    if (!(count >= 1 && count <= 0x7FFFFFFF))
        return std::nullopt;
    for (qsizetype i = 0; i < seconds.size(); ++i) {
        const double expected = double(firstIndex + i) * count / steps;
        if (std::abs(seconds[i] - expected) > 1e-9 * std::max(1.0, expected))
            return std::nullopt;
    }
    return std::uint32_t(count);
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
        x.append(timed ? seconds[i] / chart.time.secondsPerUnit : double(log.firstIndex + i));
    chart.xMax = x.isEmpty() ? 0 : x.last();
    chart.firstIndex = log.firstIndex;
    chart.intervalCount = intervalCountOf(seconds, log.firstIndex, options.intervalSeconds);

    chart.referenceCh4 = log.referenceCh4.value_or(options.referenceCh4);
    chart.valueMax = chart.referenceCh4 ? 1.0 : 5.0;
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
        curve.raw = raw;
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

QString timeText(const LogChart &chart, double x)
{
    switch (chart.time.unit) {
    case TimeUnit::Record:
        return QStringLiteral("No.%1").arg(std::llround(x));
    case TimeUnit::Second:
        return numberText(x, 3) + QStringLiteral(" s");
    case TimeUnit::Minute:
        return numberText(x, 3) + QStringLiteral(" min");
    case TimeUnit::Hour:
        return numberText(x, 4) + QStringLiteral(" h");
    }
    return {};
}

QString valueText(const LogChart &chart, double value)
{
    return chart.referenceCh4 ? numberText(value, 4) : numberText(value, 3) + QStringLiteral(" V");
}

QString cursorText(const LogChart &chart, int record)
{
    if (record < 0 || chart.curves.isEmpty() || record >= chart.curves.first().x.size())
        return {};
    static const QString gap = QStringLiteral("\u3000");
    QString text = QStringLiteral("No.%1").arg(chart.firstIndex + record);
    if (chart.time.unit != TimeUnit::Record)
        text += gap + timeText(chart, chart.curves.first().x[record]);
    for (const ChannelCurve &curve : chart.curves)
        text += gap + curve.name + QLatin1Char(' ') + valueText(chart, curve.y[record]);
    return text;
}

RecordRange recordsBetween(const LogChart &chart, double from, double to)
{
    if (chart.curves.isEmpty())
        return {};
    if (to < from)
        std::swap(from, to);
    const QList<double> &xs = chart.curves.first().x;
    const auto first = std::lower_bound(xs.begin(), xs.end(), from);
    const auto end = std::upper_bound(first, xs.end(), to);
    return {int(first - xs.begin()), int(end - first)};
}

QList<ChannelStatistics> rangeStatistics(const LogChart &chart, RecordRange range,
                                         const ChannelMask &hidden)
{
    QList<ChannelStatistics> result;
    const double scale = chart.valueMax / 256.0;
    for (const ChannelCurve &curve : chart.curves) {
        if (hidden[std::size_t(curve.channel)])
            continue;
        ChannelStatistics stats;
        stats.channel = curve.channel;
        stats.name = curve.name;
        const qsizetype first = std::clamp<qsizetype>(range.first, 0, curve.raw.size());
        const qsizetype end = std::clamp<qsizetype>(qsizetype(range.first) + range.count, first,
                                                    curve.raw.size());
        if (end > first) {
            // On the bytes, so the sum is exact and the loop stays tight.
            const std::uint8_t *bytes = curve.raw.constData();
            int low = 255, high = 0;
            std::int64_t sum = 0;
            for (qsizetype i = first; i < end; ++i) {
                low = std::min<int>(low, bytes[i]);
                high = std::max<int>(high, bytes[i]);
                sum += bytes[i];
            }
            stats.records = int(end - first);
            stats.minimum = low * scale;
            stats.maximum = high * scale;
            stats.mean = double(sum) / double(stats.records) * scale;
        }
        result.append(stats);
    }
    return result;
}

std::optional<int> recordWithin(const LogChart &chart, double x)
{
    if (chart.curves.isEmpty() || chart.curves.first().x.isEmpty())
        return std::nullopt;
    const QList<double> &xs = chart.curves.first().x;
    if (!(x >= xs.first() && x <= xs.last())) // NaN too: a cursor not placed
        return std::nullopt;
    return recordAt(chart, x);
}

QList<ChannelAtCursors> valuesAtCursors(const LogChart &chart, double first, double second,
                                        const ChannelMask &hidden)
{
    const std::optional<int> a = recordWithin(chart, first);
    const std::optional<int> b = recordWithin(chart, second);
    QList<ChannelAtCursors> result;
    for (const ChannelCurve &curve : chart.curves) {
        if (hidden[std::size_t(curve.channel)])
            continue;
        ChannelAtCursors values;
        values.channel = curve.channel;
        values.name = curve.name;
        if (a)
            values.first = curve.y[*a];
        if (b)
            values.second = curve.y[*b];
        result.append(values);
    }
    return result;
}

LogChart alignedTo(const LogChart &other, const LogChart &base)
{
    LogChart aligned = other;
    aligned.time = base.time;
    const QList<double> &baseX = base.curves.isEmpty() ? QList<double>() : base.curves.first().x;
    const double start = baseX.isEmpty() ? 0 : baseX.first();
    const bool baseTimed = base.time.unit != TimeUnit::Record;
    const bool otherTimed = other.time.unit != TimeUnit::Record;

    // Seconds per record that an untimed log is given on a timed axis.
    double secondsPerRecord = 1;
    if (base.intervalCount)
        secondsPerRecord = double(*base.intervalCount) / protocol::kStepsPerSecond;
    else if (baseX.size() > 1)
        secondsPerRecord =
            (baseX.last() - baseX.first()) * base.time.secondsPerUnit / double(baseX.size() - 1);

    QList<double> x;
    if (!other.curves.isEmpty()) {
        const QList<double> &otherX = other.curves.first().x;
        x.reserve(otherX.size());
        for (qsizetype i = 0; i < otherX.size(); ++i) {
            double offset = double(i); // records
            if (baseTimed) {
                const double seconds =
                    otherTimed ? (otherX[i] - otherX.first()) * other.time.secondsPerUnit
                               : double(i) * secondsPerRecord;
                offset = seconds / base.time.secondsPerUnit;
            }
            x.append(start + offset);
        }
    }
    aligned.xMax = x.isEmpty() ? start : x.last();
    for (ChannelCurve &curve : aligned.curves)
        curve.x = x;
    return aligned;
}

bool writeCsv(QIODevice &out, const LogChart &chart, RecordRange range)
{
    // The layout a read-out with these channels, reference and interval
    // would have, so the rows are those of the program's own CSV export.
    readout::CsvLayout layout;
    std::uint8_t mask = 0;
    for (const ChannelCurve &curve : chart.curves)
        mask |= protocol::channelBit(curve.channel);
    layout.channels = readout::decodeChannels(mask);
    layout.referenceCh4 = chart.referenceCh4;
    layout.interval = chart.intervalCount;
    const protocol::LoggedChannels order = protocol::loggedChannels(mask);
    std::array<const ChannelCurve *, kChannels> byChannel{};
    for (const ChannelCurve &curve : chart.curves)
        byChannel[std::size_t(curve.channel)] = &curve;

    auto write = [&out](const QByteArray &text) { return out.write(text) == text.size(); };
    if (!write(readout::csvHeader(layout)))
        return false;
    const int first = std::max(range.first, 0);
    const int end = std::min(range.first + std::max(range.count, 0), chart.records);
    std::array<std::uint8_t, kChannels> values{};
    for (int record = first; record < end; ++record) {
        for (int column = 0; column < order.count; ++column)
            values[std::size_t(column)] =
                byChannel[std::size_t(order.index[std::size_t(column)])]->raw[record];
        if (!write(readout::csvRow(layout, chart.firstIndex + record,
                                   std::span(values.data(), std::size_t(order.count)))))
            return false;
    }
    return true;
}

} // namespace vemtra::chart
