#include "datalog/log_header.h"
#include "datalog/log_write.h"

#include "simulated_line.h"

#include <QTest>

#include <functional>

using namespace vemtra;
using namespace vemtra::datalog;
using testing::SimulatedLine;
using namespace std::chrono_literals;

namespace {

// The example header: 24C64, CH1 under "Vref:VDD", 1 s.
LogHeader exampleHeader()
{
    return composeLogHeader(0x8C, 20000, 0x1F, 0xFF);
}

QByteArray bytes(const LogHeader &h, int count = 16)
{
    return QByteArray(reinterpret_cast<const char *>(h.data()), count);
}

// A simulated line that lets a test change the board just before a byte is sent.
class HookedLine : public SimulatedLine {
public:
    std::function<void(SimulatedLine &, int sentSoFar)> beforeSend;
    bool send(const QByteArray &out) override
    {
        if (beforeSend)
            beforeSend(*this, int(sentBytes().size()));
        return SimulatedLine::send(out);
    }
};

enum class Board {
    Healthy,
    StaleBytesWaiting,
    Silent,
    WrongEchoOfW,
    SilentAfterEcho,
    WrongAck,
    WrongHeaderEcho5,
    StopsAfter3,
};

void prepare(HookedLine &line, Board board)
{
    board::Faults &f = line.engine().faults();
    switch (board) {
    case Board::Healthy:
        break;
    case Board::StaleBytesWaiting:
        line.inject("zz", 0us);
        break;
    case Board::Silent:
        f.silent = true;
        break;
    case Board::WrongEchoOfW:
        f.echoOverride = '?';
        f.echoOverrideCommands = "w";
        break;
    case Board::SilentAfterEcho:
        // Answers "w", then nothing more: goes quiet before the parameter block.
        line.beforeSend = [](SimulatedLine &l, int sent) {
            if (sent == 1)
                l.engine().faults().silent = true;
        };
        break;
    case Board::WrongAck:
        f.ackOverride = '?';
        f.ackOverrideCommands = "w";
        break;
    case Board::WrongHeaderEcho5:
        f.wrongEchoAfter = 5;
        break;
    case Board::StopsAfter3:
        f.stopAfterBytes = 3;
        break;
    }
}

} // namespace

Q_DECLARE_METATYPE(Board)

class TestLogWrite : public QObject {
    Q_OBJECT
private slots:
    void exchange_data();
    void exchange();
    void failureComesAfterTheTimeOut_data();
    void failureComesAfterTheTimeOut();
};

void TestLogWrite::exchange_data()
{
    QTest::addColumn<Board>("board");
    QTest::addColumn<int>("outcome");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<int>("progressSteps"); // headerByteEchoed calls, 0..n-1 in order
    QTest::addColumn<bool>("acknowledged");
    QTest::addColumn<bool>("loopEnded");

    using O = vemtra::serial::Outcome;
    const QByteArray request = QByteArray::fromHex("7700000f00f1");
    const LogHeader h = exampleHeader();
    const QString wrong5 = QStringLiteral("3.Write NG ") + QString::number(0xFF & ~h[5]);

    const auto row = [](const char *tag, Board board, O outcome, const QString &message,
                        const QByteArray &sent, int progressSteps, bool acknowledged,
                        bool loopEnded) {
        QTest::newRow(tag) << board << int(outcome) << message << sent << progressSteps
                           << acknowledged << loopEnded;
    };
    const QByteArray w("w");
    row("healthy board", Board::Healthy, O::Ok, {}, request + bytes(h), 16, true, true);
    row("stale bytes are flushed first", Board::StaleBytesWaiting, O::Ok, {}, request + bytes(h),
        16, true, true);
    row("silent board", Board::Silent, O::NoEcho, "1.Write Timeout NG", w, 0, false, false);
    row("wrong echo of w", Board::WrongEchoOfW, O::WrongEcho, "1.Write NG 63", w, 0, false, false);
    row("w answered, no W", Board::SilentAfterEcho, O::NoAnswer, "2.Write Timeout", request, 0,
        true, false);
    row("wrong W", Board::WrongAck, O::WrongAnswer, "2.Write NG 63", request, 0, true, false);
    row("wrong echo at header index 5", Board::WrongHeaderEcho5, O::WrongByte, wrong5,
        request + bytes(h, 6), 5, true, true);
    row("board stops echoing after 3 header bytes", Board::StopsAfter3, O::ByteTimeout,
        "3.Write Timeout NG", request + bytes(h, 4), 3, true, true);
}

void TestLogWrite::exchange()
{
    QFETCH(Board, board);
    QFETCH(int, outcome);
    QFETCH(QString, message);
    QFETCH(QByteArray, sent);
    QFETCH(int, progressSteps);
    QFETCH(bool, acknowledged);
    QFETCH(bool, loopEnded);

    HookedLine line;
    prepare(line, board);
    QList<int> progress;
    int ended = 0;
    bool acked = false;
    LogWriteObserver observer;
    observer.acknowledged = [&] { acked = true; };
    observer.headerByteEchoed = [&](int nn) { progress << nn; };
    observer.headerLoopEnded = [&] { ++ended; };

    const LogWriteResult result = writeLogHeader(line, exampleHeader(), observer);

    QCOMPARE(int(result.outcome), outcome);
    QCOMPARE(result.message(), message);
    QCOMPARE(result.ok(), outcome == int(vemtra::serial::Outcome::Ok));
    QCOMPARE(line.sentBytes().toHex(' '), sent.toHex(' '));
    QCOMPARE(result.headerBytesSent, std::max(0, int(sent.size()) - 6));
    QList<int> expected;
    for (int i = 0; i < progressSteps; ++i)
        expected << i;
    QCOMPARE(progress, expected);
    QCOMPARE(acked, acknowledged);
    QCOMPARE(ended, loopEnded ? 1 : 0);
    if (result.ok()) {
        const auto &rom = line.engine().eeprom();
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(rom.data()), 16).toHex(' '),
                 bytes(exampleHeader()).toHex(' '));
    }
}

// The waits are bounded by a second of the line's clock (virtual here, so the
// test costs no real time).
void TestLogWrite::failureComesAfterTheTimeOut_data()
{
    QTest::addColumn<Board>("board");
    QTest::addColumn<int>("pacedBytes"); // 100 ms pauses before the last wait
    QTest::newRow("silent") << Board::Silent << 0;
    QTest::newRow("no W") << Board::SilentAfterEcho << 5;
    QTest::newRow("no header echo") << Board::StopsAfter3 << 5;
}

void TestLogWrite::failureComesAfterTheTimeOut()
{
    QFETCH(Board, board);
    QFETCH(int, pacedBytes);
    HookedLine line;
    prepare(line, board);
    writeLogHeader(line, exampleHeader());
    const auto elapsed = line.now();
    QVERIFY(elapsed >= 1000ms + pacedBytes * 100ms);
    QVERIFY(elapsed < 1200ms + pacedBytes * 100ms);
}

QTEST_GUILESS_MAIN(TestLogWrite)
#include "tst_log_write.moc"
