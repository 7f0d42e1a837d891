// How LIVE_GRAPH draws from a long history, offscreen: 1 hour and 24 hours of
// voltmeter cycles at 50 a second, generated straight into the window's ring.
// Prints the median time of one redraw (the curves rebuilt from the pyramid
// and replotted) at span "all" and at 10 s, the cost of keeping one cycle, and
// the memory the 24-hour ring takes. Targets: a redraw well inside a 30-per-
// second frame (33 ms) at any span; 24 hours under 40 MB.

#include "chart/ui/live_graph_window.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <qcustomplot.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <functional>
#include <memory>
#include <numbers>
#include <vector>

using vemtra::chart::LiveGraphWindow;

namespace {

constexpr qint64 kHour = 3600LL * 50;
constexpr int kRuns = 30;

// The simulator's demo inputs, a silent CH3 now and then, and a break an hour.
void generate(LiveGraphWindow &window, qint64 cycles)
{
    const qint64 start = 1'796'000'000'000;
    auto raw = [](double volts) { return std::uint8_t(std::clamp(volts * 256 / 5, 0.0, 255.0)); };
    for (qint64 i = 0; i < cycles; ++i) {
        const double t = double(i) / 50;
        vemtra::voltmeter::ChannelReadings r;
        r[0] = raw(2.5 + 2 * std::sin(2 * std::numbers::pi * t / 7));
        r[1] = raw(5 * std::abs(std::fmod(t / 13, 1.0) * 2 - 1));
        if (i % 997 != 0)
            r[2] = raw(std::fmod(t, 3) < 1.5 ? 4.0 : 1.0);
        r[3] = raw(3.3 + 0.02 * double((i * 7919) % 5 - 2));
        if (i > 0 && i % kHour == 0)
            window.markBreak();
        window.history().append(r, start + i * 20);
    }
}

// This thread's CPU time: on a busy machine the wall clock also counts the
// waits for a core.
double threadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

double medianMs(const std::function<void()> &work)
{
    std::vector<double> ms;
    for (int run = 0; run < kRuns; ++run) {
        const double before = threadCpuMs();
        work();
        ms.push_back(threadCpuMs() - before);
    }
    std::ranges::sort(ms);
    return ms[ms.size() / 2];
}

// Resident anonymous memory of this process now, in KiB.
long anonKib()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("RssAnon:"))
            return line.mid(8).trimmed().split(' ').first().toLong();
    return 0;
}

struct Figures {
    double allMs, tenSecondsMs, curvesAllMs;
};

Figures redraws(LiveGraphWindow &window)
{
    window.resize(1000, 640);
    window.show();
    QApplication::processEvents();
    window.setSpan(LiveGraphWindow::Span::All);
    const double all = medianMs([&] { window.redraw(); });
    window.setSpan(LiveGraphWindow::Span::Seconds10);
    const double ten = medianMs([&] { window.redraw(); });
    window.hide();
    // The part that is ours: the curves taken from the pyramid, without the plot.
    const auto &history = window.history();
    const double curves = medianMs([&] {
        (void)history.curves(history.firstSeq(), history.endSeq(), window.plot()->width());
    });
    return {all, ten, curves};
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    Figures hour{}, day{};
    {
        LiveGraphWindow window(nullptr, kHour);
        generate(window, kHour);
        hour = redraws(window);
    }
    auto window = std::make_unique<LiveGraphWindow>();
    const long before = anonKib();
    QElapsedTimer timer;
    timer.start();
    generate(*window, 24 * kHour);
    const double appendNs = double(timer.nsecsElapsed()) / double(24 * kHour);
    const long ringKib = anonKib() - before;
    day = redraws(*window);

    std::printf("| redraw, 1 h of history, span \"all\" | %.2f ms |\n", hour.allMs);
    std::printf("| redraw, 1 h of history, span 10 s | %.2f ms |\n", hour.tenSecondsMs);
    std::printf("| redraw, 24 h of history, span \"all\" | %.2f ms |\n", day.allMs);
    std::printf("| redraw, 24 h of history, span 10 s | %.2f ms |\n", day.tenSecondsMs);
    std::printf("| of which the curves from the pyramid, 24 h, span \"all\" | %.2f ms |\n",
                day.curvesAllMs);
    std::printf("| keeping one cycle (ring and pyramid) | %.0f ns |\n", appendNs);
    std::printf(
        "| memory of 24 h of cycles (resident, measured; computed: %.1f MiB) | %.1f MiB |\n",
        double(window->history().memoryBytes()) / (1 << 20), double(ringKib) / 1024);
    return 0;
}
