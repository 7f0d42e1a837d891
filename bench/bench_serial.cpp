// How close the real serial code comes to the line's physical limit, against
// the paced board simulator on a pty at 19200 bps: one "g" exchange, and a
// 1 KiB lock-step "r" transfer. Waiting must block, not spin: the CPU time
// used should stay far below the wall time.

#include "bench_measure.h"
#include "board_process.h"
#include "serial/exchange.h"
#include "serial/serial_port_line.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace vemtra::serial;
using vemtra::testing::BoardProcess;

namespace {

constexpr int speed = 19200;
constexpr int readings = 50;
constexpr int transferBytes = 1024;
constexpr int dataAddress = 16;

double byteSeconds()
{
    return vemtra::bench::byteSeconds(speed);
}

bool getExchange(Line &line, int channel)
{
    flush(line);
    sendLetter(line, 'g');
    if (!awaitEcho(line, 'g'))
        return false;
    sendByte(line, std::uint8_t(0xC4 + 8 * channel));
    return waitByte(line).has_value();
}

// "r" of transferBytes from dataAddress; returns the seconds of the lock-step
// part (from the request's last pause to the last echo), or a negative value.
double readExchange(Line &line)
{
    flush(line);
    sendLetter(line, 'r');
    const auto echo = waitReply(line);
    if (!echo || !echo->startsWith('r'))
        return -1;
    const int n = transferBytes - 1;
    sendParamBlock(line, {std::uint8_t(dataAddress), std::uint8_t(dataAddress >> 8),
                          std::uint8_t(n), std::uint8_t(n >> 8)});
    QElapsedTimer lockStep;
    lockStep.start();
    const auto answer = waitReply(line, 2);
    if (!answer || !answer->startsWith('R'))
        return -1;
    sendByte(line, answer->at(1));
    for (int i = 1; i < transferBytes; ++i) {
        const auto byte = waitByte(line);
        if (!byte)
            return -1;
        sendByte(line, *byte);
    }
    return double(lockStep.nsecsElapsed()) / 1e9;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);

    BoardProcess board(
        {QStringLiteral("--baud"), QString::number(speed), QStringLiteral("--quiet")});
    QString error;
    if (!board.start(&error)) {
        std::fprintf(stderr, "bench_serial: %s\n", qPrintable(error));
        return 2;
    }
    auto line = SerialPortLine::open(board.device(), speed, &error);
    if (!line) {
        std::fprintf(stderr, "bench_serial: %s\n", qPrintable(error));
        return 2;
    }

    std::printf("line: %s at %d bps, one byte = %.3f ms on the wire\n", qPrintable(board.device()),
                speed, byteSeconds() * 1e3);

    QElapsedTimer wall;
    wall.start();
    const double cpuAtStart = vemtra::bench::cpuSeconds();

    // "g": g out, g back, select out, reading back.
    std::vector<double> gSeconds;
    for (int i = 0; i < readings; ++i) {
        QElapsedTimer t;
        t.start();
        if (!getExchange(*line, i % 4)) {
            std::fprintf(stderr, "bench_serial: g exchange %d failed\n", i);
            return 1;
        }
        gSeconds.push_back(double(t.nsecsElapsed()) / 1e9);
    }
    std::sort(gSeconds.begin(), gSeconds.end());
    const double gPhysical = 4 * byteSeconds();
    const double gMedian = gSeconds[gSeconds.size() / 2];
    std::printf("g exchange (%d runs): median %.2f ms, worst %.2f ms; physical %.2f ms; "
                "ratio %.2f (worst %.2f)\n",
                readings, gMedian * 1e3, gSeconds.back() * 1e3, gPhysical * 1e3,
                gMedian / gPhysical, gSeconds.back() / gPhysical);

    // "r": r out, r back, five paced request bytes, then R and 1024 bytes back
    // with 1024 echoes out.
    QElapsedTimer t;
    t.start();
    const double lockStepSeconds = readExchange(*line);
    const double rSeconds = double(t.nsecsElapsed()) / 1e9;
    if (lockStepSeconds < 0) {
        std::fprintf(stderr, "bench_serial: r transfer failed\n");
        return 1;
    }
    const double pauses = 5 * 0.1;
    const double lockStepPhysical = (1 + 2 * transferBytes) * byteSeconds();
    const double rPhysical = (2 + 5) * byteSeconds() + pauses + lockStepPhysical;
    std::printf("r of %d bytes: %.3f s; physical %.3f s (incl. %.1f s of pauses); ratio %.2f\n",
                transferBytes, rSeconds, rPhysical, pauses, rSeconds / rPhysical);
    std::printf("  lock-step part: %.3f s; physical %.3f s; ratio %.2f\n", lockStepSeconds,
                lockStepPhysical, lockStepSeconds / lockStepPhysical);

    const double cpu = vemtra::bench::cpuSeconds() - cpuAtStart;
    const double wallSeconds = double(wall.nsecsElapsed()) / 1e9;
    std::printf("CPU: %.3f s over %.3f s wall (%.1f%%)\n", cpu, wallSeconds,
                100.0 * cpu / wallSeconds);
    return 0;
}
