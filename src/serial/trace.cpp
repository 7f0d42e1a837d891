#include "serial/trace.h"

#include <QByteArray>

namespace vemtra::serial {

Q_LOGGING_CATEGORY(lcLine, "vemtra.line", QtWarningMsg)

QString hexDump(std::span<const std::uint8_t> bytes)
{
    return QString::fromLatin1(QByteArray::fromRawData(reinterpret_cast<const char *>(bytes.data()),
                                                       qsizetype(bytes.size()))
                                   .toHex(' '));
}

} // namespace vemtra::serial
