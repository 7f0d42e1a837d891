#pragma once

// The data file as CSV with the logger's own time: one row per record,
//
//     index,time_s,ch1_raw,ch1_V,ch3_raw,ch3_V
//     0,0,51,0.996,153,2.988
//     1,0.5,52,1.016,154,3.008
//
// The column row is the first line: no comment lines, so any CSV reader takes
// the file with no options. chN_V is raw x 5 / 256 volts; against CH4 the
// column is chN_xCH4, raw / 256, the input as a fraction of CH4. time_s is
// the record's index times the interval the log header carries, so it is the
// board's time since its log started, not the PC's; empty when the header
// holds no usable interval. The channels come in the order CH1..CH4, whatever order the data file
// uses. Lines end with CR LF, as in the data file.

#include "readout/log_header_decode.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>
#include <span>

class QIODevice;

namespace vemtra::readout {

// The log interval in 50 us steps from the header read-back: EEPROM offsets
// 4..7 (read-back bytes 3..6), low byte first. Nothing when the read-back does
// not carry a log header (the marker bytes 0x44 0x80 at read-back 0 and 1; the
// first marker byte 0x41 comes with "R" and is not kept), when the top bit is
// set, or when the count is 0, which gives the samples no time apart.
std::optional<std::uint32_t> logIntervalCount(const HeaderReadBack &readBack);

// index × count × 50 us in seconds, exact, without trailing zeros:
// "0", "0.5", "3600", "0.00005".
QString recordTimeText(std::int64_t index, std::uint32_t intervalCount);

// raw / 256 with four decimals: a reading against CH4 as a fraction of CH4.
QString fractionText(int raw);

// What the rows are made from: the header read-back, decoded once.
struct CsvLayout {
    ChannelSet channels;                   // as the data file groups its values
    bool referenceCh4 = false;             // configuration bit 0
    std::optional<std::uint32_t> interval; // 50 us steps; nothing when unknown

    static CsvLayout fromReadBack(const HeaderReadBack &readBack);
};

// The column row.
QByteArray csvHeader(const CsvLayout &layout);

// One row; `values` in the data file's order (ch2, ch3, ch4, ch1 of those
// logged), one per logged channel.
QByteArray csvRow(const CsvLayout &layout, std::int64_t index,
                  std::span<const std::uint8_t> values);

struct CsvExportResult {
    bool ok = false;
    QString error; // one English line when not ok
    int rows = 0;
};

// Converts the data file of a read-out into CSV, using the header read back in
// that read-out for the interval and the reference. The data file's channel
// line must match the read-back, and every record line must be complete and
// numbered in order; anything else is refused rather than guessed at.
CsvExportResult exportCsv(QIODevice &dataFile, const HeaderReadBack &readBack, QIODevice &csv);

// The same between files. The CSV file is replaced only when it is complete.
CsvExportResult exportCsv(const QString &dataFilePath, const HeaderReadBack &readBack,
                          const QString &csvPath);

} // namespace vemtra::readout
