// A full read-out the way the window runs it, without the window itself: the
// connection and the read-out are jobs on the link worker, their progress comes
// back through the event loop to a progress bar on this thread, and the viewer
// is built from the file at the end. Measured: the time from the first job to
// the result, the time the viewer takes to show, the CPU and peak memory of the
// whole process, and the longest time the event loop went without handling
// events (a 5 ms timer) in each phase.
//
// These are not the window's own figures: the window has its own widgets and
// memory; those come from the program itself (VEMTRA_STALL_PROBE).
//
//   bench_readout [--device DEV]
//
// Without --device it starts its own simulator with a full 24C256 log. The last
// line of output is "RESULT key=value ...", for scripts/bench.

#include "app/stall_probe.h"
#include "bench_measure.h"
#include "board_process.h"
#include "readout/ui/list_viewer.h"
#include "readout/readout_exchange.h"
#include "serial/connect.h"
#include "serial/link_worker.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <functional>
#include <memory>

using namespace vemtra;
using testing::BoardProcess;

namespace {

constexpr int speed = 19200;

// Runs the event loop, as the window's would, until `done` holds.
void runUntil(const std::function<bool()> &done)
{
    while (!done())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int deviceAt = args.indexOf(QStringLiteral("--device"));
    QString device = deviceAt > 0 && deviceAt + 1 < args.size() ? args[deviceAt + 1] : QString();

    BoardProcess board({QStringLiteral("--eeprom"), QStringLiteral("24C256"),
                        QStringLiteral("--log-at-power-up"), QStringLiteral("--time-factor"),
                        QStringLiteral("10000000"), QStringLiteral("--quiet")});
    if (device.isEmpty()) {
        QString error;
        if (!board.start(&error)) {
            std::fprintf(stderr, "bench_readout: %s\n", qPrintable(error));
            return 2;
        }
        device = board.device();
    }
    QTemporaryDir dir;
    const QString dataFile = dir.filePath(QStringLiteral("QEL_ADC.txt"));

    QProgressBar bar;
    bar.show();
    StallProbe probe;
    probe.start();

    const double cpuAtStart = bench::cpuSeconds();
    QElapsedTimer wall;
    wall.start();

    probe.begin(QStringLiteral("connect"));
    serial::LinkWorker worker;
    bool opened = false, connected = false, finished = false;
    worker.open(device, 9600, [&](bool ok, const QString &) { opened = ok; });
    auto connection = std::make_shared<serial::ConnectResult>();
    worker.post(
        [connection](serial::Line &line) {
            serial::ConnectObserver observer;
            *connection = serial::connectBoard(line, observer);
        },
        [&] { connected = true; });
    runUntil([&] { return connected; });
    const bool atFullSpeed = connection->outcome == serial::ConnectOutcome::Found19200 ||
                             connection->outcome == serial::ConnectOutcome::Switched;
    if (!opened || !atFullSpeed) {
        std::fprintf(stderr, "bench_readout: no board at %d bps on %s\n", speed,
                     qPrintable(device));
        return 2;
    }
    const double connectSeconds = double(wall.nsecsElapsed()) / 1e9;

    probe.begin(QStringLiteral("transfer"));
    auto result = std::make_shared<readout::ReadoutResult>();
    const serial::JobNews news = worker.newsFor(&bar);
    worker.post(
        [result, dataFile, news, &bar](serial::Line &line) {
            readout::ReadoutObserver observer;
            observer.progress = [news, &bar](int position, int maximum) {
                news([&bar, position, maximum] {
                    bar.setRange(1, maximum);
                    bar.setValue(position);
                });
            };
            *result = readout::readOutLog(line, dataFile, observer);
        },
        [&] { finished = true; });
    runUntil([&] { return finished; });
    const double wallSeconds = double(wall.nsecsElapsed()) / 1e9;
    const double cpu = bench::cpuSeconds() - cpuAtStart;
    if (!result->ok) {
        std::fprintf(stderr, "bench_readout: read-out failed: %s\n", qPrintable(result->message()));
        return 1;
    }

    probe.begin(QStringLiteral("viewer"));
    QElapsedTimer viewerTime;
    viewerTime.start();
    readout::LIST list;
    list.loadFile(dataFile);
    list.show();
    QCoreApplication::processEvents();
    const double viewerSeconds = double(viewerTime.nsecsElapsed()) / 1e9;
    probe.begin(QStringLiteral("end"));
    probe.stop();

    // Lock-step bytes: the 17 of the header transfer and the log length of the
    // data transfer, each crossing twice; pauses: eleven for a connection with
    // the speed change, five for each "r" request.
    const int logLength = *result->logLength;
    const int lockStep = protocol::kHeaderSize + 1 + logLength;
    const double pauses = connection->outcome == serial::ConnectOutcome::Switched ? 2.1 : 1.3;
    const double physical = pauses + 2.0 * lockStep * bench::byteSeconds(speed);
    std::printf("read-out through the link worker on %s: connect %.2f s, total %.2f s for %d "
                "data bytes (%d records); physical %.2f s; ratio %.3f\n",
                qPrintable(device), connectSeconds, wallSeconds, logLength, result->records,
                physical, wallSeconds / physical);
    std::printf("CPU %.3f s over %.2f s wall (%.1f %%)\n", cpu, wallSeconds,
                100.0 * cpu / wallSeconds);
    std::printf("viewer: %d lines (%lld bytes) shown in %.3f s\n",
                list.RText1->document()->blockCount(), QFile(dataFile).size(), viewerSeconds);
    std::printf("%s", qPrintable(probe.report()));
    double transferGap = 0, viewerGap = 0;
    for (const auto &phase : probe.phases()) {
        if (phase.name == QLatin1String("transfer"))
            transferGap = double(phase.longestGapUs) / 1000.0;
        if (phase.name == QLatin1String("viewer"))
            viewerGap = double(phase.longestGapUs) / 1000.0;
    }
    std::printf("RESULT wall=%.4f cpu=%.4f viewer=%.4f lockstep=%d transfer_gap_ms=%.1f "
                "viewer_gap_ms=%.1f peak_kb=%ld\n",
                wallSeconds, cpu, viewerSeconds, lockStep, transferGap, viewerGap,
                StallProbe::peakKilobytes());
    worker.close();
    return 0;
}
