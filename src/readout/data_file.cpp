#include "readout/data_file.h"

#include <QBuffer>
#include <QIODevice>

namespace vemtra::readout {

namespace {
constexpr char kLineEnd[] = "\r\n";
}

DataFileWriter::DataFileWriter(QIODevice &out, const ChannelSet &channels)
    : out_(out), channels_(channels)
{
}

bool DataFileWriter::writeHeader()
{
    return writeLine(channels_.names);
}

bool DataFileWriter::addValue(std::uint8_t value)
{
    if (failed_ || channels_.count == 0)
        return false;
    line_ += QByteArray::number(value);
    line_ += '\t';
    if (++valuesInLine_ < channels_.count)
        return true;

    line_ += ':';
    line_ += QByteArray::number(record_);
    ++record_;
    const bool ok = writeLine(line_);
    line_.clear();
    valuesInLine_ = 0;
    return ok;
}

bool DataFileWriter::writeLine(const QByteArray &text)
{
    if (failed_)
        return false;
    const QByteArray line = text + kLineEnd;
    if (out_.write(line) != line.size())
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
