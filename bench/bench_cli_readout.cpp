// vemtra-cli reading out a full 24C256 log from the paced board simulator on a
// pty, as a user would run it: the wall time against the line's physical time
// for the same bytes and pauses, and the CPU time the tool used. Waits must
// block, so CPU time should stay a small part of the wall time.

#include "bench_measure.h"
#include "board_process.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <cstdio>

using vemtra::testing::BoardProcess;

namespace {

constexpr int speed = 19200;
constexpr int eepromBytes = 32768;
// The log fills the EEPROM from address 17 to its end; the data request asks
// for end - 15 bytes, of which the first comes with "R".
constexpr int logLength = (eepromBytes - 1) - 15;
constexpr int headerBytes = 17;

double byteSeconds()
{
    return vemtra::bench::byteSeconds(speed);
}

double childCpuSeconds()
{
    return vemtra::bench::cpuSeconds(RUSAGE_CHILDREN);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString cli = QDir(QCoreApplication::applicationDirPath()).filePath("vemtra-cli");

    // Powered with a full log of all four channels, recorded at once.
    BoardProcess board({QStringLiteral("--eeprom"), QStringLiteral("24C256"),
                        QStringLiteral("--log-at-power-up"), QStringLiteral("--time-factor"),
                        QStringLiteral("10000000"), QStringLiteral("--quiet")});
    QString error;
    if (!board.start(&error)) {
        std::fprintf(stderr, "bench_cli_readout: %s\n", qPrintable(error));
        return 2;
    }
    QTemporaryDir dir;

    QProcess run;
    run.setWorkingDirectory(dir.path());
    const double cpuBefore = childCpuSeconds();
    QElapsedTimer wall;
    wall.start();
    run.start(cli, {"--port", board.device(), "readout"});
    if (!run.waitForFinished(600000) || run.exitCode() != 0) {
        std::fprintf(stderr, "bench_cli_readout: vemtra-cli failed (%d): %s\n", run.exitCode(),
                     run.readAllStandardError().constData());
        return 1;
    }
    const double wallSeconds = double(wall.nsecsElapsed()) / 1e9;
    const double cpu = childCpuSeconds() - cpuBefore;

    // Connection with the speed change: eleven 100 ms gaps; each "r" request:
    // five. Every transferred byte crosses twice, once each way.
    const double pauses = 1.1 + 2 * 0.5;
    const double lockStep = 2.0 * (headerBytes + logLength) * byteSeconds();
    const double physical = pauses + lockStep;
    std::printf("vemtra-cli readout of a full 24C256 (%d data bytes) at %d bps on %s\n",
                logLength - 1, speed, qPrintable(board.device()));
    std::printf("  %s", run.readAllStandardOutput().constData());
    std::printf("wall %.2f s; physical %.2f s (%.1f s of pauses, %.2f s lock-step); ratio %.2f\n",
                wallSeconds, physical, pauses, lockStep, wallSeconds / physical);
    std::printf("  per data byte: %.3f ms; physical %.3f ms; ratio %.2f\n",
                (wallSeconds - pauses) / (headerBytes + logLength) * 1e3, 2 * byteSeconds() * 1e3,
                (wallSeconds - pauses) / lockStep);
    std::printf("CPU of vemtra-cli: %.3f s over %.2f s wall (%.1f%%)\n", cpu, wallSeconds,
                100.0 * cpu / wallSeconds);
    return 0;
}
