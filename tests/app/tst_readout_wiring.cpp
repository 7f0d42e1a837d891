// What the window adds around the read-out on a simulated board: CSV export, the
// question before programming over a log not read out, the data file's folder,
// a loss of the port named in Label9; and the recorder's question about a file
// that holds a recording.

#include "../e2e/started_app.h"
#include "../readout/log_image.h"
#include "app/app_controller.h"
#include "app/app_texts.h"
#include "app/vemtra.h"
#include "board_process.h"
#include "datalog/ui/datalog_texts.h"
#include "readout/data_location.h"
#include "readout/readout_library.h"
#include "readout/ui/readout_texts.h"
#include "readout/ui/kept_readout_model.h"
#include "readout/ui/readout_library_window.h"
#include "chart/ui/log_graph_window.h"
#include "readout/ui/readout_controller.h"
#include "readout/unread_log.h"
#include "scripted_prompts.h"
#include "serial/connect.h"
#include "serial/ui/connection.h"
#include "serial/ui/serial_texts.h"
#include "simulated_line.h"
#include "test_files.h"
#include "voltmeter/voltmeter_recorder.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QRegularExpression>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QTest>

using namespace vemtra;
using readout_test::loadLog;
using testing::SimulatedLine;
using vemtra::testing::readFile;
using vemtra::testing::writeFile;

namespace {

// CH1 and CH2 against the supply; the data file holds CH2 before CH1.
constexpr std::uint8_t kCh1Ch2 = 0xCC;
const QByteArray kCh2Ch1Bytes = QByteArray::fromHex("663367346835");

// The program's controller on a simulated board at 19200 bps, with every box
// and dialog answered by the test.
struct Rig {
    testing::ScriptedPrompts prompts;

    explicit Rig(const QString &appPath, const QString &device = QStringLiteral("COM1"))
    {
        line = std::make_shared<SimulatedLine>(board::BoardEngine::Options{.startBaud = 19200});
        app = std::make_unique<app::AppController>(
            std::make_unique<serial::LinkWorker>(testing::openerFor(line)));
        app->setQuit([] {});
        app->app_path = appPath;
        w = app->window();
        readout = app->findChild<readout::ReadoutController *>(QStringLiteral("readout"));
        prompts.onExec = [this](QDialog &dialog) {
            auto &list = static_cast<readout::LIST &>(dialog);
            viewerCaptions << list.windowTitle();
            viewerTexts << list.RText1->toPlainText();
        };
        prompts.onYesNo = [this](QWidget *, const QString &text) {
            questions << text;
            return answer;
        };
        prompts.onSaveFileName = [this](QWidget *, const QString &, const QString &proposed,
                                        const QString &) {
            proposals << proposed;
            return chosen;
        };
        app->setPrompts(prompts);
        ready = testing::openAndWait(*app->worker(), device);
    }

    // Clicks `button` and waits until its operation has let go of the line.
    bool run(QPushButton *button)
    {
        QSignalSpy busy(app->session(), &serial::BoardSession::busyChanged);
        button->click();
        return QTest::qWaitFor(
            [&] {
                return busy.size() >= 2 && !app->session()->isBusy() && !app->worker()->isBusy();
            },
            20000);
    }
    bool readOut()
    {
        return run(w->Command2) && QTest::qWaitFor([&] { return !viewerTexts.isEmpty(); });
    }

    QByteArray eepromHeader() const
    {
        const auto &rom = line->engine().eeprom();
        return QByteArray(reinterpret_cast<const char *>(rom.data()), 16);
    }

    bool ready = false;
    std::shared_ptr<SimulatedLine> line;
    std::unique_ptr<app::AppController> app;
    app::vemtra *w = nullptr;
    readout::ReadoutController *readout = nullptr;

