// vemtra-cli's commands run in-process against the simulated board: what each
// prints, the exit codes, what reaches the board and what is left on disk.

#include "../readout/log_image.h"
#include "cli/cli_runner.h"
#include "cli/exit_codes.h"
#include "cli/progress_text.h"
#include "readout/csv_export.h"
#include "readout/data_file.h"
#include "readout/unread_log.h"
#include "serial/volts_text.h"
#include "simulated_line.h"
#include "test_files.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

using namespace vemtra;
using namespace vemtra::cli;
using testing::SimulatedLine;
using vemtra::testing::readFile;
using vemtra::testing::writeFile;

namespace {

const QString kDevice = QStringLiteral("/dev/ttyTEST");

struct Run {
    int code = -1;
    QStringList out;
    QStringList err;
    QStringList progress;
    QByteArray stdoutBytes;
    bool lineOpened = false;
};

std::shared_ptr<SimulatedLine> simulatedBoard()
{
    return std::make_shared<SimulatedLine>();
}

// Runs one command line on `port`; only kDevice opens, onto `line`.
Run run(const std::shared_ptr<SimulatedLine> &line, QStringList args, const QString &port = kDevice)
{
    Run r;
    const ParsedCommandLine parsed = parseCommandLine(QStringList{"--port", port} + args);
    if (!parsed.ok()) {
        r.err << parsed.error;
        return r;
    }
    CliIo io;
    io.out = [&](const QString &text) { r.out << text; };
    io.err = [&](const QString &text) { r.err << text; };
    io.progress = [&](const QString &text) { r.progress << text; };
    io.progressDone = [] {};
    io.outBytes = [&](const QByteArray &bytes) {
        r.stdoutBytes += bytes;
        return true;
    };
    const serial::LineOpener opener = testing::openerFor(line, kDevice);
    r.code = runCommand(
        parsed.options,
        [&](const QString &device, int baud, QString *error) {
            r.lineOpened = true;
            return opener(device, baud, error);
        },
        io);
    return r;
}

bool isKind(const QString &path, mode_t kind)
{
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 && (info.st_mode & S_IFMT) == kind;
}

QByteArray drain(int fd)
{
    QByteArray bytes;
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(fd, buffer, sizeof buffer)) > 0)
        bytes.append(buffer, n);
    return bytes;
}

} // namespace

class TestCliRunner : public QObject {
    Q_OBJECT

private slots:
    void init();
    void probe_data();
    void probe();
    void readRows();
    void programFailureIsAProtocolError();
    void readoutFailureKeepsEarlierFiles_data();
    void readoutFailureKeepsEarlierFiles();
    void readoutToUnwritableFileSendsNothing();
    void readoutIntoPipeOrDevice_data();
    void readoutIntoPipeOrDevice();
    void progressText_data();
    void progressText();
};

void TestCliRunner::init()
{
    // Read-outs are remembered in this test's own data folder, from none.
    QStandardPaths::setTestModeEnabled(true);
    QFile::remove(readout::readOutRecordPath());
}

// A probe says what it found on standard output; one that fails is an error
// with its own exit code.
void TestCliRunner::probe_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("text");

    QTest::newRow("found and switched")
        << "" << int(kExitOk) << "board found at 9600 bps on /dev/ttyTEST and switched to 19200 bps";
    QTest::newRow("switch refused") << "refuse-speed-change" << int(kExitProtocolError)
                                    << "switch to 19200 bps failed (S command NG 115)";
    QTest::newRow("silent") << "silent" << int(kExitNoBoard) << "no board answers on /dev/ttyTEST";
    QTest::newRow("port lost mid-connection")
        << "unplug" << int(kExitNoBoard) << "lost the line to /dev/ttyTEST";
}

void TestCliRunner::probe()
{
    QFETCH(QString, fault);
    QFETCH(int, code);
    QFETCH(QString, text);

    auto line = simulatedBoard();
    line->engine().faults().refuseSpeedChange = fault == "refuse-speed-change";
    line->engine().faults().silent = fault == "silent";
    if (fault == "unplug")
        line->unplugOnSending('s');
    const Run r = run(line, {"probe"});
    QCOMPARE(r.code, code);
    const QStringList &said = code == kExitOk ? r.out : r.err;
    QCOMPARE(r.out.size() + r.err.size(), 1);
    QVERIFY2(said.value(0).contains(text), qPrintable(said.value(0)));
}

