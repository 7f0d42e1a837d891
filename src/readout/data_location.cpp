#include "readout/data_location.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace vemtra::readout {

namespace {

QString withSlash(const QString &folder)
{
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

bool isUnder(const QString &folder, const QString &root)
{
    if (root.isEmpty())
        return false;
    const QString f = withSlash(QDir::cleanPath(folder));
    const QString r = withSlash(QDir::cleanPath(root));
    return f.startsWith(r);
}

// Tried rather than judged from permission bits, which miss a read-only file
// system and grant everything to root.
bool canCreateFilesIn(const QString &folder)
{
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".vemtra-probe-XXXXXX")));
    return probe.open();
}

bool ownedByUser(const QString &folder)
{
#ifdef Q_OS_UNIX
    return QFileInfo(folder).ownerId() == ::getuid();
#else
    return QFileInfo(folder).isWritable();
#endif
}

} // namespace

bool dataBesideProgram(const ProgramPlace &place)
{
    // Folders where packages and system programs live; root owns them, so
    // ownership alone would put root's data files there.
    static const char *const systemFolders[] = {"/usr", "/opt",  "/bin", "/sbin", "/lib",
                                                "/lib64", "/snap", "/etc", "/var", "/srv"};
    const QString folder = QDir::fromNativeSeparators(place.folder);
    if (isUnder(folder, QDir::fromNativeSeparators(place.installPrefix)))
        return false;
    for (const char *system : systemFolders)
        if (isUnder(folder, QLatin1String(system)))
            return false;
    return place.ownedByUser;
}

QString dataFileFolder(const QString &appPath)
{
    const QString programFolder = withSlash(QDir::fromNativeSeparators(appPath));
    const ProgramPlace place{programFolder, ownedByUser(programFolder),
                             QStringLiteral(VEMTRA_INSTALL_PREFIX)};
    if (dataBesideProgram(place) && canCreateFilesIn(programFolder))
        return programFolder;
    const QString userFolder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (!userFolder.isEmpty() && QDir().mkpath(userFolder) && canCreateFilesIn(userFolder))
        return withSlash(userFolder);
    return programFolder;
}

} // namespace vemtra::readout