    bool answer = false;
    QString chosen;
    QStringList questions, proposals, viewerCaptions, viewerTexts;
};

enum class Board { Fresh, EmptyLog, UnreadLog };
// After the read-out: nothing; logged on; logged anew up to the same end with
// another last byte; "r" answered wrongly.
enum class Since { Nothing, LoggedOn, Relogged, ReadsWrongly };

} // namespace

Q_DECLARE_METATYPE(Board)
Q_DECLARE_METATYPE(Since)

class TestReadoutWiring : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void csvExport_data();
    void csvExport();
    void rearming_data();
    void rearming();
    void dataBesideProgram_data();
    void dataBesideProgram();
    void dataFolder_data();
    void dataFolder();
    void readOutRefreshesOpenViewer();
    void refusesWithoutReading_data();
    void refusesWithoutReading();
    void stopReadout_data();
    void stopReadout();
    void lostPortNamedAndKept_data();
    void lostPortNamedAndKept();
    void recordIntoExistingFile_data();
    void recordIntoExistingFile();
    void readoutHistoryWindow();

private:
    QTemporaryDir userData_;
    std::unique_ptr<QTemporaryDir> dir_;
};

void TestReadoutWiring::initTestCase()
{
    // The per-user data folder lies in a folder of this test's own.
    QVERIFY(userData_.isValid());
    qputenv("XDG_DATA_HOME", QFile::encodeName(userData_.path()));
    // The folder last used is a setting: keep the user's own out of it.
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(userData_.path() + "/config"));
}

void TestReadoutWiring::init()
{
    QFile::remove(readout::readOutRecordPath());
    QDir(readout::libraryFolder()).removeRecursively();
    dir_ = std::make_unique<QTemporaryDir>();
}

void TestReadoutWiring::csvExport_data()
{
    QTest::addColumn<QString>("target"); // "": cancelled; "data": the data file itself
    QTest::newRow("saved") << "out.csv";
    QTest::newRow("cancelled") << "";
    QTest::newRow("over the data file") << "data";
}

void TestReadoutWiring::csvExport()
{
    QFETCH(QString, target);
    const bool saved = target == "out.csv";

    Rig rig(dir_->path() + "/");
    QVERIFY(rig.ready);
    loadLog(rig.line->engine(), kCh1Ch2, 16 + kCh2Ch1Bytes.size(), kCh2Ch1Bytes);
    // Every 0.5 s (10000 steps of 50 us), so the times come from the board.
    rig.line->engine().eeprom()[4] = 0x10;
    rig.line->engine().eeprom()[5] = 0x27;
    QAction *item = rig.w->nmuCsvExport;
    QVERIFY(!item->isEnabled());

    QVERIFY(rig.readOut());
    QVERIFY(item->isEnabled());
    rig.app->session()->begin(QStringLiteral("test"));
    QVERIFY(!item->isEnabled());
    rig.app->session()->end();
    QVERIFY(item->isEnabled());

    const QString dataFile = rig.readout->dataFilePath();
    const QByteArray dataBefore = readFile(dataFile);
    const QString csvPath = dir_->filePath("out.csv");
    rig.chosen = target == "data" ? dataFile : target.isEmpty() ? QString() : csvPath;
    const QString labelBefore = rig.w->Label9->text();

    item->trigger();
    item->trigger(); // the second time in the folder used the first time

    // A dated name, first in Documents, then where the user saved.
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const QFileInfo first(rig.proposals.value(0));
    QCOMPARE(first.absolutePath(), documents);
    QVERIFY2(QRegularExpression("^QEL_ADC_\\d{4}-\\d\\d-\\d\\d\\.csv$").match(first.fileName()).hasMatch(),
             qPrintable(first.fileName()));
    QCOMPARE(QFileInfo(rig.proposals.value(1)).absolutePath(),
             target.isEmpty() ? documents : QDir::cleanPath(dir_->path()));
    if (saved) {
        QCOMPARE(rig.w->Label9->text(), app::texts::csvSaved + " " + csvPath);
        // The rows are the export's own tests; here the times must be the board's.
        QVERIFY(
            readFile(csvPath).endsWith("1,0.5,52,1.016,103,2.012\r\n2,1,53,1.035,104,2.031\r\n"));
    } else if (target.isEmpty()) {
        QCOMPARE(rig.w->Label9->text(), labelBefore);
    } else {
        QCOMPARE(rig.w->Label9->text(), app::texts::csvError + app::texts::csvOverDataFile);
    }
    if (!saved)
        QVERIFY(!QFile::exists(csvPath));
    QCOMPARE(readFile(dataFile), dataBefore);
}

