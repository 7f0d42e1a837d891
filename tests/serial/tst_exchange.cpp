// The common exchange steps against the board engine on the simulated line's
// virtual clock: what is flushed, what counts as a reply, and when a wait ends.

#include "serial/exchange.h"
#include "simulated_line.h"

#include <QTest>

using namespace std::chrono_literals;
using namespace vemtra::serial;
using vemtra::testing::SimulatedLine;

class TestExchange : public QObject {
    Q_OBJECT
private slots:
    void staleBytesAreFlushed_data();
    void staleBytesAreFlushed();
    void replyTiming_data();
    void replyTiming();
    void echoWait_data();
    void echoWait();
    void replyTakesEverythingWaiting_data();
    void replyTakesEverythingWaiting();
    void parameterBlockIsPaced_data();
    void parameterBlockIsPaced();
    void cancelledLineGivesUpAtOnce();
};

// A stale byte that looks like the expected echo must still not be taken for it.
void TestExchange::staleBytesAreFlushed_data()
{
    QTest::addColumn<QByteArray>("stale");
    QTest::addColumn<bool>("boardSilent");
    QTest::addColumn<bool>("expectReply");

    QTest::newRow("stale echo, silent board") << QByteArray("w") << true << false;
    QTest::newRow("stale noise, board answers") << QByteArray("?x") << false << true;
}

void TestExchange::staleBytesAreFlushed()
{
    QFETCH(QByteArray, stale);
    QFETCH(bool, boardSilent);
    QFETCH(bool, expectReply);

    SimulatedLine line;
    line.engine().faults().silent = boardSilent;
    line.inject(stale, line.now());
    line.advanceBy(5ms);
    QCOMPARE(line.bytesWaiting(), int(stale.size()));

    flush(line);
    QVERIFY(sendLetter(line, 'w'));
    const auto reply = waitReply(line);
    QCOMPARE(reply.has_value(), expectReply);
    if (reply) {
        QCOMPARE(reply->first(), std::uint8_t('w'));
        const auto bytes = reply->bytes();
        QVERIFY(!QByteArray(reinterpret_cast<const char *>(bytes.data()), qsizetype(bytes.size()))
                     .contains(stale));
    }
}

// A wait ends when the time is more than one second past the send.
void TestExchange::replyTiming_data()
{
    QTest::addColumn<int>("delayMs");
    QTest::addColumn<bool>("inTime");

    QTest::newRow("after 0.99 s") << 990 << true;
    QTest::newRow("after 1.1 s") << 1100 << false;
}

void TestExchange::replyTiming()
{
    QFETCH(int, delayMs);
    QFETCH(bool, inTime);

    SimulatedLine line;
    line.engine().faults().replyDelay = std::chrono::milliseconds(delayMs);
    const Micros sent = line.now();
    sendLetter(line, 't');
    const auto reply = waitReply(line);
    QCOMPARE(reply.has_value(), inTime);
    if (inTime) {
        QVERIFY(reply->startsWith('t'));
    } else {
        // Gave up at the deadline, not before and not at the late byte.
        QCOMPARE(line.now() - sent, Micros(replyTimeout));
    }
}

void TestExchange::echoWait_data()
{
    QTest::addColumn<QByteArray>("noiseBefore");
    QTest::addColumn<int>("noiseAtMs");
    QTest::addColumn<int>("echoDelayMs");
    QTest::addColumn<bool>("silent");
    QTest::addColumn<bool>("echoed");

    QTest::newRow("echo at once") << QByteArray() << 0 << 0 << false << true;
    QTest::newRow("noise burst, then echo")
        << QByteArray("\xff\x00x", 3) << 50 << 950 << false << true;
    QTest::newRow("noise only") << QByteArray("?") << 100 << 0 << true << false;
    QTest::newRow("noise, then echo too late") << QByteArray("?") << 100 << 1100 << false << false;
}

