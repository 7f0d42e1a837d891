// The link worker: jobs off the window's thread, one at a time and in order,
// results back on the window's thread, and no way for a job to take the window
// down with it (closed port, lost line, exception, endless wait).

#include "serial/exchange.h"
#include "serial/link_worker.h"
#include "simulated_line.h"

#include <QMutex>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTest>
#include <QThread>

#include <stdexcept>

using namespace std::chrono_literals;
using namespace vemtra::serial;
using vemtra::testing::openerFor;
using vemtra::testing::SimulatedLine;

namespace {

constexpr int generousMs = 10000;

// Waits, with the window's event loop running, until the worker is idle.
bool settle(LinkWorker &worker)
{
    if (!worker.isBusy())
        return true;
    QSignalSpy idle(&worker, &LinkWorker::busyChanged);
    return idle.wait(generousMs) && !worker.isBusy();
}

// A worker on a silent board, running a job that would wait for it for ever
// without a cancel; returns once that job is under way.
std::unique_ptr<LinkWorker> workerInEndlessWait(std::function<void()> done = {})
{
    auto line = std::make_shared<SimulatedLine>();
    line->engine().faults().silent = true;
    auto worker = std::make_unique<LinkWorker>(openerFor(line));
    worker->open(QStringLiteral("COM1"), 9600);
    auto started = std::make_shared<QSemaphore>();
    worker->post(
        [started](Line &l) {
            started->release();
            while (!l.isCancelled())
                waitReply(l);
        },
        std::move(done));
    return started->tryAcquire(1, generousMs) ? std::move(worker) : nullptr;
}

} // namespace

class TestLinkWorker : public QObject {
    Q_OBJECT
private slots:
    void jobsRunInOrderOffTheWindowsThread();
    void exceptionInJobDoesNotEscape();
    void destructionDuringEndlessWaitReturns();
};

void TestLinkWorker::jobsRunInOrderOffTheWindowsThread()
{
    auto line = std::make_shared<SimulatedLine>();
    LinkWorker worker(openerFor(line));
    worker.open(QStringLiteral("COM1"), 9600);
    QVERIFY(settle(worker));

    QMutex mutex;
    bool busyInLastDone = false;
    QList<int> jobOrder;
    QList<QThread *> jobThreads;
    QList<int> doneOrder;
    QList<QThread *> doneThreads;
    for (int i = 0; i < 5; ++i) {
        worker.post(
            [&, i](Line &l) {
                // Each job spends virtual time, so overlapping jobs would show
                // up as interleaved bytes.
                sendLetter(l, char('a' + i));
                pace(l);
                QMutexLocker lock(&mutex);
                jobOrder << i;
                jobThreads << QThread::currentThread();
            },
            [&, i] {
                busyInLastDone = worker.isBusy();
                doneOrder << i;
                doneThreads << QThread::currentThread();
            });
    }
    QVERIFY(settle(worker));

    const QList<int> inOrder{0, 1, 2, 3, 4};
    QCOMPARE(jobOrder, inOrder);
    QCOMPARE(doneOrder, inOrder);
    QCOMPARE(line->sentBytes(), QByteArray("abcde"));
    for (QThread *t : jobThreads) {
        QVERIFY(t != QThread::currentThread());
        QCOMPARE(t, jobThreads.first());
    }
    for (QThread *t : doneThreads)
        QCOMPARE(t, QThread::currentThread());
    // Still busy while the last job's own completion runs, so a follow-up
    // posted there keeps it busy.
    QVERIFY(busyInLastDone);
}

void TestLinkWorker::exceptionInJobDoesNotEscape()
{
    LinkWorker worker(openerFor(std::make_shared<SimulatedLine>()));
    worker.open(QStringLiteral("COM1"), 9600);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("A job on the serial line failed.*"));

    bool firstDone = false;
    bool secondRan = false;
    worker.post([](Line &) { throw std::runtime_error("board on fire"); },
                [&] { firstDone = true; });
    worker.post([&](Line &l) { secondRan = l.isOpen(); });
    QVERIFY(settle(worker));

    // The failed job still completes (its button comes back), the line stays.
    QVERIFY(firstDone);
    QVERIFY(secondRan);
    QVERIFY(worker.isOpen());
}

void TestLinkWorker::destructionDuringEndlessWaitReturns()
{
    bool doneCalled = false;
    auto worker = workerInEndlessWait([&] { doneCalled = true; });
    QVERIFY(worker);
    std::atomic<bool> laterJobRan = false;
    worker->post([&](Line &) { laterJobRan = true; });

    worker.reset();
    QVERIFY(!laterJobRan);
    // The window is going away: nothing comes back to it any more.
    QCoreApplication::processEvents();
    QVERIFY(!doneCalled);
}

QTEST_GUILESS_MAIN(TestLinkWorker)
#include "tst_link_worker.moc"
