#pragma once

// Finding the board and bringing the link to 19200 bps: the probe "t" at 9600 and
// 19200 bps, and the speed change "s"/"S" when the board answers only at 9600.

#include "serial/line.h"
#include "serial/outcome.h"

#include <cstdint>
#include <functional>

namespace vemtra::serial {

// The voltmeter tick's pace for each line speed.
inline constexpr int timerInterval9600 = 50;
inline constexpr int timerInterval19200 = 20;

// The steps of a connection as the user follows them, in the order they come;
// each one replaces the one before.
enum class ConnectStage {
    Checking9600,     // the attempt begins (nothing of an earlier one holds)
    Established9600,  // the board answered at 9600 bps
    Failed9600,       // it did not
    Checking19200,    // probing at 19200 bps, and again while switching to it
    Established19200, // the board answered at 19200 bps
    FailedBoth,       // no answer at either speed, or no port open
    Switched19200,    // the speed change went through
};

enum class ConnectOutcome {
    Found19200, // the board already ran at 19200 bps
    Switched,   // found at 9600 bps and switched to 19200 bps
    Only9600,   // found at 9600 bps, but the speed change failed
    NotFound,   // no answer at either speed
    PortClosed, // no port open: nothing was sent
    LineLost,   // the port went away during the attempt
};

struct ConnectResult {
    ConnectOutcome outcome = ConnectOutcome::PortClosed;
    int baud = 9600; // the line's speed afterwards
    int timerInterval = timerInterval9600;
    // How the speed change went (Ok when none was needed): NoEcho, WrongEcho
    // for the "s", NoAnswer, WrongAnswer for the "S"; with the byte its
    // failure names (a missing "S" names the "s" echo's byte).
    Outcome speedChange = Outcome::Ok;
    std::uint8_t byte = 0;

    // The board answers: the link works, at 9600 bps when the switch failed.
    bool ok() const
    {
        return outcome == ConnectOutcome::Found19200 || outcome == ConnectOutcome::Switched ||
               outcome == ConnectOutcome::Only9600;
    }
};

// Told about each step as it happens, so the user can follow them. Called on
// the thread that runs connectBoard; empty members are skipped.
struct ConnectObserver {
    std::function<void(ConnectStage)> stage;
    // The speed change failed (as ConnectResult::speedChange and byte).
    std::function<void(Outcome, std::uint8_t)> speedChangeFailed;
    std::function<void(int)> timerInterval;
};

// The whole connection on one line, as straight steps with a fixed 100 ms gap
// after each send and one look at what came back (about 0.3 s when the board
// runs at 19200 bps, 1.1 s with the speed change). Never throws.
ConnectResult connectBoard(Line &line, ConnectObserver &observer);

} // namespace vemtra::serial
