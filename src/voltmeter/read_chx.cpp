#include "voltmeter/read_chx.h"

#include "serial/exchange.h"
#include "serial/protocol.h"

namespace vemtra::voltmeter {

using namespace vemtra::serial;

ChannelRead read_chx(Line &line, int chx)
{
    ChannelRead result;
    const auto timedOut = [&] {
        settle(line);
        result.troubled = true;
        return result;
    };
    result.bytesAhead = line.bytesWaiting() > 0;
    flush(line);
    if (!sendLetter(line, protocol::kReadChannel))
        return result;
    int dropped = 0;
    const auto echo = awaitEcho(line, protocol::kReadChannel, replyTimeout, &dropped);
    result.bytesAhead = result.bytesAhead || dropped > 0;
    if (!echo)
        return timedOut();
    // A byte in hand before the select byte goes out cannot be its answer.
    bool stray = echo->size() > 1;
    if (line.bytesWaiting() > 0) {
        flush(line);
        stray = true;
    }
    // The board waits for a select byte after its echo: send it even so, and
    // take its answer off the line.
    if (!sendByte(line, protocol::channelSelectByte(chx)))
        return result;
    const auto answer = waitReply(line);
    if (!answer)
        return timedOut();
    if (stray || answer->size() > 1) {
        result.troubled = true;
        return result;
    }
    result.reading = answer->first();
    return result;
}

ChannelReadings readAllChannels(Line &line)
{
    ChannelReadings readings;
    bool troubled = false;
    for (int chx = 0; chx < 4; ++chx) {
        const ChannelRead read = read_chx(line, chx);
        if (read.bytesAhead && chx > 0)
            readings[chx - 1].reset();
        readings[chx] = read.reading;
        troubled = troubled || read.bytesAhead || read.troubled;
    }
    // Nothing comes after the last answer to show it up, unless we listen.
    if (troubled && readings[3] && settle(line) > 0)
        readings[3].reset();
    return readings;
}

} // namespace vemtra::voltmeter
