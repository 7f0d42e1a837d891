#include "cli/cli_runner.h"

#include "cli/exit_codes.h"
#include "cli/outcome_table.h"
#include "cli/plot_runner.h"
#include "cli/progress_text.h"
#include "datalog/log_write.h"
#include "readout/csv_export.h"
#include "readout/readout_exchange.h"
#include "readout/unread_log.h"
#include "serial/connect.h"
#include "serial/protocol.h"
#include "voltmeter/read_chx.h"
#include "voltmeter/voltmeter_recorder.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <memory>

#ifndef VEMTRA_CLI_VERSION
#define VEMTRA_CLI_VERSION "unknown"
#endif

namespace vemtra::cli {

namespace {

using serial::Line;
using serial::Micros;

double secondsBetween(Micros from, Micros to)
{
    return double((to - from).count()) / 1e6;
}

class Runner {
public:
    Runner(const CliOptions &options, const CliIo &io) : o(options), io(io) {}

    int run(const serial::LineOpener &opener)
    {
        if (o.command == Command::Readout) {
            // Refused before the board is asked for anything, rather than after
            // a whole transfer.
            if (!canWrite(o.outputPath) || (!o.csvPath.isEmpty() && !canWrite(o.csvPath)) ||
                (!o.plotPath.isEmpty() && !canWrite(o.plotPath)))
                return kExitFileError;
            if (!o.plotPath.isEmpty() && !QFileInfo(plotterPath()).isExecutable()) {
                io.err(QStringLiteral("cannot draw --plot: %1 is missing")
                           .arg(QDir::toNativeSeparators(plotterPath())));
                return kExitFileError;
            }
        }

        QString error;
        const std::unique_ptr<Line> line = opener(o.device, protocol::kSlowBaud, &error);
        if (!line) {
            io.err(QStringLiteral("cannot open %1: %2").arg(o.device, error));
            return kExitNoBoard;
        }
        line->setCancelToken(io.cancel);

        const int connected = connect(*line);
        if (connected != kExitOk || o.command == Command::Probe)
            return connected;

        switch (o.command) {
        case Command::Read:
            return read(*line);
        case Command::Program:
            return program(*line);
        case Command::Readout:
            return readout(*line);
        default:
            return kExitOk;
        }
    }

private:
    bool canWrite(const QString &path)
    {
        QSaveFile probe(path);
        if (probe.open(QIODevice::WriteOnly)) {
            probe.cancelWriting();
            return true;
        }
        io.err(QStringLiteral("cannot write %1: %2")
                   .arg(QDir::toNativeSeparators(path), probe.errorString()));
        return false;
    }

    int fail(const CliFailure &failure)
    {
        io.err(failure.message);
        return failure.exitCode;
    }

    int interrupted(const QString &what)
    {
        io.err(what);
        return kExitInterrupted;
    }

    int connect(Line &line)
    {
        serial::ConnectObserver observer;
        const serial::ConnectResult result = serial::connectBoard(line, observer);
        if (line.isCancelled())
            return interrupted(QStringLiteral("interrupted while looking for the board"));
        const QString device = o.device;
        switch (result.outcome) {
        case serial::ConnectOutcome::Found19200:
            news(QStringLiteral("board found at 19200 bps on %1").arg(device));
            return kExitOk;
        case serial::ConnectOutcome::Switched:
            news(QStringLiteral("board found at 9600 bps on %1 and switched to 19200 bps")
                     .arg(device));
            return kExitOk;
        case serial::ConnectOutcome::Only9600:
            io.err(QStringLiteral("board found at 9600 bps on %1, but the switch to 19200 bps "
                                  "failed (%2)")
                       .arg(device, result.label9.trimmed()));
            // The link still works at 9600 bps; only probe is about the switch.
            return o.command == Command::Probe ? kExitProtocolError : kExitOk;
        case serial::ConnectOutcome::NotFound:
            io.err(QStringLiteral("no board answers on %1 at 9600 or 19200 bps").arg(device));
            return kExitNoBoard;
        case serial::ConnectOutcome::PortClosed:
            io.err(QStringLiteral("%1 is not open").arg(device));
            return kExitNoBoard;
        }
        return kExitNoBoard;
    }

    // The probe's finding is its result, so it goes to standard output; for
    // the other commands it is news on standard error.
    void news(const QString &text)
    {
        if (o.command == Command::Probe)
            io.out(text);
        else
            io.err(text);
    }

    int read(Line &line)
    {
        io.out(voltmeter::readingColumns());
        const Micros start = line.now();
        const Micros every = std::chrono::milliseconds(o.intervalMs);
        bool missing = false;
        for (std::int64_t n = 0; o.count == 0 || n < o.count; ++n) {
            if (n > 0) {
                const Micros due = start + n * every;
                if (line.now() < due)
                    line.pause(std::chrono::ceil<std::chrono::milliseconds>(due - line.now()));
            }
            if (line.isCancelled())
                break;
            const Micros at = line.now();
            const QDateTime wallClock = QDateTime::currentDateTime();
            const voltmeter::ChannelReadings readings = voltmeter::readAllChannels(line);
            if (line.isCancelled())
                break;
            for (int ch = 0; ch < 4; ++ch) {
                if (!readings[std::size_t(ch)]) {
                    io.err(QStringLiteral("CH%1 did not answer").arg(ch + 1));
                    missing = true;
                }
            }
            io.out(voltmeter::wallClockText(wallClock) + QLatin1Char(',') +
                   QString::number(secondsBetween(start, at), 'f', 3) + QLatin1Char(',') +
                   voltmeter::readingFields(readings));
        }
        if (line.isCancelled() && o.count != 0)
            return interrupted(QStringLiteral("interrupted"));
        return missing ? kExitProtocolError : kExitOk;
    }

