// How long the window of kept read-outs takes to list 1,000 of them: the
// folder read, every JSON parsed, the table filled and sorted newest first,
// offscreen. Prints the median of repeated listings, and the CPU seconds.
// Target: under 200 ms.

#include "bench_measure.h"
#include "readout/readout_library.h"
#include "readout/ui/readout_library_window.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSortFilterProxyModel>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace vemtra::readout;

namespace {

constexpr int kKept = 1000;
constexpr int kRuns = 15;

// A full 24C64 log of four channels each, as the data file has it.
QByteArray dataFile()
{
    QByteArray data = "ch2\tch3\tch4\tch1\t\r\n";
    for (int i = 0; i < 2043; ++i)
        data += QByteArray::number(i % 256) + "\t1\t2\t3\t:" + QByteArray::number(i) + "\r\n";
    return data;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("logs"));

    KeepRequest request;
    request.data = dataFile();
    request.header = {0x44, 0x80, 0xFC, 0x20, 0x4E, 0x00, 0x00, 0x10,
                      0x00, 0xFF, 0x1F, 0x00, 0x20, 0xFF, 0xFF, 0xA5};
    request.records = 2043;
    request.version = QStringLiteral("bench");
    const QDateTime start = QDateTime::currentDateTime().addDays(-30);
    for (int i = 0; i < kKept; ++i) {
        request.time = start.addSecs(i * 97);
        if (!keepReadOut(folder, request).ok) {
            std::fprintf(stderr, "cannot keep read-outs in %s\n", qPrintable(folder));
            return 1;
        }
    }

    const double cpuBefore = vemtra::bench::cpuSeconds();
    std::vector<double> ms;
    for (int run = 0; run < kRuns; ++run) {
        QElapsedTimer timer;
        timer.start();
        ReadoutLibraryWindow window(folder);
        if (window.proxy()->rowCount() != kKept) {
            std::fprintf(stderr, "listed %d of %d\n", window.proxy()->rowCount(), kKept);
            return 1;
        }
        ms.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    const double cpu = vemtra::bench::cpuSeconds() - cpuBefore;
    std::ranges::sort(ms);
    const double median = ms[ms.size() / 2];
    std::printf("%d kept read-outs listed: median %.1f ms, fastest %.1f ms, slowest %.1f ms "
                "(target 200 ms); %.3f CPU s per listing\n",
                kKept, median, ms.front(), ms.back(), cpu / kRuns);
    std::printf("RESULT library_list_ms=%.1f target_ms=200\n", median);
    return 0;
}
