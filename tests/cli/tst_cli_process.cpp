// vemtra-cli as a process against the board simulator on a pseudo-terminal,
// through the real serial port code: probing at either speed, a program and
// read-out round trip held against the simulator's EEPROM, refused command
// lines that send nothing, Ctrl-C in the middle of a read-out, and readings
// that a noisy line must not give.

#include "board_process.h"
#include "csv_reader.h"
#include "readout/data_file.h"
#include "test_files.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

#include <sys/types.h>

using vemtra::testing::BoardProcess;
using vemtra::testing::readFile;
using vemtra::testing::writeFile;

namespace {

constexpr int kFinishMs = 120000;

QString cliPath()
{
    return QDir(qEnvironmentVariable("VEMTRA_BIN_DIR")).filePath("vemtra-cli");
}

struct CliRun {
    int code = -1;
    QString out;
    QString err;
};

CliRun runCli(const QStringList &args, const QString &workDir = {},
              const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment())
{
    QProcess p;
    p.setProcessEnvironment(env);
    if (!workDir.isEmpty())
        p.setWorkingDirectory(workDir);
    p.start(cliPath(), args);
    CliRun r;
    if (!p.waitForFinished(kFinishMs) || p.exitStatus() != QProcess::NormalExit) {
        p.kill();
        p.waitForFinished();
        r.err = "vemtra-cli did not finish";
        return r;
    }
    r.code = p.exitCode();
    r.out = QString::fromLocal8Bit(p.readAllStandardOutput());
    r.err = QString::fromLocal8Bit(p.readAllStandardError());
    return r;
}

// Byte lines of a trace ("   0.100232 < 74"), comments and notes left out.
QList<QByteArray> tracedBytes(const QString &path)
{
    QList<QByteArray> lines;
    for (const QByteArray &line : readFile(path).split('\n')) {
        const QByteArray t = line.trimmed();
        if (!t.startsWith('#') && (t.contains(" > ") || t.contains(" < ")))
            lines << t;
    }
    return lines;
}

// The simulator's EEPROM image as it is now (its "dump" is answered once written).
QByteArray eepromNow(BoardProcess &board, const QString &dump)
{
    QFile::remove(dump);
    return board.ask("dump " + QFile::encodeName(dump)).startsWith("ok") ? readFile(dump)
                                                                         : QByteArray();
}

// The end address the image's log header holds.
int loggedEnd(const QByteArray &image)
{
    return image.size() < 14 ? -1 : std::uint8_t(image[12]) | std::uint8_t(image[13]) << 8;
}

// Where vemtra-cli keeps read-outs: its data folder under the test's own
// XDG_DATA_HOME, which the programs it starts inherit.
QString libraryFolder()
{
    return qEnvironmentVariable("XDG_DATA_HOME") + "/QEL-Vemtra/logs";
}

#define START_BOARD(board)                                                                         \
    do {                                                                                           \
        QString startError;                                                                        \
        QVERIFY2((board).start(&startError), qPrintable(startError));                              \
    } while (false)

} // namespace

class TestCliProcess : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void programThenReadoutRoundTrip();
    void interruptKeepsEarlierFile();
    void reloggedFullChipIsNotProgrammedOver();
    void unreadableLogNeedsForce();
    void plotHandsOverToThePlotter();
    void historyRefusesUnknownIds_data();
    void historyRefusesUnknownIds();
    void readTakesNoNoiseForReadings_data();
    void readTakesNoNoiseForReadings();
};

void TestCliProcess::initTestCase()
{
    if (!BoardProcess::isBuilt() || !QFileInfo(cliPath()).isExecutable())
        QSKIP("needs vemtra-board and vemtra-cli in VEMTRA_BIN_DIR");
}

void TestCliProcess::init()
{
    QDir(libraryFolder()).removeRecursively();
}

