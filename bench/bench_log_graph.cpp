// How long LOG_GRAPH takes to draw a full 24C256 log: 8,188 records of four
// channels (32,752 bytes after the header), offscreen. Prints the median of
// repeated replots of the window, with the curves thinned to the pixels
// (as shown) and without (for comparison), and of a full render into an image
// as vemtra-plot does. Target: well under 100 ms per draw.
// Then the measuring: minimum, maximum and mean of every channel over the
// whole log and over ranges of every width, and the window's update of its
// statistics and cursor tables when the view moves (no replot). Target:
// under 20 ms each.

#include "chart/log_chart.h"
#include "chart/ui/log_graph_window.h"

#include <QApplication>
#include <QRandomGenerator>
#include <QElapsedTimer>
#include <qcustomplot.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <numbers>
#include <vector>

using namespace vemtra::chart;

namespace {

constexpr int kRecords = 32752 / 4;
constexpr int kRuns = 30;

// The simulator's demo inputs: sine, triangle, square and a steady 3.3 V.
LogRecords fullLog()
{
    LogRecords log;
    log.logged = {true, true, true, true};
    log.records = kRecords;
    auto raw = [](double volts) { return std::uint8_t(std::clamp(volts * 256 / 5, 0.0, 255.0)); };
    for (int i = 0; i < kRecords; ++i) {
        const double t = i;
        log.raw[0].append(raw(2.5 + 2 * std::sin(2 * std::numbers::pi * t / 400)));
        log.raw[1].append(raw(5 * std::abs(std::fmod(t / 600, 1.0) * 2 - 1)));
        log.raw[2].append(raw(std::fmod(t, 200) < 100 ? 4.0 : 1.0));
        log.raw[3].append(raw(3.3 + 0.02 * ((i * 7919) % 5 - 2)));
    }
    return log;
}

double medianMs(const std::function<void()> &draw)
{
    std::vector<double> ms;
    for (int run = 0; run < kRuns; ++run) {
        QElapsedTimer timer;
        timer.start();
        draw();
        ms.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::ranges::sort(ms);
    return ms[ms.size() / 2];
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    ChartOptions options;
    options.intervalSeconds = 1;
    QElapsedTimer timer;
    timer.start();
    const ChartResult made = makeChart(fullLog(), options);
    const double modelMs = timer.nsecsElapsed() / 1e6;

    LogGraphWindow window;
    window.resize(1000, 640);
    window.show();
    QApplication::processEvents();
    window.showChart(made.chart, QStringLiteral("(generated 24C256 log)"));
    QCustomPlot *plot = window.plot();

    auto replot = [plot] { plot->replot(QCustomPlot::rpImmediateRefresh); };
    const double thinned = medianMs(replot);
    const double image = medianMs([plot] { plot->toPixmap(1000, 600); });
    for (int g = 0; g < plot->graphCount(); ++g)
        plot->graph(g)->setAdaptiveSampling(false);
    const double full = medianMs(replot);

    std::printf("LOG_GRAPH, 24C256 log: %d records x 4 channels, plot %dx%d, median of %d\n",
                kRecords, plot->width(), plot->height(), kRuns);
    std::printf("  chart model from the records   %7.2f ms\n", modelMs);
    std::printf("  replot, adaptive sampling on   %7.2f ms\n", thinned);
    std::printf("  render to a 1000x600 image     %7.2f ms\n", image);
    std::printf("  replot, adaptive sampling off  %7.2f ms (comparison)\n", full);

    // Ranges from a fixed seed, so runs compare alike.
    const LogChart &chart = made.chart;
    QRandomGenerator random(22);
    auto someRange = [&] {
        const double a = random.bounded(chart.xMax), b = random.bounded(chart.xMax);
        return std::pair(std::min(a, b), std::max(a, b));
    };
    volatile double sink = 0; // keeps the work from being optimised away
    const double wholeStats = medianMs([&] {
        sink = sink + rangeStatistics(chart, recordsBetween(chart, 0, chart.xMax)).first().mean;
    });
    const double someStats = medianMs([&] {
        const auto [a, b] = someRange();
        sink = sink + rangeStatistics(chart, recordsBetween(chart, a, b)).first().records;
    });
    window.setCursorRecord(0, 100);
    window.setCursorRecord(1, kRecords - 100);
    const double viewMove = medianMs([&] {
        const auto [a, b] = someRange();
        plot->xAxis->setRange(a, b + 1);
    });
    std::printf("  statistics of the whole log    %7.3f ms (target 20 ms)\n", wholeStats);
    std::printf("  statistics of a random range   %7.3f ms\n", someStats);
    std::printf("  view moved: both tables anew   %7.3f ms (target 20 ms)\n", viewMove);
    return 0;
}
