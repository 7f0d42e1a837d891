#pragma once

// The board's protocol: every byte the program sends or reads back, and what
// the bytes of the EEPROM log mean. The exchanges (connect, read_chx, the
// header write, the read-out), the data file, the CSV and the log plan take
// their numbers from here and from nowhere else. The board simulator keeps
// its own copy of all this on purpose, as the tests' second opinion.

#include <array>
#include <cstdint>
#include <optional>

namespace vemtra::protocol {

// ---- Command letters and their answers -------------------------------------
//
//   't'  probe             -> 't'
//   's'  speed change      -> 's'; then the speed-change block -> 'S', board at 19200 bps
//   'g'  read a channel    -> 'g'; then the select byte -> one conversion byte
//   'w'  write the EEPROM  -> 'w'; then address and count -> 'W'; then each byte echoed
//   'r'  read the EEPROM   -> 'r'; then address and count -> 'R' + first byte; each
//                              further byte after the echo of the one before

inline constexpr char kProbe = 't';
inline constexpr char kSpeedChange = 's';
inline constexpr char kSpeedChangeDone = 'S';
inline constexpr char kReadChannel = 'g';
inline constexpr char kWrite = 'w';
inline constexpr char kWriteReady = 'W';
inline constexpr char kRead = 'r';
inline constexpr char kReadReady = 'R';

inline constexpr int kSlowBaud = 9600;
inline constexpr int kFastBaud = 19200;

// The parameter block of "s" (its checksum 0x5B follows).
inline constexpr std::array<std::uint8_t, 6> kSpeedChangeBlock{0x27, 0x55, 0x2A, 0x55, 0x55, 0x55};

// The byte that selects channel index chx (0..3 for CH1..CH4).
constexpr std::uint8_t channelSelectByte(int chx)
{
    return static_cast<std::uint8_t>(0xC4 + 8 * chx);
}

// The address and count of a "w" or "r" request, low bytes first. The count
// of a write is the number of bytes less one.
constexpr std::array<std::uint8_t, 4> addressAndCount(int address, int count)
{
    return {static_cast<std::uint8_t>(address % 256), static_cast<std::uint8_t>(address / 256),
            static_cast<std::uint8_t>(count % 256), static_cast<std::uint8_t>(count / 256)};
}

// ---- Readings ------------------------------------------------------------------

// A conversion against the 5 V supply: raw x 5000 / 256 mV, halves rounded up
// (raw 16 is 312.5 mV and gives 313).
constexpr int rawToMillivolts(int raw)
{
    return (raw * 625 * 2 + 32) / 64;
}

// A conversion against CH4, as ten-thousandths of CH4: raw / 256, halves up.
constexpr int rawToTenThousandthsOfCh4(int raw)
{
    return (raw * 10000 * 2 + 256) / 512;
}

// ---- EEPROM chips ----------------------------------------------------------------

enum class Chip { C64, C128, C256 };

struct ChipSize {
    Chip chip;
    int capacity;    // bytes
    int lastAddress; // capacity - 1
};

inline constexpr std::array<ChipSize, 3> kChips{{
    {Chip::C64, 8192, 0x1FFF},
    {Chip::C128, 16384, 0x3FFF},
    {Chip::C256, 32768, 0x7FFF},
}};

constexpr const ChipSize &chipSize(Chip chip)
{
    return kChips[static_cast<std::size_t>(chip)];
}

// ---- The log header --------------------------------------------------------------
//
// EEPROM addresses 0..15, read by the board when its power comes on:
//
//   Offset  size  value
//     0      3    0x41 0x44 0x80      marks a valid header
//     3      1    configuration byte
//     4      4    interval count, low byte first (steps of 1/20000 s)
//     8      2    0x10 0x00           first data address (16)
//    10      2    the chip's last address, low byte first
//    12      2    end of the logged data, low byte first; 16 until the board logs
//    14      2    0xFF 0xFF
//
// Configuration byte: bit 7..4 CH1..CH4 logged, bits 3 and 2 always set, bit 1
// never, bit 0 readings against CH4. Per sample the board logs one byte per
// logged channel in the order CH2, CH3, CH4, CH1 from address 17 on.

inline constexpr int kHeaderAddress = 0;
inline constexpr int kHeaderSize = 16;
inline constexpr int kDataStartAddress = 16;
inline constexpr std::array<std::uint8_t, 3> kHeaderMarker{0x41, 0x44, 0x80};
inline constexpr std::uint8_t kConfigurationFixedBits = 0x0C;
inline constexpr std::uint8_t kReferenceCh4Bit = 0x01;
inline constexpr std::uint8_t kChannelBits = 0xF0;

// Bit of channel index 0..3 (CH1..CH4) in the configuration byte.
constexpr std::uint8_t channelBit(int chx)
{
    return static_cast<std::uint8_t>(0x80 >> chx);
}

// Channel indexes in the order a sample's bytes are logged: CH2, CH3, CH4, CH1.
inline constexpr std::array<int, 4> kLogOrder{1, 2, 3, 0};

// The interval counts steps of 50 us in a 32-bit field whose top bit stays
// clear: at most 2147483647 steps, about 107374.18 s.
inline constexpr std::uint32_t kStepsPerSecond = 20000;
inline constexpr std::uint32_t kMaxIntervalCount = 2147483647u;

// The limits a read-out holds a header to before it asks for the log.
inline constexpr int kMaxEndAddressHigh = 144;
inline constexpr int kMaxLogLength = 32768;

using HeaderBytes = std::array<std::uint8_t, kHeaderSize>;

// The header as read back by "r" from address 0 for 16 bytes: the byte that
// comes with "R" is EEPROM byte 0 and is not kept, so read-back byte k is EEPROM
// byte k + 1.
using HeaderReadBack = std::array<std::uint8_t, kHeaderSize>;

// Why a header read back cannot be acted on.
enum class HeaderFault {
    None,
    EndAddressTooHigh,    // end address high byte above 144
    EndAddressBelowStart, // end address below 15: a negative log length
    LogTooLong,           // log length above 32768
    NoChannels,           // data bytes but no channel to group them into
    EndBeyondChip,        // end address past the chip's last address at offsets 10..11
};

// The channels a configuration byte logs, in log order.
struct LoggedChannels {
    std::array<int, 4> index{}; // channel indexes (0 = CH1), `count` of them
    int count = 0;
};

constexpr LoggedChannels loggedChannels(std::uint8_t configuration)
{
    LoggedChannels channels;
    for (int chx : kLogOrder) {
        if (configuration & channelBit(chx))
            channels.index[static_cast<std::size_t>(channels.count++)] = chx;
    }
    return channels;
}

struct LogHeader {
    std::uint8_t configuration = kConfigurationFixedBits;
    std::uint32_t intervalCount = 0;
    int lastAddress = 0;               // of the chip the log may fill
    int loggedEnd = kDataStartAddress; // address of the last logged byte
    bool marked = true;                // the marker bytes are there

