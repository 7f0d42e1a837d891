#include "voltmeter/reading_text.h"

#include <cmath>
#include <cstdlib>

namespace vemtra::voltmeter {

QString rawReadingText(int raw)
{
    const QString hex = QString::number(raw, 16).toUpper();
    return QString::number(raw) + (hex.size() == 1 ? QStringLiteral("[0") : QStringLiteral("[")) +
           hex + QStringLiteral("]");
}

QString voltageText(int raw)
{
    // 5 V reference over 256 steps: every reading is a multiple of 5/256 V, which a
    // double holds exactly, so rounding the millivolts cannot be thrown off by
    // binary fractions (16 gives exactly 312.5 mV and shows 0.313V).
    const double volts = raw * 5.0 / 256.0;
    const long long millivolts = std::llround(volts * 1000.0);
    const long long whole = std::llabs(millivolts) / 1000;
    const long long fraction = std::llabs(millivolts) % 1000;
    return QString::asprintf("%s%lld.%03lldV", millivolts < 0 ? "-" : "", whole, fraction);
}

} // namespace vemtra::voltmeter
