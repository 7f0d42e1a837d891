#include "simulated_line.h"

#include <QTest>

#include <algorithm>

namespace vemtra::testing {

namespace {

// A byte sent at one speed and received at another arrives as something else;
// the exact bit pattern does not matter, only that it is never the byte sent.
std::uint8_t garbled(std::uint8_t byte)
{
    return static_cast<std::uint8_t>(~byte);
}

constexpr Micros never = Micros::max();

} // namespace

SimulatedLine::SimulatedLine(board::BoardEngine::Options options, int speed)
    : engine_(options), speed_(speed)
{
}

Micros SimulatedLine::byteTime(int baud)
{
    return Micros((10'000'000 + baud - 1) / baud);
}

void SimulatedLine::discardInput()
{
    waiting_.clear();
}

bool SimulatedLine::send(std::span<const std::uint8_t> bytes)
{
    if (lost_)
        return false;
    for (const std::uint8_t byte : bytes) {
        const Micros start = std::max(now_, pcTxFreeAt_);
        pcTxFreeAt_ = start + byteTime(speed_);
        toBoard_.push_back({byte, pcTxFreeAt_, speed_});
        sent_.push_back({byte, speed_, start});
        if (unplugOn_ && byte == *unplugOn_ && --unplugCount_ == 0) {
            unplugOn_.reset();
            unplug();
            break;
        }
    }
    return true;
}

int SimulatedLine::read(std::span<std::uint8_t> into)
{
    const auto n = std::min<qsizetype>(qsizetype(into.size()), waiting_.size());
    std::copy_n(waiting_.constData(), n, reinterpret_cast<char *>(into.data()));
    waiting_.remove(0, n);
    return int(n);
}

bool SimulatedLine::waitForBytes(int n, Micros deadline)
{
    for (;;) {
        if (waiting_.size() >= n)
            return true;
        if (lost_ || isCancelled() || now_ >= deadline)
            return false;
        advanceTo(std::min({deadline, nextEventTime(), now_ + maxStep_}));
    }
}

void SimulatedLine::pause(std::chrono::milliseconds duration)
{
    if (isCancelled())
        return;
    advanceTo(now_ + duration);
}

bool SimulatedLine::setSpeed(int baud)
{
    if (lost_ || baud <= 0)
        return false;
    speed_ = baud;
    return true;
}

Micros SimulatedLine::nextEventTime() const
{
    Micros next = never;
    if (!toBoard_.empty())
        next = std::min(next, toBoard_.front().arrive);
    if (!fromBoard_.empty())
        next = std::min(next, fromBoard_.front().arrive);
    if (!noise_.empty())
        next = std::min(next, noise_.begin()->first);
    return next;
}

void SimulatedLine::advanceTo(Micros t)
{
    while (now_ < t) {
        const Micros step = std::min({t, nextEventTime(), now_ + maxStep_});
        processEventsAt(std::max(step, now_));
    }
    processEventsAt(now_);
}

void SimulatedLine::processEventsAt(Micros t)
{
    now_ = t;
    engine_.advance(now_);
    collectBoardOutput();
    // Bytes in both directions due by now, oldest first; the board may answer
    // a byte at once, so its output is collected after each one it takes in.
    for (;;) {
        const Micros next = nextEventTime();
        if (next > now_)
            break;
        if (!toBoard_.empty() && toBoard_.front().arrive == next) {
            const InFlight b = toBoard_.front();
            toBoard_.pop_front();
            if (!lost_)
                engine_.receive(b.byte, b.speed, b.arrive);
            collectBoardOutput();
        } else if (!fromBoard_.empty() && fromBoard_.front().arrive == next) {
            const InFlight b = fromBoard_.front();
            fromBoard_.pop_front();
            arrive(b.speed == speed_ ? b.byte : garbled(b.byte));
        } else {
            const std::uint8_t byte = noise_.begin()->second;
            noise_.erase(noise_.begin());
            arrive(byte);
        }
    }
}

void SimulatedLine::collectBoardOutput()
{
    for (const board::OutByte &out : engine_.takeOutput()) {
        const Micros start = std::max({out.notBefore, boardTxFreeAt_, now_});
        boardTxFreeAt_ = start + byteTime(out.baud);
        fromBoard_.push_back({out.value, boardTxFreeAt_, out.baud});
    }
}

void SimulatedLine::arrive(std::uint8_t byte)
{
    if (!lost_)
        waiting_.append(static_cast<char>(byte));
}

void SimulatedLine::inject(const QByteArray &bytes, Micros at)
{
    for (char c : bytes)
        noise_.emplace(at, static_cast<std::uint8_t>(c));
    if (at <= now_)
        processEventsAt(now_);
}

void SimulatedLine::unplugAfterSending(std::uint8_t byte, int times)
{
    unplugOn_ = byte;
    unplugCount_ = times;
}

void SimulatedLine::plugBack()
{
    lost_ = false;
    failure_.clear();
}

void SimulatedLine::unplug(const QString &reason)
{
    const bool wasOpen = !lost_;
    lost_ = true;
    failure_ = reason;
    waiting_.clear();
    if (wasOpen && onLost_)
        onLost_();
}

QByteArray SimulatedLine::sentBytes() const
{
    QByteArray out;
    for (const Entry &e : sent_)
        out.append(static_cast<char>(e.byte));
    return out;
}

QString SimulatedLine::sentTrace() const
{
    QString trace;
    int speed = 0;
    for (const Entry &b : sent_) {
        if (b.speed != speed) {
            if (speed != 0)
                trace += QStringLiteral(" | ");
            trace += QStringLiteral("%1:").arg(b.speed);
            speed = b.speed;
        }
        trace += QStringLiteral(" %1").arg(b.byte, 2, 16, QLatin1Char('0'));
    }
    return trace;
}

namespace {

// What a LinkWorker owns: a thin handle on the test's line, which watches the
// handle's cancel token.
class SharedLine final : public serial::Line {
public:
    explicit SharedLine(std::shared_ptr<SimulatedLine> line) : line_(std::move(line)) {}

