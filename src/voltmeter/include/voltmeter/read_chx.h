#pragma once

// The channel read "g": the one board command of the voltmeter.

#include "serial/line.h"

#include <array>
#include <cstdint>
#include <optional>

namespace vemtra::voltmeter {

// What one "g" exchange gave, and what else the line carried meanwhile.
struct ChannelRead {
    // The reading; empty when an answer took more than 1 second or the line
    // carried more than the board sends.
    std::optional<std::uint8_t> reading;
    // Bytes were waiting, or came, before this exchange's echo. They arrived
    // after the previous exchange's answer, so that answer may have been a
    // stray byte too.
    bool bytesAhead = false;
    // The exchange timed out, or bytes came that the board does not send.
    bool troubled = false;
};

// One reading of channel index chx. On the wire:
//   PC "g" (0x67)  ->  board echoes 0x67 (reads that do not start with it are
//                      noise and dropped)
//   PC select byte ->  board answers one byte, the conversion 0..255
// The board sends nothing else, so any other byte after the echo makes the
// exchange no reading: a byte with the echo or behind it before the select
// byte went out, or a second byte with the answer. After a time-out the line
// is left to fall silent first, so a late answer is thrown away rather than
// taken for the next echo.
ChannelRead read_chx(serial::Line &line, int chx);

using ChannelReadings = std::array<std::optional<std::uint8_t>, 4>;

// One voltmeter cycle: read_chx for CH1, CH2, CH3 and CH4, in that order. A
// reading followed by bytes before the next echo is dropped; and when the line
// showed any trouble in the cycle, the last reading stands only if the line
// then stays silent. A healthy line costs no wait beyond the board's bytes.
ChannelReadings readAllChannels(serial::Line &line);

} // namespace vemtra::voltmeter
