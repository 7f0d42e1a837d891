#include "voltmeter/read_chx.h"

#include "simulated_line.h"

#include <QTest>

using namespace std::chrono_literals;
using namespace vemtra::voltmeter;
using vemtra::testing::SimulatedLine;

class TestReadChx : public QObject {
    Q_OBJECT
private slots:
    void replies_data();
    void replies();
};

void TestReadChx::replies_data()
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
    QTest::newRow("noise, then the echo")
        << QList<int>{10, 20, 40} << QByteArrayList{"\xee", "g", "\x07"} << 7 << both;
    QTest::newRow("read led by noise is dropped whole")
        << QList<int>{10, 40} << QByteArrayList{"\xeeg", "\x07"} << -1 << QByteArray("g");
    QTest::newRow("silent board") << QList<int>{} << QByteArrayList{} << -1 << QByteArray("g");
    QTest::newRow("echo 1.1 s late is too late")
        << QList<int>{1100} << QByteArrayList{"g"} << -1 << QByteArray("g");
}

void TestReadChx::replies()
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
    if (r) // whatever came with the answer in the same read is not kept
        QCOMPARE(line.bytesWaiting(), 0);
    else // gives up a little after one second, on the line's own clock
        QVERIFY(line.now() - t0 >= 1s && line.now() - t0 < 1050ms);
}

QTEST_APPLESS_MAIN(TestReadChx)
#include "tst_read_chx.moc"