void TestCliProcess::programThenReadoutRoundTrip()
{
    QTemporaryDir dir;
    const QString dump = dir.filePath("eeprom.bin");
    // One sample of all four channels every 10 ms of real time.
    BoardProcess board({"--eeprom", "24C64", "--time-factor", "100", "--commands", "--quiet"});
    START_BOARD(board);
    const QStringList port{"--port", board.device()};

    const CliRun programmed = runCli(
        port + QStringList{"program", "--eeprom", "24C64", "--vdd", "1,2,3,4", "--interval", "1"});
    QCOMPARE(programmed.code, 0);
    QVERIFY(programmed.out.contains("log header written"));

    board.command("power");
    // Let a few samples gather, as the simulator's own EEPROM image shows.
    auto endAddress = [](const QByteArray &image) {
        return std::uint8_t(image[12]) | std::uint8_t(image[13]) << 8;
    };
    board.command("dump " + dump.toLocal8Bit());
    QVERIFY(QTest::qWaitFor(
        [&] {
            const QByteArray image = readFile(dump);
            if (image.size() != 8192)
                return false;
            if (endAddress(image) >= 16 + 4 * 10)
                return true;
            QFile::remove(dump);
            board.command("dump " + dump.toLocal8Bit());
            return false;
        },
        10000));

    const CliRun read =
        runCli(port + QStringList{"readout", "--csv", "log.csv", "--plot", "log.png"}, dir.path());
    QCOMPARE(read.code, 0);
    const QString summary = read.out.section('\n', 0, 0);
    const int records = summary.section(' ', 0, 0).toInt();
    const int bytes = summary.section('(', 1).section(' ', 0, 0).toInt();
    QVERIFY2(records >= 10 && bytes == 4 * records, qPrintable(read.out));

    // What was read is what the board logged, byte for byte.
    QFile::remove(dump);
    board.command("dump " + dump.toLocal8Bit());
    QVERIFY(QTest::qWaitFor([&] { return readFile(dump).size() == 8192; }, 5000));
    const QByteArray image = readFile(dump);
    const std::vector<std::uint8_t> logged(image.begin() + 17, image.begin() + 17 + bytes);
    const QByteArray expected =
        vemtra::readout::formatDataFile(vemtra::readout::decodeChannels(0xFC), logged);
    QCOMPARE(readFile(dir.filePath("QEL_ADC.txt")), expected);

    const QList<QStringList> csv = vemtra::test::readCsvAsTools(dir.filePath("log.csv"));
    QCOMPARE(csv.size(), 1 + records);
    QCOMPARE(csv[0][0], QString("index"));
    QCOMPARE(csv.last().mid(0, 2),
             (QStringList{QString::number(records - 1), QString::number(records - 1)}));
    QVERIFY(!QImage(dir.filePath("log.png")).isNull());

    // Kept in the history too, as the very bytes of the data file, with what
    // the header said. A second read-out, to standard output, comes first.
    const CliRun again = runCli(port + QStringList{"readout", "--output", "-"});
    QCOMPARE(again.code, 0);
    const QStringList kept = QDir(libraryFolder()).entryList({"*.txt"}, QDir::Files, QDir::Name);
    QCOMPARE(kept.size(), 2);
    QCOMPARE(readFile(QDir(libraryFolder()).filePath(kept[0])), expected);
    QCOMPARE(readFile(QDir(libraryFolder()).filePath(kept[1])), again.out.toLatin1());

    const CliRun listed = runCli({"history"});
    QCOMPARE(listed.code, 0);
    const QStringList lines = listed.out.split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines[0], QString("id\ttime\teeprom\tchannels\treference\tinterval_s\trecords\tcomment"));
    const QStringList newest = lines[1].split('\t');
    const QStringList oldest = lines[2].split('\t');
    QCOMPARE(newest[0] + ".txt", kept[1]);
    QCOMPARE(oldest[0] + ".txt", kept[0]);
    QVERIFY2(kept[0].contains("_24C64"), qPrintable(kept[0]));
    const QDateTime time = QDateTime::fromString(oldest[1], Qt::ISODate);
    QVERIFY2(time.isValid() && time.secsTo(QDateTime::currentDateTime()) < 600, qPrintable(oldest[1]));
    QCOMPARE(oldest.mid(2),
             (QStringList{"24C64", "CH1,CH2,CH3,CH4", "Vdd", "1", QString::number(records), ""}));
    const QJsonObject json = QJsonDocument::fromJson(
        readFile(QDir(libraryFolder()).filePath(oldest[0] + ".json"))).object();
    QCOMPARE(json["port"].toString(), board.device());
    QCOMPARE(json["span_s"].toDouble(), double(records - 1));
    QCOMPARE(json["records"].toInt(), records);

    const CliRun shown = runCli({"history", "show", oldest[0]});
    QCOMPARE(shown.code, 0);
    QCOMPARE(shown.out.toLatin1(), expected);
    const CliRun asCsv = runCli({"history", "csv", oldest[0]});
    QCOMPARE(asCsv.code, 0);
    QCOMPARE(asCsv.out.toLatin1(), readFile(dir.filePath("log.csv")));
    const CliRun drawn = runCli({"plot", QDir(libraryFolder()).filePath(kept[0]), "--output",
                                 dir.filePath("kept.png")});
    QVERIFY2(drawn.code == 0, qPrintable(drawn.err));
    QVERIFY(!QImage(dir.filePath("kept.png")).isNull());

    // A read-out that fails keeps nothing.
    QVERIFY(board.ask("fault stop-after 20").startsWith("ok"));
    const CliRun failed = runCli(port + QStringList{"readout", "--output", "-"});
    QCOMPARE(failed.code, 4);
    QCOMPARE(QDir(libraryFolder()).entryList(QDir::Files | QDir::Hidden).size(), 4);
}

