#include "app/app_controller.h"
#include "app/frm_about.h"
#include "app/startup.h"
#include "app/vemtra.h"
#include "test_files.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>

#include <atomic>
#include <thread>

using vemtra::app::AppController;
using vemtra::serial::LinkWorker;

namespace {

const QString expectedTitle = QString::fromUtf8("QEL-Vemtra Version 1.1.15    ");

// A controller whose worker counts how often a port would be opened.
std::unique_ptr<AppController> makeController(std::shared_ptr<std::atomic<int>> opens)
{
    auto opener = [opens](const QString &, int, QString *error) {
        ++*opens;
        *error = QStringLiteral("no port in this test");
        return std::unique_ptr<vemtra::serial::Line>();
    };
    return std::make_unique<AppController>(std::make_unique<LinkWorker>(opener));
}

// Waits until the worker has run everything queued before now.
bool drain(LinkWorker *worker)
{
    bool done = false;
    worker->post([](vemtra::serial::Line &) {}, [&done] { done = true; });
    return QTest::qWaitFor([&] { return done; });
}

QString binDir()
{
    return qEnvironmentVariable("VEMTRA_BIN_DIR");
}

// The program as a process with its own runtime and settings folders, so a copy
// the developer has running does not count as the first copy.
class Program {
public:
    explicit Program(const QString &runtimeDir, const QStringList &args = {},
                     const QString &workDir = {}, bool display = true)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(name);
        if (display)
            env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("XDG_RUNTIME_DIR", runtimeDir);
        env.insert("XDG_CONFIG_HOME", runtimeDir + "/config");
        env.insert("VEMTRA_REPORT_STARTUP", "1");
        process.setProcessEnvironment(env);
        if (!workDir.isEmpty())
            process.setWorkingDirectory(workDir);
        process.start(binDir() + "/qel-vemtra", args);
    }
    ~Program()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished();
        }
    }
    // The start-up report, "cwd=...\ntitle=...\n"; empty if the program ended first.
    QString report()
    {
        while (!output.contains("title=") && process.waitForReadyRead(30000))
            output += process.readAllStandardOutput();
        return QString::fromUtf8(output);
    }
    QProcess process;
    QByteArray output;
};

} // namespace

class TestStartup : public QObject {
    Q_OBJECT
private slots:
    void startUpAndExit_data();
    void startUpAndExit();
    void busyLineKeepsFocus_data();
    void busyLineKeepsFocus();
    void helpFromProgramFolder();
    void secondStartRaisesTheWindow();
    void secondCopyEndsAtOnce();
    void infoOptionsNeedNoDisplay_data();
    void infoOptionsNeedNoDisplay();
};

void TestStartup::startUpAndExit_data()
{
    QTest::addColumn<bool>("byMenu");
    QTest::newRow("exit menu") << true;
    QTest::newRow("close box") << false;
}

void TestStartup::startUpAndExit()
{
    QFETCH(bool, byMenu);
    QTemporaryDir elsewhere;
    QVERIFY(QDir::setCurrent(elsewhere.path()));
    auto opens = std::make_shared<std::atomic<int>>(0);
    auto c = makeController(opens);
    int quits = 0;
    c->setQuit([&] { ++quits; });
    c->window()->Timer1->start();
    c->start();

    const QString appDir = QCoreApplication::applicationDirPath();
    QCOMPARE(QDir::currentPath(), appDir);
    QCOMPARE(c->app_path, appDir + "/");
    QCOMPARE(c->window()->windowTitle(), expectedTitle);
    QVERIFY(c->window()->isVisible());
    QVERIFY(!c->window()->Timer1->isActive());
    // The About box is loaded but not shown.
    QVERIFY(c->aboutLoaded() && !c->about()->isVisible());

    if (byMenu)
        c->window()->vemtra_exit->trigger();
    else
        QVERIFY(c->window()->close());
    QCOMPARE(quits, 1);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!c->aboutLoaded());
    for (QWidget *w : QApplication::topLevelWidgets())
        QVERIFY2(!w->isVisible(), qPrintable(w->objectName()));
    // The port was configured, never opened.
    QVERIFY(drain(c->worker()));
    QVERIFY(!c->worker()->isOpen());
    QCOMPARE(opens->load(), 0);
}

void TestStartup::busyLineKeepsFocus_data()
{
    QTest::addColumn<QString>("focused"); // and still focused once the line is free
    for (const char *name : {"Check1", "Text5", "Command2"})
        QTest::newRow(name) << name;
}

