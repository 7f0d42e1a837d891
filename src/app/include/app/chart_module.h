#pragma once

// Where the program gets LOG_GRAPH and LIVE_GRAPH: the chart module
// (vemtra-charts), loaded the first time a chart opens, so that its plot,
// print and SVG libraries are never mapped into a window that shows no chart.

#include <QString>
#include <QStringList>

namespace vemtra::chart {
class ChartWindows;
}

namespace vemtra::app {

class ChartModule {
public:
    // The folders looked in, in order: the program's own folder (the build
    // tree, or a copy of both files run from elsewhere), then the installed
    // program's private library folder, found from the program's folder.
    static QStringList defaultFolders();

    explicit ChartModule(QStringList folders = defaultFolders()) : folders_(std::move(folders)) {}

    // The module's file in the first folder that has one; empty if none has.
    QString path() const;
    // The chart windows: the module linked into the program, where it is,
    // else the one loaded from path(). Nothing, and the reason in the
    // program's words in `error`, when there is no module or it is refused.
    chart::ChartWindows *windows(QString *error);

private:
    QStringList folders_;
    chart::ChartWindows *windows_ = nullptr;
};

} // namespace vemtra::app
