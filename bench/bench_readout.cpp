// A full read-out of a 24C256 log from the paced board simulator at 19200 bps
// through the real serial port code, against the line's physical time: every
// byte taken is echoed (ten bit-times each way) and the two requests cost ten
// 100 ms pauses. Also the CPU time, the peak memory, and how long the viewer
// takes to show the resulting file.

#include "bench_measure.h"
#include "board_process.h"
#include "readout/log_header_decode.h"
#include "readout/readout_exchange.h"
#include "readout/ui/list_viewer.h"
#include "serial/serial_port_line.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <cstdio>

using namespace vemtra;
using testing::BoardProcess;

namespace {

constexpr int speed = 19200;
constexpr int eepromBytes = 32768;
constexpr int endAddress = eepromBytes - 1;

long peakKilobytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// A full log of all four channels: header, then bytes 17..32767.
bool writeImage(const QString &path)
{
    QByteArray image(eepromBytes, '\0');
    const unsigned char header[16] = {0x41,
                                      0x44,
                                      0x80,
                                      0xFC,
                                      0x20,
                                      0x4E,
                                      0x00,
                                      0x00,
                                      0x10,
                                      0x00,
                                      0xFF,
                                      0x7F,
                                      endAddress & 0xFF,
                                      endAddress >> 8,
                                      0xFF,
                                      0xFF};
    for (int i = 0; i < 16; ++i)
        image[i] = char(header[i]);
    for (int a = 16; a < eepromBytes; ++a)
        image[a] = char((a * 37) & 0xFF);
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(image) == image.size();
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString image = dir.filePath(QStringLiteral("full.bin"));
    const QString dataFile = dir.filePath(QStringLiteral("QEL_ADC.txt"));
    if (!writeImage(image)) {
        std::fprintf(stderr, "bench_readout: cannot write %s\n", qPrintable(image));
        return 2;
    }

    BoardProcess board({QStringLiteral("--baud"), QString::number(speed), QStringLiteral("--quiet"),
                        QStringLiteral("--load-eeprom"), image});
    QString error;
    if (!board.start(&error)) {
        std::fprintf(stderr, "bench_readout: %s\n", qPrintable(error));
        return 2;
    }
    auto line = serial::SerialPortLine::open(board.device(), speed, &error);
    if (!line) {
        std::fprintf(stderr, "bench_readout: %s\n", qPrintable(error));
        return 2;
    }

    const long memoryBefore = peakKilobytes();
    const double cpuAtStart = vemtra::bench::cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    const readout::ReadoutResult result = readout::readOutLog(*line, dataFile);
    const double wallSeconds = double(wall.nsecsElapsed()) / 1e9;
    const double cpu = vemtra::bench::cpuSeconds() - cpuAtStart;
    if (!result.ok) {
        std::fprintf(stderr, "bench_readout: read-out failed: %s\n", qPrintable(result.message()));
        return 1;
    }

    // Bytes taken and echoed: 17 of the header transfer and the log length of the
    // data transfer; plus "r" and its echo, "R" twice and five request bytes per request.
    const int logLength = *result.logLength;
    const double byteSeconds = vemtra::bench::byteSeconds(speed);
    const int lockStepBytes = protocol::kHeaderSize + 1 + logLength;
    const double pauses = 10 * 0.1;
    const double physical = (2 * lockStepBytes + 2 * (2 + 1 + 5)) * byteSeconds + pauses;
    std::printf("line: %s at %d bps\n", qPrintable(board.device()), speed);
    std::printf("read-out of %d data bytes (%d records): %.2f s; physical %.2f s "
                "(incl. %.1f s of pauses); ratio %.2f\n",
                logLength, result.records, wallSeconds, physical, pauses, wallSeconds / physical);
    std::printf("CPU: %.3f s over %.2f s wall (%.1f%%)\n", cpu, wallSeconds,
                100.0 * cpu / wallSeconds);
    std::printf("peak memory: %ld KiB (%ld KiB before the read-out)\n", peakKilobytes(),
                memoryBefore);

    QElapsedTimer viewerTime;
    viewerTime.start();
    readout::LIST list;
    list.loadFile(dataFile);
    list.show();
    QApplication::processEvents();
    const double viewerSeconds = double(viewerTime.nsecsElapsed()) / 1e9;
    std::printf("viewer: %d lines (%lld bytes) shown in %.3f s\n",
                list.RText1->document()->blockCount(), QFile(dataFile).size(), viewerSeconds);
    return 0;
}
