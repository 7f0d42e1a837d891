#pragma once

// The voltmeter's readings kept in a CSV file, one row per cycle:
//
//     time,time_s,ch1_raw,ch1_V,ch2_raw,ch2_V,ch3_raw,ch3_V,ch4_raw,ch4_V
//     2026-12-07T10:15:30.123+09:00,0.000,128,2.500,64,1.250,...
//
// time is the PC's wall clock, time_s the seconds since the file's first row:
// 0 in the first row, then on a monotonic clock, so a clock change never makes
// it jump. A recording added to a file goes on from the file's last row, by
// the wall-clock time between the two (never less than nothing), so time_s
// never goes back and the chart reads the file whole. A channel that did not
// answer in a cycle leaves its two fields empty. Each row goes to the file as
// it is taken, so a crash loses nothing already read.

#include "voltmeter/read_chx.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QString>

namespace vemtra::voltmeter {

// Local wall-clock time in ISO 8601 with milliseconds and the offset from UTC:
// "2026-12-07T10:15:30.123+09:00".
QString wallClockText(const QDateTime &time);

// The column row the voltmeter's CSV files begin with (vemtra-cli read adds nothing else).
QString readingColumns();
// "128,2.500" per channel, or ",," for one that did not answer.
QString readingFields(const ChannelReadings &readings);

// What a file chosen for a recording holds, from its first line and its last
// (a long recording is never read whole).
struct RecordingFile {
    enum class Kind {
        Empty,     // missing, empty, or not a regular file: nothing to add to
        Recording, // the column row first, and a row or the column row last
        Other,     // anything else: neither added to nor replaced
    };
    Kind kind = Kind::Empty;
    bool hasRows = false;     // a row follows the column row
    double lastSeconds = 0;   // time_s of the last row
    QDateTime lastWallClock;  // time of the last row; invalid when it cannot be read
    bool endsWithLine = true; // the last line has its line end
};

// `file` open for reading, not sequential.
RecordingFile lookAtRecording(QIODevice &file);
RecordingFile lookAtRecordingFile(const QString &path);

class VoltmeterRecorder {
public:
    VoltmeterRecorder() = default;
    ~VoltmeterRecorder();
    VoltmeterRecorder(const VoltmeterRecorder &) = delete;
    VoltmeterRecorder &operator=(const VoltmeterRecorder &) = delete;

    enum class StartMode {
        Add,     // a recording already in the file is continued
        Replace, // whatever the file held is dropped
    };

    // Opens `path`; a new, empty or replaced file gets the column row first.
    // A file that is not a recording (lookAtRecording) is not added to. False
    // and error() when the file cannot be used.
    bool start(const QString &path, StartMode mode = StartMode::Add);

    // One cycle. False when the row could not be written (a full disk): the
    // recording has then ended, the rows written before stay, error() says why.
    bool addRow(const ChannelReadings &readings,
                const QDateTime &wallClock = QDateTime::currentDateTime());

    void stop();

    bool isRecording() const { return file_.isOpen(); }
    int rows() const { return rows_; }
    QString path() const { return file_.fileName(); }
    QString error() const { return error_; }

private:
    bool write(const QByteArray &text);

    QFile file_;
    QElapsedTimer started_; // from the first row of this recording
    // Where time_s goes on from: the last row of the file added to.
    double continueFrom_ = 0;
    QDateTime continueAfter_;
    int rows_ = 0;
    QString error_;
};

} // namespace vemtra::voltmeter