void TestReadoutWiring::rearming_data()
{
    QTest::addColumn<Board>("board");
    QTest::addColumn<int>("readOutFirst"); // 1: in this run; 2: by an earlier run
    QTest::addColumn<Since>("since");      // what the board did after the read-out
    QTest::addColumn<bool>("answer");
    QTest::addColumn<bool>("asked");

    QTest::newRow("fresh board") << Board::Fresh << 0 << Since::Nothing << false << false;
    QTest::newRow("empty log") << Board::EmptyLog << 0 << Since::Nothing << false << false;
    QTest::newRow("unread log, No") << Board::UnreadLog << 0 << Since::Nothing << false << true;
    QTest::newRow("unread log, Yes") << Board::UnreadLog << 0 << Since::Nothing << true << true;
    QTest::newRow("read out in this run")
        << Board::UnreadLog << 1 << Since::Nothing << false << false;
    QTest::newRow("logged since the read-out")
        << Board::UnreadLog << 1 << Since::LoggedOn << false << true;
    QTest::newRow("logged anew up to the same end")
        << Board::UnreadLog << 1 << Since::Relogged << false << true;
    QTest::newRow("read out by an earlier run")
        << Board::UnreadLog << 2 << Since::Nothing << false << false;
    QTest::newRow("log not looked at, No")
        << Board::UnreadLog << 1 << Since::ReadsWrongly << false << true;
    QTest::newRow("log not looked at, Yes")
        << Board::UnreadLog << 0 << Since::ReadsWrongly << true << true;
}

void TestReadoutWiring::rearming()
{
    QFETCH(Board, board);
    QFETCH(int, readOutFirst);
    QFETCH(Since, since);
    QFETCH(bool, answer);
    QFETCH(bool, asked);

    Rig rig(dir_->path() + "/");
    QVERIFY(rig.ready);
    rig.answer = answer;
    auto &eeprom = rig.line->engine().eeprom();
    int loggedBytes = 0;
    if (board == Board::EmptyLog)
        loadLog(rig.line->engine(), kCh1Ch2, 16);
    if (board == Board::UnreadLog) {
        loggedBytes = 40;
        loadLog(rig.line->engine(), kCh1Ch2, 16 + loggedBytes, readout_test::pattern(60));
    }
    if (readOutFirst == 1)
        QVERIFY(rig.readOut());
    if (readOutFirst == 2) {
        readout::LogIdentity log;
        std::copy(eeprom.begin() + 1, eeprom.begin() + 17, log.header.begin());
        log.tail =
            QByteArray(reinterpret_cast<const char *>(eeprom.data()) + 16 + loggedBytes - 15, 16);
        QVERIFY(readout::rememberReadOut(log));
    }
    if (since == Since::LoggedOn) {
        loggedBytes += 2;
        eeprom[12] = std::uint8_t(16 + loggedBytes);
    }
    if (since == Since::Relogged)
        eeprom[std::size_t(16 + loggedBytes)] ^= 0x01;
    if (since == Since::ReadsWrongly) {
        rig.line->engine().faults().echoOverride = 'x';
        rig.line->engine().faults().echoOverrideCommands.assign(1, 'r');
    }
    // comm_error stays as it is when the user keeps the log.
    rig.app->session()->comm_error = 1;
    const QByteArray headerBefore = rig.eepromHeader();
    rig.line->clearTranscript();

    QVERIFY(rig.run(rig.w->Command5));

    const bool written = !asked || answer;
    const QString question = since == Since::ReadsWrongly
                                 ? app::texts::logNotLookedAtQuestion
                                 : app::texts::unreadLogQuestion.arg(loggedBytes);
    QCOMPARE(rig.questions, asked ? QStringList{question} : QStringList{});
    QCOMPARE(rig.line->sentBytes().count('w'), written ? 1 : 0);
    // The log is looked at after the connection and before any "w".
    const QByteArray sent = rig.line->sentBytes();
    QVERIFY(sent.indexOf('r') > sent.indexOf('t'));
    QVERIFY(!written || sent.indexOf('w') > sent.indexOf('r'));
    QCOMPARE(rig.eepromHeader() != headerBefore, written);
    QCOMPARE(rig.app->session()->comm_error, written ? 0 : 1);
    QCOMPARE(rig.w->Label9->text(), written ? datalog::texts::kLogStartsAfterPowerCycle
                                            : datalog::texts::kProgrammingCancelled);
}

