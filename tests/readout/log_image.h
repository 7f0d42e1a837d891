#pragma once

// EEPROM images of a recorded log, laid out as the board keeps them: the
// 16-byte log header, the byte at address 16, then the logged bytes from
// address 17 up to the end address kept at header offsets 12-13.

#include "board/board_engine.h"

#include <QByteArray>

#include <cstdint>
#include <vector>

namespace readout_test {

inline void loadLog(vemtra::board::BoardEngine &engine, std::uint8_t configuration, int endAddress,
                    const QByteArray &data = {})
{
    std::vector<std::uint8_t> &eeprom = engine.eeprom();
    const int last = int(eeprom.size()) - 1;
    // Markers, the configuration, 1 s, start address 16, last address, end address, 0xFFFF.
    const QByteArray header = QByteArray::fromHex("41448000204e0000100000000000ffff");
    std::copy(header.begin(), header.end(), eeprom.begin());
    eeprom[3] = configuration;
    eeprom[10] = std::uint8_t(last & 0xFF);
    eeprom[11] = std::uint8_t(last >> 8);
    eeprom[12] = std::uint8_t(endAddress & 0xFF);
    eeprom[13] = std::uint8_t((endAddress >> 8) & 0xFF);
    eeprom[16] = 0xA5;
    for (int i = 0; i < data.size() && 17 + i <= last; ++i)
        eeprom[std::size_t(17 + i)] = std::uint8_t(data[i]);
}

// Distinct values for a log of `n` bytes, so a shifted or dropped byte shows.
inline QByteArray pattern(int n)
{
    QByteArray bytes(n, '\0');
    for (int i = 0; i < n; ++i)
        bytes[i] = char((i * 7 + 3) & 0xFF);
    return bytes;
}

} // namespace readout_test
