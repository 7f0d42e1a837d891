#pragma once

// The read-out as one straight run over the line, free of widgets so the
// window and a command-line tool share it: "r" for the 16 header bytes, the
// checks on what they say, "r" for the logged bytes, each record written to the
// data file as soon as it is complete.

#include "readout/log_header_decode.h"
#include "serial/line.h"
#include "serial/outcome.h"

#include <QString>

#include <functional>
#include <optional>

class QFileDevice;
class QIODevice;

namespace vemtra::readout {

// Called on the line's thread while the read-out runs.
struct ReadoutObserver {
    // The log length, once the header has passed its checks (for Text3(1)).
    std::function<void(int logLength)> logLength;
    // Data byte `position` of `maximum` has been taken; the first byte after
    // "R" is position 1, the maximum is the log length - 1. Called only when
    // the whole percentage changes and for the last byte, so a long log does
    // not flood the window.
    std::function<void(int position, int maximum)> progress;
};

struct ReadoutResult {
    // How it ended: NoEcho, WrongEcho for the "r" echo, NoAnswer, WrongAnswer
    // for the "R", ByteTimeout, HeaderNotUsable, WrongByte when the log's tail
    // read again differs, FileError (file names the file), Cancelled,
    // LineLost; Ok on success.
    serial::Outcome outcome = serial::Outcome::NoEcho;
    std::uint8_t byte = 0;                 // the wrong byte
    HeaderFault fault = HeaderFault::None; // why the header is not usable
    QString file;                          // the data file that failed
    QString fileError;                     // why, as the system says it
    // WrongByte: the tail read again differs; the first such address, what
    // the transfer brought (`byte`) and what the second read brought.
    int address = -1;
    std::uint8_t byteAgain = 0;
    // The board echoed "r" at least once, which clears comm_error.
    bool echoed = false;
    // Set once the header has passed its checks, also when a later step fails.
    std::optional<int> logLength;
    HeaderReadBack header{};
    // The log's last bytes (at most 16) as read a second time: set by a
    // read-out that succeeded and by a look that found a log.
    QByteArray tail;
    int records = 0;

    bool ok() const { return outcome == serial::Outcome::Ok; }
};

// Reads the log into the data file at `filePath`, then reads the log's last 16
// bytes once more and compares them. The file is replaced only when the new one
// is complete and its tail read alike twice; on any failure an earlier file
// stays as it was.
ReadoutResult readOutLog(serial::Line &line, const QString &filePath,
                         const ReadoutObserver &observer = {});

// Reads the log into `out`, which must be open for writing. A failure leaves
// whatever was already written.
ReadoutResult readOutLog(serial::Line &line, QIODevice &out, const ReadoutObserver &observer = {});

// A look at what the board holds before a new log header overwrites it, no
// file written: the header transfer, then, when the header shows a log, its
// last bytes read as the read-out's verify reads them. ok() once all 16
// read-back bytes are in `header` and the last bytes, where there are any, in
// `tail`; nothing else is checked about what the header says.
ReadoutResult lookAtLog(serial::Line &line);

// Why writing `file` (at `path`) failed: a file-size limit or a full disk,
// which the system leaves unsaid, else the file's own error text.
QString writeFailureReason(const QFileDevice &file, const QString &path);

} // namespace vemtra::readout
