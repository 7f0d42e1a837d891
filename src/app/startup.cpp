#include "app/startup.h"

#include "app/app_controller.h"
#include "app/app_texts.h"
#include "app/chart_module.h"
#include "app/desktop_style.h"
#include "app/frm_about.h"
#include "app/vemtra.h"
#include "app/version.h"
#include "serial/stop_signals.h"

#include "ui/window_placement.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileSystemWatcher>
#include <QLibraryInfo>
#include <QStandardPaths>
#include <QTextStream>
#include <QThread>
#include <QTranslator>

#include <QFileInfo>

#include <csignal>
#include <cstdio>

namespace vemtra::app {

QString versionText()
{
    return texts::versionPrefix + versionNumbers();
}

QString makeTitleText(const QString &versionLabel)
{
    return texts::appTitle + QLatin1Char(' ') + versionLabel + QStringLiteral("    ");
}

QString supportLine()
{
    const QUrl url = frmAbout::supportUrl();
    if (url.isLocalFile())
        return texts::supportPrefix + QDir::toNativeSeparators(url.toLocalFile());
    return texts::supportPrefix + url.host() + url.path();
}

QString helpFilePath(const QString &appPath)
{
    // The program folder first (build or unpacked folder); an installed program
    // keeps its data apart from its binary (../share/qel-vemtra).
    QString folder = appPath;
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    const QString beside = folder + texts::helpFileName;
    const QString installed =
        QDir::cleanPath(folder + QStringLiteral("../share/qel-vemtra/") + texts::helpFileName);
    if (!QFileInfo::exists(beside) && QFileInfo::exists(installed))
        return installed;
    return beside;
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

QString InstanceChannel::defaultName()
{
    QString user = qEnvironmentVariable("USER");
    if (user.isEmpty())
        user = QStringLiteral("user");
    // The runtime folder keeps separate sessions (and tests) apart, as the lock does.
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (!runtime.isEmpty())
        return QDir(runtime).filePath(QStringLiteral("qel-vemtra.raise"));
    return QDir(QStandardPaths::writableLocation(QStandardPaths::TempLocation))
        .filePath(QStringLiteral("qel-vemtra-%1.raise").arg(user));
}

namespace {
constexpr char kRaise[] = "raise\n";
} // namespace

InstanceChannel::InstanceChannel(const QString &name, QObject *parent)
    : QObject(parent), name_(name)
{
}

InstanceChannel::~InstanceChannel()
{
    if (watcher_)
        QFile::remove(name_);
}

bool InstanceChannel::listen()
{
    // The lock is ours, so a request file left behind by a crashed copy is
    // stale: it starts empty, readable and writable by the user alone.
    QFile file(name_);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        !file.setPermissions(QFile::ReadOwner | QFile::WriteOwner))
        return false;
    file.close();
    if (!watcher_) {
        watcher_ = new QFileSystemWatcher(this);
        connect(watcher_, &QFileSystemWatcher::fileChanged, this, &InstanceChannel::takeRequest);
    }
    return watcher_->files().contains(name_) || watcher_->addPath(name_);
}

void InstanceChannel::takeRequest()
{
    QFile file(name_);
    if (!file.open(QIODevice::ReadWrite))
        return;
    const bool asked = file.readAll().contains(kRaise);
    // Emptied as the answer the later start waits for; emptying it is a
    // change of its own, which finds nothing to do.
    if (asked)
        file.resize(0);
    file.close();
    if (asked)
        emit raiseRequested();
}

bool InstanceChannel::notifyRunning(const QString &name)
{
    QFile file(name);
    // Never created: only a running copy makes the file.
    if (!file.exists() || !file.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    const bool written = file.write(kRaise) == qint64(qstrlen(kRaise)) && file.flush();
    file.close();
    if (!written)
        return false;
    // The running copy empties the file once it has seen the request.
    QDeadlineTimer answer(1000);
    while (!answer.hasExpired()) {
        if (QFileInfo(name).size() == 0)
            return true;
        QThread::msleep(10);
    }
    return false;
}

void bringToFront(QWidget *window)
{
    if (!window)
        return;
    window->setWindowState((window->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    window->show();
    window->raise();
    window->activateWindow();
}

bool installQtJapanese(QCoreApplication &app)
{
    // The window is Japanese whatever the desktop's language, so its stock
    // buttons and dialogs are too.
    auto *translator = new QTranslator(&app);
    if (!translator->load(QStringLiteral("qtbase_ja"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

std::optional<int> handleInfoOptions(int argc, char **argv)
{
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    QCommandLineParser parser;
    // Qt's own options (-platform, -style, -reverse ...) are single-dash words;
    // read them as such so they are passed over, not taken for -v or -h.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(texts::fileDescription);
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    parser.parse(args); // unknown options belong to Qt
    if (!parser.isSet(help) && !parser.isSet(version))
        return std::nullopt;
    // The text needs the program's name and version, not a display.
    QCoreApplication core(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("qel-vemtra"));
    QCoreApplication::setApplicationVersion(versionNumbers());
    QTextStream out(stdout);
    if (parser.isSet(help))
        out << parser.helpText();
    else
        out << "qel-vemtra " << versionNumbers() << "\n";
    out.flush();
    return 0;
}

int Main(int argc, char **argv, const std::function<void(AppController &)> &started)
{
#ifdef SIGXFSZ
    // A file-size limit then fails the write with a reason instead of killing us.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
#ifdef SIGPIPE
    // So does a named pipe whose reader went away while a file was written into it.
    std::signal(SIGPIPE, SIG_IGN);
#endif
    if (const std::optional<int> status = handleInfoOptions(argc, argv))
        return *status;

    QApplication app(argc, argv);
    QApplication::setStyle(new DesktopStyle(QApplication::style()->name()));
    QCoreApplication::setApplicationName(texts::appTitle);
    QCoreApplication::setApplicationVersion(versionNumbers());
    installQtJapanese(app);

    InstanceLock instance;
    if (!instance.tryLock()) {
        InstanceChannel::notifyRunning();
        return 0;
    }
    InstanceChannel channel;
    channel.listen();

    AppController controller(std::make_unique<serial::LinkWorker>());
    // Asked to stop by kill, Ctrl-C or a closing terminal, the window ends as
    // by its close box: the running exchange stopped, the port closed and its
    // lock file removed, an earlier data file kept.
    QObject::connect(&serial::StopSignals::install(), &serial::StopSignals::stopRequested,
                     &controller, [&controller] { controller.window()->close(); });
    QObject::connect(&channel, &InstanceChannel::raiseRequested, &controller,
                     [&controller] { bringToFront(controller.window()); });
    controller.start();
    if (started)
        started(controller);

    if (!qEnvironmentVariableIsEmpty("VEMTRA_REPORT_STARTUP")) {
        QTextStream out(stdout);
        out << "cwd=" << QDir::currentPath() << "\n"
            << "title=" << controller.window()->windowTitle() << "\n"
            << "charts=" << ChartModule().path() << "\n";
        out.flush();
        std::fflush(stdout);
    }

    // The port dialog opens centred over the main window, so only once the window
    // manager has put the window where it stays.
    ui::whenPlaced(controller.window(), [&controller] { controller.finishStartup(); });
    return app.exec();
}

} // namespace vemtra::app
