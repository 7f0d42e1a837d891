#include "cli/cli_runner.h"

#include "cli/exit_codes.h"
#include "cli/history_runner.h"
#include "cli/outcome_table.h"
#include "cli/plot_runner.h"
#include "cli/progress_text.h"
#include "datalog/log_write.h"
#include "readout/csv_export.h"
#include "readout/readout_exchange.h"
#include "readout/unread_log.h"
#include "serial/com_ports.h"
#include "serial/connect.h"
#include "serial/port_identity.h"
#include "serial/output_file.h"
#include "serial/protocol.h"
#include "voltmeter/read_chx.h"
#include "voltmeter/voltmeter_recorder.h"

#include <QBuffer>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <memory>
#include <thread>

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
            if ((!o.outputToStdout && !canWrite(o.outputPath)) ||
                (!o.csvPath.isEmpty() && !canWrite(o.csvPath)) ||
                (!o.plotPath.isEmpty() && !canWrite(o.plotPath)))
                return kExitFileError;
            if (!o.plotPath.isEmpty() && !QFileInfo(plotterPath()).isExecutable()) {
                io.err(QStringLiteral("cannot draw --plot: %1 is missing")
                           .arg(QDir::toNativeSeparators(plotterPath())));
                return kExitFileError;
            }
        }

        if (o.command == Command::Ports)
            return ports();

        QString error;
        std::unique_ptr<Line> line = opener(o.device, protocol::kSlowBaud, &error);
        if (!line) {
            // The opener's line names the device and the cause.
            io.err(
                QStringLiteral("vemtra-cli: %1")
                    .arg(error.isEmpty() ? QStringLiteral("cannot open %1").arg(o.device) : error));
            return kExitNoBoard;
        }
        line->setCancelToken(io.cancel);
        if (o.reconnect)
            port_ = serial::identifyPort(o.device);

        const int connected = connect(*line);
        if (connected != kExitOk || o.command == Command::Probe)
            return connected;
        if (o.reconnect && !serial::mayComeBackByItself(port_))
            io.err(QStringLiteral("vemtra-cli: --reconnect will not wait for %1: a device that "
                                  "appears there later may be another one; name the port by a "
                                  "link such as /dev/serial/by-id/...")
                       .arg(o.device));

        switch (o.command) {
        case Command::Read:
            return read(line, opener);
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
        const QString why = serial::OutputFile::whyNotWritable(path);
        if (why.isEmpty())
            return true;
        io.err(QStringLiteral("cannot write %1: %2").arg(QDir::toNativeSeparators(path), why));
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
                       .arg(device, speedChangeFailure(result.speedChange, result.byte)));
            // The link still works at 9600 bps; only probe is about the switch.
            return o.command == Command::Probe ? kExitProtocolError : kExitOk;
        case serial::ConnectOutcome::NotFound:
            io.err(QStringLiteral("no board answers on %1 at 9600 or 19200 bps").arg(device));
            return kExitNoBoard;
        case serial::ConnectOutcome::PortClosed:
            io.err(QStringLiteral("%1 is not open").arg(device));
            return kExitNoBoard;
        case serial::ConnectOutcome::LineLost:
            // A port gone while the board was being found is no refused switch.
            io.err(QStringLiteral("vemtra-cli: ") + lostText(line));
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

    QString lostText(const Line &line) const
    {
        QString reason = line.failure();
        if (reason.startsWith(o.device + QLatin1String(": ")))
            reason.remove(0, o.device.size() + 2);
        return QStringLiteral("lost the line to %1%2")
            .arg(o.device, reason.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(reason));
    }

    // Waits for the lost device to be there again, a look a second, then opens
    // it and finds the board. Null when Ctrl-C ends the wait.
    std::unique_ptr<Line> awaitReturn(const serial::LineOpener &opener)
    {
        for (;;) {
            for (int slice = 0; slice < 20; ++slice) {
                if (io.cancel.isCancelled())
                    return nullptr;
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
            // Only the lost device itself, never whatever took its name.
            if (!QFileInfo::exists(o.device) ||
                !serial::mayReopenByItself(port_, serial::identifyPort(o.device)))
                continue;
            QString error;
            std::unique_ptr<Line> line = opener(o.device, protocol::kSlowBaud, &error);
            if (!line)
                continue; // there, but not yet usable
            line->setCancelToken(io.cancel);
            serial::ConnectObserver quiet;
            const serial::ConnectResult found = serial::connectBoard(*line, quiet);
            if (line->isCancelled())
                return nullptr;
            if (found.ok()) {
                io.err(QStringLiteral("vemtra-cli: %1 is back; reading on").arg(o.device));
                return line;
            }
        }
    }

    int read(std::unique_ptr<Line> &linePtr, const serial::LineOpener &opener)
    {
        io.out(voltmeter::readingColumns());
        const Micros start = linePtr->now();
        const Micros every = std::chrono::milliseconds(o.intervalMs);
        Micros scheduleStart = start;
        std::int64_t scheduleFirst = 0;
        bool missing = false;
        for (std::int64_t n = 0; o.count == 0 || n < o.count; ++n) {
            Line &line = *linePtr;
            if (n > scheduleFirst) {
                const Micros due = scheduleStart + (n - scheduleFirst) * every;
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
            if (!line.isOpen()) {
                // A gone device answers nothing ever again: say so once.
                const bool wait = o.reconnect && serial::mayComeBackByItself(port_);
                io.err(QStringLiteral("vemtra-cli: ") + lostText(line) +
                       (wait ? QStringLiteral("; waiting for it to come back") : QString()));
                if (!wait)
                    return kExitNoBoard;
                linePtr.reset();
                linePtr = awaitReturn(opener);
                if (!linePtr)
                    return interrupted(QStringLiteral("interrupted"));
                // The reading that was lost is taken again, on a fresh schedule.
                --n;
                scheduleFirst = n + 1;
                scheduleStart = linePtr->now();
                continue;
            }
            for (int ch = 0; ch < 4; ++ch) {
                if (!readings[std::size_t(ch)]) {
                    io.err(QStringLiteral("CH%1 gave no reading").arg(ch + 1));
                    missing = true;
                }
            }
            io.out(voltmeter::wallClockText(wallClock) + QLatin1Char(',') +
                   QString::number(secondsBetween(start, at), 'f', 3) + QLatin1Char(',') +
                   voltmeter::readingFields(readings));
        }
        if (linePtr->isCancelled() && o.count != 0)
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
        const readout::ReadoutResult look = readout::lookAtLog(line);
        if (line.isCancelled())
            return interrupted(QStringLiteral("interrupted; nothing was written"));
        switch (readout::programmingVerdict(look, o.force)) {
        case readout::ProgrammingVerdict::Program:
            break;
        case readout::ProgrammingVerdict::UnreadLog:
            io.err(QStringLiteral("the board holds %1 logged bytes that were not read out; read "
                                  "them out first, or program with --force to discard them")
                       .arg(readout::loggedBytes(look.header)));
            return kExitUnreadLog;
        case readout::ProgrammingVerdict::LogNotLookedAt: {
            CliFailure failure = logLookFailure(look, lostText(line));
            if (look.outcome != serial::Outcome::LineLost)
                failure.message += QStringLiteral("; --force programs anyway");
            return fail(failure);
        }
        }

        const datalog::LogWriteResult written = datalog::writeLogHeader(line, o.logHeader());
        if (line.isCancelled())
            return interrupted(QStringLiteral("interrupted; the log header may be partly "
                                              "written, program again"));
        if (!written.ok())
            return fail(headerWriteFailure(written, lostText(line)));
        io.out(QStringLiteral("log header written (%1); logging starts when the board's power "
                              "is next switched on")
                   .arg(planText()));
        return kExitOk;
    }

    int readout(Line &line)
    {
        // The estimate counts from the first data byte: the request's pauses
        // before it would make the first rate far too low.
        Micros dataStart{};
        bool progressShown = false;
        readout::ReadoutObserver observer;
        if (io.progress) {
            observer.progress = [&](int position, int maximum) {
                if (!progressShown)
                    dataStart = line.now();
                progressShown = true;
                io.progress(progressText(position, maximum, secondsBetween(dataStart, line.now())));
            };
        }
        // Standard output takes the data only once it is complete and verified,
        // so a failed read-out writes nothing there; so does a device or pipe
        // named by --output, which cannot be read back for the CSV either.
        const bool inMemory =
            o.outputToStdout || serial::OutputFile::isInPlaceTarget(o.outputPath);
        QByteArray data;
        QBuffer memory(&data);
        memory.open(QIODevice::WriteOnly);
        const readout::ReadoutResult result =
            inMemory ? readout::readOutLog(line, memory, observer)
                     : readout::readOutLog(line, o.outputPath, observer);
        if (progressShown && io.progressDone)
            io.progressDone();

        const QString file = o.outputToStdout ? QStringLiteral("standard output")
                                              : QDir::toNativeSeparators(o.outputPath);
        if (line.isCancelled())
            return interrupted(
                QStringLiteral("read-out cancelled; %1 was left as it was").arg(file));
        if (!result.ok())
            return fail(readoutFailure(result, file, lostText(line)));
        if (inMemory && !o.outputToStdout) {
            serial::OutputFile out(o.outputPath);
            if (!out.open() || out.device().write(data) != data.size() || !out.commit())
                return fail({kExitFileError,
                             QStringLiteral("cannot write %1: %2").arg(file, out.errorString())});
        }
        readout::rememberReadOut(readout::identityOf(result));
        if (o.outputToStdout && !(io.outBytes && io.outBytes(data)))
            return fail({kExitFileError, QStringLiteral("cannot write the data to standard output")});
        // What went to standard output, a device or a pipe cannot be read back.
        if (inMemory)
            keepInLibrary(data, result, o.device, io);
        else
            keepFileInLibrary(o.outputPath, result, o.device, io);
        const QString written = QStringLiteral("%1 records (%2 bytes) written to %3")
                                    .arg(result.records)
                                    .arg(result.logLength ? std::max(0, *result.logLength - 1) : 0)
                                    .arg(file);
        report(written);

        if (o.csvPath.isEmpty() && !o.csvToStdout)
            return drawPlot(result, inMemory ? data : QByteArray());
        QFile dataFile(o.outputPath);
        QBuffer dataInMemory(&data);
        QIODevice &in = inMemory ? static_cast<QIODevice &>(dataInMemory) : dataFile;
        if (!in.open(QIODevice::ReadOnly))
            return fail({kExitFileError, QStringLiteral("cannot read %1 back: %2")
                                             .arg(file, in.errorString())});
        QByteArray csvText;
        QBuffer csvMemory(&csvText);
        serial::OutputFile csvFile(o.csvPath);
        const QString csvName =
            o.csvToStdout ? QStringLiteral("standard output") : QDir::toNativeSeparators(o.csvPath);
        const auto csvError = [&] {
            return o.csvToStdout ? csvMemory.errorString() : csvFile.errorString();
        };
        if (!(o.csvToStdout ? csvMemory.open(QIODevice::WriteOnly) : csvFile.open()))
            return fail({kExitFileError,
                         QStringLiteral("cannot write %1: %2").arg(csvName, csvError())});
        // Taken once open: where an open file writes depends on what it names.
        QIODevice &csvOut = o.csvToStdout ? static_cast<QIODevice &>(csvMemory) : csvFile.device();
        const readout::CsvExportResult csv = readout::exportCsv(in, result.header, csvOut);
        const bool stored = csv.ok && (o.csvToStdout ? io.outBytes && io.outBytes(csvText)
                                                     : csvFile.commit());
        if (!stored) {
            io.err(csv.ok ? QStringLiteral("cannot write %1: %2").arg(csvName, csvError())
                          : csv.error);
            return kExitFileError;
        }
        report(QStringLiteral("%1 rows written to %2").arg(csv.rows).arg(csvName));
        return drawPlot(result, inMemory ? data : QByteArray());
    }

    // readout --plot: the chart of the log just read, drawn by vemtra-plot from
    // the data file, or from a copy of `data` when that went to a device or pipe.
    int drawPlot(const readout::ReadoutResult &result, const QByteArray &data)
    {
        if (o.plotPath.isEmpty())
            return kExitOk;
        QTemporaryFile copy;
        if (!data.isEmpty() && !(copy.open() && copy.write(data) == data.size() && copy.flush()))
            return fail({kExitFileError, QStringLiteral("cannot keep the data for --plot: %1")
                                             .arg(copy.errorString())});
        // The data file does not carry the interval or the reference: the
        // header read back with it does.
        const readout::CsvLayout layout = readout::CsvLayout::fromReadBack(result.header);
        QStringList arguments{data.isEmpty() ? o.outputPath : copy.fileName(),
                              QStringLiteral("--output"), o.plotPath};
        if (layout.interval)
            arguments << QStringLiteral("--interval")
                      << readout::recordTimeText(1, *layout.interval);
        if (layout.referenceCh4)
            arguments << QStringLiteral("--ch4-reference");
        const int drawn = runPlotter(arguments, io);
        if (drawn != kExitOk)
            return drawn;
        report(QStringLiteral("chart drawn to %1").arg(QDir::toNativeSeparators(o.plotPath)));
        return kExitOk;
    }

    // What was written where: on standard output, unless a file goes there.
    void report(const QString &text)
    {
        if (o.outputToStdout || o.csvToStdout)
            io.err(text);
        else
            io.out(text);
    }

    // The serial devices present now and the COM numbers they are assigned to.
    int ports()
    {
        const auto real = [](const QString &path) {
            const QString target = QFileInfo(path).canonicalFilePath();
            return target.isEmpty() ? path : target;
        };
        QString comDevice[serial::PortAssignments::kPorts];
        for (int n = 1; n <= serial::PortAssignments::kPorts; ++n)
            comDevice[n - 1] = real(serial::comPortDevice(n));
        io.out(QStringLiteral("device\tdescription\tmanufacturer\tserial\tusb\tassigned"));
        for (const serial::SerialDevice &d : serial::availableSerialDevices()) {
            QStringList coms;
            for (int n = 1; n <= serial::PortAssignments::kPorts; ++n)
                if (comDevice[n - 1] == real(d.systemPath))
                    coms << QStringLiteral("COM%1").arg(n);
            io.out(QStringList{d.path, d.description, d.manufacturer, d.serialNumber, d.usbIds,
                               coms.join(QLatin1Char(','))}
                       .join(QLatin1Char('\t')));
        }
        return kExitOk;
    }

    const CliOptions &o;
    const CliIo &io;
    serial::PortIdentity port_; // what --reconnect waits for
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
        arguments << keptPlotArguments(options.plotInput, !options.plotInterval.isEmpty());
        return runPlotter(arguments, io);
    }
    case Command::History:
        return runHistory(options, io);
    default:
        return Runner(options, io).run(opener);
    }
}

} // namespace vemtra::cli
