// The real vemtra-board on a pseudo-terminal, talked to through QSerialPort as the
// program does: its stdin commands, unplugging and plugging back must work across
// processes.

#include <QProcess>
#include <QSerialPort>
#include <QSignalSpy>
#include <QtTest>

namespace {

constexpr int kWaitMs =
    5000; // generous bound for a loaded machine; passing tests never wait it out

// Starts vemtra-board with the given options and takes the device path it prints.
class Simulator {
public:
    explicit Simulator(const QStringList &args)
    {
        const QString bin = qEnvironmentVariable("VEMTRA_BIN_DIR") + "/vemtra-board";
        process.start(bin, args);
        if (!process.waitForStarted(kWaitMs))
            return;
        device = readLine();
        mapping = readLine();
    }
    ~Simulator()
    {
        if (process.state() != QProcess::NotRunning) {
            process.terminate();
            if (!process.waitForFinished(kWaitMs))
                process.kill();
            process.waitForFinished(kWaitMs);
        }
    }

    QString readLine()
    {
        QDeadlineTimer deadline(kWaitMs);
        while (!process.canReadLine() && !deadline.hasExpired())
            process.waitForReadyRead(int(deadline.remainingTime()));
        return QString::fromUtf8(process.readLine()).trimmed();
    }

    QString command(const QString &line)
    {
        process.write((line + "\n").toUtf8());
        return readLine();
    }

    QProcess process;
    QString device;
    QString mapping;
};

bool openPort(QSerialPort &port, const QString &device, int baud)
{
    port.setPortName(device);
    port.setBaudRate(baud);
    return port.open(QIODevice::ReadWrite);
}

} // namespace

class TestPtyBoard : public QObject {
    Q_OBJECT

private slots:
    // The cable goes and comes back: the program's open port must fail at once, and
    // reopening the --link path after "plug" must reach the board again.
    void unplugThenPlug()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString link = dir.filePath("com1");
        const QString dump = dir.filePath("eeprom.bin");
        Simulator board({"--commands", "--quiet", "--log-at-power-up", "--time-factor", "1e9",
                         "--link", link, "--dump-eeprom", dump});
        QCOMPARE(board.mapping, "VEMTRA_COM1=" + board.device);
        QCOMPARE(QFileInfo(link).symLinkTarget(), board.device);

        QSerialPort port;
        QVERIFY(openPort(port, link, 9600));
        QSignalSpy errors(&port, &QSerialPort::errorOccurred);
        QCOMPARE(board.command("unplug"), QString("ok unplug"));
        QVERIFY(errors.wait(kWaitMs));
        QVERIFY(errors.first().at(0).value<QSerialPort::SerialPortError>() != QSerialPort::NoError);
        QVERIFY(!QFileInfo::exists(link));
        port.close();

        const QString reply = board.command("plug");
        QVERIFY2(reply.startsWith("ok plug /dev/"), qPrintable(reply));
        QCOMPARE(QFileInfo(link).symLinkTarget(), reply.mid(8));
        QVERIFY(openPort(port, link, 9600));
        port.write("t");
        QVERIFY(port.waitForReadyRead(kWaitMs));
        QCOMPARE(port.readAll(), QByteArray("t"));
        QCOMPARE(board.command("plug"), "error: already plugged in on " + reply.mid(8));

        // End of the command stream stops the simulator, which leaves its EEPROM behind.
        board.process.closeWriteChannel();
        QVERIFY(board.process.waitForFinished(kWaitMs));
        QCOMPARE(board.process.exitCode(), 0);
        QFile image(dump);
        QVERIFY(image.open(QIODevice::ReadOnly));
        const QByteArray e = image.readAll();
        QCOMPARE(e.left(3), QByteArray("\x41\x44\x80"));
        QCOMPARE(quint8(e[12]) | quint8(e[13]) << 8, 8191); // a full log at this pace
    }

    // Options that answer at once: the version on stdout, a mistake with status 2.
    void oneShotOptions()
    {
        QProcess process;
        process.start(qEnvironmentVariable("VEMTRA_BIN_DIR") + "/vemtra-board", {"--version"});
        QVERIFY(process.waitForFinished(kWaitMs));
        QCOMPARE(process.exitCode(), 0);
        const QString out = QString::fromUtf8(process.readAllStandardOutput());
        QVERIFY2(QRegularExpression(R"(^vemtra-board \d+\.\d+\.\d+\n$)").match(out).hasMatch(),
                 qPrintable(out));
        process.start(process.program(), {"--baud", "300"});
        QVERIFY(process.waitForFinished(kWaitMs));
        QCOMPARE(process.exitCode(), 2);
        QVERIFY(process.readAllStandardError().contains("--baud"));
        QCOMPARE(process.readAllStandardOutput(), QByteArray());
    }
};

QTEST_GUILESS_MAIN(TestPtyBoard)
#include "tst_pty_board.moc"