void TestCliRunner::readRows()
{
    auto line = simulatedBoard();
    const Run r = run(line, {"read", "--count", "3", "--interval", "100"});
    QCOMPARE(r.code, int(kExitOk));
    QCOMPARE(r.out.size(), 4);
    QVERIFY(r.out[0].startsWith(QStringLiteral("time,time_s,ch1_raw,ch1_V,")));

    QString values;
    for (int ch = 0; ch < 4; ++ch) {
        const int raw = line->engine().reading(ch, line->now());
        values += QStringLiteral(",%1,%2").arg(raw).arg(protocol::voltsText(raw));
    }
    // The PC's time of each reading beside time_s.
    const QRegularExpression iso(
        "^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3}[+-]\\d\\d:\\d\\d$");
    // Paced from the start of one reading to the next on the line's clock; a
    // pause lasts whole milliseconds, so a row may start up to 1 ms late.
    for (int n = 0; n < 3; ++n) {
        const QString &row = r.out[n + 1];
        const double at = row.section(',', 1, 1).toDouble();
        QVERIFY2(at >= 0.1 * n - 1e-9 && at <= 0.1 * n + 0.0015, qPrintable(row));
        QVERIFY2(iso.match(row.section(',', 0, 0)).hasMatch(), qPrintable(row));
        QCOMPARE(row.section(',', 2), values.mid(1));
    }
}

void TestCliRunner::programFailureIsAProtocolError()
{
    auto line = simulatedBoard();
    line->engine().faults().echoOverride = 'x';
    line->engine().faults().echoOverrideCommands.assign(1, 'w');
    const Run r = run(line, {"program", "--eeprom", "24C64", "--vdd", "1", "--interval", "1"});
    QCOMPARE(r.code, int(kExitProtocolError));
    QVERIFY2(r.err.last().contains("(1.Write NG 120)"), qPrintable(r.err.last()));
    QVERIFY(!r.err.last().contains("partly"));
}

void TestCliRunner::readoutFailureKeepsEarlierFiles_data()
{
    QTest::addColumn<int>("endAddress");
    QTest::addColumn<int>("stopAfter");
    QTest::addColumn<int>("corruptAt");
    QTest::addColumn<int>("lostAt"); // the port goes as this logged byte is echoed
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("text");

    QTest::newRow("board stops mid-transfer")
        << 16 + 200 << 20 << -1 << -1 << int(kExitProtocolError) << "(3.Read Timeout NG)";
    QTest::newRow("end address past any EEPROM")
        << 0x9100 << -1 << -1 << -1 << int(kExitProtocolError) << "not usable (end address";
    QTest::newRow("end address past the chip")
        << 0x2000 << -1 << -1 << -1 << int(kExitProtocolError) << "last address 8191";
    // Byte 100 comes back as "t": the board takes it as a probe and echoes
    // every echo after it, so addresses 116.. all read 116.
    QTest::newRow("tail read again differs") << 16 + 200 << -1 << 100 << -1
                                             << int(kExitProtocolError)
                                             << "differs first at address 201 (116";
    // The loss is the cause, not the time-out it brings about.
    QTest::newRow("port lost mid-transfer")
        << 16 + 200 << -1 << -1 << 50 << int(kExitNoBoard)
        << "lost the line to /dev/ttyTEST (device unplugged) during the read-out";
}

void TestCliRunner::readoutFailureKeepsEarlierFiles()
{
    QFETCH(int, endAddress);
    QFETCH(int, stopAfter);
    QFETCH(int, corruptAt);
    QFETCH(int, lostAt);
    QFETCH(int, code);
    QFETCH(QString, text);

    QTemporaryDir dir;
    const QString data = dir.filePath("QEL_ADC.txt");
    const QString csv = dir.filePath("log.csv");
    QVERIFY(writeFile(data, "earlier data file"));
    QVERIFY(writeFile(csv, "earlier csv"));

    auto line = simulatedBoard();
    readout_test::loadLog(line->engine(), 0xFC, endAddress, readout_test::pattern(200));
    line->engine().faults().stopAfterBytes = stopAfter;
    if (corruptAt >= 0)
        line->engine().faults().corruptByte = board::Faults::Corruption{corruptAt, 't'};
    if (lostAt >= 0)
        line->unplugAfterSending(std::uint8_t(readout_test::pattern(200).at(lostAt)));
    const Run r = run(line, {"readout", "--output", data, "--csv", csv});
    QCOMPARE(r.code, code);
    QVERIFY2(r.err.last().contains(text), qPrintable(r.err.last()));
    QVERIFY(r.err.last().contains("left as it was"));
    QCOMPARE(readFile(data), QByteArray("earlier data file"));
    QCOMPARE(readFile(csv), QByteArray("earlier csv"));
    // No temporary file is left beside them.
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
}

