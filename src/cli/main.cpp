// vemtra-cli: the board's commands for scripts and machines without a screen.

#include "cli/cli_options.h"
#include "cli/cli_runner.h"
#include "cli/exit_codes.h"
#include "serial/serial_port_line.h"
#include "serial/stop_signals.h"
#include "serial/tracing_line.h"

#include <QCoreApplication>

#include <csignal>
#include <cstdio>

#include <unistd.h>

using namespace vemtra;

namespace {

void writeLine(std::FILE *stream, const QString &text)
{
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stream);
    std::fputc('\n', stream);
    std::fflush(stream);
}

} // namespace

int main(int argc, char **argv)
{
    // A file-size limit then fails the write with a reason instead of killing us.
    std::signal(SIGXFSZ, SIG_IGN);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("QEL-Vemtra"));

    const cli::ParsedCommandLine parsed = cli::parseCommandLine(app.arguments().mid(1));

    serial::LineOpener opener = [](const QString &device, int baud,
                                   QString *error) -> std::unique_ptr<serial::Line> {
        return serial::SerialPortLine::open(device, baud, error);
    };
    // The trace starts before the command line is judged, so a refused one
    // leaves a trace with no bytes in it.
    if (!parsed.options.tracePath.isEmpty()) {
        QString error;
        auto trace = serial::LineTrace::open(parsed.options.tracePath, &error);
        if (!trace) {
            writeLine(stderr, error);
            return cli::kExitFileError;
        }
        opener = serial::tracingOpener(std::move(opener), std::move(trace));
    }
    if (!parsed.ok()) {
        writeLine(stderr, QStringLiteral("vemtra-cli: %1 (see --help)").arg(parsed.error));
        return cli::kExitBadArguments;
    }

    // Ctrl-C, SIGTERM and SIGHUP cancel the command's line; the exchange gives
    // up at its next wait and the command ends on its own path, so files are
    // finished or left alone as they would be on any failure.
    serial::StopSignals &stop = serial::StopSignals::install();
    stop.stopOnBrokenPipe();

    cli::CliIo io;
    io.out = [](const QString &text) { writeLine(stdout, text); };
    io.err = [](const QString &text) { writeLine(stderr, text); };
    io.outBytes = [](const QByteArray &bytes) {
        return std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stdout) ==
                   std::size_t(bytes.size()) &&
               std::fflush(stdout) == 0;
    };
    if (isatty(STDERR_FILENO)) {
        io.progress = [](const QString &text) {
            // Redrawn in place: back to the line's start, then clear its rest.
            const QByteArray bytes = "\r" + text.toLocal8Bit() + "\033[K";
            std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stderr);
            std::fflush(stderr);
        };
        io.progressDone = [] {
            std::fputc('\n', stderr);
            std::fflush(stderr);
        };
    }
    io.cancel = stop.token();
    return cli::runCommand(parsed.options, opener, io);
}
