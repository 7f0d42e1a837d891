#pragma once

// Draws a LogChart with QCustomPlot and saves the picture: one drawing for the
// LOG_GRAPH window and for vemtra-plot.

#include "chart/log_chart.h"

#include <QString>

#include <optional>

class QCustomPlot;

namespace vemtra::chart {

// Replaces whatever the plot showed: one graph per curve, legend, axis labels,
// the whole log in view. Does not replot.
void drawChart(QCustomPlot &plot, const LogChart &chart);

// Adds a second log's curves after those of drawChart: dashed, in the same
// colours, named with a suffix. `chart` is already on the first log's axis.
void addCompareCurves(QCustomPlot &plot, const LogChart &chart, const QString &suffix);

// The whole time span and the full value scale.
void showWholeChart(QCustomPlot &plot, const LogChart &chart);

enum class ImageFormat { Png, Svg, Pdf };

// By the file name's extension, in any letter case; nothing for others.
std::optional<ImageFormat> imageFormatFor(const QString &path);

// Saves the plot at width × height pixels (0: its own size). On failure
// returns false and puts an English reason into `error`.
bool saveChartImage(QCustomPlot &plot, const QString &path, int width, int height, QString *error);

} // namespace vemtra::chart
