#pragma once

#include <QByteArray>
#include <QLoggingCategory>
#include <QString>

namespace vemtra::serial {

// Frames on the line, hex-dumped at debug level:
// QT_LOGGING_RULES="vemtra.line.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcLine)

// "74 00 ff": the bytes as they went over the wire.
QString hexDump(const QByteArray &bytes);

} // namespace vemtra::serial
