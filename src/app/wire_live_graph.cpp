#include "app/app_controller.h"

#include "app/vemtra.h"
#include "chart/module/chart_windows.h"
#include "voltmeter/ui/voltmeter.h"

#include <QAction>
#include <QCheckBox>
#include <QDateTime>

namespace vemtra::app {

// ファイル → ライブグラフ表示 opens LIVE_GRAPH on the voltmeter's cycles.
void AppController::wireLiveGraph()
{
    connect(window_->nmuLiveGraph, &QAction::triggered, this, &AppController::nmuLiveGraph_Click);
}

QWidget *AppController::liveGraph() const
{
    return liveGraph_;
}

void AppController::nmuLiveGraph_Click()
{
    if (!liveGraph_) {
        chart::ChartWindows *charts = chartWindows();
        if (!charts)
            return;
        liveGraph_ = charts->newLiveGraph(window_.get());
        // Fed from the voltmeter's cycles on the window's thread, as they are
        // shown in the reading boxes; closed, it keeps them for its return.
        auto *v = findChild<voltmeter::Voltmeter *>(QStringLiteral("voltmeter"));
        QWidget *window = liveGraph_;
        auto *live = qobject_cast<chart::LiveGraph *>(window);
        connect(v, &voltmeter::Voltmeter::cycleRead, window,
                [live](const voltmeter::ChannelReadings &readings) {
                    live->addCycle(readings, QDateTime::currentMSecsSinceEpoch());
                });
        connect(v, &voltmeter::Voltmeter::cycleSent, window, [live] { live->cycleSent(); });
        // Each new run of the voltmeter, after a stop or a lost link, begins
        // its own stretch of curve.
        connect(window_->Check1, &QCheckBox::toggled, window, [live](bool on) {
            if (on)
                live->markBreak();
        });
        connect(worker_.get(), &serial::LinkWorker::linkLost, window,
                [live] { live->markBreak(); });
    }
    liveGraph_->show();
    liveGraph_->raise();
    liveGraph_->activateWindow();
    // The chart draws the voltmeter's cycles.
    if (!window_->Check1->isChecked() && window_->Check1->isEnabled())
        window_->Check1->setChecked(true);
}

} // namespace vemtra::app
