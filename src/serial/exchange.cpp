#include "serial/exchange.h"

#include "serial/trace.h"

#include <algorithm>

namespace vemtra::serial {

namespace {

bool sendLogged(Line &line, std::span<const std::uint8_t> bytes)
{
    const bool ok = line.send(bytes);
    qCDebug(lcLine).noquote() << "->" << hexDump(bytes) << (ok ? "" : "(not sent)");
    return ok;
}

std::optional<Reply> readLogged(Line &line)
{
    auto reply = Reply::takeFrom(line);
    if (reply)
        qCDebug(lcLine).noquote() << "<-" << hexDump(reply->bytes())
                                  << (reply->size() > Reply::kept ? "..." : "");
    return reply;
}

} // namespace

std::optional<Reply> Reply::takeFrom(Line &line)
{
    Reply reply;
    reply.size_ = line.read(reply.head_);
    if (reply.size_ == int(reply.head_.size())) {
        // The rest of a long read is only counted: the board's answers are
        // short, what runs longer is noise to be dropped.
        std::array<std::uint8_t, 64> rest;
        while (const int n = line.read(rest))
            reply.size_ += n;
    }
    if (reply.size_ == 0)
        return std::nullopt;
    return reply;
}

void flush(Line &line)
{
    line.discardInput();
}

bool sendLetter(Line &line, char letter)
{
    return sendByte(line, static_cast<std::uint8_t>(letter));
}

bool sendByte(Line &line, std::uint8_t byte)
{
    return sendLogged(line, std::span(&byte, 1));
}

void pace(Line &line)
{
    line.pause(pacingPause);
}

bool sendParam(Line &line, std::uint8_t byte)
{
    const bool ok = sendByte(line, byte);
    pace(line);
    return ok;
}

bool sendParams(Line &line, const std::vector<std::uint8_t> &bytes)
{
    bool ok = true;
    for (std::uint8_t byte : bytes) {
        // A cancelled exchange must not keep the worker for the rest of the gaps.
        if (line.isCancelled())
            return false;
        ok = sendParam(line, byte) && ok;
    }
    return ok;
}

std::uint8_t checksum(const std::vector<std::uint8_t> &block)
{
    unsigned sum = 0;
    for (std::uint8_t byte : block)
        sum += byte;
    return static_cast<std::uint8_t>((256 - sum % 256) % 256);
}

bool sendParamBlock(Line &line, const std::vector<std::uint8_t> &block)
{
    std::vector<std::uint8_t> withSum = block;
    withSum.push_back(checksum(block));
    return sendParams(line, withSum);
}

std::optional<Reply> waitReply(Line &line, int minBytes, Micros timeout)
{
    const Micros deadline = line.now() + timeout;
    if (line.isCancelled() || !line.waitForBytes(minBytes, deadline)) {
        qCDebug(lcLine) << "no reply of" << minBytes << "byte(s) in time";
        return std::nullopt;
    }
    return readLogged(line);
}

std::optional<Reply> awaitEcho(Line &line, char letter, Micros timeout, int *dropped)
{
    const Micros deadline = line.now() + timeout;
    if (dropped)
        *dropped = 0;
    while (!line.isCancelled() && line.waitForBytes(1, deadline)) {
        const auto reply = readLogged(line);
        if (reply && reply->startsWith(letter))
            return reply;
        if (dropped && reply)
            *dropped += reply->size();
        qCDebug(lcLine) << "dropped while waiting for the echo of" << letter;
    }
    qCDebug(lcLine) << "no echo of" << letter << "in time";
    return std::nullopt;
}

std::optional<std::uint8_t> waitByte(Line &line, Micros timeout)
{
    if (auto reply = waitReply(line, 1, timeout))
        return reply->first();
    return std::nullopt;
}

std::optional<Reply> takeReply(Line &line)
{
    if (line.bytesWaiting() < 1)
        return std::nullopt;
    return readLogged(line);
}

int settle(Line &line, Micros quiet, Micros limit)
{
    const Micros giveUp = line.now() + limit;
    int thrownAway = 0;
    for (;;) {
        if (line.bytesWaiting() > 0) {
            if (const auto reply = readLogged(line))
                thrownAway += reply->size();
        }
        const Micros now = line.now();
        if (line.isCancelled() || now >= giveUp ||
            !line.waitForBytes(1, std::min(now + quiet, giveUp)))
            break;
    }
    if (thrownAway > 0)
        qCDebug(lcLine) << "threw away" << thrownAway << "byte(s) before the line fell silent";
    return thrownAway;
}

Outcome SilenceCause::of(Outcome timeout) const
{
    if (line_.isCancelled())
        return Outcome::Cancelled;
    return lineLost() ? Outcome::LineLost : timeout;
}

} // namespace vemtra::serial
