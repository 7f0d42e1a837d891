#pragma once

#include "serial/line.h"

#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>

class QThread;

namespace vemtra::serial {

class LinkWorker;

// A job's way back to the window while it runs: each call queues `f` to run on
// the window's thread, in the order the job made the calls, and drops it if the
// receiver named in LinkWorker::newsFor is gone by then. Whether it is gone is
// looked at on the window's thread only. Made on the window's thread; copied
// into the job and called there.
class JobNews {
public:
    void operator()(std::function<void()> f) const;

private:
    friend class LinkWorker;
    JobNews(LinkWorker *facade, std::shared_ptr<const QPointer<QObject>> receiver)
        : facade_(facade), receiver_(std::move(receiver))
    {
    }
    LinkWorker *facade_;
    std::shared_ptr<const QPointer<QObject>> receiver_;
};

// Makes the line for a device; runs on the worker thread. On failure returns
// nullptr and puts a one-line reason into *error.
using LineOpener =
    std::function<std::unique_ptr<Line>(const QString &device, int baud, QString *error)>;

// The one owner of the serial line. It lives on the window's thread as a facade;
// the line itself lives on a private thread, where jobs run one at a time in the
// order they were posted. A job never runs on the window's thread, so waits and
// 100 ms pauses never freeze the window. With no port open, jobs get a closed
// line whose operations fail at once.
class LinkWorker : public QObject {
    Q_OBJECT
public:
    using Job = std::function<void(Line &)>;

    // Real serial ports through QSerialPort, traced into the file VEMTRA_TRACE
    // names when it is set (tracing_line.h).
    explicit LinkWorker(QObject *parent = nullptr);
    // Any line, for tests and the simulator.
    explicit LinkWorker(LineOpener opener, QObject *parent = nullptr);
    // Cancels the running job, drops the queued ones, closes the line on its
    // own thread and joins it. Returns as soon as the running job sees the
    // cancel (its next wait or pause gives up).
    ~LinkWorker() override;

    // Closes whatever is open, then opens `device` at `baud`. `done(ok, error)`
    // runs on the window's thread.
    void open(const QString &device, int baud, std::function<void(bool, QString)> done = {});
    void close(std::function<void()> done = {});
    // Whether a line is open, as last known on the window's thread.
    bool isOpen() const;

    // Queues a job; `done` runs on the window's thread after it, also when the
    // job threw (the exception is logged and goes no further) or found the
    // port closed. Nothing comes back once the worker is destroyed.
    void post(Job job, std::function<void()> done = {});

    // The news channel of a job posted for `receiver`, an object on the
    // window's thread. Call on the window's thread.
    JobNews newsFor(QObject *receiver);

    // True from the first queued job until the queue is empty again.
    bool isBusy() const;

    // Makes the running job's waits give up at once (window closing). Each job
    // runs under a cancel token of its own, so the next job is not touched.
    void cancelCurrent();

    // The device of the last open() that succeeded; empty after close().
    QString device() const;
    // Opens that device again at `baud` when no line is open (a lost line).
    // `done(ok, error)` as for open(); false at once when there is no device.
    void reopen(int baud, std::function<void(bool, QString)> done = {});

    // After linkLost the worker looks for the device every `intervalMs` (its
    // path exists again) and reopens it; open() and close() end the watch.
    void setRecoveryInterval(int intervalMs);
    bool isRecovering() const;

signals:
    void busyChanged(bool busy);
    void openChanged(bool open);
    // The port failed (device unplugged, read or write error); the line has
    // been closed. Reported after the job during which it showed, before that
    // job's `done`.
    void linkLost(const QString &reason);
    // The lost device is back and open again (see setRecoveryInterval).
    void linkRestored();

private:
    class Impl;
    std::unique_ptr<Impl> d;
};

} // namespace vemtra::serial
