// The real serial port code against the board simulator running as its own
// process on a pseudo-terminal, exactly as the program meets a board.

#include "board_process.h"
#include "serial/exchange.h"
#include "serial/serial_port_line.h"
#include "serial/tracing_line.h"
#include "transfer_script.h"

#include <QBuffer>
#include <QTest>

#include <array>

#include <pty.h>
#include <termios.h>
#include <unistd.h>

using namespace vemtra::serial;
using vemtra::testing::BoardProcess;

namespace {

#define START_BOARD(board)                                                                         \
    do {                                                                                           \
        if (!BoardProcess::isBuilt())                                                              \
            QSKIP("needs the board simulator vemtra-board in VEMTRA_BIN_DIR");                     \
        QString startError;                                                                        \
        QVERIFY2((board).start(&startError), qPrintable(startError));                              \
    } while (false)

std::unique_ptr<SerialPortLine> openLine(const BoardProcess &board, int speed)
{
    QString error;
    auto line = SerialPortLine::open(board.device(), speed, &error);
    if (!line)
        qWarning("cannot open %s: %s", qPrintable(board.device()), qPrintable(error));
    return line;
}

} // namespace

class TestPtyLine : public QObject {
    Q_OBJECT
private slots:
    void probeAtTheBoardsSpeedOnly_data();
    void probeAtTheBoardsSpeedOnly();
    void boardStoppingMidTransferTimesOut();
};

void TestPtyLine::probeAtTheBoardsSpeedOnly_data()
{
    QTest::addColumn<int>("boardSpeed");
    QTest::addColumn<int>("lineSpeed");
    QTest::addColumn<bool>("echoed");

    QTest::newRow("9600 board at 19200") << 9600 << 19200 << false;
    QTest::newRow("19200 board at 9600") << 19200 << 9600 << false;
}

void TestPtyLine::probeAtTheBoardsSpeedOnly()
{
    QFETCH(int, boardSpeed);
    QFETCH(int, lineSpeed);
    QFETCH(bool, echoed);

    BoardProcess board(
        {QStringLiteral("--baud"), QString::number(boardSpeed), QStringLiteral("--quiet")});
    START_BOARD(board);
    auto line = openLine(board, lineSpeed);
    QVERIFY(line);
    QCOMPARE(vemtra::testing::scriptedProbe(*line), echoed);

    // Switching the open line to the board's speed finds it.
    QVERIFY(line->setSpeed(boardSpeed));
    QCOMPARE(line->speed(), boardSpeed);
    QVERIFY(vemtra::testing::scriptedProbe(*line));
}

void TestPtyLine::boardStoppingMidTransferTimesOut()
{
    BoardProcess board(
        {QStringLiteral("--stop-after"), QStringLiteral("5"), QStringLiteral("--quiet")});
    START_BOARD(board);
    auto line = openLine(board, 9600);
    QVERIFY(line);

    QString why;
    QVERIFY(!vemtra::testing::scriptedRead(*line, 0, 16, &why));
    QCOMPARE(why, QStringLiteral("no byte 5"));
    QVERIFY(line->isOpen());
}

QTEST_GUILESS_MAIN(TestPtyLine)
#include "tst_pty_line.moc"
