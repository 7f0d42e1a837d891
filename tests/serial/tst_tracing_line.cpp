// The raw line trace notes a lost line once, whichever operation meets it.

#include "serial/tracing_line.h"
#include "simulated_line.h"

#include <QBuffer>
#include <QTest>

using namespace vemtra::serial;
using vemtra::testing::SimulatedLine;

namespace {

struct Traced {
    QBuffer *buffer = nullptr;
    std::unique_ptr<TracingLine> line;
};

Traced traced()
{
    Traced t;
    auto inner = std::make_unique<SimulatedLine>();
    auto buffer = std::make_unique<QBuffer>();
    buffer->open(QIODevice::WriteOnly);
    t.buffer = buffer.get();
    t.line = std::make_unique<TracingLine>(std::move(inner),
                                           std::make_shared<LineTrace>(std::move(buffer)));
    return t;
}

SimulatedLine &simOf(TracingLine &line)
{
    return static_cast<SimulatedLine &>(line.inner());
}

} // namespace

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
    for (const char *op : {"send", "wait", "speed"})
        QTest::newRow(op) << QStringLiteral("device unplugged") << QString::fromLatin1(op) << lost;
    QTest::newRow("no reason given")
        << QString() << QStringLiteral("wait") << QByteArray("* line closed\n");
}

// Whichever operation first meets the lost line notes it, once.
void TestTracingLine::notesLoss()
{
    QFETCH(QString, reason);
    QFETCH(QString, operation);
    QFETCH(QByteArray, note);
    Traced t = traced();
    simOf(*t.line).unplug(reason);
    for (int i = 0; i < 2; ++i) {
        if (operation == QLatin1String("send"))
            QVERIFY(!t.line->send("t"));
        else if (operation == QLatin1String("wait"))
            QVERIFY(!t.line->waitForBytes(1, t.line->now() + std::chrono::seconds(1)));
        else
            QVERIFY(!t.line->setSpeed(19200));
    }
    QCOMPARE(t.buffer->data().count(note), 1);
}

QTEST_GUILESS_MAIN(TestTracingLine)
#include "tst_tracing_line.moc"
