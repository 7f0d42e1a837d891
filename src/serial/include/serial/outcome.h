#pragma once

// How a board exchange ended. Results carry this; the window's texts and the
// command-line tool's messages and exit codes are made from it where they are
// shown, each in one table.

#include <cstdint>

namespace vemtra::serial {

enum class Outcome {
    Ok,
    NoEcho,          // the command letter was not echoed in time
    WrongEcho,       // another byte came back instead of the echo (byte kept)
    NoAnswer,        // the answer to the parameter block did not come in time
    WrongAnswer,     // the answer was another byte (byte kept)
    ByteTimeout,     // a lock-step transfer stopped in the middle
    WrongByte,       // a lock-step byte came back changed (byte kept)
    HeaderNotUsable, // the log header read back cannot be acted on (reason kept)
    FileError,       // the data file could not be written
    Cancelled,       // the exchange was stopped (program closing, Ctrl-C)
    LineLost,        // the port went away (device unplugged, read or write error)
};

} // namespace vemtra::serial
