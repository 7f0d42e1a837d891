#pragma once

// The library of kept read-outs on the command line (readout_library.h):
//
//   vemtra-cli history            one TAB-separated line per read-out, newest
//                                 first, after a column row
//   vemtra-cli history show ID    the data file, byte for byte
//   vemtra-cli history csv ID     its CSV, as readout --csv wrote it
//
// No port is opened for any of them.

#include "cli/cli_runner.h"
#include "readout/readout_exchange.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace vemtra::cli {

int runHistory(const CliOptions &options, const CliIo &io);

// Keeps a verified read-out of `port` whose data file holds `data`. A read-out
// that cannot be kept has still succeeded: one warning line says so.
void keepInLibrary(const QByteArray &data, const readout::ReadoutResult &result,
                   const QString &port, const CliIo &io);
// The same with the data file just written at `dataPath`.
void keepFileInLibrary(const QString &dataPath, const readout::ReadoutResult &result,
                       const QString &port, const CliIo &io);

// What vemtra-plot needs besides the file to draw a kept read-out's data file
// on its time axis: the interval and the reference its header gave. Nothing
// for any other file, or when `intervalGiven`.
QStringList keptPlotArguments(const QString &input, bool intervalGiven);

} // namespace vemtra::cli
