#include "app/startup.h"

#include "app/app_controller.h"
#include "app/bench_pilot.h"
#include "app/frm_about.h"
#include "app/texts.h"
#include "app/vemtra.h"
#include "app/version.h"
#include "serial/stall_probe.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTextStream>

#include <cstdio>

namespace vemtra::app {

namespace {
QString u(const char *utf8)
{
    return QString::fromUtf8(utf8);
}
} // namespace

QString versionText()
{
    return u(texts::versionPrefix) + versionNumbers();
}

QString makeTitleText(const QString &versionLabel)
{
    return u(texts::appTitle) + QLatin1Char(' ') + versionLabel + QStringLiteral("    ");
}

QString supportLine()
{
    const QUrl url = frmAbout::supportUrl();
    return u(texts::supportPrefix) + url.host() + url.path();
}

QString get_app_path()
{
    const QString folder = QCoreApplication::applicationDirPath();
    QDir::setCurrent(folder);
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

QString InstanceLock::defaultPath()
{
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    QString name = QStringLiteral("qel-vemtra.lock");
    if (dir.isEmpty()) {
        // The temporary folder is shared by all users; one lock per user.
        dir = QStandardPaths::writableLocation(QStandardPaths::TempLocation);
        QString user = qEnvironmentVariable("USER");
        if (user.isEmpty())
            user = QStringLiteral("user");
        name = QStringLiteral("qel-vemtra-%1.lock").arg(user);
    }
    return QDir(dir).filePath(name);
}

InstanceLock::InstanceLock(const QString &path) : lock_(std::make_unique<QLockFile>(path))
{
    // Never stale by age: only a holder that is no longer running frees the lock.
    lock_->setStaleLockTime(0);
}

bool InstanceLock::tryLock()
{
    if (lock_->isLocked())
        return true;
    return lock_->tryLock(0);
}

int Main(int argc, char **argv)
{
    QApplication app(argc, argv);
    StallProbe::fromEnvironment(&app);
    QCoreApplication::setApplicationName(u(texts::appTitle));
    QCoreApplication::setApplicationVersion(versionNumbers());

    InstanceLock instance;
    if (!instance.tryLock())
        return 0;

    AppController controller(std::make_unique<serial::LinkWorker>());
    controller.start();
    startBenchPilot(controller);

    if (!qEnvironmentVariableIsEmpty("VEMTRA_REPORT_STARTUP")) {
        QTextStream out(stdout);
        out << "cwd=" << QDir::currentPath() << "\n"
            << "title=" << controller.window()->windowTitle() << "\n";
        out.flush();
        std::fflush(stdout);
    }

    QMetaObject::invokeMethod(&controller, &AppController::finishStartup, Qt::QueuedConnection);
    return app.exec();
}

} // namespace vemtra::app