void TestReadoutWiring::dataBesideProgram_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<bool>("owned");
    QTest::addColumn<bool>("beside");
    const QString prefix = "/home/ann/local"; // this build's install prefix
    QTest::newRow("build folder") << "/home/ann/src/qel/build/bin/" << true << true;
    QTest::newRow("another user's folder") << "/home/bob/build/bin" << false << false;
    QTest::newRow("root from /usr/bin") << "/usr/bin" << true << false;
    QTest::newRow("root from /opt") << "/opt/qel-vemtra/bin" << true << false;
    QTest::newRow("under the install prefix") << prefix + "/bin" << true << false;
    QTest::newRow("a name that starts like the prefix") << prefix + "2/bin" << true << true;
    QTest::newRow("a name that starts like /usr") << "/usrdata/qel" << true << true;
}

void TestReadoutWiring::dataBesideProgram()
{
    QFETCH(QString, folder);
    QFETCH(bool, owned);
    QFETCH(bool, beside);
    QCOMPARE(readout::dataBesideProgram({folder, owned, "/home/ann/local"}), beside);
}

void TestReadoutWiring::dataFolder_data()
{
    QTest::addColumn<bool>("programFolderWritable");
    QTest::newRow("program folder writable") << true;
    QTest::newRow("program folder read-only") << false;
}

void TestReadoutWiring::dataFolder()
{
    QFETCH(bool, programFolderWritable);

    // No file can be created below a plain file, whoever runs the test.
    QString programFolder = dir_->path() + "/";
    if (!programFolderWritable) {
        programFolder = dir_->filePath("installed");
        QFile plain(programFolder);
        QVERIFY(plain.open(QIODevice::WriteOnly));
        programFolder += "/";
    }
    const QString folder = programFolderWritable
                               ? programFolder
                               : QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QVERIFY(folder.startsWith(programFolderWritable ? dir_->path() : userData_.path()));
    const QString dataFile = QDir(folder).filePath(readout::texts::kDataFileName);

    Rig rig(programFolder);
    QVERIFY(rig.ready);
    loadLog(rig.line->engine(), kCh1Ch2, 16 + kCh2Ch1Bytes.size(), kCh2Ch1Bytes);
    QVERIFY(rig.readOut());
    rig.w->Command4->click();

    const QString finished = readout::texts::kReadFinished;
    const QString caption = readout::texts::kViewerCaption;
    QCOMPARE(rig.w->Label9->text(), programFolderWritable ? finished : finished + " " + dataFile);
    const QString expectedCaption = programFolderWritable ? caption : caption + " - " + dataFile;
    QCOMPARE(rig.viewerCaptions, QStringList(2, expectedCaption));
    // Show LOG reads the file from that folder.
    QCOMPARE(rig.viewerTexts.last(), QString::fromLatin1(readFile(dataFile)).remove('\r'));
}

