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

// CH1..CH4 in the voltmeter graph's pen colours (0xRRGGBB), so a log looks
// like the live trace it was made from.
inline constexpr std::array<std::uint32_t, kChannels> kChannelRgb{0xC00000, 0x00FF00, 0x0000C0,
                                                                  0xFF8000};

// What a file holds, channels in the order CH1..CH4 whatever order it used.
struct LogRecords {
    std::array<bool, kChannels> logged{};
    std::array<QList<std::uint8_t>, kChannels> raw; // one value per record, logged channels only
    QList<double> seconds;            // each record's time, when the file carries it (CSV time_s)
    std::optional<bool> referenceCh4; // when the file says (CSV chN_V / chN_xCH4 columns)
    int records = 0;
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
};

struct LogChart {
    QList<ChannelCurve> curves; // the logged channels, CH1..CH4
    TimeAxis time;
    QString timeLabel;
    QString valueLabel;
    double xMax = 0;       // x of the last record
    double valueMax = 5.0; // top of the value axis: 5 V or 1 (CH4)
    bool referenceCh4 = false;
    int records = 0;
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

// The cursor read-out for a record: "No.12　0.20 min　CH1 2.500 V　CH3 0.977 V".
QString cursorText(const LogChart &chart, int record);

} // namespace vemtra::chart