void TestCliProcess::historyRefusesUnknownIds_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::newRow("unknown") << QStringList{"history", "show", "2026-01-01_000000_24C64"};
    QTest::newRow("outside the library") << QStringList{"history", "csv", "../QEL-Vemtra/x"};
    QTest::newRow("empty") << QStringList{"history", "show", ""};
}

void TestCliProcess::historyRefusesUnknownIds()
{
    QFETCH(QStringList, args);
    const CliRun r = runCli(args);
    QCOMPARE(r.code, 2);
    QVERIFY(r.out.isEmpty());
    QCOMPARE(r.err.count('\n'), 1);
}

void TestCliProcess::interruptKeepsEarlierFile()
{
    // A full 24C64 log, recorded at once: a read-out long enough to stop.
    BoardProcess board(
        {"--eeprom", "24C64", "--log-at-power-up", "--time-factor", "1000000", "--quiet"});
    START_BOARD(board);

    QTemporaryDir dir;
    const QString data = dir.filePath("QEL_ADC.txt");
    const QString trace = dir.filePath("trace.txt");
    const QByteArray earlier("ch1\t\r\n7\t:0\r\n");
    QVERIFY(writeFile(data, earlier));

    QProcess cli;
    cli.setWorkingDirectory(dir.path());
    cli.start(cliPath(), {"--trace", trace, "--port", board.device(), "readout", "--csv", "x.csv"});
    QVERIFY(cli.waitForStarted());
    // Well into the data transfer, as the trace written line by line shows.
    QVERIFY(QTest::qWaitFor([&] { return tracedBytes(trace).size() > 600; }, 60000));
    QCOMPARE(::kill(pid_t(cli.processId()), SIGINT), 0);
    QVERIFY(cli.waitForFinished(10000));
    QCOMPARE(cli.exitStatus(), QProcess::NormalExit);
    QCOMPARE(cli.exitCode(), 130);
    const QString err = QString::fromLocal8Bit(cli.readAllStandardError());
    QVERIFY2(err.contains("read-out cancelled") && err.contains("left as it was"), qPrintable(err));

    QCOMPARE(readFile(data), earlier);
    QVERIFY(QDir(libraryFolder()).entryList(QDir::Files | QDir::Hidden).isEmpty());
    // Neither a CSV nor a half-written temporary file is left.
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
             (QStringList{"QEL_ADC.txt", "trace.txt"}));
    // The whole log would have been 8175 bytes each way.
    QVERIFY(tracedBytes(trace).size() < 2 * 8175);
}

void TestCliProcess::reloggedFullChipIsNotProgrammedOver()
{
    // A log that fills the chip ends at its last address whatever it holds.
    QTemporaryDir dir;
    const QString dump = dir.filePath("eeprom.bin");
    BoardProcess board({"--eeprom", "24C64", "--time-factor", "100", "--commands", "--quiet"});
    START_BOARD(board);
    const QStringList port{"--port", board.device()};
    const QStringList program =
        port + QStringList{"program", "--eeprom", "24C64", "--vdd", "1,2", "--interval", "0.001"};
    auto logUntilFull = [&] {
        board.command("power");
        return QTest::qWaitFor([&] { return loggedEnd(eepromNow(board, dump)) == 8191; }, 60000);
    };

    QCOMPARE(runCli(program).code, 0);
    QVERIFY(logUntilFull());
    const CliRun read = runCli(port + QStringList{"readout"}, dir.path());
    QVERIFY2(read.code == 0, qPrintable(read.err));
    QCOMPARE(runCli(program).code, 0);
    // Other voltages this time, so the new log differs from the one read out.
    QVERIFY(board.ask("set ch1 2.5").startsWith("ok"));
    QVERIFY(logUntilFull());
    const QByteArray relogged = eepromNow(board, dump);

    const CliRun refused = runCli(program);
    QCOMPARE(refused.code, 6);
    QVERIFY2(refused.err.contains("not read out"), qPrintable(refused.err));
    QCOMPARE(eepromNow(board, dump), relogged);
}

