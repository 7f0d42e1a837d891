// The raw line trace notes a lost line once, whichever operation meets it, and
// a loss while no operation runs too.

#include "serial/exchange.h"
#include "serial/tracing_line.h"
#include "simulated_line.h"

#include <QBuffer>
#include <QTest>

using namespace vemtra::serial;
using vemtra::testing::SimulatedLine;

class TestTracingLine : public QObject {
    Q_OBJECT

private slots:
    void notesLoss_data();
    void notesLoss();
};

void TestTracingLine::notesLoss_data()
{
    QTest::addColumn<QString>("reason");
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QByteArray>("note");
    const QByteArray lost("* line lost: device unplugged\n");
    for (const char *op : {"send", "wait", "speed", "idle"})
        QTest::newRow(op) << QStringLiteral("device unplugged") << QString::fromLatin1(op) << lost;
    QTest::newRow("no reason given")
        << QString() << QStringLiteral("wait") << QByteArray("* line closed\n");
}

// Whichever operation first meets the lost line notes it, once; a loss while
// the line is idle is noted when the port reports it.
void TestTracingLine::notesLoss()
{
    QFETCH(QString, reason);
    QFETCH(QString, operation);
    QFETCH(QByteArray, note);
    const bool idle = operation == QLatin1String("idle");
    auto owned = std::make_unique<SimulatedLine>();
    SimulatedLine *sim = owned.get();
    if (!idle)
        sim->unplug(reason);
    auto *buffer = new QBuffer;
    buffer->open(QIODevice::WriteOnly);
    TracingLine line(std::move(owned),
                     std::make_shared<LineTrace>(std::unique_ptr<QIODevice>(buffer)));
    if (idle) {
        // Lost between exchanges: noted, and the link worker still told.
        int told = 0;
        line.setLossHandler([&told] { ++told; });
        sim->unplug(reason);
        QCOMPARE(told, 1);
    }
    for (int i = 0; i < 2; ++i) {
        if (operation == QLatin1String("send"))
            QVERIFY(!sendLetter(line, 't'));
        else if (operation == QLatin1String("wait"))
            QVERIFY(!line.waitForBytes(1, line.now() + std::chrono::seconds(1)));
        else if (operation == QLatin1String("speed"))
            QVERIFY(!line.setSpeed(19200));
    }
    QCOMPARE(buffer->data().count(note), 1);
}

QTEST_GUILESS_MAIN(TestTracingLine)
#include "tst_tracing_line.moc"
