#include "app/last_folder.h"

#include "app/texts.h"
#include "readout/data_location.h"

#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace vemtra::app {

namespace {
const QString kKey = QStringLiteral("Settings/LastFolder");

QSettings userSettings()
{
    const QString app = QString::fromUtf8(texts::appTitle);
    return QSettings(QSettings::UserScope, app, app);
}
} // namespace

QString lastDialogFolder()
{
    return readout::dialogStartFolder(
        userSettings().value(kKey).toString(),
        QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
}

void rememberDialogFolder(const QString &chosenFile)
{
    userSettings().setValue(kKey, QFileInfo(chosenFile).absolutePath());
}

} // namespace vemtra::app