void TestCliProcess::unreadableLogNeedsForce()
{
    // A board with a log that echoes "r" wrongly: its log cannot be looked at.
    QTemporaryDir dir;
    const QString dump = dir.filePath("eeprom.bin");
    BoardProcess board({"--eeprom", "24C64", "--log-at-power-up", "--time-factor", "1000000",
                        "--wrong-echo", "x:r", "--commands", "--quiet"});
    START_BOARD(board);
    const QStringList program{"--port", board.device(), "program", "--eeprom", "24C64", "--vdd",
                              "1",      "--interval",   "1"};
    QByteArray before;
    QVERIFY(
        QTest::qWaitFor([&] { return loggedEnd(before = eepromNow(board, dump)) == 8191; }, 60000));

    const CliRun refused = runCli(program);
    QCOMPARE(refused.code, 4);
    QVERIFY2(refused.err.contains("cannot look at the board's log") &&
                 refused.err.contains("--force"),
             qPrintable(refused.err));
    QCOMPARE(eepromNow(board, dump), before);

    // --force programs anyway.
    const CliRun forced = runCli(QStringList(program) << "--force");
    QVERIFY2(forced.code == 0, qPrintable(forced.err));
    QCOMPARE(loggedEnd(eepromNow(board, dump)), 16);
}

void TestCliProcess::plotHandsOverToThePlotter()
{
    // No board: a picture of a file, drawn by vemtra-plot, its verdict passed on.
    QTemporaryDir dir;
    const QString log = dir.filePath("QEL_ADC.txt");
    QVERIFY(writeFile(log, "ch2\tch3\tch4\tch1\t\r\n102\t154\t205\t51\t:0\r\n103\t155\t206\t52\t:1\r\n"));
    const QString png = dir.filePath("log.png");
    const CliRun drawn =
        runCli({"plot", log, "--output", png, "--size", "640x400", "--interval", "2"});
    QVERIFY2(drawn.code == 0, qPrintable(drawn.err));
    QCOMPARE(QImage(png).size(), QSize(640, 400));

    const CliRun missing = runCli({"plot", dir.filePath("none.txt"), "--output", png});
    QCOMPARE(missing.code, 5);
    QVERIFY2(missing.err.startsWith("vemtra-plot: "), qPrintable(missing.err));
}

void TestCliProcess::readTakesNoNoiseForReadings_data()
{
    QTest::addColumn<QStringList>("fault");
    QTest::addColumn<int>("code");
    QTest::addColumn<bool>("filled"); // the reading fields of every row

    QTest::newRow("healthy board") << QStringList{} << 0 << true;
    // One byte the board does not send, after every echo: every cycle carries
    // more than the board's answers, so no field may show a value.
    QTest::newRow("a byte after each echo") << QStringList{"--extra", "0x55"} << 4 << false;
}

void TestCliProcess::readTakesNoNoiseForReadings()
{
    QFETCH(QStringList, fault);
    QFETCH(int, code);
    QFETCH(bool, filled);

    BoardProcess board(fault + QStringList{"--inputs", "const", "--quiet"});
    START_BOARD(board);
    const CliRun r =
        runCli({"--port", board.device(), "read", "--count", "3", "--interval", "0"});
    QCOMPARE(r.code, code);
    const QStringList rows = r.out.split('\n', Qt::SkipEmptyParts).mid(1);
    QCOMPARE(rows.size(), 3);
    for (const QString &row : rows) {
        const QStringList readings = row.split(',').mid(2);
        QCOMPARE(readings.size(), 8);
        for (const QString &field : readings)
            QVERIFY2(field.isEmpty() != filled, qPrintable(row));
    }
}

QTEST_GUILESS_MAIN(TestCliProcess)
#include "tst_cli_process.moc"
