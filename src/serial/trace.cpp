#include "serial/trace.h"

namespace vemtra::serial {

Q_LOGGING_CATEGORY(lcLine, "vemtra.line", QtWarningMsg)

QString hexDump(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex(' '));
}

} // namespace vemtra::serial
