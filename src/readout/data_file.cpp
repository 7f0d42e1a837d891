#include "readout/data_file.h"

#include <QBuffer>
#include <QIODevice>

#include <charconv>
#include <utility>

namespace vemtra::readout {

namespace {
constexpr char kLineEnd[] = "\r\n";
// A record holds one value of each channel the board has.
constexpr int kMaxValues = 4;
} // namespace

DataFileWriter::DataFileWriter(QIODevice &out, const ChannelSet &channels)
    : out_(out), channels_(channels)
{
}

bool DataFileWriter::writeHeader()
{
    if (failed_)
        return false;
    const QByteArray line = channels_.names + kLineEnd;
    if (out_.write(line) != line.size())
        failed_ = true;
    return !failed_;
}

void DataFileWriter::append(char c)
{
    line_[std::size_t(lineSize_++)] = c;
}

void DataFileWriter::appendNumber(int number)
{
    char *at = line_.data() + lineSize_;
    lineSize_ = int(std::to_chars(at, line_.data() + line_.size(), number).ptr - line_.data());
}

bool DataFileWriter::addValue(std::uint8_t value)
{
    if (failed_ || channels_.count == 0 || channels_.count > kMaxValues)
        return false;
    appendNumber(value);
    append('\t');
    if (++valuesInLine_ < channels_.count)
        return true;

    append(':');
    appendNumber(record_);
    ++record_;
    append('\r');
    append('\n');
    valuesInLine_ = 0;
    const int size = std::exchange(lineSize_, 0);
    if (out_.write(line_.data(), size) != size)
        failed_ = true;
    return !failed_;
}

QByteArray formatDataFile(const ChannelSet &channels, std::span<const std::uint8_t> data)
{
    QByteArray text;
    QBuffer buffer(&text);
    buffer.open(QIODevice::WriteOnly);
    DataFileWriter writer(buffer, channels);
    writer.writeHeader();
    for (std::uint8_t value : data)
        writer.addValue(value);
    return text;
}

std::optional<std::uint8_t> parseDataValue(QByteArrayView field)
{
    if (field.isEmpty() || field.size() > 3)
        return std::nullopt;
    int value = 0;
    for (char c : field) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value > 255)
        return std::nullopt;
    return std::uint8_t(value);
}

} // namespace vemtra::readout
