#include "ui/dialog_folder.h"

#include <QDate>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace vemtra::ui {

namespace {

const QString kKey = QStringLiteral("Settings/LastFolder");

// The settings file the port choice lives in too.
QSettings userSettings()
{
    const QString app = QStringLiteral("QEL-Vemtra");
    return QSettings(QSettings::UserScope, app, app);
}

bool inside(const QString &path, const QString &folder)
{
    return path == folder || path.startsWith(folder + u'/');
}

// A folder a user keeps files in: no hidden folder on the way (the program's
// own data lives in ~/.local/share) and none of the system's.
bool usable(const QString &path)
{
    for (const QString &part : path.split(u'/', Qt::SkipEmptyParts))
        if (part.startsWith(u'.'))
            return false;
    if (path == QLatin1String("/"))
        return false;
    for (const char *system : {"/usr", "/opt", "/etc", "/var", "/bin", "/sbin", "/lib", "/lib32",
                               "/lib64", "/boot", "/proc", "/sys", "/dev", "/srv"})
        if (inside(path, QLatin1String(system)))
            return false;
    return !inside(path, QStringLiteral("/run")) || inside(path, QStringLiteral("/run/media"));
}

} // namespace

QString dialogStartFolder(const QString &lastUsed, const QString &documents)
{
    if (!lastUsed.isEmpty()) {
        const QString path = QDir::cleanPath(QFileInfo(lastUsed).absoluteFilePath());
        if (usable(path) && QFileInfo(path).isDir())
            return path;
    }
    return documents;
}

QString lastDialogFolder()
{
    QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (documents.isEmpty() || !QDir().mkpath(documents))
        documents = QDir::homePath();
    return dialogStartFolder(userSettings().value(kKey).toString(), documents);
}

void rememberDialogFolder(const QString &chosenFile)
{
    userSettings().setValue(kKey, QFileInfo(chosenFile).absolutePath());
}

QString proposedSavePath(const QString &stem, const QString &suffix)
{
    const QString name = QStringLiteral("%1_%2.%3")
                             .arg(stem, QDate::currentDate().toString(Qt::ISODate), suffix);
    return QDir(lastDialogFolder()).filePath(name);
}

namespace {

void ask(QFileDialog *dialog, std::function<void(const QString &)> chosen)
{
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::WindowModal);
    QObject::connect(dialog, &QFileDialog::fileSelected, dialog,
                     [chosen = std::move(chosen)](const QString &path) {
                         rememberDialogFolder(path);
                         chosen(path);
                     });
    dialog->open();
}

} // namespace

void askSavePath(QWidget *parent, const QString &caption, const QString &stem,
                 const QString &suffix, const QString &filter,
                 std::function<void(const QString &)> chosen)
{
    const QFileInfo proposed(proposedSavePath(stem, suffix));
    auto *dialog = new QFileDialog(parent, caption, proposed.absolutePath(), filter);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setDefaultSuffix(suffix);
    dialog->selectFile(proposed.fileName());
    ask(dialog, std::move(chosen));
}

void askOpenPath(QWidget *parent, const QString &caption, const QString &filter,
                 std::function<void(const QString &)> chosen)
{
    auto *dialog = new QFileDialog(parent, caption, lastDialogFolder(), filter);
    dialog->setFileMode(QFileDialog::ExistingFile);
    ask(dialog, std::move(chosen));
}

} // namespace vemtra::ui
