#pragma once

#include <QByteArray>
#include <QString>

#include <atomic>
#include <chrono>

namespace vemtra::serial {

// Time on a line's own monotonic clock: real for a serial port, virtual in tests.
using Micros = std::chrono::microseconds;

// The serial line as every board exchange sees it. One thread uses a line at a
// time (the link worker's); only cancel() may be called from any thread.
class Line {
public:
    virtual ~Line() = default;

    // Monotonic time since an arbitrary start; never the time of day.
    virtual Micros now() const = 0;

    virtual bool isOpen() const = 0;

    // Why an opened line stopped working (device gone, read or write error);
    // empty while it works. A lost line reports isOpen() false.
    virtual QString failure() const { return {}; }

    // Throws away everything received and not yet read.
    virtual void discardInput() = 0;

    // Queues bytes for sending; false when the line is not open or writing failed.
    virtual bool send(const QByteArray &bytes) = 0;

    // Bytes received and not yet read.
    virtual int bytesWaiting() = 0;

    // Takes and returns every byte waiting, oldest first.
    virtual QByteArray readAll() = 0;

    // Blocks without spinning until at least n bytes are waiting, the clock
    // passes the deadline (on now()'s scale), or the line is cancelled or lost.
    // Returns whether n bytes are waiting.
    virtual bool waitForBytes(int n, Micros deadline) = 0;

    // A pause during which nothing is read (the 100 ms pacing between bytes).
    virtual void pause(std::chrono::milliseconds duration) = 0;

    // Changes the speed without closing the line.
    virtual bool setSpeed(int baud) = 0;
    virtual int speed() const = 0;

    // Asks a running exchange to give up at its next wait. Thread-safe.
    void cancel() { cancelled_.store(true); }
    void clearCancel() { cancelled_.store(false); }
    bool isCancelled() const { return cancelled_.load(); }

private:
    std::atomic<bool> cancelled_{false};
};

} // namespace vemtra::serial
