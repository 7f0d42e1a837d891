#pragma once

// What vemtra-cli says and returns when an exchange fails: one English line
// and the exit code (exit_codes.h), made from the exchange's outcome.

#include "datalog/log_write.h"
#include "readout/readout_exchange.h"

#include <QString>

namespace vemtra::cli {

struct CliFailure {
    int exitCode;
    QString message;
};

// The read-out into `file` failed.
CliFailure readoutFailure(const readout::ReadoutResult &result, const QString &file);
// The look at the board's log before programming failed.
CliFailure logLookFailure(const readout::ReadoutResult &result);
// The port went away in the middle of a command.
CliFailure lostLineFailure();
// Writing the log header failed.
CliFailure headerWriteFailure(const datalog::LogWriteResult &result);

} // namespace vemtra::cli
