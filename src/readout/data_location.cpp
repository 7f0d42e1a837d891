#include "readout/data_location.h"

#include <QDir>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace vemtra::readout {

namespace {

QString withSlash(const QString &folder)
{
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

// Tried rather than judged from permission bits, which miss a read-only file
// system and grant everything to root.
bool canCreateFilesIn(const QString &folder)
{
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".vemtra-probe-XXXXXX")));
    return probe.open();
}

} // namespace

QString dataFileFolder(const QString &appPath)
{
    const QString programFolder = withSlash(QDir::fromNativeSeparators(appPath));
    if (canCreateFilesIn(programFolder))
        return programFolder;
    const QString userFolder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (!userFolder.isEmpty() && QDir().mkpath(userFolder) && canCreateFilesIn(userFolder))
        return withSlash(userFolder);
    return programFolder;
}

} // namespace vemtra::readout