    // The 16 bytes the "w" exchange writes.
    HeaderBytes encode() const;
    // What a read-back says; nothing is checked but read.
    static LogHeader decode(const HeaderReadBack &readBack);

    LoggedChannels channels() const { return loggedChannels(configuration); }
    bool referenceCh4() const { return (configuration & kReferenceCh4Bit) != 0; }
    // The count of the read-out's data request: the end address less 15, so the
    // byte that comes with "R" (address 16) is counted too.
    int logLength() const { return loggedEnd - (kDataStartAddress - 1); }
    // Logged data bytes after address 16 (0 when nothing was logged).
    int loggedBytes() const
    {
        return loggedEnd > kDataStartAddress ? loggedEnd - kDataStartAddress : 0;
    }
    // The interval, when the header is marked and the count is one the board
    // can hold and that puts samples apart.
    std::optional<std::uint32_t> usableInterval() const;
    // Whether a read-out may act on this header.
    HeaderFault fault() const;
    // Offsets 10..11 hold the last address of one of the chips.
    bool namesChip() const;
    // A header as the "w" exchange writes it (marker, a chip's last address, an
    // end within the chip) whose board has logged at least one byte since. An
    // erased chip or a header write that stopped part-way shows no log.
    bool showsLog() const;
};

} // namespace vemtra::protocol
