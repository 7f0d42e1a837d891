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
    bool send(std::span<const std::uint8_t> out) override
    {
        if (beforeSend)
            beforeSend(*this, int(sentBytes().size()));
        return SimulatedLine::send(out);
    }
};

using Setup = std::function<void(HookedLine &)>;
using F = board::Faults;

Setup faults(std::function<void(F &)> set)
{
    return [set](HookedLine &line) { set(line.engine().faults()); };
}

} // namespace

Q_DECLARE_METATYPE(Setup)

class TestLogWrite : public QObject {
    Q_OBJECT
private slots:
    void exchange_data();
    void exchange();
};

void TestLogWrite::exchange_data()
{
    QTest::addColumn<Setup>("setup");
    QTest::addColumn<int>("outcome");
    QTest::addColumn<int>("byte"); // the wrong byte the result names
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<int>("progressSteps"); // headerByteEchoed calls, 0..n-1 in order
    QTest::addColumn<bool>("acknowledged");
    QTest::addColumn<bool>("loopEnded");
    // A failed wait ends a second of the line's clock (virtual: it costs no real
    // time) after the last byte, which follows 100 ms pauses after "W"; 0: no wait fails.
    QTest::addColumn<int>("timeOutAt");

    using O = vemtra::serial::Outcome;
    const QByteArray request = QByteArray::fromHex("7700000f00f1");
    const LogHeader h = exampleHeader();
    const int wrong5 = 0xFF & ~h[5];

    const auto row = [](const char *tag, Setup setup, O outcome, int byte, const QByteArray &sent,
                        int progressSteps, bool acknowledged, bool loopEnded, int timeOutAt = 0) {
        QTest::newRow(tag) << setup << int(outcome) << byte << sent << progressSteps
                           << acknowledged << loopEnded << timeOutAt;
    };
    const QByteArray w("w");
    row("healthy board", {}, O::Ok, 0, request + bytes(h), 16, true, true);
    row(
        "stale bytes are flushed first", [](HookedLine &line) { line.inject("zz", 0us); }, O::Ok,
        0, request + bytes(h), 16, true, true);
    row("silent board", faults([](F &f) { f.silent = true; }), O::NoEcho, 0, w, 0, false, false,
        1000);
    row("wrong echo of w", faults([](F &f) {
            f.echoOverride = '?';
            f.echoOverrideCommands = "w";
        }),
        O::WrongEcho, '?', w, 0, false, false);
    // Answers "w", then goes quiet before the parameter block.
    const Setup quietAfterW = [](HookedLine &line) {
        line.beforeSend = [](SimulatedLine &l, int sent) {
            if (sent == 1)
                l.engine().faults().silent = true;
        };
    };
    row("w answered, no W", quietAfterW, O::NoAnswer, 0, request, 0, true, false, 1500);
    row("wrong W", faults([](F &f) {
            f.ackOverride = '?';
            f.ackOverrideCommands = "w";
        }),
        O::WrongAnswer, '?', request, 0, true, false);
    row("wrong echo at header index 5", faults([](F &f) { f.wrongEchoAfter = 5; }), O::WrongByte,
        wrong5, request + bytes(h, 6), 5, true, true);
    row("board stops echoing after 3 header bytes", faults([](F &f) { f.stopAfterBytes = 3; }),
        O::ByteTimeout, 0, request + bytes(h, 4), 3, true, true, 1500);
    // A port gone is told as such, not as the time-out it causes.
    const Setup lostWithByte3 = [h](HookedLine &line) { line.unplugAfterSending(h[3]); };
    row("port lost as header byte 3 goes out", lostWithByte3, O::LineLost, 0,
        request + bytes(h, 4), 3, true, true);
}

void TestLogWrite::exchange()
{
    QFETCH(Setup, setup);
    QFETCH(int, outcome);
    QFETCH(int, byte);
    QFETCH(QByteArray, sent);
    QFETCH(int, progressSteps);
    QFETCH(bool, acknowledged);
    QFETCH(bool, loopEnded);
    QFETCH(int, timeOutAt);

    HookedLine line;
    if (setup)
        setup(line);
    QList<int> progress;
    int ended = 0;
    bool acked = false;
    LogWriteObserver observer;
    observer.acknowledged = [&] { acked = true; };
    observer.headerByteEchoed = [&](int nn) { progress << nn; };
    observer.headerLoopEnded = [&] { ++ended; };

    const LogWriteResult result = writeLogHeader(line, exampleHeader(), observer);

    QCOMPARE(int(result.outcome), outcome);
    QCOMPARE(int(result.byte), byte);
    QCOMPARE(result.ok(), outcome == int(vemtra::serial::Outcome::Ok));
    QCOMPARE(line.sentBytes().toHex(' '), sent.toHex(' '));
    QCOMPARE(result.headerBytesSent, std::max(0, int(sent.size()) - 6));
    QList<int> expected;
    for (int i = 0; i < progressSteps; ++i)
        expected << i;
    QCOMPARE(progress, expected);
    QCOMPARE(acked, acknowledged);
    QCOMPARE(ended, loopEnded ? 1 : 0);
    if (timeOutAt > 0) {
        QVERIFY(line.now() >= std::chrono::milliseconds(timeOutAt));
        QVERIFY(line.now() < std::chrono::milliseconds(timeOutAt + 200));
    }
    if (result.ok()) {
        const auto &rom = line.engine().eeprom();
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(rom.data()), 16).toHex(' '),
                 bytes(exampleHeader()).toHex(' '));
    }
}

QTEST_GUILESS_MAIN(TestLogWrite)
#include "tst_log_write.moc"