void TestExchange::echoWait()
{
    QFETCH(QByteArray, noiseBefore);
    QFETCH(int, noiseAtMs);
    QFETCH(int, echoDelayMs);
    QFETCH(bool, silent);
    QFETCH(bool, echoed);

    SimulatedLine line;
    line.engine().faults().silent = silent;
    line.engine().faults().replyDelay = std::chrono::milliseconds(echoDelayMs);
    flush(line);
    sendLetter(line, 'g');
    for (char c : noiseBefore)
        line.inject(QByteArray(1, c), line.now() + std::chrono::milliseconds(noiseAtMs));

    const auto echo = awaitEcho(line, 'g');
    QCOMPARE(echo.has_value(), echoed);
    if (echo)
        QVERIFY(echo->startsWith('g'));
    // Everything read while waiting is gone, noise included.
    QCOMPARE(line.bytesWaiting(), 0);
}

// A reply keeps only its first bytes, but a burst of any length is taken and
// counted whole: nothing of it is left to pass for the next answer.
void TestExchange::replyTakesEverythingWaiting_data()
{
    QTest::addColumn<int>("burst");

    QTest::newRow("one byte") << 1;
    QTest::newRow("as many as a reply keeps") << Reply::kept;
    QTest::newRow("one more") << Reply::kept + 1;
    QTest::newRow("a long burst") << 700;
}

void TestExchange::replyTakesEverythingWaiting()
{
    QFETCH(int, burst);

    SimulatedLine line;
    QByteArray noise(burst, 0);
    for (int i = 0; i < burst; ++i)
        noise[i] = char(i * 7 + 1);
    line.inject(noise, line.now());

    const auto reply = waitReply(line);
    QVERIFY(reply);
    QCOMPARE(reply->size(), burst);
    QCOMPARE(line.bytesWaiting(), 0);
    for (int i = 0; i < 3; ++i)
        QCOMPARE(reply->at(i), i < burst ? std::uint8_t(noise[i]) : std::uint8_t(0));
    QVERIFY(!takeReply(line));
}

// Each block goes out a byte per 100 ms, closed by the byte that zeroes its sum.
void TestExchange::parameterBlockIsPaced_data()
{
    QTest::addColumn<QByteArray>("block");
    QTest::addColumn<int>("checksum");

    QTest::newRow("speed change s") << QByteArray("\x27\x55\x2A\x55\x55\x55") << 0x5B;
    QTest::newRow("sum a multiple of 256") << QByteArray("\x80\x80") << 0x00;
    QTest::newRow("sum past 16 bits") << QByteArray(300, '\xFF') << 0x2C;
}

void TestExchange::parameterBlockIsPaced()
{
    QFETCH(QByteArray, block);
    QFETCH(int, checksum);
    const QByteArray onTheWire = block + char(checksum);

    SimulatedLine line;
    line.engine().faults().silent = true;
    const Micros start = line.now();
    QVERIFY(sendParamBlock(line, std::vector<std::uint8_t>(block.begin(), block.end())));

    QCOMPARE(line.sentBytes(), onTheWire);
    const auto sent = line.sentEntries();
    for (std::size_t i = 0; i < sent.size(); ++i)
        QCOMPARE(sent[i].at - start, Micros(100ms) * qint64(i));
    QCOMPARE(line.now() - start, Micros(100ms) * qint64(onTheWire.size()));
}

void TestExchange::cancelledLineGivesUpAtOnce()
{
    SimulatedLine line;
    line.engine().faults().silent = true;
    const vemtra::serial::CancelSource cancel;
    line.setCancelToken(cancel.token());
    cancel.cancel();
    const Micros start = line.now();
    QVERIFY(!waitReply(line));
    QVERIFY(!awaitEcho(line, 'g'));
    QVERIFY(!waitByte(line));
    QVERIFY(!sendParams(line, {1, 2, 3}));
    QCOMPARE(line.now(), start);
    QCOMPARE(line.sentBytes(), QByteArray());
}

QTEST_GUILESS_MAIN(TestExchange)
#include "tst_exchange.moc"
