#pragma once

// The simulator's stdin commands: one line in, one line of answer out. Commands
// that only touch the board run here; the rest tell the front end what to do.

#include "board/board_engine.h"

#include <string>
#include <string_view>

namespace vemtra::board {

struct CommandOutcome {
    enum class Action {
        None,        // nothing for the front end beyond printing the reply
        PowerCycled, // the board lost its power: bytes still in flight die too
        Unplug,      // close the pseudo-terminal
        Plug,        // open a new pseudo-terminal and answer with its path
        Quit,
    };
    Action action = Action::None;
    std::string reply; // one line for stdout, empty for a blank line
};

// Runs one command line at time `now` (the board has been advanced to it).
CommandOutcome runCommand(BoardEngine &board, std::string_view line, Micros now);

} // namespace vemtra::board
