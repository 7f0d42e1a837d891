// The raw line trace: every byte either way with its time, what a flush threw
// away, speed changes and loss; a cancel reaching through to the traced line;
// and the window's opener that turns tracing on from the environment.

#include "board_process.h"
#include "serial/connect.h"
#include "serial/exchange.h"
#include "serial/tracing_line.h"
#include "simulated_line.h"
#include "transfer_script.h"

#include <QBuffer>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace vemtra::serial;
using vemtra::testing::SimulatedLine;

namespace {

struct TraceEntry {
    double seconds;
    char direction; // '>', '<' or '*'
    QByteArray rest;
};

QList<TraceEntry> parse(const QByteArray &text)
{
    static const QRegularExpression pattern(QStringLiteral("^ *(\\d+\\.\\d{6}) ([<>*]) (.*)$"));
    QList<TraceEntry> entries;
    for (const QByteArray &line : text.split('\n')) {
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        const auto m = pattern.match(QString::fromUtf8(line));
        if (!m.hasMatch()) {
            qWarning("unparsable trace line: %s", line.constData());
            return {};
        }
        entries.append(
            {m.captured(1).toDouble(), m.captured(2).at(0).toLatin1(), m.captured(3).toUtf8()});
    }
    return entries;
}

// The bytes of one direction, as the trace lists them.
QByteArray bytesOf(const QList<TraceEntry> &entries, char direction, bool discarded)
{
    QByteArray bytes;
    for (const TraceEntry &e : entries)
        if (e.direction == direction && e.rest.endsWith(" discarded") == discarded)
            bytes += QByteArray::fromHex(e.rest.left(2));
    return bytes;
}

struct Traced {
    std::shared_ptr<SimulatedLine> sim;
    QBuffer *buffer = nullptr;
    std::unique_ptr<TracingLine> line;
};

Traced traced(int boardBaud)
{
    vemtra::board::BoardEngine::Options options;
    options.startBaud = boardBaud;
    Traced t;
    auto inner = std::make_unique<SimulatedLine>(options, 9600);
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
    void tracesEveryByteOfAConnection_data();
    void tracesEveryByteOfAConnection();
    void marksDiscardedBytes();
    void notesLoss_data();
    void notesLoss();
    void cancelReachesTheTracedLine();
    void untracedWhenTheTraceCannotBeMade();
    void windowWorkerTracesWhenAsked();
};

void TestTracingLine::tracesEveryByteOfAConnection_data()
{
    QTest::addColumn<int>("boardBaud");
    QTest::addColumn<QStringList>("speeds");
    QTest::addColumn<double>("firstEcho"); // seconds

    // Echoes are read after the 100 ms gap that follows each probe; at 19200
    // the board first answers the third probe.
    QTest::newRow("board at 9600, switched")
        << 9600 << QStringList{"9600 bps", "9600 bps", "19200 bps", "9600 bps", "19200 bps"} << 0.1;
    QTest::newRow("board at 19200")
        << 19200 << QStringList{"9600 bps", "9600 bps", "19200 bps"} << 0.3;
}

void TestTracingLine::tracesEveryByteOfAConnection()
{
    QFETCH(int, boardBaud);
    QFETCH(QStringList, speeds);
    QFETCH(double, firstEcho);

    Traced t = traced(boardBaud);
    ConnectObserver observer;
    const ConnectResult result = connectBoard(*t.line, observer);
    QCOMPARE(result.baud, 19200);

    const QList<TraceEntry> entries = parse(t.buffer->data());
    QVERIFY(!entries.isEmpty());
    SimulatedLine &sim = simOf(*t.line);
    QCOMPARE(bytesOf(entries, '>', false), sim.sentBytes());
    QCOMPARE(bytesOf(entries, '<', false) + bytesOf(entries, '<', true), sim.receivedBytes());

    QStringList notes;
    double last = 0;
    for (const TraceEntry &e : entries) {
        QVERIFY2(e.seconds >= last, "time stamps go back");
        last = e.seconds;
        if (e.direction == '*')
            notes << QString::fromUtf8(e.rest);
    }
    QCOMPARE(notes, speeds);

    // The first probe goes out at once.
    const auto probe = std::find_if(entries.begin(), entries.end(),
                                    [](const TraceEntry &e) { return e.direction == '>'; });
    QVERIFY(probe != entries.end());
    QCOMPARE(probe->rest, QByteArray("74"));
    QVERIFY(probe->seconds < 0.001);
    const auto echo = std::find_if(entries.begin(), entries.end(),
                                   [](const TraceEntry &e) { return e.direction == '<'; });
    QVERIFY(echo != entries.end());
    QVERIFY2(echo->seconds >= firstEcho && echo->seconds < firstEcho + 0.01,
             qPrintable(QString::number(echo->seconds)));
}

void TestTracingLine::marksDiscardedBytes()
{
    Traced t = traced(9600);
    simOf(*t.line).inject(QByteArray("\x3F\x01", 2), t.line->now());
    flush(*t.line);
    sendLetter(*t.line, 't');
    QVERIFY(waitReply(*t.line).has_value());

    const QList<TraceEntry> entries = parse(t.buffer->data());
    QCOMPARE(bytesOf(entries, '<', true), QByteArray("\x3F\x01", 2));
    QCOMPARE(bytesOf(entries, '<', false), QByteArray("t"));
    QVERIFY(t.buffer->data().contains(" < 3f discarded\n"));
}

void TestTracingLine::notesLoss_data()
{
    QTest::addColumn<QString>("reason");
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QByteArray>("note");
    const QByteArray lost("* line lost: device unplugged\n");
    for (const char *op : {"send", "wait", "pause", "flush", "read", "waiting", "speed"})
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
    Traced t = traced(9600);
    simOf(*t.line).unplug(reason);
    for (int i = 0; i < 2; ++i) {
        if (operation == QLatin1String("send"))
            QVERIFY(!t.line->send("t"));
        else if (operation == QLatin1String("wait"))
            QVERIFY(!t.line->waitForBytes(1, t.line->now() + std::chrono::seconds(1)));
        else if (operation == QLatin1String("pause"))
            t.line->pause(std::chrono::milliseconds(100));
        else if (operation == QLatin1String("flush"))
            t.line->discardInput();
        else if (operation == QLatin1String("read"))
            QVERIFY(t.line->readAll().isEmpty());
        else if (operation == QLatin1String("waiting"))
            QCOMPARE(t.line->bytesWaiting(), 0);
        else
            QVERIFY(!t.line->setSpeed(19200));
    }
    QCOMPARE(t.buffer->data().count(note), 1);
}

void TestTracingLine::cancelReachesTheTracedLine()
{
    Traced t = traced(9600);
    SimulatedLine &sim = simOf(*t.line);
    const CancelSource cancel;
    t.line->setCancelToken(cancel.token());
    QVERIFY(!sim.isCancelled());

    cancel.cancel();
    const Micros start = t.line->now();
    QVERIFY(!t.line->waitForBytes(1, start + std::chrono::seconds(5)));
    QVERIFY(t.line->now() - start < std::chrono::milliseconds(100));
    QVERIFY(sim.isCancelled());
}

void TestTracingLine::untracedWhenTheTraceCannotBeMade()
{
    QTemporaryDir dir;
    QProcessEnvironment env;
    env.insert(QStringLiteral("VEMTRA_TRACE"), dir.filePath("no/such/folder/t.txt"));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("cannot create trace file"));
    auto sim = std::make_shared<SimulatedLine>();
    const LineOpener opener = tracedOnRequest(vemtra::testing::openerFor(sim), env);
    QString error;
    auto line = opener(QStringLiteral("/dev/x"), 9600, &error);
    QVERIFY(line);
    QVERIFY(!dynamic_cast<TracingLine *>(line.get()));
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
    const QList<TraceEntry> entries = parse(text);
    QCOMPARE(bytesOf(entries, '>', false), QByteArray("t"));
    QCOMPARE(bytesOf(entries, '<', false), QByteArray("t"));
}

QTEST_GUILESS_MAIN(TestTracingLine)
#include "tst_tracing_line.moc"