    QString planText() const
    {
        QStringList channels;
        const bool againstCh4 = o.vrefCh4 != datalog::ChannelTicks{};
        for (int ch = 0; ch < 4; ++ch)
            if ((againstCh4 ? o.vrefCh4 : o.vdd)[std::size_t(ch)])
                channels << QStringLiteral("CH%1").arg(ch + 1);
        return QStringLiteral("%1, %2 against %3, every %4 s")
            .arg(QLatin1String(datalog::eepromType(o.eeprom).caption), channels.join(','),
                 againstCh4 ? QStringLiteral("CH4") : QStringLiteral("the supply"),
                 readout::recordTimeText(1, o.intervalCount));
    }

    int program(Line &line)
    {
        // Programming restarts the board's log, so look at what it holds first.
        const readout::ReadoutResult held = readout::readLogHeader(line);
        if (line.isCancelled())
            return interrupted(QStringLiteral("interrupted; nothing was written"));
        if (!held.ok)
            return fail(headerLookFailure(held));
        if (readout::hasUnreadLog(held.header) && !o.force) {
            io.err(QStringLiteral("the board holds %1 logged bytes that were not read out; read "
                                  "them out first, or program with --force to discard them")
                       .arg(readout::loggedBytes(held.header)));
            return kExitUnreadLog;
        }

        const datalog::LogWriteResult written = datalog::writeLogHeader(line, o.logHeader());
        if (line.isCancelled())
            return interrupted(QStringLiteral("interrupted; the log header may be partly "
                                              "written, program again"));
        if (!written.ok())
            return fail(headerWriteFailure(written));
        io.out(QStringLiteral("log header written (%1); logging starts when the board's power "
                              "is next switched on")
                   .arg(planText()));
        return kExitOk;
    }

    int readout(Line &line)
    {
        Micros dataStart{};
        readout::ReadoutObserver observer;
        observer.logLength = [&](int) { dataStart = line.now(); };
        bool progressShown = false;
        if (io.progress) {
            observer.progress = [&](int position, int maximum) {
                progressShown = true;
                io.progress(progressText(position, maximum, secondsBetween(dataStart, line.now())));
            };
        }
        const readout::ReadoutResult result = readout::readOutLog(line, o.outputPath, observer);
        if (progressShown && io.progressDone)
            io.progressDone();

        const QString file = QDir::toNativeSeparators(o.outputPath);
        if (line.isCancelled())
            return interrupted(
                QStringLiteral("read-out cancelled; %1 was left as it was").arg(file));
        if (!result.ok)
            return fail(readoutFailure(result, file));
        io.out(QStringLiteral("%1 records (%2 bytes) written to %3")
                   .arg(result.records)
                   .arg(result.logLength ? std::max(0, *result.logLength - 1) : 0)
                   .arg(file));

        if (!o.csvPath.isEmpty()) {
            const readout::CsvExportResult csv =
                readout::exportCsv(o.outputPath, result.header, o.csvPath);
            if (!csv.ok) {
                io.err(csv.error);
                return kExitFileError;
            }
            io.out(QStringLiteral("%1 rows written to %2")
                       .arg(csv.rows)
                       .arg(QDir::toNativeSeparators(o.csvPath)));
        }
        if (!o.plotPath.isEmpty()) {
            // The data file does not carry the interval or the reference: the
            // header read back with it does.
            const readout::CsvLayout layout = readout::CsvLayout::fromReadBack(result.header);
            QStringList arguments{o.outputPath, QStringLiteral("--output"), o.plotPath};
            if (layout.interval)
                arguments << QStringLiteral("--interval")
                          << readout::recordTimeText(1, *layout.interval);
            if (layout.referenceCh4)
                arguments << QStringLiteral("--ch4-reference");
            const int drawn = runPlotter(arguments, io);
            if (drawn != kExitOk)
                return drawn;
            io.out(QStringLiteral("chart drawn to %1").arg(QDir::toNativeSeparators(o.plotPath)));
        }
        return kExitOk;
    }

    const CliOptions &o;
    const CliIo &io;
};

} // namespace

int runCommand(const CliOptions &options, const serial::LineOpener &opener, const CliIo &io)
{
    switch (options.command) {
    case Command::Help:
        io.out(usageText().trimmed());
        return kExitOk;
    case Command::Version:
        io.out(QStringLiteral("vemtra-cli " VEMTRA_CLI_VERSION));
        return kExitOk;
    case Command::Plot: {
        QStringList arguments{options.plotInput, QStringLiteral("--output"), options.plotPath};
        if (!options.plotInterval.isEmpty())
            arguments << QStringLiteral("--interval") << options.plotInterval;
        if (!options.plotSize.isEmpty())
            arguments << QStringLiteral("--size") << options.plotSize;
        return runPlotter(arguments, io);
    }
    default:
        return Runner(options, io).run(opener);
    }
}

} // namespace vemtra::cli
