#pragma once

#include <QString>

namespace vemtra::readout {

// What decides where the data file goes.
struct ProgramPlace {
    QString folder;        // the program's folder
    bool ownedByUser = false; // the folder belongs to the user running the program
    QString installPrefix; // where this build installs to
};

// True when the data file belongs beside the program: a build or unpacked
// folder of the user's own. An installed program (under the install prefix, a
// folder of the system such as /usr or /opt) or one in another user's folder
// keeps its data in the user's own data folder instead.
bool dataBesideProgram(const ProgramPlace &place);

// The folder the read-out writes its data file into, with a trailing "/":
// the program folder `appPath` (as start-up gives it, with or without the
// trailing separator) when dataBesideProgram says so and files can be created
// there; otherwise the user's own data folder for the program
// (QStandardPaths::AppDataLocation), created when missing. When neither can be
// had, the program folder is returned and writing the file reports the error.
QString dataFileFolder(const QString &appPath);

} // namespace vemtra::readout
