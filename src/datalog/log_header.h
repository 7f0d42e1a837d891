#pragma once

// The 16-byte log header that the board reads from EEPROM addresses 0..15 when
// its power comes on, and the parameter block of the "w" command that writes it.

#include "datalog/log_plan.h"

#include <QString>

#include <array>
#include <cstdint>
#include <optional>

namespace vemtra::datalog {

using LogHeader = std::array<std::uint8_t, 16>;

// Configuration byte, header offset 3:
//   bit 7..4  CH1..CH4 ticked in either column
//   bit 3, 2  always set
//   bit 1     never set
//   bit 0     the "Vref:CH4" column is in use (readings against CH4)
std::uint8_t configurationByte(const ChannelTicks &vdd, const ChannelTicks &ch4);

// The board counts the interval in 50 us steps in a 32-bit field whose top bit
// stays clear: 0 .. 2147483647, i.e. at most about 107374.18 s.
inline constexpr std::uint32_t kMaxIntervalCount = 2147483647u;

// trunc(seconds * 20000) for the interval typed in Text5, worked out on the
// decimal digits so that "107374.18" gives exactly 2147483600; nothing for text
// that is no interval or a count outside 0 .. kMaxIntervalCount.
std::optional<std::uint32_t> intervalCount(const QString &text);

// Offset  size  value
//   0      3    0x41 0x44 0x80      marks a valid header
//   3      1    configuration byte
//   4      4    interval count, low byte first
//   8      2    0x10 0x00           first data address (16)
//  10      2    last EEPROM address, low byte first
//  12      2    0x10 0x00           end of the logged data; the board moves it on
//  14      2    0xFF 0xFF
LogHeader composeLogHeader(std::uint8_t configuration, std::uint32_t interval,
                           std::uint8_t endAdrHi, std::uint8_t endAdrLo);

// "w" parameter block: address 0x0000 and count 15 (16 bytes follow), low byte
// first; the checksum byte after it makes the block sum to 0 modulo 256.
inline constexpr std::array<std::uint8_t, 4> kHeaderWriteBlock{0x00, 0x00, 0x0F, 0x00};

} // namespace vemtra::datalog
