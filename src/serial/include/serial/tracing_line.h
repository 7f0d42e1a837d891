#pragma once

// A raw record of everything that crosses the line, for finding out why a
// transfer went wrong. One line of text per byte, written and flushed as it
// happens, so a trace survives a crash or a pulled plug:
//
//     # QEL-Vemtra line trace: seconds since the first line opened, > sent, < received
//        0.000012 > 74
//        0.001054 < 74
//        0.101300 < 3f discarded
//        0.101400 * 19200 bps
//
// A received byte is stamped when the port took it in from the device, not
// when an exchange read it. "discarded" marks bytes that arrived but were thrown away unread (the
// flush before a command); "*" lines note speed changes and a lost line.

#include "serial/line.h"
#include "serial/link_worker.h"

#include <QByteArray>
#include <QMutex>
#include <QProcessEnvironment>
#include <QString>

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <span>

class QIODevice;

namespace vemtra::serial {

// Where trace lines go. Shared by every line a program opens in a run, so
// reopening the port goes on writing the same file.
class LineTrace {
public:
    // Creates (or truncates) `path`. Nothing and a one-line reason on failure.
    static std::shared_ptr<LineTrace> open(const QString &path, QString *error = nullptr);

    // Writes into `out`, which must be open for writing.
    explicit LineTrace(std::unique_ptr<QIODevice> out);
    ~LineTrace();

    LineTrace(const LineTrace &) = delete;
    LineTrace &operator=(const LineTrace &) = delete;

    // Sets the time the stamps count from, unless an earlier line already did.
    void startAt(Micros at);

    void sent(Micros at, std::span<const std::uint8_t> bytes);
    void received(Micros at, std::span<const std::uint8_t> bytes);
    void discarded(Micros at, std::span<const std::uint8_t> bytes);
    void note(Micros at, const QString &text);

    // False once a write failed; the trace then stops writing.
    bool ok() const;

private:
    void byteLines(Micros at, char direction, std::span<const std::uint8_t> bytes,
                   const char *suffix);
    QByteArray stamp(Micros at) const;
    void write(const QByteArray &text);

    mutable QMutex mutex_;
    std::unique_ptr<QIODevice> out_;
    std::optional<Micros> origin_;
    bool failed_ = false;
};

// A Line that passes everything to `inner` and records each byte in `trace`.
// Both lines watch the same cancel token.
class TracingLine final : public Line {
public:
    TracingLine(std::unique_ptr<Line> inner, std::shared_ptr<LineTrace> trace);
    ~TracingLine() override;

    Line &inner() { return *inner_; }

    Micros now() const override;
    bool isOpen() const override;
    QString failure() const override;
    void discardInput() override;
    bool send(std::span<const std::uint8_t> bytes) override;
    int bytesWaiting() override;
    int read(std::span<std::uint8_t> into) override;
    bool waitForBytes(int n, Micros deadline) override;
    void pause(std::chrono::milliseconds duration) override;
    bool setSpeed(int baud) override;
    int speed() const override;
    void setCancelToken(CancelToken token) override;
    void setLossHandler(std::function<void()> handler) override;

private:
    void noteLoss();
    // Writes bytes the inner line gave up, each stamped with its arrival.
    void traceTaken(std::span<const std::uint8_t> bytes, bool discarded);

    struct Arrival {
        Micros at;
        int count;
    };

    std::unique_ptr<Line> inner_;
    std::shared_ptr<LineTrace> trace_;
    std::deque<Arrival> arrivals_; // bytes taken in and not yet read, oldest first
    bool lossNoted_ = false;
    std::function<void()> onLost_;
};

// Wraps every line `inner` opens in a TracingLine writing to `trace`.
LineOpener tracingOpener(LineOpener inner, std::shared_ptr<LineTrace> trace);

// `inner`, traced into the file that VEMTRA_TRACE names when it is set and not
// empty. A trace file that cannot be created is reported once as a warning and
// the lines work untraced.
LineOpener
tracedOnRequest(LineOpener inner,
                const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment());

} // namespace vemtra::serial
