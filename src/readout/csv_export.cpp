#include "readout/csv_export.h"

#include "readout/data_file.h"
#include "serial/output_file.h"
#include "serial/protocol.h"
#include "serial/volts_text.h"

#include <QFile>

#include <array>
#include <cstdio>
#include <vector>

namespace vemtra::readout {

namespace {

constexpr std::int64_t kStepsPerSecond = protocol::kStepsPerSecond;

const char *const kEol = "\r\n";

// Where the value of channel index `channel` (0 = CH1) sits in a record of the
// data file, which is in log order; -1 when it was not logged.
int fileColumn(std::uint8_t mask, int channel)
{
    const protocol::LoggedChannels logged = protocol::loggedChannels(mask);
    for (int column = 0; column < logged.count; ++column) {
        if (logged.index[std::size_t(column)] == channel)
            return column;
    }
    return -1;
}

QByteArray withoutLineEnd(QByteArray line)
{
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    return line;
}

CsvExportResult failure(const QString &text)
{
    CsvExportResult result;
    result.error = text;
    return result;
}

} // namespace

std::optional<std::uint32_t> logIntervalCount(const HeaderReadBack &readBack)
{
    return protocol::LogHeader::decode(readBack).usableInterval();
}

QString recordTimeText(std::int64_t index, std::uint32_t intervalCount)
{
    // Whole steps of 50 us, so seconds have at most five decimals; worked out
    // in integers to stay exact over a whole day's log.
    const std::int64_t steps = index * std::int64_t(intervalCount);
    const std::int64_t whole = steps / kStepsPerSecond;
    const std::int64_t hundredThousandths = (steps % kStepsPerSecond) * 5;
    QString text = QString::number(whole);
    if (hundredThousandths == 0)
        return text;
    QString fraction = QStringLiteral("%1").arg(hundredThousandths, 5, 10, QLatin1Char('0'));
    while (fraction.endsWith(QLatin1Char('0')))
        fraction.chop(1);
    return text + QLatin1Char('.') + fraction;
}

QString fractionText(int raw)
{
    const int tenThousandths = protocol::rawToTenThousandthsOfCh4(raw);
    return QStringLiteral("%1.%2")
        .arg(tenThousandths / 10000)
        .arg(tenThousandths % 10000, 4, 10, QLatin1Char('0'));
}

CsvLayout CsvLayout::fromReadBack(const HeaderReadBack &readBack)
{
    const protocol::LogHeader header = protocol::LogHeader::decode(readBack);
    CsvLayout layout;
    layout.channels = decodeChannels(header.configuration);
    layout.referenceCh4 = header.referenceCh4();
    layout.interval = header.usableInterval();
    return layout;
}

QByteArray csvHeader(const CsvLayout &layout)
{
    // The column row comes first and alone, so spreadsheets and CSV readers
    // take the file as it is; the column names say what each value means.
    QByteArray text = "index,time_s";
    for (int channel = 0; channel < 4; ++channel) {
        if (fileColumn(layout.channels.mask, channel) < 0)
            continue;
        const QByteArray name = "ch" + QByteArray::number(channel + 1);
        text += ',' + name + "_raw," + name + (layout.referenceCh4 ? "_xCH4" : "_V");
    }
    return text + kEol;
}

QByteArray csvRow(const CsvLayout &layout, std::int64_t index, std::span<const std::uint8_t> values)
{
    QByteArray text = QByteArray::number(index) + ',';
    if (layout.interval)
        text += recordTimeText(index, *layout.interval).toLatin1();
    for (int channel = 0; channel < 4; ++channel) {
        const int column = fileColumn(layout.channels.mask, channel);
        if (column < 0)
            continue;
        const int raw = std::size_t(column) < values.size() ? values[std::size_t(column)] : 0;
        text += ',' + QByteArray::number(raw) + ',' +
                (layout.referenceCh4 ? fractionText(raw) : protocol::voltsText(raw)).toLatin1();
    }
    return text + kEol;
}

CsvExportResult exportCsv(QIODevice &dataFile, const HeaderReadBack &readBack, QIODevice &csv)
{
    const CsvLayout layout = CsvLayout::fromReadBack(readBack);
    const int count = layout.channels.count;

    if (dataFile.atEnd())
        return failure(QStringLiteral("the data file is empty"));
    const QByteArray names = withoutLineEnd(dataFile.readLine());
    if (names != layout.channels.names)
        return failure(
            QStringLiteral("the data file's channels (%1) are not those of the log "
                           "header (%2)")
                .arg(QString::fromLatin1(names).trimmed().replace('\t', ' '),
                     QString::fromLatin1(layout.channels.names).trimmed().replace('\t', ' ')));

    auto write = [&](const QByteArray &text) { return csv.write(text) == text.size(); };
    if (!write(csvHeader(layout)))
        return failure(QStringLiteral("cannot write the CSV: %1").arg(csv.errorString()));

    CsvExportResult result;
    std::vector<std::uint8_t> values(static_cast<std::size_t>(count));
    int lineNumber = 1;
    while (!dataFile.atEnd()) {
        ++lineNumber;
        const QByteArray line = withoutLineEnd(dataFile.readLine());
        if (line.isEmpty() && dataFile.atEnd())
            break;
        const QList<QByteArray> fields = line.split('\t');
        const QByteArray expectedNumber = ':' + QByteArray::number(result.rows);
        bool ok = fields.size() == count + 1 && fields.last() == expectedNumber;
        for (int i = 0; ok && i < count; ++i) {
            const auto value = parseDataValue(fields[i]);
            ok = value.has_value();
            if (ok)
                values[std::size_t(i)] = std::uint8_t(*value);
        }
        if (!ok)
            return failure(QStringLiteral("line %1 of the data file is not record %2")
                               .arg(lineNumber)
                               .arg(result.rows));
        if (!write(csvRow(layout, result.rows, values)))
            return failure(QStringLiteral("cannot write the CSV: %1").arg(csv.errorString()));
        ++result.rows;
    }
    result.ok = true;
    return result;
}

CsvExportResult exportCsv(const QString &dataFilePath, const HeaderReadBack &readBack,
                          const QString &csvPath)
{
    QFile in(dataFilePath);
    if (!in.open(QIODevice::ReadOnly))
        return failure(
            QStringLiteral("cannot read data file %1: %2").arg(dataFilePath, in.errorString()));
    serial::OutputFile out(csvPath);
    if (!out.open())
        return failure(QStringLiteral("cannot create %1: %2").arg(csvPath, out.errorString()));
    CsvExportResult result = exportCsv(in, readBack, out.device());
    if (!result.ok) {
        out.cancel();
        return result;
    }
    if (!out.commit())
        return failure(QStringLiteral("cannot write %1: %2").arg(csvPath, out.errorString()));
    return result;
}

} // namespace vemtra::readout
