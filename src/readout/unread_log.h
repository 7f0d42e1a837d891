#pragma once

// Programming a new log header restarts the board's log and so overwrites the
// one it holds. These say, from the header read back before programming,
// whether that would throw away logged data.

#include "readout/log_header_decode.h"

namespace vemtra::readout {

// True when the read-back carries a log header (marker bytes 0x44 0x80 at
// read-back 0 and 1, EEPROM bytes 1 and 2; byte 0, 0x41, comes with "R" and is
// not kept) whose end of logged data lies past address 16, i.e. the board has
// logged at least one byte since it was programmed.
bool hasUnreadLog(const HeaderReadBack &readBack);

// The logged bytes such a header says the board holds (0 when none), for
// telling the user what would be lost.
int loggedBytes(const HeaderReadBack &readBack);

} // namespace vemtra::readout
