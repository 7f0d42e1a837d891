#include "chart/ui/chart_plot.h"

#include "chart/ui/chart_texts.h"
#include "serial/output_file.h"

#include <QFile>
#include <QFileInfo>
#include <QSvgGenerator>
#include <QTemporaryDir>
#include <qcustomplot.h>

namespace vemtra::chart {

namespace {

// A two-pixel polyline of a full log through Qt's stroker takes a quarter of
// a second, on screen and in a picture alike; the same curve drawn as
// separate segments takes milliseconds and looks the same. Vector pictures
// and dashed lines keep the polyline, whose joins they need.
class CurveGraph : public QCPGraph {
public:
    using QCPGraph::QCPGraph;

protected:
    void drawLinePlot(QCPPainter *painter, const QVector<QPointF> &points) const override
    {
        const QPen &pen = painter->pen();
        if (painter->modes().testFlag(QCPPainter::pmVectorized) || pen.style() != Qt::SolidLine ||
            pen.color().alpha() == 0) {
            QCPGraph::drawLinePlot(painter, points);
            return;
        }
        applyDefaultAntialiasingHint(painter);
        const bool exact = painter->antialiasing();
        QVector<QLineF> segments;
        segments.reserve(points.size());
        for (qsizetype i = 1; i < points.size(); ++i) {
            const QPointF &a = points[i - 1], &b = points[i];
            // A missing reading is a gap in the curve.
            if (qIsNaN(a.x()) || qIsNaN(a.y()) || qIsNaN(b.x()) || qIsNaN(b.y()))
                continue;
            segments.append(exact ? QLineF(a, b) : QLineF(a.toPoint(), b.toPoint()));
        }
        painter->drawLines(segments);
    }
};

} // namespace

void drawChart(QCustomPlot &plot, const LogChart &chart)
{
    plot.clearGraphs();
    for (const ChannelCurve &curve : chart.curves) {
        QCPGraph *graph = new CurveGraph(plot.xAxis, plot.yAxis);
        graph->setName(curve.name);
        // Two pixels wide: a one-pixel line in a light hue is hard to follow.
        graph->setPen(QPen(QColor::fromRgb(curve.rgb), 2));
        // Thins a long log to what the pixels can show, so a full EEPROM
        // still draws and pans at once. On by default; said here because the
        // speed depends on it.
        graph->setAdaptiveSampling(true);
        graph->setData(curve.x, curve.y, true);
    }
    plot.xAxis->setLabel(texts::timeAxis(chart.time.unit));
    plot.yAxis->setLabel(texts::valueAxis(chart.referenceCh4));
    plot.legend->setVisible(true);
    plot.legend->setBrush(QColor(255, 255, 255, 220));
    plot.axisRect()->insetLayout()->setInsetAlignment(0, Qt::AlignTop | Qt::AlignRight);
    showWholeChart(plot, chart);
}

void addCompareCurves(QCustomPlot &plot, const LogChart &chart, const QString &suffix)
{
    for (const ChannelCurve &curve : chart.curves) {
        QCPGraph *graph = plot.addGraph();
        graph->setName(curve.name + suffix);
        graph->setPen(QPen(QColor::fromRgb(curve.rgb), 2, Qt::DashLine));
        graph->setAdaptiveSampling(true);
        graph->setData(curve.x, curve.y, true);
    }
}

void showWholeChart(QCustomPlot &plot, const LogChart &chart)
{
    plot.xAxis->setRange(0, chart.xMax > 0 ? chart.xMax : 1);
    plot.yAxis->setRange(0, chart.valueMax);
}

std::optional<ImageFormat> imageFormatFor(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("png"))
        return ImageFormat::Png;
    if (suffix == QLatin1String("svg"))
        return ImageFormat::Svg;
    if (suffix == QLatin1String("pdf"))
        return ImageFormat::Pdf;
    return std::nullopt;
}

namespace {

bool saveSvg(QCustomPlot &plot, const QString &path, int width, int height, QString *error)
{
    serial::OutputFile file(path);
    if (!file.open()) {
        *error = QStringLiteral("cannot create %1: %2").arg(path, file.errorString());
        return false;
    }
    const int w = width > 0 ? width : plot.width();
    const int h = height > 0 ? height : plot.height();
    QSvgGenerator svg;
    svg.setOutputDevice(&file.device());
    svg.setSize(QSize(w, h));
    svg.setViewBox(QRect(0, 0, w, h));
    // Screen pixels, so a viewer shows the picture at the size asked for.
    svg.setResolution(96);
    svg.setTitle(QStringLiteral("LOG_GRAPH"));
    QCPPainter painter;
    if (!painter.begin(&svg)) {
        *error = QStringLiteral("cannot draw into %1").arg(path);
        return false;
    }
    painter.setMode(QCPPainter::pmVectorized);
    plot.toPainter(&painter, w, h);
    painter.end();
    if (!file.commit()) {
        *error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

} // namespace

bool saveChartImage(QCustomPlot &plot, const QString &path, int width, int height, QString *error)
{
    const auto format = imageFormatFor(path);
    if (!format) {
        *error = QStringLiteral("%1: the name must end in .png, .svg or .pdf").arg(path);
        return false;
    }
    if (*format == ImageFormat::Svg)
        return saveSvg(plot, path, width, height, error);
    // The plot writes PNG and PDF only to a file name of its own choosing, and
    // straight into it; it draws into a private folder, and the picture then
    // goes to `path` as every file of the program does.
    QTemporaryDir drawing;
    const QString drawn = drawing.filePath(QStringLiteral("chart.") + QFileInfo(path).suffix());
    const bool saved =
        drawing.isValid() &&
        (*format == ImageFormat::Png
             ? plot.savePng(drawn, width, height)
             : plot.savePdf(drawn, width, height, QCP::epAllowCosmetic,
                            QStringLiteral("QEL-Vemtra"), QStringLiteral("LOG_GRAPH")));
    QFile picture(drawn);
    if (!saved || !picture.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot draw into %1").arg(path);
        return false;
    }
    serial::OutputFile file(path);
    if (!file.open() || file.device().write(picture.readAll()) != picture.size() ||
        !file.commit()) {
        *error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

} // namespace vemtra::chart
