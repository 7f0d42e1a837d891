#include "serial/volts_text.h"

#include "serial/protocol.h"

namespace vemtra::protocol {

QString voltsText(int raw)
{
    const int millivolts = rawToMillivolts(raw);
    return QStringLiteral("%1.%2")
        .arg(millivolts / 1000)
        .arg(millivolts % 1000, 3, 10, QLatin1Char('0'));
}

} // namespace vemtra::protocol
