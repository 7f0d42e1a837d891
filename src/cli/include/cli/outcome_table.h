#pragma once

// What vemtra-cli says and returns when an exchange fails: one English line
// and the exit code (exit_codes.h), made from the exchange's outcome.

#include "datalog/log_write.h"
#include "readout/readout_exchange.h"
#include "serial/connect.h"

#include <QString>

namespace vemtra::cli {

struct CliFailure {
    int exitCode;
    QString message;
};

// `lost` below is what is said of a lost line ("lost the line to /dev/ttyUSB0
// (device unplugged)"), used when the outcome is LineLost.

// The read-out into `file` failed.
CliFailure readoutFailure(const readout::ReadoutResult &result, const QString &file,
                          const QString &lost);
// The look at the board's log before programming failed.
CliFailure logLookFailure(const readout::ReadoutResult &result, const QString &lost);
// Writing the log header failed.
CliFailure headerWriteFailure(const datalog::LogWriteResult &result, const QString &lost);
// Why the switch to 19200 bps failed, from ConnectResult::speedChange and byte.
QString speedChangeFailure(serial::Outcome outcome, std::uint8_t byte);

} // namespace vemtra::cli
