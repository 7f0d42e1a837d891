#pragma once

#include <QString>

namespace vemtra::app {

// The folder the program's save dialogs open in: where the user last saved, at
// first the Documents folder; never the program's folder, where an installed
// program's files live. Kept in the user's settings (Settings/LastFolder).
QString lastDialogFolder();
// Notes the folder of a file the user has just chosen.
void rememberDialogFolder(const QString &chosenFile);

} // namespace vemtra::app
