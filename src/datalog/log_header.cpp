#include "datalog/log_header.h"

namespace vemtra::datalog {

std::uint8_t configurationByte(const ChannelTicks &vdd, const ChannelTicks &ch4)
{
    std::uint8_t m2 = 0;
    std::uint8_t m3 = 0;
    for (int i = 0; i < 4; ++i) {
        if (vdd[i])
            m2 |= protocol::channelBit(i);
        if (ch4[i])
            m3 |= protocol::channelBit(i);
    }
    if (m3 != 0)
        m3 |= protocol::kReferenceCh4Bit;
    return static_cast<std::uint8_t>(m2 | m3 | protocol::kConfigurationFixedBits);
}
std::optional<std::uint32_t> intervalCount(const QString &text)
{
    if (!parseInterval(text))
        return std::nullopt;
    QString digits = text.trimmed();
    if (digits.startsWith(QLatin1Char('+')))
        digits.remove(0, 1);
    const qsizetype point = digits.indexOf(QLatin1Char('.'));
    const QString whole = point < 0 ? digits : digits.left(point);
    const QString fraction = point < 0 ? QString() : digits.mid(point + 1);

    // Whole seconds beyond the limit need no arithmetic (and must not overflow it).
    std::uint64_t seconds = 0;
    for (QChar c : whole) {
        seconds = seconds * 10 + static_cast<std::uint64_t>(c.digitValue());
        if (seconds > protocol::kMaxIntervalCount / protocol::kStepsPerSecond + 1)
            return std::nullopt;
    }
    // 20000 = 2 * 10^4: the first four fraction digits count twice, and the
    // fifth adds one more step when the rest is at least half a 10^-4 s.
    std::uint64_t tenThousandths = 0;
    for (int i = 0; i < 4; ++i)
        tenThousandths =
            tenThousandths * 10 +
            (i < fraction.size() ? static_cast<std::uint64_t>(fraction[i].digitValue()) : 0);
    const bool halfStep = fraction.size() > 4 && fraction[4].digitValue() >= 5;
    const std::uint64_t count =
        seconds * protocol::kStepsPerSecond + tenThousandths * 2 + (halfStep ? 1 : 0);
    // No step at all would put every sample at the same time.
    if (count == 0 || count > protocol::kMaxIntervalCount)
        return std::nullopt;
    return static_cast<std::uint32_t>(count);
}

LogHeader composeLogHeader(std::uint8_t configuration, std::uint32_t interval,
                           std::uint8_t endAdrHi, std::uint8_t endAdrLo)
{
    protocol::LogHeader header;
    header.configuration = configuration;
    header.intervalCount = interval;
    header.lastAddress = endAdrHi << 8 | endAdrLo;
    return header.encode();
}

} // namespace vemtra::datalog
