// Log programming against vemtra-board on a pseudo-terminal, through the real
// serial port code: the window programs the board from its data-log panel, the
// board is power-cycled, and its EEPROM shows the header and a log that grows
// as the header asks.

#include "board_process.h"
#include "datalog/ui/log_programmer.h"
#include "serial/board_session.h"
#include "serial/ui/connection.h"
#include "started_app.h"

#include <QCheckBox>
#include <QDeadlineTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTemporaryDir>

using namespace vemtra;
using testing::BoardProcess;

namespace {

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
    void programmedBoardLogsAfterPowerCycle();
};

void TestDatalogE2e::programmedBoardLogsAfterPowerCycle()
{
    if (!BoardProcess::isBuilt())
        QSKIP("needs the board simulator vemtra-board in VEMTRA_BIN_DIR");
    QTemporaryDir dir;
    // The port choice goes to a settings folder of the test's own.
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.path()));
    const QString dumpPath = dir.filePath("eeprom.bin");
    // At 9600 bps, so the connection switches it to 19200 before the write.
    BoardProcess board({"--baud", "9600", "--eeprom", "24C64", "--inputs", "const", "--time-factor",
                        "200", "--commands", "--quiet"});
    QString error;
    QVERIFY2(board.start(&error), qPrintable(error));
    qputenv("VEMTRA_COM1", board.device().toLocal8Bit());
    testing::StartedApp s(1);
    QStringList notices;
    s.prompts.onNotice = [&](const QString &text) { notices << text; };
    QTRY_COMPARE_WITH_TIMEOUT(s.w.Label5->text(), serial::texts::switched19200, 10000);
    QTRY_VERIFY(!s.app.session()->isBusy());
    auto *programmer = s.app.findChild<datalog::LogProgrammer *>("logProgrammer");

    // CH1 and CH2 against the supply, every 0.5 s.
    s.w.Check2[1]->click();
    s.w.Text5->setText("0.5");
    QSignalSpy finished(programmer, &datalog::LogProgrammer::finished);
    s.w.Command5->click();
    // Nothing else may use the line while the header is written.
    QVERIFY(!s.w.Command5->isEnabled() && !s.w.Command2->isEnabled() && !s.w.Check1->isEnabled());
    QVERIFY(finished.wait(30000));
    QVERIFY2(finished.at(0).at(0).toBool(), qPrintable(programmer->lastResult().message()));
    QCOMPARE(notices.size(), 1);
    QVERIFY(s.w.Command5->isEnabled() && s.w.Command2->isEnabled());

    const QByteArray header = QByteArray::fromHex("414480cc102700001000ff1f1000ffff");
    QCOMPARE(dumpEeprom(board, dumpPath).left(16).toHex(' '), header.toHex(' '));

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
    QVERIFY(end <= 0x1FFF && (end - 16) % 2 == 0);
    // Constant inputs: CH1 1 V reads 51, CH2 2 V reads 102.
    for (int addr = 17; addr <= end; addr += 2)
        QCOMPARE(later.mid(addr, 2).toHex(), QByteArray("6633"));
    QCOMPARE(std::uint8_t(later[end + 1]), std::uint8_t(0xFF));
}

QTEST_MAIN(TestDatalogE2e)
#include "tst_datalog_e2e.moc"
