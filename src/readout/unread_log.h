#pragma once

// Programming a new log header restarts the board's log and so overwrites the
// one it holds. These say, from the header read back before programming,
// whether that would throw away data that was never read out. Each successful
// read-out is remembered by the 16 header bytes it read back (they carry the
// end of the log, so a board that has logged on since looks different), in a
// small text file in the user's data folder that the window and vemtra-cli
// share: one line per read-out, the bytes in hex and the UTC time.

#include "readout/log_header_decode.h"

#include <QDateTime>
#include <QString>

namespace vemtra::readout {

// True when the read-back is a log header as this program writes it, the board
// has logged at least one byte since, and no read-out of that very header is
// remembered.
bool hasUnreadLog(const HeaderReadBack &readBack);

// The logged bytes such a header says the board holds (0 when it shows no
// log), for telling the user what would be lost.
int loggedBytes(const HeaderReadBack &readBack);

// Remembers a successful read-out; false when the record could not be written.
bool rememberReadOut(const HeaderReadBack &readBack,
                     const QDateTime &when = QDateTime::currentDateTimeUtc());
bool wasReadOut(const HeaderReadBack &readBack);
// Where the record lives (QStandardPaths::AppDataLocation).
QString readOutRecordPath();

} // namespace vemtra::readout
