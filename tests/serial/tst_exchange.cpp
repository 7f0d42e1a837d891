// The common exchange steps against the board engine on the simulated line's
// virtual clock: what is flushed, what counts as a reply, and when a wait ends.

#include "serial/exchange.h"
#include "simulated_line.h"
#include "transfer_script.h"

#include <QTest>

using namespace std::chrono_literals;
using namespace vemtra::serial;
using vemtra::testing::SimulatedLine;

Q_DECLARE_METATYPE(std::vector<std::uint8_t>)

class TestExchange : public QObject {
    Q_OBJECT
private slots:
    void staleBytesAreFlushed_data();
    void staleBytesAreFlushed();
    void replyTiming_data();
    void replyTiming();
    void lateBytesGoWithTheNextFlush();
    void echoWait_data();
    void echoWait();
    void restOfAReadIsDropped();
    void parameterBlockIsPaced_data();
    void parameterBlockIsPaced();
    void probeOnlyAtTheBoardsSpeed_data();
    void probeOnlyAtTheBoardsSpeed();
    void lockStepWriteThenRead();
    void cancelledLineGivesUpAtOnce();
    void lostLineFailsEverything();
};

// A stale byte that looks like the expected echo must still not be taken for it.
void TestExchange::staleBytesAreFlushed_data()
{
    QTest::addColumn<QByteArray>("stale");
    QTest::addColumn<bool>("boardSilent");
    QTest::addColumn<bool>("expectReply");

    QTest::newRow("stale echo, silent board") << QByteArray("w") << true << false;
    QTest::newRow("stale burst, silent board") << QByteArray("wW\x00\x01", 4) << true << false;
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
        QVERIFY(!reply->bytes().contains(stale));
    }
}

