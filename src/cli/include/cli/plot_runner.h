#pragma once

// Pictures of a log. vemtra-cli draws nothing itself: it must run where no
// display library is installed, so it hands the drawing to vemtra-plot, which
// is installed beside it, and reports what that program reports.

#include "cli/cli_runner.h"

#include <QString>
#include <QStringList>

namespace vemtra::cli {

// vemtra-plot in this program's own folder.
QString plotterPath();

// Runs vemtra-plot with `arguments`, passes each line it prints on through
// `io` and returns its exit status; a plotter that cannot be run is a file
// error.
int runPlotter(const QStringList &arguments, const CliIo &io);

} // namespace vemtra::cli
