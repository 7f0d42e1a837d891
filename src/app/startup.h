#pragma once

#include <QLockFile>
#include <QString>

#include <memory>

namespace vemtra::app {

// "Version 1.1.15".
QString versionText();

// The main window's caption: "QEL-Vemtra " + the version label's text + four blanks.
QString makeTitleText(const QString &versionLabel);

// The note line the About box shows after start-up: "ｻﾎﾟｰﾄﾍﾟｰｼﾞ : " and the support
// page as host and path, without the scheme.
QString supportLine();

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

// The whole program: the start-up of the design, then the event loop. Setting
// VEMTRA_REPORT_STARTUP=1 makes it print, once the window is shown, the lines
// "cwd=<current directory>" and "title=<window caption>" on standard output, so
// tests can check start-up from outside.
int Main(int argc, char **argv);

} // namespace vemtra::app