    Micros now() const override { return line_->now(); }
    bool isOpen() const override { return line_->isOpen(); }
    QString failure() const override { return line_->failure(); }
    void discardInput() override { line_->discardInput(); }
    bool send(std::span<const std::uint8_t> bytes) override { return line_->send(bytes); }
    int bytesWaiting() override { return line_->bytesWaiting(); }
    int read(std::span<std::uint8_t> into) override { return line_->read(into); }
    bool waitForBytes(int n, Micros deadline) override { return line_->waitForBytes(n, deadline); }
    void pause(std::chrono::milliseconds duration) override { line_->pause(duration); }
    bool setSpeed(int baud) override { return line_->setSpeed(baud); }
    int speed() const override { return line_->speed(); }
    void setCancelToken(serial::CancelToken token) override
    {
        line_->setCancelToken(token);
        Line::setCancelToken(std::move(token));
    }

private:
    std::shared_ptr<SimulatedLine> line_;
};

} // namespace

serial::LineOpener openerFor(std::shared_ptr<SimulatedLine> line, QString device)
{
    return [line, device](const QString &requested, int baud,
                          QString *error) -> std::unique_ptr<serial::Line> {
        if ((!device.isEmpty() && requested != device) || !line->isOpen()) {
            if (error)
                *error = QStringLiteral("%1: No such file or directory").arg(requested);
            return nullptr;
        }
        line->setSpeed(baud);
        return std::make_unique<SharedLine>(line);
    };
}

bool openAndWait(serial::LinkWorker &worker, const QString &device)
{
    bool opened = false;
    worker.open(device, 9600, [&](bool ok, QString) { opened = ok; });
    return QTest::qWaitFor([&] { return opened; }, 10000);
}

} // namespace vemtra::testing
