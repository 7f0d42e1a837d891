#pragma once

#include <QString>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>

namespace vemtra::serial {

// Time on a line's own monotonic clock: real for a serial port, virtual in tests.
using Micros = std::chrono::microseconds;

// What a line's waits look at to give up early. A default token is never
// cancelled.
class CancelToken {
public:
    CancelToken() = default;
    bool isCancelled() const { return flag_ && flag_->load(); }

private:
    friend class CancelSource;
    explicit CancelToken(std::shared_ptr<const std::atomic<bool>> flag) : flag_(std::move(flag)) {}
    std::shared_ptr<const std::atomic<bool>> flag_;
};

// The one who may cancel: the link worker for its jobs, vemtra-cli for Ctrl-C.
// cancel() is thread-safe and async-signal-safe (one lock-free store).
class CancelSource {
public:
    CancelSource() : flag_(std::make_shared<std::atomic<bool>>(false)) {}
    void cancel() const noexcept { flag_->store(true); }
    bool isCancelled() const { return flag_->load(); }
    CancelToken token() const { return CancelToken(flag_); }

private:
    std::shared_ptr<std::atomic<bool>> flag_;
};

// The serial line as every board exchange sees it. One thread uses a line at a
// time (the link worker's); cancelling goes through the line's CancelToken.
class Line {
public:
    virtual ~Line() = default;

    // Monotonic time since an arbitrary start; never the time of day.
    virtual Micros now() const = 0;

    virtual bool isOpen() const = 0;

    // Why an opened line stopped working (device gone, read or write error);
    // empty while it works. A lost line reports isOpen() false.
    virtual QString failure() const { return {}; }

    // Called on the line's thread when the line is lost, also between
    // exchanges (a device unplugged while nothing is sent). A line that never
    // gets lost on its own ignores it; one that wraps another passes it on.
    virtual void setLossHandler(std::function<void()> handler) { (void)handler; }

    // Throws away everything received and not yet read.
    virtual void discardInput() = 0;

    // Queues bytes for sending; false when the line is not open or writing failed.
    // A span, so the one byte of a lock-step echo needs no buffer of its own.
    virtual bool send(std::span<const std::uint8_t> bytes) = 0;

    // Bytes received and not yet read.
    virtual int bytesWaiting() = 0;

    // Takes up to into.size() of the bytes waiting, oldest first, into `into`
    // without waiting; returns how many it took.
    virtual int read(std::span<std::uint8_t> into) = 0;

    // Blocks without spinning until at least n bytes are waiting, the clock
    // passes the deadline (on now()'s scale), or the line is cancelled or lost.
    // Returns whether n bytes are waiting.
    virtual bool waitForBytes(int n, Micros deadline) = 0;

    // A pause during which nothing is read (the 100 ms pacing between bytes).
    virtual void pause(std::chrono::milliseconds duration) = 0;

    // Changes the speed without closing the line.
    virtual bool setSpeed(int baud) = 0;
    virtual int speed() const = 0;

    // The token whose cancel makes a running exchange give up at its next
    // wait. Set on the line's own thread, between exchanges; a line that
    // wraps another passes it on.
    virtual void setCancelToken(CancelToken token) { cancel_ = std::move(token); }
    bool isCancelled() const { return cancel_.isCancelled(); }

    // Told how many bytes the line took in from the device and when, as it
    // takes them and before any exchange reads them, so a trace stamps bytes
    // with their arrival. A line that cannot tell leaves it uncalled.
    using ArrivalHook = std::function<void(Micros at, int count)>;
    void setArrivalHook(ArrivalHook hook) { arrival_ = std::move(hook); }

protected:
    void bytesArrived(qint64 count)
    {
        if (arrival_ && count > 0)
            arrival_(now(), static_cast<int>(count));
    }

private:
    CancelToken cancel_;
    ArrivalHook arrival_;
};

} // namespace vemtra::serial
