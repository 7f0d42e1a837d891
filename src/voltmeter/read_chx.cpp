#include "voltmeter/read_chx.h"

#include "serial/exchange.h"
#include "serial/protocol.h"

namespace vemtra::voltmeter {

using namespace vemtra::serial;

std::optional<std::uint8_t> read_chx(Line &line, int chx)
{
    flush(line);
    if (!sendLetter(line, protocol::kReadChannel))
        return std::nullopt;
    if (!awaitEcho(line, protocol::kReadChannel))
        return std::nullopt;
    if (!sendByte(line, protocol::channelSelectByte(chx)))
        return std::nullopt;
    const auto answer = waitReply(line);
    if (!answer)
        return std::nullopt;
    return answer->first();
}

ChannelReadings readAllChannels(Line &line)
{
    ChannelReadings readings;
    for (int chx = 0; chx < 4; ++chx)
        readings[chx] = read_chx(line, chx);
    return readings;
}

} // namespace vemtra::voltmeter
