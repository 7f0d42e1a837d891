#pragma once

// The log as a chart, without any drawing: what the data file QEL_ADC.txt or
// one of the program's CSV files holds, and the curves, axes and labels made
// from it. Widget-free, so the LOG_GRAPH window, vemtra-plot and the command
// line share one reading of a log.

#include <QList>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>

class QIODevice;

namespace vemtra::chart {

inline constexpr int kChannels = 4;

// CH1..CH4 in the hues of the voltmeter graph's pens (0xRRGGBB), so a log looks
// like the live trace it was made from; green and orange darker than the
// graph's, so every curve stands out at least 3:1 against the white plot.
inline constexpr std::array<std::uint32_t, kChannels> kChannelRgb{0xC00000, 0x008000, 0x0000C0,
                                                                  0xC86400};

// What a file holds, channels in the order CH1..CH4 whatever order it used.
struct LogRecords {
    std::array<bool, kChannels> logged{};
    std::array<QList<std::uint8_t>, kChannels> raw; // one value per record, logged channels only
    QList<double> seconds;            // each record's time, when the file carries it (CSV time_s)
    std::optional<bool> referenceCh4; // when the file says (CSV chN_V / chN_xCH4 columns)
    int records = 0;
    int firstIndex = 0; // record number of the first record: a CSV of part of a log
};

enum class LoadError {
    None,
    CannotOpen,
    Empty,          // nothing but comment lines
    UnknownFormat,  // first line neither a data file's channel line nor a CSV column row
    BadChannelLine, // data file: a name other than ch1..ch4, or one twice
    BadRecord,      // data file: wrong field count, value, or record number
    BadColumns,     // CSV: no chN_raw column, a column twice, mixed V and xCH4
    BadRow,         // CSV: wrong field count, value, or a time going backwards
};

struct LoadResult {
    LogRecords log;
    LoadError error = LoadError::None;
    int line = 0;   // line of the fault, counted from 1
    QString detail; // the system's reason when the file cannot be opened
    bool ok() const { return error == LoadError::None; }
};

// Leading "#" lines are skipped; the first other line tells the format (a TAB:
// data file, a comma: CSV). Anything not exactly as the program writes it is
// refused with its line, never patched up. A CSV row in which a channel's raw
// field is empty (a reading the board did not answer) is passed over.
LoadResult parseLog(QIODevice &in);
LoadResult loadLogFile(const QString &path);

// One English line for messages: "line 5: not record 3 of the data file".
QString describe(const LoadResult &result);

// What the read-out knows and the data file does not carry. A CSV's own
// time_s and column names take precedence over these.
struct ChartOptions {
    std::optional<double> intervalSeconds; // nothing: unknown, the axis counts records
    bool referenceCh4 = false;             // values as the fraction of CH4 (raw / 256)
};

enum class TimeUnit { Record, Second, Minute, Hour };

struct TimeAxis {
    TimeUnit unit = TimeUnit::Record;
    double secondsPerUnit = 1; // 1 for records as well
};

// Seconds for spans under 3 minutes, minutes under 3 hours, hours beyond;
// record numbers when the time is unknown.
TimeAxis timeAxisFor(std::optional<double> spanSeconds);

struct ChannelCurve {
    int channel = 0; // 0 = CH1
    QString name;    // "CH1"
    std::uint32_t rgb = 0;
    QList<double> x; // in the time axis's unit
    QList<double> y; // volts, or the fraction of CH4
    QList<std::uint8_t> raw; // as logged, for statistics and CSV
};

struct LogChart {
    QList<ChannelCurve> curves; // the logged channels, CH1..CH4
    TimeAxis time;
    double xMax = 0;       // x of the last record
    double valueMax = 5.0; // top of the value axis: 5 V or 1 (CH4)
    bool referenceCh4 = false;
    int records = 0;
    // 50 us steps between records when every record's time is its record
    // number times that (a read-out's interval, or a CSV's time_s of such a
    // log); nothing when the time is unknown or irregular, as in a voltmeter
    // recording.
    std::optional<std::uint32_t> intervalCount;
    int firstIndex = 0; // record number of the first record in the whole log
};

enum class ChartError { None, BadInterval };

struct ChartResult {
    LogChart chart;
    ChartError error = ChartError::None;
    bool ok() const { return error == ChartError::None; }
};

ChartResult makeChart(const LogRecords &log, const ChartOptions &options);

// The record nearest to x on the time axis, -1 for an empty chart.
int recordAt(const LogChart &chart, double x);

// The cursor read-out for a record: "No.12　0.20 min　CH1 2.500 V　CH3 0.977 V",
// numbered as in the whole log.
QString cursorText(const LogChart &chart, int record);

// A time on the axis in its unit ("12.500 s", "0.2000 h", "No.12"), and a
// value as the read-out shows it ("2.500 V", "0.2500").
QString timeText(const LogChart &chart, double x);
QString valueText(const LogChart &chart, double value);

// ---- Measuring ----

// Channels the user has hidden, by channel index (0 = CH1).
using ChannelMask = std::array<bool, kChannels>;

struct RecordRange {
    int first = 0;
    int count = 0;
    bool isEmpty() const { return count <= 0; }
};

// The records whose time lies within [from, to], ends in either order.
RecordRange recordsBetween(const LogChart &chart, double from, double to);

struct ChannelStatistics {
    int channel = 0;
    QString name;
    int records = 0; // 0: nothing in the range, the figures mean nothing
    double minimum = 0;
    double maximum = 0;
    double mean = 0;
};

// Minimum, maximum and mean of each shown channel over the range, in the
// chart's values. A plain pass over the bytes: a full 24C256 log takes well
// under a millisecond, so nothing is precomputed.
QList<ChannelStatistics> rangeStatistics(const LogChart &chart, RecordRange range,
                                         const ChannelMask &hidden = {});

// The record nearest to x when x lies within the log's span; nothing beyond
// its ends, so a shorter log compared with a longer one reads out nothing
// where it has no data.
std::optional<int> recordWithin(const LogChart &chart, double x);

struct ChannelAtCursors {
    int channel = 0;
    QString name;
    std::optional<double> first; // value at the first cursor
    std::optional<double> second;
    std::optional<double> difference() const
    {
        if (!first || !second)
            return std::nullopt;
        return *second - *first;
    }
};

// Each shown channel's value at two times on the axis, from the records
// nearest to them.
QList<ChannelAtCursors> valuesAtCursors(const LogChart &chart, double first, double second,
                                        const ChannelMask &hidden = {});

// `other` on `base`'s time axis, its first record at `base`'s start: both in
// seconds when both know their time, else by record number (an untimed log
// against a timed one takes the timed one's interval).
LogChart alignedTo(const LogChart &other, const LogChart &base);

// The records of the range as the program's log CSV: its column row, then
// one row per record under its own record number in the whole log, so a CSV
// of part of a log read back and exported again comes out the same. False
// when writing fails.
bool writeCsv(QIODevice &out, const LogChart &chart, RecordRange range);

} // namespace vemtra::chart
