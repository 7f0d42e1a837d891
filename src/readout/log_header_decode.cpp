#include "readout/log_header_decode.h"

namespace vemtra::readout {

ChannelSet decodeChannels(std::uint8_t configuration)
{
    // The board logs CH2, CH3, CH4 and then CH1 in each sample, so the names
    // follow the same order rather than the bit order.
    struct Bit {
        std::uint8_t mask;
        const char *name;
    };
    static constexpr Bit order[] = {{0x40, "ch2"}, {0x20, "ch3"}, {0x10, "ch4"}, {0x80, "ch1"}};

    ChannelSet set;
    set.mask = configuration & 0xF0;
    for (const Bit &bit : order) {
        if (set.mask & bit.mask) {
            ++set.count;
            set.names += bit.name;
            set.names += '\t';
        }
    }
    return set;
}

LogExtent decodeLogHeader(const HeaderReadBack &readBack)
{
    LogExtent extent;
    extent.channels = decodeChannels(readBack[2]);
    const int high = readBack[12];
    const int low = readBack[11];
    extent.endAddress = high * 256 + low;
    extent.logLength = extent.endAddress - 15;

    if (high > kMaxEndAddressHigh)
        extent.fault = HeaderFault::EndAddressTooHigh;
    else if (extent.logLength < 0)
        extent.fault = HeaderFault::EndAddressBelowStart;
    else if (extent.logLength > kMaxLogLength)
        extent.fault = HeaderFault::LogTooLong;
    else if (extent.channels.count == 0 && extent.dataBytes() > 0)
        extent.fault = HeaderFault::NoChannels;
    return extent;
}

std::array<std::uint8_t, 4> readRequest(int startAddress, int count)
{
    return {static_cast<std::uint8_t>(startAddress % 256),
            static_cast<std::uint8_t>(startAddress / 256), static_cast<std::uint8_t>(count % 256),
            static_cast<std::uint8_t>(count / 256)};
}

} // namespace vemtra::readout
