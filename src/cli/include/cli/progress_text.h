#pragma once

#include <QString>

#include <cstdint>

namespace vemtra::cli {

// The read-out's progress line on a terminal:
// "  4096/8175 bytes  50%  950 B/s  0:04 left". The rate is over the whole
// transfer so far; time left is "-:--" until there is a rate to go by.
QString progressText(std::int64_t done, std::int64_t total, double elapsedSeconds);

// Whole seconds as "m:ss", or "h:mm:ss" from an hour on.
QString durationText(std::int64_t seconds);

} // namespace vemtra::cli
