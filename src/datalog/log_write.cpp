#include "datalog/log_write.h"

#include "datalog/datalog_texts.h"
#include "serial/exchange.h"

namespace vemtra::datalog {

namespace {

using Outcome = LogWriteResult::Outcome;

LogWriteResult fail(Outcome outcome, const QString &message, int sent = 0)
{
    LogWriteResult result;
    result.outcome = outcome;
    result.message = message;
    result.headerBytesSent = sent;
    return result;
}

QString withByte(const QString &message, std::uint8_t byte)
{
    return message + QString::number(byte);
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

    flush(line);
    sendLetter(line, protocol::kWrite);
    const auto echo = waitReply(line);
    if (!echo)
        return fail(Outcome::NoEcho, texts::kWriteTimeout1);
    if (!echo->startsWith(protocol::kWrite))
        return fail(Outcome::WrongEcho, withByte(texts::kWriteNg1, echo->first()));
    notify(observer.acknowledged);

    // The header from address 0; a write's count is its byte count less one.
    const auto block =
        protocol::addressAndCount(protocol::kHeaderAddress, protocol::kHeaderSize - 1);
    sendParamBlock(line, {block.begin(), block.end()});
    const auto ack = waitReply(line);
    if (!ack)
        return fail(Outcome::NoAck, texts::kWriteTimeout2);
    if (!ack->startsWith(protocol::kWriteReady))
        return fail(Outcome::WrongAck, withByte(texts::kWriteNg2, ack->first()));

    // Lock-step: each header byte goes out only after the board has echoed the
    // one before it.
    for (int nn = 0; nn < int(header.size()); ++nn) {
        sendByte(line, header[nn]);
        const auto back = waitByte(line);
        if (!back || *back != header[nn]) {
            notify(observer.headerLoopEnded);
            return back ? fail(Outcome::WrongHeaderEcho, withByte(texts::kWriteNg3, *back), nn + 1)
                        : fail(Outcome::NoHeaderEcho, texts::kWriteTimeout3, nn + 1);
        }
        notify(observer.headerByteEchoed, nn);
    }
    notify(observer.headerLoopEnded);

    LogWriteResult result;
    result.outcome = Outcome::Written;
    result.headerBytesSent = int(header.size());
    return result;
}

} // namespace vemtra::datalog
