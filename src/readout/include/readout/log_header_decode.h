#pragma once

// What the read-out takes from the 16 header bytes it reads back, and the
// limits it holds them to before asking the board for the logged data.

#include "serial/protocol.h"

#include <QByteArray>

#include <array>
#include <cstdint>

namespace vemtra::readout {

// The 16 bytes the header transfer brings back (protocol.h says which is which).
using HeaderReadBack = protocol::HeaderReadBack;
using HeaderFault = protocol::HeaderFault;

// The logged channels in the order their bytes arrive: ch2, ch3, ch4, ch1.
struct ChannelSet {
    std::uint8_t mask = 0; // configuration byte with bits 3..0 cleared
    int count = 0;         // values per record, 0..4
    QByteArray names;      // each logged name followed by a TAB, e.g. "ch2\tch1\t"
};

ChannelSet decodeChannels(std::uint8_t configuration);

struct LogExtent {
    ChannelSet channels;
    int endAddress = 16; // address of the last logged byte; 16 means no data
    int logLength = 1;   // end address - 15: the count of the data request
    int lastAddress = 0; // the chip's last address as the header gives it
    HeaderFault fault = HeaderFault::None;

    // Bytes taken after the one that comes with "R": EEPROM bytes 17..end.
    int dataBytes() const { return logLength > 1 ? logLength - 1 : 0; }
    bool ok() const { return fault == HeaderFault::None; }
};

LogExtent decodeLogHeader(const HeaderReadBack &readBack);

} // namespace vemtra::readout
