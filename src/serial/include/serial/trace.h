#pragma once

#include <QLoggingCategory>
#include <QString>

#include <cstdint>
#include <span>

namespace vemtra::serial {

// Frames on the line, hex-dumped at debug level:
// QT_LOGGING_RULES="vemtra.line.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcLine)

// "74 00 ff": the bytes as they went over the wire.
QString hexDump(std::span<const std::uint8_t> bytes);

} // namespace vemtra::serial
