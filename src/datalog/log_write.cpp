#include "datalog/log_write.h"

#include "serial/exchange.h"

namespace vemtra::datalog {

namespace {

using serial::Outcome;

LogWriteResult fail(Outcome outcome, std::uint8_t byte = 0, int sent = 0)
{
    LogWriteResult result;
    result.outcome = outcome;
    result.byte = byte;
    result.headerBytesSent = sent;
    return result;
}

template <class F, class... Args> void notify(const F &f, Args... args)
{
    if (f)
        f(args...);
}

} // namespace

LogWriteResult writeLogHeader(serial::Line &line, const LogHeader &header,
                              const LogWriteObserver &observer)
{
    using namespace serial;

    const SilenceCause silence(line);
    flush(line);
    sendLetter(line, protocol::kWrite);
    const auto echo = waitReply(line);
    if (!echo)
        return fail(silence.of(Outcome::NoEcho));
    if (!echo->startsWith(protocol::kWrite))
        return fail(Outcome::WrongEcho, echo->first());
    notify(observer.acknowledged);

    // The header from address 0; a write's count is its byte count less one.
    const auto block =
        protocol::addressAndCount(protocol::kHeaderAddress, protocol::kHeaderSize - 1);
    sendParamBlock(line, {block.begin(), block.end()});
    const auto ack = waitReply(line);
    if (!ack)
        return fail(silence.of(Outcome::NoAnswer));
    if (!ack->startsWith(protocol::kWriteReady))
        return fail(Outcome::WrongAnswer, ack->first());

    // Lock-step: each header byte goes out only after the board has echoed the
    // one before it.
    for (int nn = 0; nn < int(header.size()); ++nn) {
        sendByte(line, header[nn]);
        const auto back = waitByte(line);
        if (!back || *back != header[nn]) {
            notify(observer.headerLoopEnded);
            return back ? fail(Outcome::WrongByte, *back, nn + 1)
                        : fail(silence.of(Outcome::ByteTimeout), 0, nn + 1);
        }
        notify(observer.headerByteEchoed, nn);
    }
    notify(observer.headerLoopEnded);

    LogWriteResult result;
    result.outcome = Outcome::Ok;
    result.headerBytesSent = int(header.size());
    return result;
}

} // namespace vemtra::datalog
