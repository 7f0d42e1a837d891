#include "serial/link_worker.h"

#include "serial/port_identity.h"
#include "serial/serial_port_line.h"
#include "serial/tracing_line.h"

#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <exception>

namespace vemtra::serial {

namespace {

// What a job gets while no port is open: every operation fails at once, so a
// feature reports its usual time-out text instead of crashing or hanging.
class ClosedLine final : public Line {
public:
    Micros now() const override
    {
        return std::chrono::duration_cast<Micros>(
            std::chrono::steady_clock::now().time_since_epoch());
    }
    bool isOpen() const override { return false; }
    QString failure() const override { return QStringLiteral("no port is open"); }
    void discardInput() override {}
    bool send(std::span<const std::uint8_t>) override { return false; }
    int bytesWaiting() override { return 0; }
    int read(std::span<std::uint8_t>) override { return 0; }
    bool waitForBytes(int, Micros) override { return false; }
    void pause(std::chrono::milliseconds) override {}
    bool setSpeed(int) override { return false; }
    int speed() const override { return 0; }
};

std::unique_ptr<Line> openSerialPort(const QString &device, int baud, QString *error)
{
    return SerialPortLine::open(device, baud, error);
}

} // namespace

class LinkWorker::Impl {
public:
    Impl(LinkWorker *facade, LineOpener lineOpener) : q(facade), opener(std::move(lineOpener))
    {
        thread.setObjectName(QStringLiteral("vemtra-link"));
        worker = new QObject;
        worker->moveToThread(&thread);
        thread.start();
    }

    // --- window's thread ---

    void beginOne()
    {
        if (pending++ == 0)
            emit q->busyChanged(true);
    }

    void finishOne()
    {
        if (--pending == 0)
            emit q->busyChanged(false);
    }

    void setOpen(bool isOpen)
    {
        if (open == isOpen)
            return;
        open = isOpen;
        emit q->openChanged(open);
    }

    // Runs `f` on the worker thread, after everything queued before it.
    template <class F> void onWorker(F &&f)
    {
        QMetaObject::invokeMethod(worker, std::forward<F>(f), Qt::QueuedConnection);
    }

    // Runs `f` back on the window's thread; dropped when the facade is gone.
    template <class F> void onFacade(F &&f)
    {
        QMetaObject::invokeMethod(q, std::forward<F>(f), Qt::QueuedConnection);
    }

    // --- worker thread ---

    void dropLine()
    {
        {
            QMutexLocker lock(&mutex);
            running = nullptr;
        }
        line.reset();
    }

    // Claims the current line for a job, under a fresh cancel token; nothing
    // once the facade is going away.
    Line *claimLine()
    {
        QMutexLocker lock(&mutex);
        if (stopping)
            return nullptr;
        running = line ? line.get() : static_cast<Line *>(&closed);
        cancel = CancelSource();
        running->setCancelToken(cancel.token());
        return running;
    }

    void releaseLine()
    {
        QMutexLocker lock(&mutex);
        running = nullptr;
    }

    LinkWorker *q;
    LineOpener opener;
    QThread thread;
    QObject *worker = nullptr;

    // Worker thread only.
    std::unique_ptr<Line> line;
    ClosedLine closed;

    // Shared: the line a job is using and the cancel of that job.
    QMutex mutex;
    Line *running = nullptr;
    CancelSource cancel;
    bool stopping = false;

    // A lost line noticed between jobs: reported like one lost in a job.
    void reportIdleLoss()
    {
        {
            QMutexLocker lock(&mutex);
            if (running || stopping)
                return; // the job's end reports it
        }
        if (!line || line->isOpen())
            return;
        QString reason = line->failure();
        dropLine();
        onFacade([this, reason] { lostOnFacade(reason); });
    }

    // Window's thread: watches for the lost device where it can be known
    // again; any other device under its name is left for the user to open.
    void watchForReturn()
    {
        if (!device.isEmpty() && mayComeBackByItself(identity))
            recovery.start();
    }

    // Window's thread: the one place a loss reaches the window.
    void lostOnFacade(const QString &reason)
    {
        setOpen(false);
        watchForReturn();
        emit q->linkLost(reason.isEmpty() ? QStringLiteral("the serial line stopped working")
                                          : reason);
    }

    // Window's thread: one look for the lost device. What its name leads to
    // is looked at on the worker: listing the USB devices may take a while.
    void lookForDevice()
    {
        if (open || device.isEmpty() || pending > 0 || !QFileInfo::exists(device))
            return;
        recovery.stop();
        onWorker([this, lost = identity] {
            const bool same = mayReopenByItself(lost, identifyPort(lost.path));
            onFacade([this, same, path = lost.path] {
                // The user opened or chose a port meanwhile.
                if (open || pending > 0 || device != path)
                    return;
                if (!same) {
                    recovery.start(); // another device under its name: wait for ours
                    return;
                }
                q->reopen(baud, [this](bool ok, const QString &) {
                    if (ok)
                        emit q->linkRestored();
                });
            });
        });
    }

