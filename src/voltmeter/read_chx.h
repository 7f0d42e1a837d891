#pragma once

// The channel read "g": the one board command of the voltmeter.

#include "serial/line.h"

#include <array>
#include <cstdint>
#include <optional>

namespace vemtra::voltmeter {

// One reading of channel index chx. On the wire:
//   PC "g" (0x67)  ->  board echoes 0x67 (bytes before it are noise and dropped,
//                      bytes after it in the same read are dropped)
//   PC select byte ->  board answers one byte, the conversion 0..255 (only the
//                      first byte of that read counts)
// Empty when either answer takes more than 1 second: the voltmeter stays silent
// about it and the channel keeps its last reading.
std::optional<std::uint8_t> read_chx(serial::Line &line, int chx);

using ChannelReadings = std::array<std::optional<std::uint8_t>, 4>;

// One voltmeter cycle: read_chx for CH1, CH2, CH3 and CH4, in that order.
ChannelReadings readAllChannels(serial::Line &line);

} // namespace vemtra::voltmeter
