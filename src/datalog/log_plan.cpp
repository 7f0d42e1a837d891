#include "datalog/log_plan.h"

#include <cmath>
#include <limits>

namespace vemtra::datalog {

namespace {

constexpr EepromType type(EepromKind kind, const char *caption)
{
    const protocol::ChipSize &chip = protocol::chipSize(kind);
    return {kind, caption, chip.capacity, static_cast<std::uint8_t>(chip.lastAddress >> 8),
            static_cast<std::uint8_t>(chip.lastAddress & 0xFF)};
}

constexpr std::array<EepromType, 3> kTypes{{
    type(EepromKind::C64, "24C64"),
    type(EepromKind::C128, "24C128"),
    type(EepromKind::C256, "24C256"),
}};

// The length of the plain decimal number `text` starts with: digits with an
// optional point and more digits, or a point and at least one digit. Scanned by
// hand: a regular expression would load and JIT-compile a matcher for this.
qsizetype decimalLength(QStringView text)
{
    const auto digitAt = [text](qsizetype i) {
        return i < text.size() && text[i] >= u'0' && text[i] <= u'9';
    };
    qsizetype i = 0;
    while (digitAt(i))
        ++i;
    const qsizetype whole = i;
    if (i < text.size() && text[i] == u'.') {
        qsizetype end = i + 1;
        while (digitAt(end))
            ++end;
        if (whole > 0 || end > i + 1)
            return end;
    }
    return whole;
}

// A plain decimal number, "." as point, no sign, no exponent, no grouping.
std::optional<double> parseUnsignedDecimal(const QString &text)
{
    const QString trimmed = text.trimmed();
    QStringView digits(trimmed);
    if (digits.startsWith(u'+'))
        digits = digits.mid(1);
    if (digits.isEmpty() || decimalLength(digits) != digits.size())
        return std::nullopt;
    bool ok = false;
    const double value = digits.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

} // namespace

const EepromType &eepromType(EepromKind kind)
{
    return kTypes[static_cast<std::size_t>(kind)];
}

int countedChannels(const ChannelTicks &vdd, const ChannelTicks &ch4)
{
    int n = 0;
    for (int i = 0; i < 4; ++i)
        n += vdd[i] ? 1 : 0;
    for (int i = 0; i < 3; ++i)
        n += ch4[i] ? 1 : 0;
    return n;
}

std::optional<double> parseInterval(const QString &text)
{
    return parseUnsignedDecimal(text);
}

std::optional<double> parseDataBytes(const QString &text)
{
    const auto value = parseUnsignedDecimal(text);
    if (!value || *value != std::floor(*value))
        return std::nullopt;
    return value;
}

double leadingNumber(const QString &text)
{
    QStringView rest(text);
    // ASCII blanks only, as before: a full-width one ends the number's search.
    const auto blank = [](QChar c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); };
    while (!rest.isEmpty() && blank(rest.front()))
        rest = rest.mid(1);
    const qsizetype sign = !rest.isEmpty() && (rest.front() == u'+' || rest.front() == u'-');
    const qsizetype length = decimalLength(rest.mid(sign));
    if (length == 0)
        return 0.0;
    const double value = rest.first(sign + length).toDouble();
    return std::isfinite(value) ? value : 0.0;
}

QString formatMeasurementTime(std::int32_t minutes)
{
    const std::int32_t hours = minutes / 60;
    return QStringLiteral("%1:%2")
        .arg(hours, 2, 10, QLatin1Char('0'))
        .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

PlanTime computePlanTime(const QString &dataBytesText, int channels, const QString &intervalText)
{
    PlanTime plan;
    if (channels <= 0) {
        plan.status = PlanTime::Status::NoChannels;
        return plan;
    }
    const auto dataBytes = parseDataBytes(dataBytesText);
    if (!dataBytes) {
        plan.status = PlanTime::Status::BadDataBytes;
        return plan;
    }
    const auto interval = parseInterval(intervalText);
    if (!interval) {
        plan.status = PlanTime::Status::BadInterval;
        return plan;
    }
    // The division is a real one: 8176 bytes over 3 channels is 2725.33 samples.
    const double samples = *dataBytes / channels;
    const double minutes = std::trunc(*interval * samples / 60.0);
    if (!(minutes <= std::numeric_limits<std::int32_t>::max())) {
        plan.status = PlanTime::Status::Overflow;
        return plan;
    }
    plan.status = PlanTime::Status::Ok;
    plan.minutes = static_cast<std::int32_t>(minutes);
    plan.text = formatMeasurementTime(plan.minutes);
    return plan;
}

} // namespace vemtra::datalog
