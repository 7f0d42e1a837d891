#pragma once

#include <QLockFile>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class QCoreApplication;
class QFileSystemWatcher;
class QWidget;

namespace vemtra::app {

class AppController;

// "Version 1.1.15".
QString versionText();

// The main window's caption: "QEL-Vemtra " + the version label's text + four blanks.
QString makeTitleText(const QString &versionLabel);

// The note line the About box shows after start-up: "ｻﾎﾟｰﾄﾍﾟｰｼﾞ : " and the support
// page as host and path, without the scheme.
QString supportLine();

// The help file: beside the program, else where an install puts it.
QString helpFilePath(const QString &appPath);

// Makes the program's folder the current directory and returns it followed by a
// separator. On Linux there are no drive letters and the separator is "/"; a
// folder that cannot be entered leaves the current directory as it was, and the
// returned path still names the program's folder.
QString get_app_path();

// Refuses a second running copy of the program for the same user. The lock file
// names the holding process, so a copy that crashed does not block later starts.
class InstanceLock {
public:
    // The lock in the user's runtime folder (or the temporary folder, with the
    // user's name in the file name).
    static QString defaultPath();

    explicit InstanceLock(const QString &path = defaultPath());
    // True when this is the only running copy; holds the lock until destroyed.
    bool tryLock();

private:
    std::unique_ptr<QLockFile> lock_;
};

// The running copy's ear for later starts: a later start that finds the lock
// taken asks the running copy to bring its window to the front, then ends.
// The request is a word written into a file that the running copy watches and
// empties once it has acted: Qt Core alone, so the window loads no network
// library for it.
class InstanceChannel : public QObject {
    Q_OBJECT
public:
    // Per user, like the lock.
    static QString defaultName();

    explicit InstanceChannel(const QString &name = defaultName(), QObject *parent = nullptr);
    ~InstanceChannel() override;
    // Starts listening; call while holding the instance lock.
    bool listen();
    // From a later start: tells the running copy to come to the front. False
    // when no copy answered within a short wait.
    static bool notifyRunning(const QString &name = defaultName());

signals:
    void raiseRequested();

private:
    void takeRequest();

    QString name_;
    QFileSystemWatcher *watcher_ = nullptr;
};

// Shows `window` in front of the others, restored if it was minimised.
void bringToFront(QWidget *window);

// Qt's own Japanese texts (standard buttons, file dialog) for the program's
// lifetime; false when the translation is not installed.
bool installQtJapanese(QCoreApplication &app);

// --help and --version, read from the raw arguments before a display is
// needed. Returns the exit status when one of them was given (its text is
// printed); empty when the program is to start.
std::optional<int> handleInfoOptions(int argc, char **argv);

// The whole program: the start-up of the design, then the event loop. Setting
// VEMTRA_REPORT_STARTUP=1 makes it print, once the window is shown, the lines
// "cwd=<current directory>", "title=<window caption>" and "charts=<the chart
// module it would load, or nothing>" on standard output, so tests can check
// start-up from outside. `started`, when given, is called once
// the controller is up, before the port dialog opens: a measuring build of the
// window drives it from there.
int Main(int argc, char **argv, const std::function<void(AppController &)> &started = {});

} // namespace vemtra::app
