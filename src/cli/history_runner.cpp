#include "cli/history_runner.h"

#include "cli/exit_codes.h"
#include "readout/csv_export.h"
#include "readout/readout_library.h"

#include <QBuffer>
#include <QDir>
#include <QFile>

#ifndef VEMTRA_CLI_VERSION
#define VEMTRA_CLI_VERSION "unknown"
#endif

namespace vemtra::cli {

namespace {

// A field never breaks the line or the columns it stands in.
QString field(QString text)
{
    return text.replace(QLatin1Char('\t'), QLatin1Char(' '))
        .replace(QLatin1Char('\r'), QLatin1Char(' '))
        .replace(QLatin1Char('\n'), QLatin1Char(' '));
}

int list(const CliIo &io)
{
    io.out(QStringLiteral("id\ttime\teeprom\tchannels\treference\tinterval_s\trecords\tcomment"));
    for (const readout::KeptReadout &kept : readout::listKeptReadouts(readout::libraryFolder()))
        io.out(QStringList{kept.id, kept.timeText(), kept.eeprom, kept.channels, kept.reference,
                           kept.intervalText(), QString::number(kept.records), field(kept.comment)}
                   .join(QLatin1Char('\t')));
    return kExitOk;
}

int show(const readout::KeptReadout &kept, bool asCsv, const CliIo &io)
{
    QFile data(kept.dataPath());
    if (!data.open(QIODevice::ReadOnly)) {
        io.err(QStringLiteral("cannot read %1: %2")
                   .arg(QDir::toNativeSeparators(kept.dataPath()), data.errorString()));
        return kExitFileError;
    }
    // Whole before anything goes out, so a refused file writes nothing.
    QByteArray bytes;
    if (asCsv) {
        QBuffer csv(&bytes);
        csv.open(QIODevice::WriteOnly);
        const readout::CsvExportResult made = readout::exportCsv(data, kept.header, csv);
        if (!made.ok) {
            io.err(QStringLiteral("%1: %2").arg(kept.id, made.error));
            return kExitFileError;
        }
    } else {
        bytes = data.readAll();
        if (data.error() != QFileDevice::NoError) {
            io.err(QStringLiteral("cannot read %1: %2")
                       .arg(QDir::toNativeSeparators(kept.dataPath()), data.errorString()));
            return kExitFileError;
        }
    }
    if (!io.outBytes || !io.outBytes(bytes)) {
        io.err(QStringLiteral("cannot write to standard output"));
        return kExitFileError;
    }
    return kExitOk;
}

} // namespace

int runHistory(const CliOptions &options, const CliIo &io)
{
    if (options.historyVerb.isEmpty())
        return list(io);
    const auto kept = readout::findKeptReadout(readout::libraryFolder(), options.historyId);
    if (!kept) {
        io.err(QStringLiteral("vemtra-cli: no kept read-out \"%1\" (see vemtra-cli history)")
                   .arg(options.historyId));
        return kExitBadArguments;
    }
    return show(*kept, options.historyVerb == QLatin1String("csv"), io);
}

void keepInLibrary(const QByteArray &data, const readout::ReadoutResult &result,
                   const QString &port, const CliIo &io)
{
    readout::KeepRequest request;
    request.data = data;
    request.header = result.header;
    request.records = result.records;
    request.version = QStringLiteral(VEMTRA_CLI_VERSION);
    request.port = port;
    const readout::KeepResult kept = readout::keepReadOut(readout::libraryFolder(), request);
    if (!kept.ok)
        io.err(QStringLiteral("warning: the read-out was not kept in the history: %1")
                   .arg(kept.error));
}

void keepFileInLibrary(const QString &dataPath, const readout::ReadoutResult &result,
                       const QString &port, const CliIo &io)
{
    QFile file(dataPath);
    if (!file.open(QIODevice::ReadOnly)) {
        io.err(QStringLiteral("warning: the read-out was not kept in the history: cannot read "
                              "%1 back: %2")
                   .arg(QDir::toNativeSeparators(dataPath), file.errorString()));
        return;
    }
    keepInLibrary(file.readAll(), result, port, io);
}

QStringList keptPlotArguments(const QString &input, bool intervalGiven)
{
    if (intervalGiven)
        return {};
    const auto kept = readout::keptReadoutOf(input);
    if (!kept)
        return {};
    QStringList arguments;
    const readout::CsvLayout layout = readout::CsvLayout::fromReadBack(kept->header);
    if (layout.interval)
        arguments << QStringLiteral("--interval") << readout::recordTimeText(1, *layout.interval);
    if (layout.referenceCh4)
        arguments << QStringLiteral("--ch4-reference");
    return arguments;
}

} // namespace vemtra::cli
