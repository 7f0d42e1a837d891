#pragma once

// What the read-out takes from the 16 header bytes it reads back, and the
// limits it holds them to before asking the board for the logged data.

#include <QByteArray>

#include <array>
#include <cstdint>

namespace vemtra::readout {

// The header transfer asks for 16 bytes from EEPROM address 0. The byte that
// comes with "R" is EEPROM byte 0 and is dropped, so read-back byte k is EEPROM
// byte k + 1 (read-back byte 2 is the configuration byte at offset 3).
using HeaderReadBack = std::array<std::uint8_t, 16>;

inline constexpr int kHeaderStartAddress = 0;
inline constexpr int kHeaderByteCount = 16;
// First address of the data area; the number the window shows in Text3(0).
inline constexpr int kDataStartAddress = 16;
// Highest end-address byte a log header may carry.
inline constexpr int kMaxEndAddressHigh = 144;
// Largest log length the request's count and the record counter can carry.
inline constexpr int kMaxLogLength = 32768;

// The logged channels in the order their bytes arrive: ch2, ch3, ch4, ch1.
struct ChannelSet {
    std::uint8_t mask = 0; // configuration byte with bits 3..0 cleared
    int count = 0;         // values per record, 0..4
    QByteArray names;      // each logged name followed by a TAB, e.g. "ch2\tch1\t"
};

ChannelSet decodeChannels(std::uint8_t configuration);

enum class HeaderFault {
    None,
    EndAddressTooHigh,    // read-back byte 12 above 144
    EndAddressBelowStart, // end address below 15: a negative log length
    LogTooLong,           // log length above 32768
    NoChannels,           // data bytes but no channel to group them into
};

struct LogExtent {
    ChannelSet channels;
    int endAddress = 16; // address of the last logged byte; 16 means no data
    int logLength = 1;   // end address - 15: the count of the data request
    HeaderFault fault = HeaderFault::None;

    // Bytes taken after the one that comes with "R": EEPROM bytes 17..end.
    int dataBytes() const { return logLength > 1 ? logLength - 1 : 0; }
    bool ok() const { return fault == HeaderFault::None; }
};

LogExtent decodeLogHeader(const HeaderReadBack &readBack);

// The four bytes of an "r" request (address and count, low byte first); the
// exchange appends the checksum.
std::array<std::uint8_t, 4> readRequest(int startAddress, int count);

} // namespace vemtra::readout
