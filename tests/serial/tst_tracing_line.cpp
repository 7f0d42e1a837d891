// The raw line trace: loss noted once, and the window's opener that turns
// tracing on from the environment.

#include "board_process.h"
#include "serial/link_worker.h"
#include "serial/tracing_line.h"
#include "simulated_line.h"
#include "transfer_script.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
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
    void windowWorkerTracesWhenAsked();
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

void TestTracingLine::windowWorkerTracesWhenAsked()
{
    if (!vemtra::testing::BoardProcess::isBuilt())
        QSKIP("needs the board simulator vemtra-board in VEMTRA_BIN_DIR");
    vemtra::testing::BoardProcess board({QStringLiteral("--quiet")});
    QString error;
    QVERIFY2(board.start(&error), qPrintable(error));

    QTemporaryDir dir;
    const QString path = dir.filePath("window.txt");
    qputenv("VEMTRA_TRACE", path.toLocal8Bit());
    LinkWorker worker;
    qunsetenv("VEMTRA_TRACE");
    worker.open(board.device(), 9600);
    bool echoed = false;
    worker.post([&](Line &line) { echoed = vemtra::testing::scriptedProbe(line); });
    QTRY_VERIFY_WITH_TIMEOUT(!worker.isBusy(), 10000);
    QVERIFY(echoed);

    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    QVERIFY2(text.contains("* open " + board.device().toLocal8Bit()), text.constData());
    QCOMPARE(text.count(" > 74\n"), 1);
    QCOMPARE(text.count(" < 74\n"), 1);
}

QTEST_GUILESS_MAIN(TestTracingLine)
#include "tst_tracing_line.moc"
