#pragma once

// The chart windows as the main window sees them. LOG_GRAPH and LIVE_GRAPH draw
// with QCustomPlot, print through Qt Print Support and export SVG through Qt
// SVG, which nothing else of the program needs: they live in the chart module
// (vemtra-charts), which the window loads when the first chart opens, and are
// reached only through these interfaces.

#include "chart/log_chart.h"
#include "voltmeter/read_chx.h"

#include <QString>
#include <QtPlugin>

class QWidget;

namespace vemtra::chart {

// What the main window asks of LOG_GRAPH.
class LogGraph {
public:
    // Reads and shows a data file or CSV; on failure the window keeps what it
    // showed and says why.
    virtual bool openLog(const QString &path, const ChartOptions &options) = 0;

protected:
    ~LogGraph() = default;
};

// What the main window gives LIVE_GRAPH: the voltmeter's cycles.
class LiveGraph {
public:
    // One cycle read at `msecs` (milliseconds since the epoch).
    virtual void addCycle(const voltmeter::ChannelReadings &readings, qint64 msecs) = 0;
    // The next cycle has just gone to the line.
    virtual void cycleSent() = 0;
    // The voltmeter stopped or the link was lost.
    virtual void markBreak() = 0;

protected:
    ~LiveGraph() = default;
};

// The module's root object: makes the windows, each a top-level window even
// with a parent, which owns it. The window it returns casts (qobject_cast) to
// LogGraph or LiveGraph.
class ChartWindows {
public:
    virtual ~ChartWindows() = default;
    virtual QWidget *newLogGraph(QWidget *parent) = 0;
    virtual QWidget *newLiveGraph(QWidget *parent) = 0;
};

} // namespace vemtra::chart

// A module built from other sources than the program's fails the cast and is
// refused: raise the number whenever these interfaces or what they pass change.
#define VEMTRA_CHART_WINDOWS_IID "org.example.qel_vemtra.ChartWindows/1"
Q_DECLARE_INTERFACE(vemtra::chart::ChartWindows, VEMTRA_CHART_WINDOWS_IID)
Q_DECLARE_INTERFACE(vemtra::chart::LogGraph, "org.example.qel_vemtra.LogGraph/1")
Q_DECLARE_INTERFACE(vemtra::chart::LiveGraph, "org.example.qel_vemtra.LiveGraph/1")
