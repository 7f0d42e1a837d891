#include "voltmeter/reading_text.h"

#include "serial/protocol.h"

namespace vemtra::voltmeter {

QString rawReadingText(int raw)
{
    const QString hex = QString::number(raw, 16).toUpper();
    return QString::number(raw) + (hex.size() == 1 ? QStringLiteral("[0") : QStringLiteral("[")) +
           hex + QStringLiteral("]");
}

QString voltageText(int raw)
{
    const int millivolts = protocol::rawToMillivolts(raw);
    return QStringLiteral("%1.%2V")
        .arg(millivolts / 1000)
        .arg(millivolts % 1000, 3, 10, QLatin1Char('0'));
}

} // namespace vemtra::voltmeter
