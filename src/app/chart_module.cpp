#include "app/chart_module.h"

#include "app/app_texts.h"
#include "chart/module/chart_windows.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPluginLoader>

namespace vemtra::app {

QStringList ChartModule::defaultFolders()
{
    const QDir programFolder(QCoreApplication::applicationDirPath());
    return {programFolder.path(),
            QDir::cleanPath(programFolder.filePath(QStringLiteral(VEMTRA_CHART_MODULE_DIR)))};
}

QString ChartModule::path() const
{
    for (const QString &folder : folders_) {
        const QFileInfo file(QDir(folder), QStringLiteral(VEMTRA_CHART_MODULE_FILE));
        if (file.isFile())
            return file.filePath();
    }
    return {};
}

chart::ChartWindows *ChartModule::windows(QString *error)
{
    if (windows_)
        return windows_;
    for (QObject *linked : QPluginLoader::staticInstances())
        if ((windows_ = qobject_cast<chart::ChartWindows *>(linked)))
            return windows_;
    const QString file = path();
    if (file.isEmpty()) {
        *error = texts::chartModuleMissing(QStringLiteral(VEMTRA_CHART_MODULE_FILE), folders_);
        return nullptr;
    }
    // The module stays loaded when its loader goes: the windows' code is in it.
    QPluginLoader loader(file);
    QObject *root = loader.instance();
    windows_ = qobject_cast<chart::ChartWindows *>(root);
    if (!windows_)
        *error = texts::chartModuleRefused(
            file, root ? QStringLiteral("not " VEMTRA_CHART_WINDOWS_IID) : loader.errorString());
    return windows_;
}

} // namespace vemtra::app
