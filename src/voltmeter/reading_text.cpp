#include "voltmeter/reading_text.h"

#include "serial/volts_text.h"

namespace vemtra::voltmeter {

QString rawReadingText(int raw)
{
    const QString hex = QString::number(raw, 16).toUpper();
    return QString::number(raw) + (hex.size() == 1 ? QStringLiteral("[0") : QStringLiteral("[")) +
           hex + QStringLiteral("]");
}

QString voltageText(int raw)
{
    return protocol::voltsText(raw) + QLatin1Char('V');
}

} // namespace vemtra::voltmeter
