#pragma once

// The data file QEL_ADC.txt: ASCII, CR LF after every line. Line 1 names the
// logged channels, each name followed by a TAB; every further line is one
// record: its values, each followed by a TAB, then ":" and the record number
// counted from 0. Bytes of an incomplete last record are not written.

#include "readout/log_header_decode.h"

#include <QByteArray>
#include <QByteArrayView>

#include <array>
#include <cstdint>
#include <optional>
#include <span>

class QIODevice;

namespace vemtra::readout {

// Groups values into records as they arrive and writes each line to `out` as
// soon as it is complete, so nothing but the current line is held.
class DataFileWriter {
public:
    DataFileWriter(QIODevice &out, const ChannelSet &channels);

    bool writeHeader();
    // False when the line could not be written or there is no channel to group into.
    bool addValue(std::uint8_t value);

    int records() const { return record_; }
    bool failed() const { return failed_; }

private:
    void append(char c);
    void appendNumber(int number);

    QIODevice &out_;
    ChannelSet channels_;
    // The record line being built: room for four values, a record number of
    // any int and the line end, so no value needs a buffer of its own.
    std::array<char, 64> line_{};
    int lineSize_ = 0;
    int valuesInLine_ = 0;
    int record_ = 0;
    bool failed_ = false;
};

// The whole file for a set of channels and the data bytes in the order read.
QByteArray formatDataFile(const ChannelSet &channels, std::span<const std::uint8_t> data);

// One value field of the data file as written: one to three decimal digits,
// 0..255; nothing for anything else, so a damaged file is refused, not guessed.
std::optional<std::uint8_t> parseDataValue(QByteArrayView field);

} // namespace vemtra::readout
