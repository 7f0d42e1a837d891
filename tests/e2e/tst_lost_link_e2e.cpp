// The window and vemtra-cli against vemtra-board, reached through its --link
// path as the user's COM2: the voltmeter and its recorder, then a port lost by
// unplug and found again by plug. Reached by its bare pty instead, a lost port
// is left for the user to open again: another program's pty may get its number.

#include "app/app_texts.h"
#include "board_process.h"
#include "csv_reader.h"
#include "datalog/ui/datalog_texts.h"
#include "datalog/ui/log_programmer.h"
#include "readout/ui/readout_controller.h"
#include "readout/ui/readout_texts.h"
#include "serial/com_ports.h"
#include "serial/ui/connection.h"
#include "serial/ui/serial_texts.h"
#include "started_app.h"
#include "test_files.h"
#include "voltmeter/ui/voltmeter.h"
#include "voltmeter/voltmeter_recorder.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <optional>

using namespace vemtra;
using testing::BoardProcess;
using vemtra::testing::readFile;
using vemtra::testing::writeFile;

namespace {

QStringList boardArgs(const QString &link)
{
    return {"--baud",        "9600", "--eeprom",           "24C64",  "--inputs", "const",
            "--time-factor", "1000", "--powered-with-log", "--link", link,       "--commands",
            "--quiet"};
}

QString cliPath()
{
    return QDir(qEnvironmentVariable("VEMTRA_BIN_DIR")).filePath("vemtra-cli");
}

} // namespace

class TestLostLinkE2e : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup() { board_.reset(); }
    void windowSeesTheLossAndRecovers();
    void windowReopensOnlyTheSameDevice_data();
    void windowReopensOnlyTheSameDevice();
    void cliRead_data();
    void cliRead();
    void cliNamesTheCause_data();
    void cliNamesTheCause();

private:
    QTemporaryDir dir_;
    QString link_;
    std::optional<BoardProcess> board_;
};

void TestLostLinkE2e::initTestCase()
{
    if (!BoardProcess::isBuilt())
        QSKIP("needs the board simulator vemtra-board in VEMTRA_BIN_DIR");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir_.path()));
    qunsetenv("VEMTRA_COM2");
    link_ = dir_.filePath("board");
}

void TestLostLinkE2e::init()
{
    board_.emplace(boardArgs(link_));
    QString error;
    QVERIFY2(board_->start(&error), qPrintable(error));
}

