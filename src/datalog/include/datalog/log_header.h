#pragma once

// The 16-byte log header that the board reads from EEPROM addresses 0..15 when
// its power comes on, and the parameter block of the "w" command that writes it.

#include "datalog/log_plan.h"
#include "serial/protocol.h"

#include <QString>

#include <array>
#include <cstdint>
#include <optional>

namespace vemtra::datalog {

// The header's 16 bytes (protocol.h says what each one means).
using LogHeader = protocol::HeaderBytes;

// The configuration byte for the ticks of the two columns: a channel ticked in
// either is logged; a tick in the "Vref:CH4" column sets the CH4 reference.
std::uint8_t configurationByte(const ChannelTicks &vdd, const ChannelTicks &ch4);

// trunc(seconds * 20000) for the interval typed in Text5 or given to
// vemtra-cli, worked out on the decimal digits so that "107374.18" gives
// exactly 2147483600; nothing for text that is no interval or a count the board
// cannot hold. One rule for both: at least one step (0.00005 s), at most
// 107374.18 s.
std::optional<std::uint32_t> intervalCount(const QString &text);

// A fresh header: nothing logged yet, the log may fill the chip up to the
// address endAdrHi:endAdrLo.
LogHeader composeLogHeader(std::uint8_t configuration, std::uint32_t interval,
                           std::uint8_t endAdrHi, std::uint8_t endAdrLo);

} // namespace vemtra::datalog
