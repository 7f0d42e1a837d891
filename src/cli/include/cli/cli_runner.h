#pragma once

// The commands of vemtra-cli, run on one line with the same exchange code the
// window uses: connectBoard, readAllChannels, lookAtLog and writeLogHeader,
// readOutLog. Every message is one English line.

#include "cli/cli_options.h"
#include "serial/line.h"
#include "serial/link_worker.h"

#include <QString>

#include <functional>

namespace vemtra::cli {

struct CliIo {
    std::function<void(const QString &)> out; // one line of results on standard output
    std::function<void(const QString &)> err; // one line of news or error on standard error
    // Bytes as they are to standard output (a data file or CSV given as "-");
    // false when they could not be written.
    std::function<bool(const QByteArray &)> outBytes;
    // The read-out's progress line, redrawn in place; left empty when standard
    // error is no terminal, and then no progress is shown.
    std::function<void(const QString &)> progress;
    std::function<void()> progressDone;
    // Ctrl-C: the line the command opens watches it, so the running exchange
    // gives up at its next wait.
    serial::CancelToken cancel;
};

// Opens options.device through `opener`, runs the command and returns the exit
// code (exit_codes.h). Help and Version print and return 0 without a line.
int runCommand(const CliOptions &options, const serial::LineOpener &opener, const CliIo &io);

} // namespace vemtra::cli
