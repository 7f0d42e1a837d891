#include "serial/exchange.h"

#include "serial/trace.h"

#include <algorithm>

namespace vemtra::serial {

namespace {

bool sendLogged(Line &line, const QByteArray &bytes)
{
    const bool ok = line.send(bytes);
    qCDebug(lcLine).noquote() << "->" << hexDump(bytes) << (ok ? "" : "(not sent)");
    return ok;
}

QByteArray readLogged(Line &line)
{
    QByteArray bytes = line.readAll();
    qCDebug(lcLine).noquote() << "<-" << hexDump(bytes);
    return bytes;
}

} // namespace

void flush(Line &line)
{
    line.discardInput();
}

bool sendLetter(Line &line, char letter)
{
    return sendLogged(line, QByteArray(1, letter));
}

bool sendByte(Line &line, std::uint8_t byte)
{
    return sendLogged(line, QByteArray(1, static_cast<char>(byte)));
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
    QByteArray bytes = readLogged(line);
    if (bytes.isEmpty())
        return std::nullopt;
    return Reply(std::move(bytes));
}

std::optional<Reply> awaitEcho(Line &line, char letter, Micros timeout, int *dropped)
{
    const Micros deadline = line.now() + timeout;
    if (dropped)
        *dropped = 0;
    while (!line.isCancelled() && line.waitForBytes(1, deadline)) {
        Reply reply(readLogged(line));
        if (reply.size() > 0 && reply.startsWith(letter))
            return reply;
        if (dropped)
            *dropped += reply.size();
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
    QByteArray bytes = readLogged(line);
    if (bytes.isEmpty())
        return std::nullopt;
    return Reply(std::move(bytes));
}

int settle(Line &line, Micros quiet, Micros limit)
{
    const Micros giveUp = line.now() + limit;
    int thrownAway = 0;
    for (;;) {
        if (line.bytesWaiting() > 0)
            thrownAway += static_cast<int>(readLogged(line).size());
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
