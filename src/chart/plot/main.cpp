// vemtra-plot: the LOG_GRAPH chart of a data file or CSV as a PNG, SVG or PDF
// file, without a display.

#include "chart/log_chart.h"
#include "chart/ui/chart_plot.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QRegularExpression>
#include <qcustomplot.h>

#include <cstdio>

using namespace vemtra::chart;

namespace {

enum Exit { Ok = 0, BadArguments = 2, FileError = 5 };

int fail(int code, const QString &message)
{
    std::fprintf(stderr, "vemtra-plot: %s\n", qPrintable(message));
    return code;
}

} // namespace

int main(int argc, char *argv[])
{
    // A picture needs no screen: without one, draw offscreen rather than fail
    // to connect to a display that is not there.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vemtra-plot"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Draws a QEL_ADC.txt data file or a QEL-Vemtra CSV as a chart: one curve per logged "
        "channel, time on the board's clock, values in volts (or as the fraction of CH4).\n"
        "The output format follows the extension: .png, .svg or .pdf.\n"
        "Exit status: 0 done, 2 bad arguments, 5 file error."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("INPUT"),
                                 QStringLiteral("QEL_ADC.txt or a CSV written by QEL-Vemtra"));
    const QCommandLineOption output(QStringLiteral("output"),
                                    QStringLiteral("Picture to write (.png, .svg, .pdf)."),
                                    QStringLiteral("FILE"));
    const QCommandLineOption interval(
        QStringLiteral("interval"),
        QStringLiteral("Seconds between records, for a data file (else the axis counts "
                       "records); a CSV's own time_s comes first."),
        QStringLiteral("S"));
    const QCommandLineOption size(QStringLiteral("size"),
                                  QStringLiteral("Picture size in pixels (default 1000x600)."),
                                  QStringLiteral("WxH"), QStringLiteral("1000x600"));
    const QCommandLineOption reference(
        QStringLiteral("ch4-reference"),
        QStringLiteral("The log was taken against CH4: values as the fraction of CH4."));
    parser.addOptions({output, interval, size, reference});

    if (!parser.parse(QApplication::arguments()))
        return fail(BadArguments, parser.errorText());
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(Ok);
    const QStringList inputs = parser.positionalArguments();
    if (inputs.size() != 1)
        return fail(BadArguments, QStringLiteral("give exactly one INPUT file"));
    if (!parser.isSet(output))
        return fail(BadArguments, QStringLiteral("--output FILE is missing"));
    const QString outPath = parser.value(output);
    if (!imageFormatFor(outPath))
        return fail(BadArguments,
                    QStringLiteral("%1: the name must end in .png, .svg or .pdf").arg(outPath));

    static const QRegularExpression sizePattern(QStringLiteral("^(\\d{2,5})x(\\d{2,5})$"));
    const auto sizeMatch = sizePattern.match(parser.value(size));
    const int width = sizeMatch.hasMatch() ? sizeMatch.captured(1).toInt() : 0;
    const int height = sizeMatch.hasMatch() ? sizeMatch.captured(2).toInt() : 0;
    if (width < 100 || height < 100 || width > 10000 || height > 10000)
        return fail(
            BadArguments,
            QStringLiteral("--size %1: give WxH, each 100..10000 pixels").arg(parser.value(size)));

    ChartOptions options;
    options.referenceCh4 = parser.isSet(reference);
    if (parser.isSet(interval)) {
        bool ok = false;
        const double seconds = parser.value(interval).toDouble(&ok);
        if (!ok || !(seconds > 0) || !qIsFinite(seconds))
            return fail(
                BadArguments,
                QStringLiteral("--interval %1: give seconds above 0").arg(parser.value(interval)));
        options.intervalSeconds = seconds;
    }

    const LoadResult loaded = loadLogFile(inputs.first());
    if (!loaded.ok())
        return fail(FileError, inputs.first() + QStringLiteral(": ") + describe(loaded));
    const ChartResult made = makeChart(loaded.log, options);
    if (!made.ok())
        return fail(BadArguments, QStringLiteral("the interval is not usable"));

    QCustomPlot plot;
    plot.resize(width, height);
    drawChart(plot, made.chart);
    QString error;
    if (!saveChartImage(plot, outPath, width, height, &error))
        return fail(FileError, error);
    return Ok;
}
