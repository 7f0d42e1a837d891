#pragma once

#include <QString>

namespace vemtra::readout {

// The folder the read-out writes its data file into, with a trailing "/":
// the program folder `appPath` (as start-up gives it, with or without the
// trailing separator) when files can be created there, as for a program run
// from its build or unpacked folder; otherwise, as for an installed program,
// the user's own data folder for the program (QStandardPaths::AppDataLocation),
// created when missing. When neither can be had, the program folder is
// returned and writing the file reports the error.
QString dataFileFolder(const QString &appPath);

} // namespace vemtra::readout
