// Log programming against the board simulator as a process of its own, over the
// real serial port code: the program as it starts up programs the board from its
// data-log panel, the board is power-cycled, and its EEPROM shows the header and
// a log that grows as the header asks.

#include "app/app_controller.h"
#include "app/vemtra.h"
#include "board_process.h"
#include "datalog/ui/log_programmer.h"
#include "scripted_prompts.h"
#include "serial/board_session.h"
#include "serial/link_worker.h"
#include "serial/ui/connection.h"
#include "serial/ui/frm_option.h"

#include <QAction>
#include <QCheckBox>
#include <QDeadlineTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace vemtra;
using testing::BoardProcess;

namespace {

constexpr int kCapacity = 8192;

// The simulator's EEPROM image as it is now, through its "dump" command.
QByteArray dumpEeprom(BoardProcess &board, const QString &path)
{
    QFile::remove(path);
    if (!board.ask("dump " + QFile::encodeName(path)).startsWith("ok"))
        return {};
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

int loggedEnd(const QByteArray &eeprom)
{
    return std::uint8_t(eeprom[12]) | std::uint8_t(eeprom[13]) << 8;
}

} // namespace

class TestDatalogE2e : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void programmedBoardLogsAfterPowerCycle();

private:
    QTemporaryDir userConfig_;
};

void TestDatalogE2e::initTestCase()
{
    // The port choice goes to a settings folder of the test's own, removed at the end.
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(userConfig_.path()));
}

void TestDatalogE2e::programmedBoardLogsAfterPowerCycle()
{
    if (!BoardProcess::isBuilt())
        QSKIP("needs the board simulator vemtra-board in VEMTRA_BIN_DIR");
    QTemporaryDir dir;
    const QString dumpPath = dir.filePath(QStringLiteral("eeprom.bin"));
    // At 9600 bps, so the connection switches it to 19200 before the write.
    BoardProcess board({QStringLiteral("--baud"), QStringLiteral("9600"),
                        QStringLiteral("--eeprom"), QStringLiteral("24C64"),
                        QStringLiteral("--inputs"), QStringLiteral("const"),
                        QStringLiteral("--time-factor"), QStringLiteral("200"),
                        QStringLiteral("--commands"), QStringLiteral("--quiet")});
    QString error;
    QVERIFY2(board.start(&error), qPrintable(error));
    qputenv("VEMTRA_COM1", board.device().toLocal8Bit());

    testing::ScriptedPrompts prompts;
    QStringList notices;
    prompts.onNotice = [&](const QString &text) { notices << text; };
    app::AppController app(std::make_unique<serial::LinkWorker>());
    app.setPrompts(prompts);
    app.setQuit([] {});
    app.start();
    app::vemtra &window = *app.window();

    prompts.onExec = [](QDialog &d) {
        auto *dialog = qobject_cast<serial::frmOption *>(&d);
        QVERIFY(dialog);
        dialog->Option_com1->setChecked(true);
        dialog->Command_Ok->click();
        QTRY_COMPARE_WITH_TIMEOUT(dialog->result(), int(QDialog::Accepted), 10000);
    };
    app.finishStartup();
    QVERIFY(app.worker()->isOpen());
    QTRY_COMPARE_WITH_TIMEOUT(window.Label5->text(), serial::texts::switched19200, 10000);
    QTRY_VERIFY(!app.session()->isBusy());

    auto *programmer = app.findChild<datalog::LogProgrammer *>(QStringLiteral("logProgrammer"));
    QVERIFY(programmer);

    // CH1 and CH2 against the supply, every 0.5 s.
    window.Check2[1]->click();
    window.Text5->setText(QStringLiteral("0.5"));

    QSignalSpy finished(programmer, &datalog::LogProgrammer::finished);
    window.Command5->click();
    // Nothing else may use the line while the header is written.
    QVERIFY(!window.Command5->isEnabled());
    QVERIFY(!window.Command2->isEnabled());
    QVERIFY(!window.Check1->isEnabled());
    QVERIFY(!window.vemtra_init->isEnabled());
    QVERIFY(finished.wait(30000));
    QVERIFY2(finished.at(0).at(0).toBool(), qPrintable(programmer->lastResult().message()));
    QCOMPARE(notices.size(), 1);
    QCOMPARE(app.session()->comm_error, 0);
    QVERIFY(window.Command5->isEnabled());
    QVERIFY(window.Command2->isEnabled());

    const QByteArray header = QByteArray::fromHex("414480cc102700001000ff1f1000ffff");
    const QByteArray programmed = dumpEeprom(board, dumpPath);
    QCOMPARE(programmed.left(16).toHex(' '), header.toHex(' '));

    board.command("power");

    // Every 0.5 s of board time (2.5 ms here) one byte of CH2, then one of CH1,
    // from address 17; the header's end field follows the last byte logged.
    const QByteArray first = dumpEeprom(board, dumpPath);
    QVERIFY(!first.isEmpty());
    QByteArray later;
    const QDeadlineTimer bound(10000);
    do {
        later = dumpEeprom(board, dumpPath);
    } while (!later.isEmpty() && loggedEnd(later) <= loggedEnd(first) + 2 && !bound.hasExpired());
    QVERIFY2(loggedEnd(later) > loggedEnd(first) + 2, "the log does not grow");
    QCOMPARE(later.left(12).toHex(' '), header.left(12).toHex(' '));

    const int end = loggedEnd(later);
    QVERIFY(end <= 0x1FFF);
    QCOMPARE((end - 16) % 2, 0);
    // Constant inputs: CH1 1 V reads 51, CH2 2 V reads 102.
    for (int addr = 17; addr <= end; addr += 2) {
        QCOMPARE(std::uint8_t(later[addr]), std::uint8_t(102));
        QCOMPARE(std::uint8_t(later[addr + 1]), std::uint8_t(51));
    }
    QCOMPARE(std::uint8_t(later[end + 1]), std::uint8_t(0xFF));

    window.vemtra_exit->trigger();
    board.stop();
}

QTEST_MAIN(TestDatalogE2e)
#include "tst_datalog_e2e.moc"
