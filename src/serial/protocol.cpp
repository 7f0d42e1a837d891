#include "serial/protocol.h"

namespace vemtra::protocol {

namespace {

std::uint8_t low(int value)
{
    return static_cast<std::uint8_t>(value & 0xFF);
}

std::uint8_t high(int value)
{
    return static_cast<std::uint8_t>((value >> 8) & 0xFF);
}

} // namespace

HeaderBytes LogHeader::encode() const
{
    return HeaderBytes{
        kHeaderMarker[0],
        kHeaderMarker[1],
        kHeaderMarker[2],
        configuration,
        static_cast<std::uint8_t>(intervalCount & 0xFF),
        static_cast<std::uint8_t>((intervalCount >> 8) & 0xFF),
        static_cast<std::uint8_t>((intervalCount >> 16) & 0xFF),
        static_cast<std::uint8_t>((intervalCount >> 24) & 0xFF),
        low(kDataStartAddress),
        high(kDataStartAddress),
        low(lastAddress),
        high(lastAddress),
        low(loggedEnd),
        high(loggedEnd),
        0xFF,
        0xFF,
    };
}

LogHeader LogHeader::decode(const HeaderReadBack &readBack)
{
    // Read-back byte k is EEPROM byte k + 1: offsets shift down by one.
    const auto word = [&](int offset) {
        return readBack[std::size_t(offset - 1)] | readBack[std::size_t(offset)] << 8;
    };
    LogHeader header;
    header.marked = readBack[0] == kHeaderMarker[1] && readBack[1] == kHeaderMarker[2];
    header.configuration = readBack[2];
    header.intervalCount = std::uint32_t(readBack[3]) | std::uint32_t(readBack[4]) << 8 |
                           std::uint32_t(readBack[5]) << 16 | std::uint32_t(readBack[6]) << 24;
    header.lastAddress = word(10);
    header.loggedEnd = word(12);
    return header;
}

std::optional<std::uint32_t> LogHeader::usableInterval() const
{
    if (!marked || intervalCount > kMaxIntervalCount || intervalCount == 0)
        return std::nullopt;
    return intervalCount;
}

HeaderFault LogHeader::fault() const
{
    if ((loggedEnd >> 8) > kMaxEndAddressHigh)
        return HeaderFault::EndAddressTooHigh;
    if (logLength() < 0)
        return HeaderFault::EndAddressBelowStart;
    // Read on, the board would wrap around the chip and bring the header back
    // as readings.
    if (namesChip() && loggedEnd > lastAddress)
        return HeaderFault::EndBeyondChip;
    if (logLength() > kMaxLogLength)
        return HeaderFault::LogTooLong;
    if (channels().count == 0 && logLength() > 1)
        return HeaderFault::NoChannels;
    return HeaderFault::None;
}

bool LogHeader::namesChip() const
{
    for (const ChipSize &chip : kChips)
        if (chip.lastAddress == lastAddress)
            return true;
    return false;
}

bool LogHeader::showsLog() const
{
    return marked && namesChip() && loggedEnd > kDataStartAddress && loggedEnd <= lastAddress;
}

} // namespace vemtra::protocol
