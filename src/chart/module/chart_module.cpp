// The chart module's root object: the one way into vemtra-charts.

#include "chart/module/chart_windows.h"
#include "chart/ui/live_graph_window.h"
#include "chart/ui/log_graph_window.h"

#include <QObject>

namespace vemtra::chart {

class ChartModule : public QObject, public ChartWindows {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID VEMTRA_CHART_WINDOWS_IID)
    Q_INTERFACES(vemtra::chart::ChartWindows)
public:
    QWidget *newLogGraph(QWidget *parent) override { return new LogGraphWindow(parent); }
    QWidget *newLiveGraph(QWidget *parent) override { return new LiveGraphWindow(parent); }
};

} // namespace vemtra::chart

#include "chart_module.moc"