void TestLostLinkE2e::windowSeesTheLossAndRecovers()
{
    {
        // What the port assignment dialog stores for COM2.
        serial::PortAssignments assigned;
        assigned.setDevice(2, link_);
        QVERIFY(assigned.save());
    }

    testing::StartedApp s(2);
    app::AppController &app = s.app;
    app::vemtra &w = s.w;
    QCOMPARE(s.portToolTip, link_);
    s.prompts.onYesNo = [](QWidget *, const QString &) { return true; };
    // Found again at either speed: the same board, or one switched on anew.
    const auto linked = [&w] {
        return w.Label5->text() == serial::texts::established19200 ||
               w.Label5->text() == serial::texts::switched19200;
    };
    QTRY_COMPARE_WITH_TIMEOUT(w.Label5->text(), serial::texts::switched19200, 10000);
    QTRY_VERIFY(!app.session()->isBusy());

    // Constant inputs 1, 2, 3 and 4 V: readings 51, 102, 154 and 205.
    auto *vm = app.findChild<voltmeter::Voltmeter *>("voltmeter");
    w.Check1->click();
    const QStringList raw{"51[33]", "102[66]", "154[9A]", "205[CD]"};
    for (int ch = 0; ch < 4; ++ch)
        QTRY_COMPARE_WITH_TIMEOUT(w.Text1[ch]->text(), raw[ch], 10000);

    // Connecting again stops the voltmeter and finds the board already at 19200 bps.
    w.vemtra_init->trigger();
    QVERIFY(!w.Check1->isChecked() && !w.Timer1->isActive());
    QTRY_COMPARE_WITH_TIMEOUT(w.Label5->text(), serial::texts::established19200, 10000);
    QTRY_VERIFY(!app.session()->isBusy());

    // Recording starts the voltmeter; a file that holds an earlier recording is
    // added to when the user says so.
    const QString csv = dir_.filePath("volts.csv");
    s.prompts.onSaveFileName = [&](QWidget *, const QString &, const QString &, const QString &) {
        return csv;
    };
    s.prompts.onChoose = [](QWidget *, const QString &, const QStringList &answers, int) {
        return int(answers.indexOf(app::texts::recordAdd));
    };
    const auto *recorder = app.recorder();
    w.nmuVoltRecord->trigger();
    QVERIFY(w.Check1->isChecked() && recorder->isRecording());
    QTRY_VERIFY_WITH_TIMEOUT(recorder->rows() >= 5, 10000);
    w.nmuVoltRecord->trigger();
    QVERIFY(!recorder->isRecording() && w.Check1->isChecked());
    const int firstRows = int(test::readCsvAsTools(csv).size()) - 1;
    w.nmuVoltRecord->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(recorder->rows() >= 50, 20000);

    // Unplugged while the voltmeter records: it stops at once and no column
    // follows, the label names the port, no reading stays in view, the file
    // holds every row recorded, its time going on across the two recordings.
    QCOMPARE(board_->ask("unplug"), QByteArray("ok unplug"));
    QTRY_COMPARE_WITH_TIMEOUT(w.Label5->text(), serial::texts::disconnected(2), 5000);
    QTRY_VERIFY_WITH_TIMEOUT(!w.Check1->isChecked() && !vm->isTickPending(), 5000);
    QVERIFY(!w.Timer1->isActive());
    for (int ch = 0; ch < 4; ++ch)
        QVERIFY(w.Text1[ch]->text().isEmpty() && w.Text2[ch]->text().isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(!recorder->isRecording(), 10000);
    QVERIFY(w.Label9->text().contains(csv));
    const QList<QStringList> rows = test::readCsvAsTools(csv);
    QCOMPARE(rows.size(), 1 + firstRows + recorder->rows());
    QCOMPARE(rows[1][1], QString("0.000"));
    double lastSeconds = -1;
    for (int i = 1; i < rows.size(); ++i) {
        QCOMPARE(rows[i].size(), 10);
        QVERIFY2(rows[i][1].toDouble() > lastSeconds, qPrintable(rows[i].join(',')));
        lastSeconds = rows[i][1].toDouble();
        QCOMPARE(rows[i][2], QString("51"));
        QCOMPARE(rows[i][9], QString("4.004"));
    }
    const int column = vm->GP1_count();

    // Plugged in again: the link comes back by itself, the voltmeter stays off.
    QVERIFY(board_->ask("plug").startsWith("ok plug"));
    QTRY_VERIFY_WITH_TIMEOUT(linked(), 10000);
    QTRY_VERIFY(!app.session()->isBusy());
    QVERIFY(!w.Check1->isChecked());
    QCOMPARE(vm->GP1_count(), column);

    // Unplugged during a read-out: it fails and the earlier data file stays.
    auto *readout = app.findChild<readout::ReadoutController *>("readout");
    readout->setDataFolder([this] { return dir_.path(); });
    const QByteArray earlier("an earlier read-out\r\n");
    QVERIFY(writeFile(readout->dataFilePath(), earlier));
    QSignalSpy readDone(readout, &readout::ReadoutController::finished);
    w.Command2->click();
    QTRY_VERIFY_WITH_TIMEOUT(w.P_Bar->value() > 64, 20000);
    QCOMPARE(board_->ask("unplug"), QByteArray("ok unplug"));
    QVERIFY(readDone.wait(5000));
    QVERIFY(!readDone.at(0).at(0).toBool());
    QCOMPARE(w.Label9->text(), readout::texts::lineLost(2));
    QCOMPARE(w.Label5->text(), serial::texts::disconnected(2));
    QCOMPARE(readFile(readout->dataFilePath()), earlier);

    // Back again, the cause still in view; then unplugged while the log header is written.
    QVERIFY(board_->ask("plug").startsWith("ok plug"));
    QTRY_VERIFY_WITH_TIMEOUT(linked(), 10000);
    QTRY_VERIFY(!app.session()->isBusy());
    QCOMPARE(w.Label9->text(), readout::texts::lineLost(2));
    auto *programmer = app.findChild<datalog::LogProgrammer *>("logProgrammer");
    QSignalSpy programDone(programmer, &datalog::LogProgrammer::finished);
    QSignalSpy connected(app.findChild<serial::Connection *>("connection"),
                         &serial::Connection::finished);
    w.Check2[1]->click();
    w.Text5->setText("0.5");
    w.Command5->click();
    QVERIFY(connected.wait(10000));
    QCOMPARE(board_->ask("unplug"), QByteArray("ok unplug"));
    QVERIFY(programDone.wait(10000));
    QVERIFY(!programDone.at(0).at(0).toBool());
    QCOMPARE(w.Label9->text(), datalog::texts::lineLost(2));
    QCOMPARE(w.Label5->text(), serial::texts::disconnected(2));

    // VEMTRA初期化 reopens the port once it is there again.
    QSignalSpy restored(app.worker(), &serial::LinkWorker::linkRestored);
    app.worker()->setRecoveryInterval(60000);
    QVERIFY(board_->ask("plug").startsWith("ok plug"));
    QTRY_VERIFY(!app.session()->isBusy());
    w.vemtra_init->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(linked(), 10000);
    QCOMPARE(restored.size(), 0);

    // Unplugged while nothing is sent: noticed all the same.
    QTRY_VERIFY(!app.session()->isBusy());
    QCOMPARE(board_->ask("unplug"), QByteArray("ok unplug"));
    QTRY_COMPARE_WITH_TIMEOUT(w.Label5->text(), serial::texts::disconnected(2), 5000);
}

void TestLostLinkE2e::windowReopensOnlyTheSameDevice_data()
{
    QTest::addColumn<bool>("bare");
    QTest::newRow("through the simulator's link") << false;
    QTest::newRow("bare pty") << true;
}

void TestLostLinkE2e::windowReopensOnlyTheSameDevice()
{
    QFETCH(bool, bare);
    const QString port = bare ? board_->device() : link_;
    {
        serial::PortAssignments assigned;
        assigned.setDevice(2, port);
        QVERIFY(assigned.save());
    }
    testing::StartedApp s(2);
    app::vemtra &w = s.w;
    QTRY_COMPARE_WITH_TIMEOUT(w.Label5->text(), serial::texts::switched19200, 10000);
    QTRY_VERIFY(!s.app.session()->isBusy());
    serial::LinkWorker &worker = *s.app.worker();
    worker.setRecoveryInterval(20);

    QCOMPARE(board_->ask("unplug"), QByteArray("ok unplug"));
    QTRY_COMPARE_WITH_TIMEOUT(w.Label5->text(), serial::texts::disconnected(2), 5000);
    // Nothing watches a bare pty: whatever gets its number next is not ours.
    QCOMPARE(worker.isRecovering(), !bare);

    const QByteArray plugged = board_->ask("plug");
    QVERIFY(plugged.startsWith("ok plug"));
    const auto linked = [&w] {
        return w.Label5->text() == serial::texts::established19200 ||
               w.Label5->text() == serial::texts::switched19200;
    };
    if (!bare) {
        QTRY_VERIFY_WITH_TIMEOUT(linked(), 10000);
        return;
    }
    QVERIFY(!worker.isRecovering() && !worker.isOpen());
    QCOMPARE(w.Label5->text(), serial::texts::disconnected(2));
    // The user's VEMTRA初期化 opens the name again, when the new pty got it.
    if (QString::fromLocal8Bit(plugged.mid(8)) != port)
        return;
    w.vemtra_init->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(linked(), 10000);
}

void TestLostLinkE2e::cliRead_data()
{
    QTest::addColumn<bool>("reconnect");
    QTest::addColumn<bool>("bare");
    QTest::newRow("ends") << false << false;
    QTest::newRow("--reconnect") << true << false;
    QTest::newRow("--reconnect on a bare pty ends") << true << true;
}

void TestLostLinkE2e::cliRead()
{
    QFETCH(bool, reconnect);
    QFETCH(bool, bare);
    const QString port = bare ? board_->device() : link_;
    QProcess cli;
    QStringList args{"--port", port, "read", "--count", "0", "--interval", "20"};
    cli.start(cliPath(), reconnect ? args << "--reconnect" : args);
    // What it has said so far; QTRY looks more than once.
    QByteArray out, err;
    const auto said = [&] {
        out += cli.readAllStandardOutput();
        err += cli.readAllStandardError();
        return true;
    };
    QTRY_VERIFY_WITH_TIMEOUT(said() && out.count('\n') > 1, 10000);
    QCOMPARE(board_->ask("unplug"), QByteArray("ok unplug"));
    if (!reconnect || bare) {
        QVERIFY(cli.waitForFinished(2000)); // at once, not after a time-out
        said();
        QCOMPARE(cli.exitCode(), 3);
        // The board found, with --reconnect a word that it will not wait, then the loss.
        QCOMPARE(err.count('\n'), reconnect ? 3 : 2);
        QVERIFY2(err.contains("\nvemtra-cli: lost the line to " + port.toLocal8Bit()),
                 err.constData());
        QCOMPARE(err.contains("will not wait"), reconnect);
        return;
    }
    QTRY_VERIFY_WITH_TIMEOUT(said() && err.contains("waiting"), 5000);
    QVERIFY(board_->ask("plug").startsWith("ok plug"));
    QTRY_VERIFY_WITH_TIMEOUT(said() && err.contains("is back"), 10000);
    // Rows resume with the board's readings.
    out.clear();
    QTRY_VERIFY_WITH_TIMEOUT(said() && out.contains(",51,"), 5000);
    QCOMPARE(err.count('\n'), 3); // found, lost, back
    cli.terminate();
    cli.waitForFinished(5000);
}

void TestLostLinkE2e::cliNamesTheCause_data()
{
    QTest::addColumn<bool>("heldByLink");
    QTest::addColumn<bool>("askedByLink");
    QTest::newRow("both through the link") << true << true;
    QTest::newRow("held through the link, asked by the device") << true << false;
    QTest::newRow("held by the device, asked through the link") << false << true;
}

void TestLostLinkE2e::cliNamesTheCause()
{
    QFETCH(bool, heldByLink);
    QFETCH(bool, askedByLink);
    const QString held = heldByLink ? link_ : board_->device();
    const QString asked = askedByLink ? link_ : board_->device();
    const auto probe = [](const QString &port) {
        QProcess cli;
        cli.start(cliPath(), {"--port", port, "probe"});
        return cli.waitForFinished(10000) && cli.exitCode() == 3
                   ? QString::fromLocal8Bit(cli.readAllStandardError()).trimmed()
                   : QString("<not exit code 3>");
    };
    QProcess holder;
    holder.start(cliPath(), {"--port", held, "read", "--count", "0", "--interval", "100"});
    QVERIFY(holder.waitForReadyRead(10000));
    // One device by two names is still one device.
    QCOMPARE(probe(asked), QString("vemtra-cli: %1 is in use by another program").arg(asked));
    // Asked to stop, an endless read ends as on Ctrl-C, closing the port.
    holder.terminate();
    QVERIFY(holder.waitForFinished(5000));
    QCOMPARE(holder.exitStatus(), QProcess::NormalExit);
    QCOMPARE(holder.exitCode(), 0);
    // A device that is not there names that, once.
    const QString missing = dir_.filePath("nothing");
    QCOMPARE(probe(missing), QString("vemtra-cli: %1 does not exist").arg(missing));
}

QTEST_MAIN(TestLostLinkE2e)
#include "tst_lost_link_e2e.moc"
