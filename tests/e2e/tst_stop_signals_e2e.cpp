// The window asked to stop by a signal in the middle of a read-out ends as by
// its close box: a normal exit, the port's lock file gone, the earlier data
// file as it was.

#include "board_process.h"
#include "test_files.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using vemtra::testing::BoardProcess;
using vemtra::testing::readFile;
using vemtra::testing::writeFile;

namespace {

// Lock files of serial ports held by process `pid`, wherever the system keeps them.
QStringList portLocksOf(qint64 pid)
{
    QStringList locks;
    for (const char *dir : {"/var/lock", "/run/lock", "/var/spool/locks", "/var/spool/uucp",
                            "/tmp", "/var/tmp", "/etc/locks"}) {
        QDirIterator it(QString::fromLatin1(dir), {QStringLiteral("LCK..*")}, QDir::Files);
        while (it.hasNext()) {
            const QString path = it.next();
            if (readFile(path).split('\n').value(0).trimmed() == QByteArray::number(pid))
                locks << path;
        }
    }
    return locks;
}

} // namespace

class TestStopSignalsE2e : public QObject {
    Q_OBJECT
private slots:
    void endsAsByTheCloseBox_data();
    void endsAsByTheCloseBox();
};

void TestStopSignalsE2e::endsAsByTheCloseBox_data()
{
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGINT") << int(SIGINT);
    QTest::newRow("SIGHUP") << int(SIGHUP);
}

void TestStopSignalsE2e::endsAsByTheCloseBox()
{
    QFETCH(int, signal);
    if (!BoardProcess::isBuilt())
        QSKIP("needs the board simulator vemtra-board in VEMTRA_BIN_DIR");
    // The window as the benchmarks run it: its pilot starts a read-out as the
    // button would, in a real window process.
    const QString program =
        QDir(qEnvironmentVariable("VEMTRA_BIN_DIR")).filePath("qel-vemtra-bench");
    QTemporaryDir dir;
    // A copy of its own, so the data file goes beside it in this folder.
    const QString copy = dir.filePath("qel-vemtra-bench");
    QVERIFY(QFile::copy(program, copy));
    const QString dataFile = dir.filePath("QEL_ADC.txt");
    QVERIFY(writeFile(dataFile, "earlier data file\r\n"));
    // A full 24C256 log: a read-out of many seconds.
    BoardProcess board({"--eeprom", "24C256", "--inputs", "const", "--time-factor", "100000",
                        "--powered-with-log", "--quiet"});
    QString error;
    QVERIFY2(board.start(&error), qPrintable(error));

    const QString trace = dir.filePath("trace.txt");
    QVERIFY(QDir(dir.path()).mkpath("run"));
    QFile::setPermissions(dir.filePath("run"), QFile::ReadOwner | QFile::WriteOwner |
                                                   QFile::ExeOwner);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_RUNTIME_DIR", dir.filePath("run"));
    env.insert("XDG_CONFIG_HOME", dir.filePath("config"));
    env.insert("XDG_DATA_HOME", dir.filePath("data"));
    env.insert("VEMTRA_COM1", board.device());
    env.insert("VEMTRA_TRACE", trace);
    // Connects, then starts the read-out.
    env.insert("VEMTRA_BENCH_PILOT", "readout");
    QProcess window;
    window.setProcessEnvironment(env);
    window.setProcessChannelMode(QProcess::ForwardedChannels);
    window.start(copy);
    QVERIFY(window.waitForStarted(10000));

    // The transfer is under way: the request went out and data bytes come back.
    const auto transferring = [&] {
        const QByteArray t = readFile(trace);
        const qsizetype request = t.indexOf("> 72\n");
        return request >= 0 && t.mid(request).count("\n") > 200;
    };
    QTRY_VERIFY_WITH_TIMEOUT(transferring(), 30000);
    QVERIFY(!portLocksOf(window.processId()).isEmpty());

    QCOMPARE(::kill(pid_t(window.processId()), signal), 0);
    const qint64 pid = window.processId();
    QVERIFY(window.waitForFinished(30000));
    QCOMPARE(window.exitStatus(), QProcess::NormalExit);
    QCOMPARE(window.exitCode(), 0);
    QCOMPARE(portLocksOf(pid), QStringList());
    QCOMPARE(readFile(dataFile), QByteArray("earlier data file\r\n"));
    // No half-written data file was left beside it either.
    QCOMPARE(QDir(dir.path()).entryList({"QEL_ADC*"}, QDir::Files | QDir::Hidden),
             QStringList{"QEL_ADC.txt"});
}

QTEST_GUILESS_MAIN(TestStopSignalsE2e)
#include "tst_stop_signals_e2e.moc"
