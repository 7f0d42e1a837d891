#include "readout/log_header_decode.h"

namespace vemtra::readout {

ChannelSet decodeChannels(std::uint8_t configuration)
{
    // The names follow the order the board logs the channels in, not the bit order.
    static constexpr const char *names[] = {"ch1", "ch2", "ch3", "ch4"};
    const protocol::LoggedChannels logged = protocol::loggedChannels(configuration);
    ChannelSet set;
    set.mask = configuration & protocol::kChannelBits;
    set.count = logged.count;
    for (int i = 0; i < logged.count; ++i) {
        set.names += names[logged.index[std::size_t(i)]];
        set.names += '\t';
    }
    return set;
}

LogExtent decodeLogHeader(const HeaderReadBack &readBack)
{
    const protocol::LogHeader header = protocol::LogHeader::decode(readBack);
    LogExtent extent;
    extent.channels = decodeChannels(header.configuration);
    extent.endAddress = header.loggedEnd;
    extent.logLength = header.logLength();
    extent.lastAddress = header.lastAddress;
    extent.fault = header.fault();
    return extent;
}

} // namespace vemtra::readout