void TestReadoutWiring::readOutRefreshesOpenViewer()
{
    Rig rig(dir_->path() + "/");
    QVERIFY(rig.ready);
    loadLog(rig.line->engine(), kCh1Ch2, 16 + kCh2Ch1Bytes.size(), kCh2Ch1Bytes);
    int shown = 0;
    QString textAfter;
    // Show LOG first; while it is open, a read-out ends.
    rig.prompts.onExec = [&](QDialog &dialog) {
        if (++shown > 1)
            return;
        auto &list = static_cast<readout::LIST &>(dialog);
        const QString before = list.RText1->toPlainText();
        rig.w->Command2->click();
        (void)QTest::qWaitFor([&] { return list.RText1->toPlainText() != before; }, 20000);
        textAfter = list.RText1->toPlainText();
    };
    rig.w->Command4->click();
    QCOMPARE(shown, 1);
    QCOMPARE(textAfter, QString::fromLatin1(readFile(rig.readout->dataFilePath())).remove('\r'));
}

void TestReadoutWiring::refusesWithoutReading_data()
{
    QTest::addColumn<int>("commError");
    QTest::addColumn<bool>("answer"); // to the question before the read-out
    QTest::addColumn<QString>("label9");
    QTest::newRow("after a failed programming") << 1 << true << readout::texts::kCommError;
    QTest::newRow("cancelled") << 0 << false << QString();
}

void TestReadoutWiring::refusesWithoutReading()
{
    QFETCH(int, commError);
    QFETCH(bool, answer);
    QFETCH(QString, label9);
    Rig rig(dir_->path() + "/");
    QVERIFY(rig.ready);
    loadLog(rig.line->engine(), kCh1Ch2, 16 + kCh2Ch1Bytes.size(), kCh2Ch1Bytes);
    QStringList asked;
    rig.prompts.onOkCancel = [&](QWidget *, const QString &text) {
        asked << text;
        return answer;
    };
    rig.app->session()->comm_error = commError;
    const QString length = rig.w->Text3[1]->text();

    QVERIFY(rig.run(rig.w->Command2));
    QCOMPARE(asked.size(), commError ? 0 : 1);
    QCOMPARE(rig.w->Label9->text(), label9);
    // The connection probed the board; nothing was asked of its EEPROM.
    QVERIFY(rig.line->sentBytes().contains('t') && !rig.line->sentBytes().contains('r'));
    QVERIFY(!QFile::exists(rig.readout->dataFilePath()));
    QCOMPARE(rig.w->Text3[1]->text(), length);
    QVERIFY(rig.viewerTexts.isEmpty());
    QCOMPARE(rig.app->session()->comm_error, commError);
}

void TestReadoutWiring::stopReadout_data()
{
    QTest::addColumn<bool>("byEsc");
    QTest::newRow("stop button") << false;
    QTest::newRow("Esc") << true;
}

