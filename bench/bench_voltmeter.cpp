// The voltmeter against the paced board simulator, through the real link worker
// and serial port code: how long one four-channel cycle takes next to the line's
// own time for its 16 bytes, how many ticks of the timer (20 ms at 19200 bps,
// 50 ms at 9600) the voltmeter keeps up with over a fixed period, with its graph
// and text boxes shown so that painting counts, and the CPU it costs.
//
//   bench_voltmeter [--device DEV] [--baud 19200|9600] [--seconds S] [--cycles N]
//
// Without --device it starts its own simulator. The last line of output is
// "RESULT key=value ...", for scripts/bench.

#include "bench_measure.h"
#include "board_process.h"
#include "serial/link_worker.h"
#include "voltmeter/ui/graph_view.h"
#include "voltmeter/ui/voltmeter.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

using namespace vemtra;
using vemtra::testing::BoardProcess;

namespace {

// Four "g" exchanges: letter, echo, select byte, reading.
constexpr int bytesPerCycle = 16;

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

// Runs the event loop until `done` holds or `ms` pass. The loop sleeps until an
// event comes (a job's result, a timer tick, the 10 ms wake-up), so waiting here
// costs no CPU of its own.
bool waitFor(const std::function<bool()> &done, int ms)
{
    QTimer wakeUp;
    wakeUp.start(10);
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return done();
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    auto option = [&](const char *name, const QString &fallback) {
        const int at = args.indexOf(QLatin1String(name));
        return at > 0 && at + 1 < args.size() ? args[at + 1] : fallback;
    };
    QString device = option("--device", QString());
    const int speed = option("--baud", QStringLiteral("19200")).toInt();
    const int modeSeconds = option("--seconds", QStringLiteral("60")).toInt();
    const int cycles = option("--cycles", QStringLiteral("100")).toInt();

    BoardProcess board({"--baud", QString::number(speed), "--inputs", "const", "--quiet"});
    if (device.isEmpty()) {
        QString error;
        if (!board.start(&error)) {
            std::fprintf(stderr, "bench_voltmeter: %s\n", qPrintable(error));
            return 1;
        }
        device = board.device();
    }
    serial::LinkWorker worker;
    bool opened = false;
    worker.open(device, speed, [&](bool ok, const QString &why) {
        opened = ok;
        if (!ok)
            std::fprintf(stderr, "bench_voltmeter: %s\n", qPrintable(why));
    });
    if (!waitFor([&] { return worker.isOpen(); }, 5000) || !opened)
        return 1;

    const double physical = bytesPerCycle * 10.0 / speed;

    // One cycle at a time, from posting the job to its result on this thread.
    std::vector<double> wall, onLine;
    int failed = 0;
    for (int i = 0; i < cycles; ++i) {
        QElapsedTimer t;
        t.start();
        bool done = false;
        auto lineSeconds = std::make_shared<double>(0.0);
        auto readings = std::make_shared<voltmeter::ChannelReadings>();
        worker.post(
            [lineSeconds, readings](serial::Line &line) {
                QElapsedTimer l;
                l.start();
                *readings = voltmeter::readAllChannels(line);
                *lineSeconds = double(l.nsecsElapsed()) / 1e9;
            },
            [&] { done = true; });
        waitFor([&] { return done; }, 10000);
        wall.push_back(double(t.nsecsElapsed()) / 1e9);
        onLine.push_back(*lineSeconds);
        for (const auto &r : *readings)
            failed += r ? 0 : 1;
    }

    // Voltmeter mode as the window runs it, its widgets on screen.
    const int interval = speed == 19200 ? 20 : 50;
    QWidget window;
    auto *layout = new QVBoxLayout(&window);
    auto *check1 = new QCheckBox(&window);
    // The window's GP1 at its design size.
    auto *gp1 = new voltmeter::GraphView(4830, 1525, &window);
    layout->addWidget(check1);
    layout->addWidget(gp1);
    voltmeter::VoltmeterView view{check1, nullptr, gp1, {}, {}};
    for (int i = 0; i < 4; ++i) {
        view.Text1[i] = new QLineEdit(&window);
        view.Text2[i] = new QLineEdit(&window);
        layout->addWidget(view.Text1[i]);
        layout->addWidget(view.Text2[i]);
    }
    QTimer timer1;
    timer1.setInterval(interval);
    view.Timer1 = &timer1;
    window.show();
    voltmeter::Voltmeter vm(view, worker, nullptr);
    int timerTicks = 0;
    QObject::connect(&timer1, &QTimer::timeout, [&] { ++timerTicks; });
    const double cpuBefore = vemtra::bench::cpuSeconds();
    QElapsedTimer mode;
    mode.start();
    check1->setChecked(true);
    waitFor([&] { return mode.elapsed() >= modeSeconds * 1000; }, modeSeconds * 1000 + 1000);
    check1->setChecked(false);
    const double modeWall = double(mode.nsecsElapsed()) / 1e9;
    const double modeCpu = vemtra::bench::cpuSeconds() - cpuBefore;
    waitFor([&] { return !vm.isTickPending(); }, 5000);

    std::printf("four-channel cycle at %d bps, %d cycles (%d readings lost)\n", speed, cycles,
                failed);
    std::printf("  line time of %d bytes       %8.2f ms\n", bytesPerCycle, physical * 1e3);
    std::printf("  median cycle, window to window %8.2f ms  ratio %.2f\n", median(wall) * 1e3,
                median(wall) / physical);
    std::printf("  median cycle, on the worker    %8.2f ms  ratio %.2f\n", median(onLine) * 1e3,
                median(onLine) / physical);
    std::printf("voltmeter mode, Timer1 %d ms, %.1f s\n", interval, modeWall);
    std::printf("  timer ticks %d, cycles done %d, skipped %d\n", timerTicks, vm.completedTicks(),
                vm.skippedTicks());
    std::printf("  sustained rate %.1f cycles/s against %.1f ticks/s (%.0f %%)\n",
                vm.completedTicks() / modeWall, 1000.0 / interval,
                100.0 * vm.completedTicks() * interval / (modeWall * 1000.0));
    std::printf("  CPU %.2f s per minute of voltmeter mode (%.1f %% of wall)\n",
                modeCpu * 60.0 / modeWall, 100.0 * modeCpu / modeWall);
    std::printf("RESULT wall=%.4f cycles=%d skipped=%d median=%.6f worker_median=%.6f cpu=%.4f\n",
                modeWall, vm.completedTicks(), vm.skippedTicks(), median(wall), median(onLine),
                modeCpu);

    worker.close();
    board.stop();
    return 0;
}
