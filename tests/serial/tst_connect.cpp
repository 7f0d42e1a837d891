#include "serial/connect.h"

#include "board/simulator_options.h"
#include "simulated_line.h"

#include <QTest>

using namespace vemtra::serial;
using vemtra::testing::SimulatedLine;

Q_DECLARE_METATYPE(ConnectOutcome)

class TestConnect : public QObject {
    Q_OBJECT
private slots:
    void scenarios_data();
    void scenarios();
};

void TestConnect::scenarios_data()
{
    QTest::addColumn<int>("boardBaud");
    QTest::addColumn<QString>(
        "fault"); // as vemtra-board's options name it; "unplug" closes the port
    QTest::addColumn<QString>("sent");
    QTest::addColumn<QStringList>("label5");
    QTest::addColumn<QString>("label9");
    QTest::addColumn<int>("baud");
    QTest::addColumn<int>("interval");
    QTest::addColumn<ConnectOutcome>("outcome");

    const QString probes = "9600: 74 74 | 19200: 74";
    const QString speedChange = probes + " | 9600: 73 27 55 2a 55 55 55 5b";
    using namespace texts;
    const QStringList only9600{checking9600, established9600, checking19200, checking19200};

    QTest::newRow("board at 9600 is switched")
        << 9600 << "" << speedChange
        << QStringList{checking9600, established9600, checking19200, checking19200, switched19200}
        << "" << 19200 << 20 << ConnectOutcome::Switched;
    QTest::newRow("board already at 19200")
        << 19200 << "" << probes
        << QStringList{checking9600, failed9600, checking19200, established19200} << "" << 19200
        << 20 << ConnectOutcome::Found19200;
    QTest::newRow("no board") << 9600 << "silent" << probes
                              << QStringList{checking9600, failed9600, checking19200, failedBoth}
                              << "" << 19200 << 50 << ConnectOutcome::NotFound;
    QTest::newRow("s echoed as ?") << 9600 << "wrong-echo ?:s" << probes + " | 9600: 73" << only9600
                                   << sEchoNg + "63" << 9600 << 50 << ConnectOutcome::Only9600;
    QTest::newRow("no S after the block")
        << 9600 << "refuse-speed-change" << speedChange << only9600 << sAckNg + "115" << 9600 << 50
        << ConnectOutcome::Only9600;
    QTest::newRow("wrong answer to the block")
        << 9600 << "wrong-ack !:s" << speedChange << only9600 << sAckNg + "33" << 9600 << 50
        << ConnectOutcome::Only9600;
    QTest::newRow("port not open") << 9600 << "unplug"
                                   << "" << QStringList{checking9600, failedBoth} << "" << 9600
                                   << 50 << ConnectOutcome::PortClosed;
}

void TestConnect::scenarios()
{
    QFETCH(int, boardBaud);
    QFETCH(QString, fault);
    QFETCH(QString, sent);
    QFETCH(QStringList, label5);
    QFETCH(QString, label9);
    QFETCH(int, baud);
    QFETCH(int, interval);
    QFETCH(ConnectOutcome, outcome);

    SimulatedLine line({.startBaud = boardBaud}, 9600);
    if (fault == "unplug")
        line.unplug();
    else if (!fault.isEmpty())
        QCOMPARE(vemtra::board::applyFault(line.engine().faults(),
                                           fault.section(' ', 0, 0).toStdString(),
                                           fault.section(' ', 1).toStdString()),
                 std::string());

    QStringList seen5;
    QStringList seen9;
    ConnectObserver observer;
    observer.label5 = [&](const QString &t) { seen5 << t; };
    observer.label9 = [&](const QString &t) { seen9 << t; };
    const ConnectResult result = connectBoard(line, observer);

    QCOMPARE(line.sentTrace(), sent);
    QCOMPARE(seen5, label5);
    // Label9 is cleared first, then holds at most one NG text.
    QCOMPARE(seen9, label9.isEmpty() ? QStringList{QString()} : (QStringList{QString(), label9}));
    QCOMPARE(result.label9, label9);
    QCOMPARE(result.label5, label5.last());
    QCOMPARE(result.outcome, outcome);
    QCOMPARE(result.timerInterval, interval);
    if (outcome != ConnectOutcome::PortClosed) {
        QCOMPARE(result.baud, baud);
        QCOMPARE(line.speed(), baud);
    }
    if (outcome == ConnectOutcome::Switched)
        QCOMPARE(line.engine().baud(), 19200);
}

QTEST_MAIN(TestConnect)
#include "tst_connect.moc"