void TestReadoutWiring::stopReadout()
{
    QFETCH(bool, byEsc);
    if (!testing::BoardProcess::isBuilt())
        QSKIP("needs the board simulator vemtra-board in VEMTRA_BIN_DIR");
    // A full 24C64 log takes seconds to read at 19200 bps.
    board::BoardEngine engine(board::BoardEngine::Options{.startBaud = 19200});
    loadLog(engine, kCh1Ch2, 8191, readout_test::pattern(8176));
    const QString image = dir_->filePath("eeprom.bin");
    QVERIFY(writeFile(image, QByteArray(reinterpret_cast<const char *>(engine.eeprom().data()),
                                        qsizetype(engine.eeprom().size()))));
    testing::BoardProcess board({"--baud", "19200", "--load-eeprom", image, "--quiet"});
    QString error;
    QVERIFY2(board.start(&error), qPrintable(error));

    qputenv("VEMTRA_COM1", board.device().toLocal8Bit());
    testing::StartedApp s(1);
    QTRY_VERIFY_WITH_TIMEOUT(s.app.worker()->isOpen() && !s.app.session()->isBusy(), 10000);
    auto *w = &s.w;
    w->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w));
    auto *r = s.app.findChild<readout::ReadoutController *>(QStringLiteral("readout"));
    r->setDataFolder([this] { return dir_->path(); });
    QVERIFY(writeFile(r->dataFilePath(), "EARLIER\r\n"));

    QSignalSpy finished(r, &readout::ReadoutController::finished);
    w->Command2->click();
    QTRY_VERIFY_WITH_TIMEOUT(w->P_Bar->isVisible() && w->P_Bar->value() > 100, 20000);
    QVERIFY(w->cmdStop->isVisible());
    QVERIFY(w->P_Bar->text().contains('%'));
    if (byEsc)
        QTest::keyClick(w, Qt::Key_Escape);
    else
        w->cmdStop->click();
    QVERIFY(finished.wait(20000));
    QCOMPARE(finished.at(0).at(0).toBool(), false);
    QCOMPARE(w->Label9->text(), readout::texts::kCancelled);
    QCOMPARE(readFile(r->dataFilePath()), QByteArray("EARLIER\r\n"));
    QVERIFY(!w->cmdStop->isVisible() && !w->P_Bar->isVisible());
    QVERIFY(w->Command2->isEnabled());
}

void TestReadoutWiring::lostPortNamedAndKept_data()
{
    QTest::addColumn<bool>("readOut"); // else log programming
    QTest::addColumn<char>("lostAfter");
    QTest::newRow("read-out") << true << 'r';
    QTest::newRow("read-out's connection") << true << 't';
    QTest::newRow("programming") << false << 'w';
}

void TestReadoutWiring::lostPortNamedAndKept()
{
    QFETCH(bool, readOut);
    QFETCH(char, lostAfter);
    // The port by a link, as a device that comes back is found again.
    QFile device(dir_->filePath("tty"));
    QVERIFY(device.open(QIODevice::WriteOnly));
    QVERIFY(QFile::link(device.fileName(), dir_->filePath("board")));
    Rig rig(dir_->path() + "/", dir_->filePath("board"));
    QVERIFY(rig.ready);
    auto *connection = rig.app->findChild<serial::Connection *>(QStringLiteral("connection"));
    connection->setPortNumber(3);
    if (readOut)
        loadLog(rig.line->engine(), kCh1Ch2, 16 + kCh2Ch1Bytes.size(), kCh2Ch1Bytes);
    rig.app->worker()->setRecoveryInterval(10);

    rig.line->unplugAfterSending(std::uint8_t(lostAfter));
    QVERIFY(rig.run(readOut ? rig.w->Command2 : rig.w->Command5));
    const QString lost = readOut ? readout::texts::lineLost(3) : datalog::texts::lineLost(3);
    QCOMPARE(rig.w->Label9->text(), lost);

    // Found again by itself: the connection runs, and the cause stays in view.
    QSignalSpy connected(connection, &serial::Connection::finished);
    rig.line->advanceBy(std::chrono::seconds(2)); // the board gives up the cut command
    rig.line->plugBack();
    QVERIFY(connected.wait(10000));
    QCOMPARE(rig.w->Label5->text(), serial::texts::established19200);
    QCOMPARE(rig.w->Label9->text(), lost);
    // The user's next connection starts afresh.
    rig.w->vemtra_init->trigger();
    QVERIFY(connected.wait(10000));
    QCOMPARE(rig.w->Label9->text(), QString());
}

