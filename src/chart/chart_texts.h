#pragma once

// The chart's axis and read-out texts.

#include <QString>

namespace vemtra::chart::texts {

inline QString timeSeconds()
{
    return QStringLiteral("時間 [s]");
}
inline QString timeMinutes()
{
    return QStringLiteral("時間 [min]");
}
inline QString timeHours()
{
    return QStringLiteral("時間 [h]");
}
inline QString recordNumber()
{
    return QStringLiteral("レコード番号");
}
inline QString volts()
{
    return QStringLiteral("電圧 [V]");
}
inline QString fractionOfCh4()
{
    return QStringLiteral("CH4 に対する比");
}

} // namespace vemtra::chart::texts
