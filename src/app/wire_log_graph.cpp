#include "app/app_controller.h"

#include "app/vemtra.h"
#include "chart/module/chart_windows.h"
#include "readout/csv_export.h"
#include "readout/ui/readout_controller.h"
#include "serial/protocol.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>

namespace vemtra::app {

// ファイル → ロググラフ表示 and the viewer's button open LOG_GRAPH on the data
// file; a finished read-out redraws an open LOG_GRAPH.
void AppController::wireLogGraph()
{
    connect(window_->nmuLogGraph, &QAction::triggered, this, &AppController::nmuLogGraph_Click);
    // The data file can appear or go without this program knowing: look again
    // whenever the menu opens, and after each read-out.
    connect(window_->nmuFile, &QMenu::aboutToShow, this, &AppController::updateLogGraph);
    connect(readout_, &readout::ReadoutController::finished, this, [this](bool ok) {
        updateLogGraph();
        if (ok && logGraph_ && logGraph_->isVisible())
            nmuLogGraph_Click();
    });
    readout_->setGraphOpener([this] { nmuLogGraph_Click(); });
    updateLogGraph();
}

QWidget *AppController::logGraph() const
{
    return logGraph_;
}

void AppController::updateLogGraph()
{
    window_->nmuLogGraph->setEnabled(readout_ && QFileInfo::exists(readout_->dataFilePath()));
}

void AppController::nmuLogGraph_Click()
{
    if (!readout_)
        return;
    // A read-out of this run knows the interval and the reference; a data file
    // from before does not, and its axis then counts records.
    chart::ChartOptions options;
    if (const auto &header = readout_->lastReadOutHeader()) {
        const readout::CsvLayout layout = readout::CsvLayout::fromReadBack(*header);
        if (layout.interval)
            options.intervalSeconds = double(*layout.interval) / protocol::kStepsPerSecond;
        options.referenceCh4 = layout.referenceCh4;
    }
    openLogGraph(readout_->dataFilePath(), options);
}

void AppController::openLogGraph(const QString &dataFile, const chart::ChartOptions &options)
{
    if (!logGraph_) {
        chart::ChartWindows *charts = chartWindows();
        if (!charts)
            return;
        logGraph_ = charts->newLogGraph(window_.get());
    }
    qobject_cast<chart::LogGraph *>(logGraph_)->openLog(dataFile, options);
    logGraph_->show();
    logGraph_->raise();
    logGraph_->activateWindow();
}

} // namespace vemtra::app