void TestStartup::busyLineKeepsFocus()
{
    QFETCH(QString, focused);
    auto c = makeController(std::make_shared<std::atomic<int>>(0));
    c->setQuit([] {});
    auto *w = c->window();
    w->show();
    w->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w));
    w->findChild<QWidget *>(focused)->setFocus();

    QVERIFY(c->session()->begin(QStringLiteral("test")));
    QVERIFY(!w->Command2->isEnabled() && !w->Command5->isEnabled() && !w->Check1->isEnabled());
    QVERIFY(!w->vemtra_init->isEnabled() && !w->nmuCOM->isEnabled());
    // Never a reading's field, where the next key would overwrite the value.
    QVERIFY(!w->focusWidget()->objectName().startsWith("Text2"));
    c->session()->end();
    QVERIFY(w->Command2->isEnabled() && w->Command5->isEnabled() && w->Check1->isEnabled());
    QVERIFY(w->vemtra_init->isEnabled() && w->nmuCOM->isEnabled());
    QCOMPARE(w->focusWidget()->objectName(), focused);
}

void TestStartup::helpFromProgramFolder()
{
    auto c = makeController(std::make_shared<std::atomic<int>>(0));
    c->setQuit([] {});
    c->start();
    // A help file in the current directory must not be the one shown.
    QTemporaryDir elsewhere;
    QVERIFY(vemtra::testing::writeFile(elsewhere.filePath("vemtra-help.html"), "<p>DECOY</p>"));
    QVERIFY(QDir::setCurrent(elsewhere.path()));

    c->window()->nmuHelpFile->trigger();
    c->window()->nmuHelpFile->trigger(); // the one help window again
    QTextBrowser *help = c->helpWindow();
    QVERIFY(help && help->isVisible() && !help->isModal());
    QCOMPARE(help->source(),
             QUrl::fromLocalFile(QCoreApplication::applicationDirPath() + "/vemtra-help.html"));
    QVERIFY(!help->toPlainText().contains("DECOY"));
    QCOMPARE(c->window()->findChildren<QTextBrowser *>("HelpWindow").size(), 1);
}

void TestStartup::secondStartRaisesTheWindow()
{
    QTemporaryDir runtime;
    const QString name = runtime.filePath("instance");
    auto c = makeController(std::make_shared<std::atomic<int>>(0));
    c->setQuit([] {});
    c->start();
    vemtra::app::InstanceChannel channel(name);
    QVERIFY(channel.listen());
    QObject::connect(&channel, &vemtra::app::InstanceChannel::raiseRequested, c.get(),
                     [&c] { vemtra::app::bringToFront(c->window()); });
    c->window()->showMinimized();
    QTRY_VERIFY(c->window()->isMinimized());

    // The later start runs in a process of its own; here a thread stands in for it.
    std::atomic<bool> answered{false};
    std::thread later([&] { answered = vemtra::app::InstanceChannel::notifyRunning(name); });
    QTRY_VERIFY(!c->window()->isMinimized());
    later.join();
    QVERIFY(answered);
    QVERIFY(c->window()->isVisible());
}

void TestStartup::secondCopyEndsAtOnce()
{
    QTemporaryDir runtime;
    QVERIFY(QFile::setPermissions(runtime.path(),
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    // Unknown words and Qt's own options (-reverse holds a "v") start the window,
    // which works in its own folder.
    QTemporaryDir elsewhere;
    Program first(runtime.path(), {"COM3", "-x", "-reverse", "vemtra.hlp"}, elsewhere.path());
    QVERIFY(first.report().startsWith("cwd=" + QDir(binDir()).canonicalPath() + "\n"));

    Program second(runtime.path());
    QVERIFY(second.process.waitForFinished(30000));
    QCOMPARE(second.process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.process.exitCode(), 0);
    QVERIFY(second.process.readAllStandardOutput().isEmpty()); // no window was made
    // Nobody answers a name that no copy listens on.
    QVERIFY(!vemtra::app::InstanceChannel::notifyRunning(runtime.filePath("nobody")));
    QCOMPARE(first.process.state(), QProcess::Running);

    // A copy that died without cleaning up does not block the next start.
    first.process.kill();
    QVERIFY(first.process.waitForFinished(30000));
    Program third(runtime.path());
    QVERIFY(third.report().contains("title="));
}

void TestStartup::infoOptionsNeedNoDisplay_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("says");
    QTest::newRow("--help") << QStringList{"--help"} << "--version";
    QTest::newRow("-h among Qt's options") << QStringList{"-reverse", "-h"} << "--help";
    QTest::newRow("--version") << QStringList{"--version"} << "1.1.15";
}

void TestStartup::infoOptionsNeedNoDisplay()
{
    QFETCH(QStringList, args);
    QFETCH(QString, says);
    QTemporaryDir runtime;
    Program program(runtime.path(), args, {}, false);
    QVERIFY(program.process.waitForFinished(30000));
    QCOMPARE(program.process.exitCode(), 0);
    QVERIFY(QString::fromLocal8Bit(program.process.readAllStandardOutput()).contains(says));
}

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
