#include "voltmeter/read_chx.h"

#include "simulated_line.h"

#include <QTest>

using namespace std::chrono_literals;
using namespace vemtra::voltmeter;
using vemtra::board::Input;
using vemtra::testing::SimulatedLine;

namespace {

void setRaw(SimulatedLine &line, int channel, int raw)
{
    Input input;
    input.volts = raw * 5.0 / 256.0;
    line.engine().setInput(channel, input);
}

} // namespace

class TestReadChx : public QObject {
    Q_OBJECT
private slots:
    void cycleReadsEveryChannelInOrder();
    void failures_data();
    void failures();
    void noiseBeforeTheEchoIsDropped();
    void scriptedReplies_data();
    void scriptedReplies();
};

void TestReadChx::cycleReadsEveryChannelInOrder()
{
    SimulatedLine line;
    const int raws[4] = {12, 200, 0, 255};
    for (int ch = 0; ch < 4; ++ch)
        setRaw(line, ch, raws[ch]);

    const ChannelReadings r = readAllChannels(line);
    QCOMPARE(line.sentBytes(), QByteArray::fromHex("67c4"
                                                   "67cc"
                                                   "67d4"
                                                   "67dc"));
    for (int ch = 0; ch < 4; ++ch) {
        QVERIFY(r[ch].has_value());
        QCOMPARE(int(*r[ch]), raws[ch]);
    }
}

void TestReadChx::failures_data()
{
    QTest::addColumn<bool>("silent");
    QTest::addColumn<int>("delayMs");
    QTest::addColumn<QByteArray>("sent");
    QTest::newRow("silent board: the echo never comes") << true << 0 << QByteArray("g");
    QTest::newRow("echo 1.1 s late is too late") << false << 1100 << QByteArray("g");
}

void TestReadChx::failures()
{
    QFETCH(bool, silent);
    QFETCH(int, delayMs);
    QFETCH(QByteArray, sent);
    SimulatedLine line;
    setRaw(line, 1, 100);
    line.engine().faults().silent = silent;
    line.engine().faults().replyDelay = std::chrono::milliseconds(delayMs);

    const auto started = line.now();
    QVERIFY(!read_chx(line, 1).has_value());
    const auto spent = line.now() - started;
    // Gives up a little after one second, on the line's own clock.
    QVERIFY(spent >= 1s);
    QVERIFY(spent < 1050ms);
    QCOMPARE(line.sentBytes(), sent);
}

void TestReadChx::noiseBeforeTheEchoIsDropped()
{
    SimulatedLine line;
    setRaw(line, 2, 77);
    line.engine().faults().replyDelay = 300ms;
    // Noise already waiting is flushed; noise arriving before the echo is dropped.
    line.inject(QByteArray::fromHex("0102"), line.now());
    line.inject(QByteArray::fromHex("ee"), line.now() + 100ms);
    const auto r = read_chx(line, 2);
    QVERIFY(r.has_value());
    QCOMPARE(int(*r), 77);
    QCOMPARE(line.sentBytes(), QByteArray::fromHex("67d4"));
}

void TestReadChx::scriptedReplies_data()
{
    // A silent board, and the replies put on the line by hand at set times (ms
    // after the call), so several bytes can arrive in one read.
    QTest::addColumn<QList<int>>("at");
    QTest::addColumn<QByteArrayList>("bytes");
    QTest::addColumn<int>("reading");
    QTest::addColumn<QByteArray>("sent");

    const QByteArray both = QByteArray::fromHex("67cc");
    QTest::newRow("echo with a byte behind it")
        << QList<int>{10, 40} << QByteArrayList{"g\x99", "\x33"} << 0x33 << both;
    QTest::newRow("answer of two bytes")
        << QList<int>{10, 40} << QByteArrayList{"g", "\x50\x51"} << 0x50 << both;
    QTest::newRow("noise, then the echo")
        << QList<int>{10, 20, 40} << QByteArrayList{"\xee", "g", "\x07"} << 7 << both;
    QTest::newRow("read led by noise is dropped whole")
        << QList<int>{10, 40} << QByteArrayList{"\xeeg", "\x07"} << -1 << QByteArray("g");
}

void TestReadChx::scriptedReplies()
{
    QFETCH(QList<int>, at);
    QFETCH(QByteArrayList, bytes);
    QFETCH(int, reading);
    QFETCH(QByteArray, sent);
    SimulatedLine line;
    line.engine().faults().silent = true;
    const auto t0 = line.now();
    for (int i = 0; i < at.size(); ++i)
        line.inject(bytes[i], t0 + std::chrono::milliseconds(at[i]));

    const auto r = read_chx(line, 1);
    QCOMPARE(r ? int(*r) : -1, reading);
    QCOMPARE(line.sentBytes(), sent);
    // Whatever came with the answer in the same read is not kept.
    if (r)
        QCOMPARE(line.bytesWaiting(), 0);
}

QTEST_APPLESS_MAIN(TestReadChx)
#include "tst_read_chx.moc"