void TestCliRunner::readoutToUnwritableFileSendsNothing()
{
    QTemporaryDir dir;
    auto line = simulatedBoard();
    const Run r = run(line, {"readout", "--output", dir.filePath("no/such/folder/x.txt")});
    QCOMPARE(r.code, int(kExitFileError));
    QVERIFY(r.err.last().startsWith("cannot write"));
    QVERIFY(!r.lineOpened);
    QVERIFY(line->sentBytes().isEmpty());
}

void TestCliRunner::progressText_data()
{
    QTest::addColumn<qint64>("done");
    QTest::addColumn<qint64>("total");
    QTest::addColumn<double>("seconds");
    QTest::addColumn<QString>("text");

    QTest::newRow("nothing yet") << qint64(0) << qint64(8175) << 0.0
                                 << "0/8175 bytes  0%  - B/s  -:-- left";
    QTest::newRow("over an hour") << qint64(1) << qint64(32751) << 1.0
                                  << "1/32751 bytes  0%  1 B/s  9:05:50 left";
    QTest::newRow("done") << qint64(7) << qint64(7) << 0.5 << "7/7 bytes  100%  14 B/s  0:00 left";
}

void TestCliRunner::progressText()
{
    QFETCH(qint64, done);
    QFETCH(qint64, total);
    QFETCH(double, seconds);
    QFETCH(QString, text);
    QCOMPARE(cli::progressText(done, total, seconds), text);
}

// A device or a named pipe given as a file is written into, never replaced by a
// file: renamed over, /dev/null would stop being the null device.
void TestCliRunner::readoutIntoPipeOrDevice_data()
{
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("target");
    QTest::addColumn<bool>("fails");
    QTest::newRow("data file into a FIFO") << "--output" << "fifo" << false;
    QTest::newRow("CSV into a FIFO") << "--csv" << "fifo" << false;
    QTest::newRow("failed read-out") << "--output" << "fifo" << true;
    QTest::newRow("data file into a link to a device") << "--output" << "device" << false;
}

void TestCliRunner::readoutIntoPipeOrDevice()
{
    QFETCH(QString, option);
    QFETCH(QString, target);
    QFETCH(bool, fails);

    QTemporaryDir dir;
    const QString link = dir.filePath("target"), node = dir.filePath("node");
    const QByteArray nodeName = QFile::encodeName(node);
    int reader = -1;
    if (target == "fifo") {
        QCOMPARE(::mkfifo(nodeName.constData(), 0600), 0);
        reader = ::open(nodeName.constData(), O_RDONLY | O_NONBLOCK);
        QVERIFY(reader >= 0);
    } else if (::mknod(nodeName.constData(), S_IFCHR | 0600, makedev(1, 3)) != 0) {
        QSKIP("needs the right to make a device node (root)");
    }
    QVERIFY(QFile::link(node, link));
    const mode_t kind = target == "fifo" ? S_IFIFO : S_IFCHR;

    auto line = simulatedBoard();
    const QByteArray logged = readout_test::pattern(6);
    readout_test::loadLog(line->engine(), 0xCC, 16 + 6, logged);
    if (fails)
        line->engine().faults().stopAfterBytes = 3;
    const QString other = dir.filePath(option == "--csv" ? "QEL_ADC.txt" : "log.csv");
    const Run r = run(line, {"readout", option, link, option == "--csv" ? "--output" : "--csv",
                             other});
    QCOMPARE(r.code, fails ? int(kExitProtocolError) : int(kExitOk));
    QVERIFY(QFileInfo(link).isSymLink());
    QVERIFY(isKind(node, kind));
    if (reader < 0) {
        // Safe to try on the real one now that a private one survived.
        QCOMPARE(run(line, {"readout", "--output", "/dev/null"}).code, int(kExitOk));
        QVERIFY(isKind("/dev/null", S_IFCHR));
        return;
    }
    const QByteArray got = drain(reader);
    ::close(reader);
    if (fails) {
        QCOMPARE(got, QByteArray());
        return;
    }
    const QByteArray dataFile = readout::formatDataFile(
        readout::decodeChannels(0xCC), std::vector<std::uint8_t>(logged.begin(), logged.end()));
    QCOMPARE(option == "--output" ? got : readFile(other), dataFile);
    // The CSV is made from the data that went into the pipe.
    const QByteArray csv = option == "--csv" ? got : readFile(other);
    QVERIFY2(csv.startsWith("index,") && csv.count('\n') == 1 + 3, csv.constData());
}

QTEST_GUILESS_MAIN(TestCliRunner)
#include "tst_cli_runner.moc"
