#include "serial/connect.h"

#include "board/simulator_options.h"
#include "simulated_line.h"

#include <QTest>

using namespace vemtra::serial;
using vemtra::testing::SimulatedLine;

Q_DECLARE_METATYPE(ConnectOutcome)
Q_DECLARE_METATYPE(Outcome)

using Stages = QList<ConnectStage>;

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
    QTest::addColumn<Stages>("stages");
    QTest::addColumn<Outcome>("speedChange");
    QTest::addColumn<int>("byte"); // what the speed change's failure names
    QTest::addColumn<int>("baud");
    QTest::addColumn<int>("interval");
    QTest::addColumn<ConnectOutcome>("outcome");

    const QString probes = "9600: 74 74 | 19200: 74";
    const QString speedChange = probes + " | 9600: 73 27 55 2a 55 55 55 5b";
    using S = ConnectStage;
    const Stages only9600{S::Checking9600, S::Established9600, S::Checking19200, S::Checking19200};

    QTest::newRow("board at 9600 is switched")
        << 9600 << "" << speedChange << (only9600 + Stages{S::Switched19200}) << Outcome::Ok << 0
        << 19200 << 20 << ConnectOutcome::Switched;
    QTest::newRow("board already at 19200")
        << 19200 << "" << probes
        << Stages{S::Checking9600, S::Failed9600, S::Checking19200, S::Established19200}
        << Outcome::Ok << 0 << 19200 << 20 << ConnectOutcome::Found19200;
    QTest::newRow("no board") << 9600 << "silent" << probes
                              << Stages{S::Checking9600, S::Failed9600, S::Checking19200,
                                        S::FailedBoth}
                              << Outcome::Ok << 0 << 19200 << 50 << ConnectOutcome::NotFound;
    QTest::newRow("s echoed as ?") << 9600 << "wrong-echo ?:s" << probes + " | 9600: 73" << only9600
                                   << Outcome::WrongEcho << int('?') << 9600 << 50
                                   << ConnectOutcome::Only9600;
    QTest::newRow("no S after the block")
        << 9600 << "refuse-speed-change" << speedChange << only9600 << Outcome::NoAnswer
        << int('s') << 9600 << 50 << ConnectOutcome::Only9600;
    QTest::newRow("wrong answer to the block")
        << 9600 << "wrong-ack !:s" << speedChange << only9600 << Outcome::WrongAnswer << int('!')
        << 9600 << 50 << ConnectOutcome::Only9600;
    QTest::newRow("port not open") << 9600 << "unplug"
                                   << "" << Stages{S::Checking9600, S::FailedBoth} << Outcome::Ok
                                   << 0 << 9600 << 50 << ConnectOutcome::PortClosed;
    // The steps run on as they would, but the result names the cause.
    QTest::newRow("port lost with the s")
        << 9600 << "unplug-after s" << probes + " | 9600: 73" << only9600 << Outcome::NoEcho << 0
        << 9600 << 50 << ConnectOutcome::LineLost;
}

void TestConnect::scenarios()
{
    QFETCH(int, boardBaud);
    QFETCH(QString, fault);
    QFETCH(QString, sent);
    QFETCH(Stages, stages);
    QFETCH(Outcome, speedChange);
    QFETCH(int, byte);
    QFETCH(int, baud);
    QFETCH(int, interval);
    QFETCH(ConnectOutcome, outcome);

    SimulatedLine line({.startBaud = boardBaud}, 9600);
    if (fault == "unplug")
        line.unplug();
    else if (fault == "unplug-after s")
        line.unplugAfterSending('s');
    else if (!fault.isEmpty())
        QCOMPARE(vemtra::board::applyFault(line.engine().faults(),
                                           fault.section(' ', 0, 0).toStdString(),
                                           fault.section(' ', 1).toStdString()),
                 std::string());

    using Failures = QList<std::pair<Outcome, int>>;
    Stages seen;
    Failures failures;
    ConnectObserver observer;
    observer.stage = [&](ConnectStage stage) { seen << stage; };
    observer.speedChangeFailed = [&](Outcome o, std::uint8_t b) { failures.append({o, int(b)}); };
    const ConnectResult result = connectBoard(line, observer);

    QCOMPARE(line.sentTrace(), sent);
    QCOMPARE(seen, stages);
    // Told at most once, as the result keeps it.
    const Failures told = speedChange == Outcome::Ok ? Failures{} : Failures{{speedChange, byte}};
    QCOMPARE(failures, told);
    QCOMPARE(result.speedChange, speedChange);
    QCOMPARE(int(result.byte), byte);
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