void TestReadoutWiring::recordIntoExistingFile_data()
{
    const QByteArray columns = voltmeter::readingColumns().toLatin1() + "\r\n";
    const QByteArray rows = columns + "2026-12-07T10:00:05.000+09:00,12.500,51,0.996,102,1.992,"
                                      "154,3.008,205,4.004\r\n";
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QString>("answer"); // empty: not asked
    QTest::newRow("added to") << rows << app::texts::recordAdd;
    QTest::newRow("replaced") << rows << app::texts::recordReplace;
    QTest::newRow("cancelled") << rows << app::texts::recordCancel;
    QTest::newRow("no rows yet: not asked") << columns << QString();
}

void TestReadoutWiring::recordIntoExistingFile()
{
    QFETCH(QByteArray, before);
    QFETCH(QString, answer);
    Rig rig(dir_->path() + "/");
    QVERIFY(rig.ready);
    const QString path = dir_->filePath("volts.csv");
    QVERIFY(writeFile(path, before));
    rig.chosen = path;
    QStringList asked;
    rig.prompts.onChoose = [&](QWidget *, const QString &, const QStringList &answers, int) {
        asked << answers.value(0);
        return int(answers.indexOf(answer));
    };
    const QString labelBefore = rig.w->Label9->text();
    const auto *recorder = rig.app->recorder();

    rig.w->nmuVoltRecord->trigger();
    // The save box left the file to the program's own question.
    QCOMPARE(rig.prompts.lastSaveExisting, ui::UserPrompts::ExistingFile::CallerAsks);
    QCOMPARE(asked.size(), answer.isEmpty() ? 0 : 1);
    if (answer == app::texts::recordCancel) {
        QVERIFY(!recorder->isRecording() && !rig.w->Check1->isChecked());
        QCOMPARE(rig.w->Label9->text(), labelBefore);
        QCOMPARE(readFile(path), before);
        return;
    }
    QVERIFY(recorder->isRecording());
    QTRY_VERIFY_WITH_TIMEOUT(recorder->rows() >= 1, 20000);
    rig.w->nmuVoltRecord->trigger();
    const QByteArray after = readFile(path);
    if (answer == app::texts::recordReplace) {
        // The column row, then the new rows from 0 s.
        const QList<QByteArray> lines = after.split('\n');
        QCOMPARE(lines.value(0), before.split('\n').value(0));
        QCOMPARE(lines.value(1).split(',').value(1), QByteArray("0.000"));
        QVERIFY(!after.contains("12.500"));
    } else {
        QVERIFY(after.size() > before.size() && after.startsWith(before));
    }
}

// The history window lists what the read-outs kept, takes in one that ends while
// it is open, and opens a kept read-out in LOG_GRAPH on its own time axis.
void TestReadoutWiring::readoutHistoryWindow()
{
    Rig rig(dir_->path() + "/");
    QVERIFY(rig.ready);
    loadLog(rig.line->engine(), kCh1Ch2, 16 + 6, kCh2Ch1Bytes);
    QVERIFY(rig.readOut());

    rig.w->nmuReadoutLibrary->trigger();
    readout::ReadoutLibraryWindow *library = rig.app->readoutLibrary();
    QVERIFY(library && library->isVisible());
    QCOMPARE(library->proxy()->rowCount(), 1);

    loadLog(rig.line->engine(), kCh1Ch2, 16 + 4, kCh2Ch1Bytes);
    QVERIFY(rig.run(rig.w->Command2));
    QTRY_COMPARE_WITH_TIMEOUT(library->proxy()->rowCount(), 2, 10000);
    QCOMPARE(library->proxy()->index(0, readout::KeptReadoutModel::Records).data().toInt(), 2);

    // The older, longer one, though QEL_ADC.txt now holds the newer.
    library->tblReadouts->selectRow(1);
    library->openGraph();
    auto *graph = qobject_cast<chart::LogGraphWindow *>(rig.app->logGraph());
    QVERIFY(graph && graph->isVisible());
    QCOMPARE(graph->chart().records, 3);
    QCOMPARE(graph->chart().time.unit, chart::TimeUnit::Second);
}

QTEST_MAIN(TestReadoutWiring)
#include "tst_readout_wiring.moc"
