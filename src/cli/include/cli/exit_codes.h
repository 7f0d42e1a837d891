#pragma once

namespace vemtra::cli {

// The exit status of vemtra-cli, as --help lists it. Scripts test these, so
// they never change meaning.
enum ExitCode : int {
    kExitOk = 0,
    kExitBadArguments = 2,
    kExitNoBoard = 3,       // the port cannot be opened, or nothing answers
    kExitProtocolError = 4, // the board answered wrongly or stopped answering
    kExitFileError = 5,
    kExitUnreadLog = 6,     // programming refused: the board holds a log not read out
    kExitInterrupted = 130, // Ctrl-C, as shells report SIGINT
};

} // namespace vemtra::cli