    // Window's thread only.
    int pending = 0;
    bool open = false;
    QString device;        // of the last successful open()
    PortIdentity identity; // of that device, taken when it was opened
    int baud = 9600;
    QTimer recovery;
};

LinkWorker::LinkWorker(QObject *parent) : LinkWorker(tracedOnRequest(openSerialPort), parent)
{
}

LinkWorker::LinkWorker(LineOpener opener, QObject *parent)
    : QObject(parent), d(std::make_unique<Impl>(this, std::move(opener)))
{
    // A check a second: the device comes back by itself, nobody waits on it.
    d->recovery.setInterval(1000);
    Impl *impl = d.get();
    QObject::connect(&d->recovery, &QTimer::timeout, this, [impl] { impl->lookForDevice(); });
}

LinkWorker::~LinkWorker()
{
    {
        QMutexLocker lock(&d->mutex);
        d->stopping = true;
        if (d->running)
            d->cancel.cancel();
    }
    Impl *impl = d.get();
    // The line (and its port) is closed on the thread that made it.
    impl->onWorker([impl] {
        impl->dropLine();
        QThread::currentThread()->quit();
    });
    impl->thread.wait();
    delete impl->worker;
}

void LinkWorker::open(const QString &device, int baud, std::function<void(bool, QString)> done)
{
    Impl *impl = d.get();
    impl->recovery.stop();
    impl->beginOne();
    impl->onWorker([impl, device, baud, done = std::move(done)] {
        {
            QMutexLocker lock(&impl->mutex);
            if (impl->stopping)
                return;
        }
        impl->dropLine();
        QString error;
        std::unique_ptr<Line> opened;
        try {
            opened = impl->opener(device, baud, &error);
        } catch (const std::exception &e) {
            error = QString::fromLocal8Bit(e.what());
        } catch (...) {
            error = QStringLiteral("opening %1 failed").arg(device);
        }
        const bool ok = opened && opened->isOpen();
        PortIdentity identity;
        if (ok) {
            identity = identifyPort(device);
            impl->line = std::move(opened);
            // Queued, so a loss seen inside a job is left to that job's end.
            impl->line->setLossHandler(
                [impl] { impl->onWorker([impl] { impl->reportIdleLoss(); }); });
        } else if (error.isEmpty()) {
            error = QStringLiteral("cannot open %1").arg(device);
        }
        impl->onFacade([impl, ok, error, done, device, baud, identity] {
            if (ok) {
                impl->device = device;
                impl->identity = identity;
                impl->baud = baud;
            } else if (impl->device != device) {
                impl->device.clear(); // another port was chosen: the old one is let go
            }
            impl->setOpen(ok);
            if (done)
                done(ok, error);
            impl->finishOne();
        });
    });
}

void LinkWorker::close(std::function<void()> done)
{
    Impl *impl = d.get();
    impl->recovery.stop();
    impl->device.clear();
    impl->beginOne();
    impl->onWorker([impl, done = std::move(done)] {
        impl->dropLine();
        impl->onFacade([impl, done] {
            impl->setOpen(false);
            if (done)
                done();
            impl->finishOne();
        });
    });
}

bool LinkWorker::isOpen() const
{
    return d->open;
}

void LinkWorker::post(Job job, std::function<void()> done)
{
    Impl *impl = d.get();
    impl->beginOne();
    impl->onWorker([impl, job = std::move(job), done = std::move(done)] {
        Line *line = impl->claimLine();
        if (!line)
            return;
        try {
            if (job)
                job(*line);
        } catch (const std::exception &e) {
            qWarning("A job on the serial line failed: %s", e.what());
        } catch (...) {
            qWarning("A job on the serial line failed with an unknown exception");
        }
        impl->releaseLine();

        QString lostReason;
        const bool lost = impl->line && !impl->line->isOpen();
        if (lost) {
            lostReason = impl->line->failure();
            if (lostReason.isEmpty())
                lostReason = QStringLiteral("the serial line stopped working");
            impl->dropLine();
        }
        impl->onFacade([impl, lost, lostReason, done] {
            if (lost)
                impl->lostOnFacade(lostReason);
            if (done)
                done();
            impl->finishOne();
        });
    });
}

QString LinkWorker::device() const
{
    return d->device;
}

void LinkWorker::reopen(int baud, std::function<void(bool, QString)> done)
{
    if (d->device.isEmpty()) {
        if (done)
            done(false, QStringLiteral("no port was chosen"));
        return;
    }
    // A device still missing is watched for again, as after the loss.
    Impl *impl = d.get();
    open(d->device, baud, [impl, done = std::move(done)](bool ok, const QString &error) {
        if (!ok)
            impl->watchForReturn();
        if (done)
            done(ok, error);
    });
}

void LinkWorker::setRecoveryInterval(int intervalMs)
{
    d->recovery.setInterval(intervalMs);
}

bool LinkWorker::isRecovering() const
{
    return d->recovery.isActive();
}

bool LinkWorker::isBusy() const
{
    return d->pending > 0;
}

void LinkWorker::cancelCurrent()
{
    QMutexLocker lock(&d->mutex);
    if (d->running)
        d->cancel.cancel();
}

JobNews LinkWorker::newsFor(QObject *receiver)
{
    return JobNews(this, std::make_shared<const QPointer<QObject>>(receiver));
}

void JobNews::operator()(std::function<void()> f) const
{
    // The facade lives until the worker thread has ended, so it is there to
    // take the call; the receiver is looked at once the call runs.
    QMetaObject::invokeMethod(
        facade_,
        [receiver = receiver_, f = std::move(f)] {
            if (!receiver->isNull())
                f();
        },
        Qt::QueuedConnection);
}

} // namespace vemtra::serial
