#include "serial/tracing_line.h"

#include <QFile>
#include <QMutexLocker>
#include <QtGlobal>

#include <algorithm>
#include <array>
#include <cstdio>

namespace vemtra::serial {

// --- LineTrace ---

std::shared_ptr<LineTrace> LineTrace::open(const QString &path, QString *error)
{
    auto file = std::make_unique<QFile>(path);
    if (!file->open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        if (error)
            *error =
                QStringLiteral("cannot create trace file %1: %2").arg(path, file->errorString());
        return nullptr;
    }
    return std::make_shared<LineTrace>(std::move(file));
}

LineTrace::LineTrace(std::unique_ptr<QIODevice> out) : out_(std::move(out))
{
    write("# QEL-Vemtra line trace: seconds since the first line opened, > sent, < received\n");
}

LineTrace::~LineTrace() = default;

void LineTrace::startAt(Micros at)
{
    QMutexLocker lock(&mutex_);
    if (!origin_)
        origin_ = at;
}

QByteArray LineTrace::stamp(Micros at) const
{
    const long long micros = std::max<long long>(0, (at - origin_.value_or(at)).count());
    char text[48];
    std::snprintf(text, sizeof text, "%5lld.%06lld", micros / 1000000, micros % 1000000);
    return QByteArray(text);
}

void LineTrace::byteLines(Micros at, char direction, std::span<const std::uint8_t> bytes,
                          const char *suffix)
{
    if (bytes.empty())
        return;
    QMutexLocker lock(&mutex_);
    const QByteArray when = stamp(at);
    QByteArray text;
    text.reserve(qsizetype(bytes.size()) * (when.size() + 16));
    static constexpr char digits[] = "0123456789abcdef";
    for (std::uint8_t byte : bytes) {
        text += when;
        text += ' ';
        text += direction;
        text += ' ';
        text += digits[byte >> 4];
        text += digits[byte & 0x0F];
        text += suffix;
        text += '\n';
    }
    write(text);
}

void LineTrace::sent(Micros at, std::span<const std::uint8_t> bytes)
{
    byteLines(at, '>', bytes, "");
}

void LineTrace::received(Micros at, std::span<const std::uint8_t> bytes)
{
    byteLines(at, '<', bytes, "");
}

void LineTrace::discarded(Micros at, std::span<const std::uint8_t> bytes)
{
    byteLines(at, '<', bytes, " discarded");
}

void LineTrace::note(Micros at, const QString &text)
{
    QMutexLocker lock(&mutex_);
    write(stamp(at) + " * " + text.toUtf8() + '\n');
}

bool LineTrace::ok() const
{
    QMutexLocker lock(&mutex_);
    return !failed_;
}

void LineTrace::write(const QByteArray &text)
{
    if (failed_ || !out_)
        return;
    if (out_->write(text) != text.size()) {
        failed_ = true;
        return;
    }
    // Flushed line by line: the trace matters most when the program dies.
    if (auto *file = qobject_cast<QFileDevice *>(out_.get()); file && !file->flush())
        failed_ = true;
}

// --- TracingLine ---

TracingLine::TracingLine(std::unique_ptr<Line> inner, std::shared_ptr<LineTrace> trace)
    : inner_(std::move(inner)), trace_(std::move(trace))
{
    trace_->startAt(inner_->now());
    trace_->note(inner_->now(), QStringLiteral("%1 bps").arg(inner_->speed()));
    inner_->setArrivalHook([this](Micros at, int count) { arrivals_.push_back({at, count}); });
    // A port lost while no exchange runs meets no operation of this line, so
    // the loss is noted when the inner line reports it.
    inner_->setLossHandler([this] {
        noteLoss();
        if (onLost_)
            onLost_();
    });
}

void TracingLine::setLossHandler(std::function<void()> handler)
{
    onLost_ = std::move(handler);
}

TracingLine::~TracingLine()
{
    // The inner line may outlive the trace's members for a moment.
    inner_->setLossHandler({});
}

void TracingLine::setCancelToken(CancelToken token)
{
    inner_->setCancelToken(token);
    Line::setCancelToken(std::move(token));
}

void TracingLine::noteLoss()
{
    if (lossNoted_ || inner_->isOpen())
        return;
    lossNoted_ = true;
    const QString reason = inner_->failure();
    trace_->note(inner_->now(), reason.isEmpty() ? QStringLiteral("line closed")
                                                 : QStringLiteral("line lost: ") + reason);
}

Micros TracingLine::now() const
{
    return inner_->now();
}

bool TracingLine::isOpen() const
{
    return inner_->isOpen();
}

QString TracingLine::failure() const
{
    return inner_->failure();
}

void TracingLine::discardInput()
{
    // Taken first so the trace shows what the flush threw away.
    std::array<std::uint8_t, 256> taken;
    while (const int n = inner_->read(taken))
        traceTaken(std::span(taken).first(size_t(n)), true);
    inner_->discardInput();
    arrivals_.clear();
    noteLoss();
}

bool TracingLine::send(std::span<const std::uint8_t> bytes)
{
    const bool ok = inner_->send(bytes);
    trace_->sent(inner_->now(), bytes);
    if (!ok)
        trace_->note(inner_->now(), QStringLiteral("send failed"));
    noteLoss();
    return ok;
}

int TracingLine::bytesWaiting()
{
    const int n = inner_->bytesWaiting();
    noteLoss();
    return n;
}

int TracingLine::read(std::span<std::uint8_t> into)
{
    const int n = inner_->read(into);
    traceTaken(into.first(size_t(n)), false);
    noteLoss();
    return n;
}

void TracingLine::traceTaken(std::span<const std::uint8_t> bytes, bool discarded)
{
    auto write = [&](Micros at, std::span<const std::uint8_t> part) {
        if (discarded)
            trace_->discarded(at, part);
        else
            trace_->received(at, part);
    };
    while (!bytes.empty() && !arrivals_.empty()) {
        Arrival &first = arrivals_.front();
        const auto n = std::min<std::size_t>(size_t(first.count), bytes.size());
        write(first.at, bytes.first(n));
        bytes = bytes.subspan(n);
        first.count -= int(n);
        if (first.count == 0)
            arrivals_.pop_front();
    }
    // A line that does not report arrivals: the time of reading is all there is.
    if (!bytes.empty())
        write(inner_->now(), bytes);
}

bool TracingLine::waitForBytes(int n, Micros deadline)
{
    const bool ok = inner_->waitForBytes(n, deadline);
    noteLoss();
    return ok;
}

void TracingLine::pause(std::chrono::milliseconds duration)
{
    // The inner line reads nothing while it pauses, so a reply that came in
    // meanwhile would be stamped at the pause's end. Waiting for bytes instead
    // takes each in as it comes; the board's pacing sees no difference.
    const Micros end = inner_->now() + duration;
    while (inner_->isOpen() && !isCancelled() && inner_->now() < end) {
        const int before = inner_->bytesWaiting();
        if (!inner_->waitForBytes(before + 1, end) || inner_->bytesWaiting() <= before)
            break;
    }
    const Micros left = end - inner_->now();
    if (left > Micros::zero())
        inner_->pause(std::chrono::ceil<std::chrono::milliseconds>(left));
    noteLoss();
}

bool TracingLine::setSpeed(int baud)
{
    const bool ok = inner_->setSpeed(baud);
    trace_->note(inner_->now(), ok ? QStringLiteral("%1 bps").arg(baud)
                                   : QStringLiteral("cannot set %1 bps").arg(baud));
    noteLoss();
    return ok;
}

int TracingLine::speed() const
{
    return inner_->speed();
}

// --- openers ---

LineOpener tracingOpener(LineOpener inner, std::shared_ptr<LineTrace> trace)
{
    return [inner = std::move(inner), trace = std::move(trace)](
               const QString &device, int baud, QString *error) -> std::unique_ptr<Line> {
        auto line = inner(device, baud, error);
        if (!line)
            return nullptr;
        trace->note(line->now(), QStringLiteral("open %1").arg(device));
        return std::make_unique<TracingLine>(std::move(line), trace);
    };
}

LineOpener tracedOnRequest(LineOpener inner, const QProcessEnvironment &environment)
{
    const QString path = environment.value(QStringLiteral("VEMTRA_TRACE"));
    if (path.isEmpty())
        return inner;
    QString error;
    auto trace = LineTrace::open(path, &error);
    if (!trace) {
        qWarning("%s", qPrintable(error));
        return inner;
    }
    return tracingOpener(std::move(inner), std::move(trace));
}

} // namespace vemtra::serial