// A wait ends when the time is more than one second past the send.
void TestExchange::replyTiming_data()
{
    QTest::addColumn<int>("delayMs");
    QTest::addColumn<bool>("inTime");

    QTest::newRow("prompt") << 0 << true;
    QTest::newRow("after 0.9 s") << 900 << true;
    QTest::newRow("after 0.99 s") << 990 << true;
    QTest::newRow("after 1.1 s") << 1100 << false;
    QTest::newRow("after 5 s") << 5000 << false;
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

void TestExchange::lateBytesGoWithTheNextFlush()
{
    SimulatedLine line;
    line.engine().faults().replyDelay = 1100ms;
    sendLetter(line, 't');
    QVERIFY(!waitReply(line));

    line.advanceBy(500ms);
    QCOMPARE(line.bytesWaiting(), 1);

    line.engine().faults().replyDelay = 0ms;
    flush(line);
    QCOMPARE(line.bytesWaiting(), 0);
    sendLetter(line, 'g');
    const auto reply = waitReply(line);
    QVERIFY(reply);
    QCOMPARE(reply->bytes(), QByteArray("g"));
}

void TestExchange::echoWait_data()
{
    QTest::addColumn<QByteArray>("noiseBefore");
    QTest::addColumn<int>("noiseAtMs");
    QTest::addColumn<int>("echoDelayMs");
    QTest::addColumn<bool>("silent");
    QTest::addColumn<bool>("echoed");

    QTest::newRow("echo at once") << QByteArray() << 0 << 0 << false << true;
    QTest::newRow("noise, then echo at 0.6 s") << QByteArray("?") << 100 << 600 << false << true;
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

void TestExchange::restOfAReadIsDropped()
{
    SimulatedLine line;
    line.engine().faults().extraBytes = {0x99, 0x98};
    flush(line);
    sendLetter(line, 't');
    pace(line);
    const auto reply = takeReply(line);
    QVERIFY(reply);
    QCOMPARE(reply->bytes(), QByteArray("t\x99\x98"));
    QVERIFY(reply->startsWith('t'));

    // The next wait sees only what arrives after that read: nothing.
    line.engine().faults().silent = true;
    QVERIFY(!waitReply(line));
    QVERIFY(!takeReply(line));
}

void TestExchange::parameterBlockIsPaced_data()
{
    QTest::addColumn<std::vector<std::uint8_t>>("block");
    QTest::addColumn<QByteArray>("onTheWire");

    QTest::newRow("speed change") << std::vector<std::uint8_t>{0x27, 0x55, 0x2A, 0x55, 0x55, 0x55}
                                  << QByteArray("\x27\x55\x2A\x55\x55\x55\x5B");
    QTest::newRow("header write") << std::vector<std::uint8_t>{0x00, 0x00, 0x0F, 0x00}
                                  << QByteArray("\x00\x00\x0F\x00\xF1", 5);
    QTest::newRow("header read") << std::vector<std::uint8_t>{0x00, 0x00, 0x10, 0x00}
                                 << QByteArray("\x00\x00\x10\x00\xF0", 5);
    QTest::newRow("data read") << std::vector<std::uint8_t>{0x10, 0x00, 0xF0, 0x1F}
                               << QByteArray("\x10\x00\xF0\x1F\xE1", 5);
}

void TestExchange::parameterBlockIsPaced()
{
    QFETCH(std::vector<std::uint8_t>, block);
    QFETCH(QByteArray, onTheWire);

    SimulatedLine line;
    line.engine().faults().silent = true;
    const Micros start = line.now();
    QVERIFY(sendParamBlock(line, block));

    QCOMPARE(line.sentBytes(), onTheWire);
    const auto sent = line.sentEntries();
    for (std::size_t i = 0; i < sent.size(); ++i)
        QCOMPARE(sent[i].at - start, Micros(100ms) * qint64(i));
    QCOMPARE(line.now() - start, Micros(100ms) * qint64(onTheWire.size()));
}

void TestExchange::probeOnlyAtTheBoardsSpeed_data()
{
    QTest::addColumn<int>("boardSpeed");
    QTest::addColumn<int>("lineSpeed");
    QTest::addColumn<bool>("echoed");

    QTest::newRow("9600 board, 9600 line") << 9600 << 9600 << true;
    QTest::newRow("19200 board, 19200 line") << 19200 << 19200 << true;
    QTest::newRow("9600 board, 19200 line") << 9600 << 19200 << false;
    QTest::newRow("19200 board, 9600 line") << 19200 << 9600 << false;
}

void TestExchange::probeOnlyAtTheBoardsSpeed()
{
    QFETCH(int, boardSpeed);
    QFETCH(int, lineSpeed);
    QFETCH(bool, echoed);

    vemtra::board::BoardEngine::Options options;
    options.startBaud = boardSpeed;
    SimulatedLine line(options, lineSpeed);
    QCOMPARE(vemtra::testing::scriptedProbe(line), echoed);
    QCOMPARE(line.sentWithSpeed(),
             (std::vector<SimulatedLine::SentByte>{{std::uint8_t('t'), lineSpeed}}));
}

void TestExchange::lockStepWriteThenRead()
{
    SimulatedLine line;
    const QByteArray header("\x41\x44\x80\x8C\x20\x4E\x00\x00\x10\x00\xFF\x1F\x10\x00\xFF\xFF", 16);
    QString why;
    QVERIFY2(vemtra::testing::scriptedWrite(line, 0, header, &why), qPrintable(why));
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(line.engine().eeprom().data()), 16), header);

    line.clearTranscript();
    const auto back = vemtra::testing::scriptedRead(line, 0, 16, &why);
    QVERIFY2(back, qPrintable(why));
    QCOMPARE(*back, header);
    // "r", the paced block, then each byte echoed.
    QCOMPARE(line.sentBytes(), QByteArray("r\x00\x00\x0F\x00\xF1", 6) + header);
}

void TestExchange::cancelledLineGivesUpAtOnce()
{
    SimulatedLine line;
    line.engine().faults().silent = true;
    line.cancel();
    const Micros start = line.now();
    QVERIFY(!waitReply(line));
    QVERIFY(!awaitEcho(line, 'g'));
    QVERIFY(!waitByte(line));
    QVERIFY(!sendParams(line, {1, 2, 3}));
    QCOMPARE(line.now(), start);
    QCOMPARE(line.sentBytes(), QByteArray());
}

void TestExchange::lostLineFailsEverything()
{
    SimulatedLine line;
    line.inject("t", line.now());
    line.unplug(QStringLiteral("gone"));
    QVERIFY(!line.isOpen());
    QCOMPARE(line.failure(), QStringLiteral("gone"));
    QVERIFY(!sendLetter(line, 't'));
    QVERIFY(!takeReply(line));
    QVERIFY(!waitReply(line));
    QVERIFY(!vemtra::testing::scriptedRead(line, 0, 16));
}

QTEST_GUILESS_MAIN(TestExchange)
#include "tst_exchange.moc"
