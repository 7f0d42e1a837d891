#pragma once

// Programming a new log header restarts the board's log and so overwrites the
// one it holds. This is the one rule, for the window and vemtra-cli alike, on
// whether that may happen without asking, from a look at the board taken just
// before (readout_exchange.h: lookAtLog).
//
// A log is recognised by its 16 header bytes and its last logged bytes. The
// header alone is not enough: a log that fills the chip always ends at the same
// address, so a board power-cycled into a new full log shows the old header
// again. Each successful read-out is remembered in a small text file in the
// user's data folder that both programs share: one line per read-out, the
// header bytes in hex, the UTC time, then the last logged bytes in hex.

#include "readout/log_header_decode.h"
#include "readout/readout_exchange.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <optional>

namespace vemtra::readout {

// A log as the rule tells logs apart. Two logs whose header and last bytes are
// equal hold the same data at their end, and count as one.
struct LogIdentity {
    HeaderReadBack header{};
    QByteArray tail; // the last logged bytes, at most 16; empty when none were logged

    friend bool operator==(const LogIdentity &, const LogIdentity &) = default;
};

// The log a look at the board or a successful read-out saw.
LogIdentity identityOf(const ReadoutResult &result);

enum class ProgrammingVerdict {
    Program,        // nothing unread would be lost, or the user said to go on anyway
    UnreadLog,      // the board holds a log that no read-out has taken
    LogNotLookedAt, // the look failed: the board may hold anything
};

// Whether programming may go ahead over what `look` saw. `force` is the user's
// "program anyway". A look that failed is never taken as "nothing to lose".
// `readOutHere` is a read-out this program took and may not have been able to
// record.
ProgrammingVerdict programmingVerdict(const ReadoutResult &look, bool force,
                                      const std::optional<LogIdentity> &readOutHere = {});

// The logged bytes such a header says the board holds (0 when it shows no
// log), for telling the user what would be lost.
int loggedBytes(const HeaderReadBack &readBack);

// Remembers a successful read-out; false when the record could not be written.
bool rememberReadOut(const LogIdentity &log,
                     const QDateTime &when = QDateTime::currentDateTimeUtc());
// A record from before the last bytes were kept names no last bytes; it cannot
// tell a re-logged board from the one read out, so it does not count.
bool wasReadOut(const LogIdentity &log);
// Where the record lives (QStandardPaths::AppDataLocation).
QString readOutRecordPath();

} // namespace vemtra::readout
