#pragma once

// LOG_GRAPH: a log as a chart in its own non-modal window. Wheel, drag, a
// rubber band (Ctrl+drag) and double-click move around the log; the label
// under the plot reads out the record under the mouse; the view can be saved
// as PNG, SVG or PDF.

#include "chart/log_chart.h"

#include <QPoint>
#include <QWidget>

#include <optional>

class QCPItemStraightLine;
class QCPLayer;
class QCustomPlot;
class QLabel;
class QMouseEvent;
class QPushButton;
class QWheelEvent;

namespace vemtra::chart {

class LogGraphWindow : public QWidget {
    Q_OBJECT
public:
    // A top-level window even with a parent; the parent only owns it.
    explicit LogGraphWindow(QWidget *parent = nullptr);

    // Reads and shows a data file or CSV. On failure the window keeps what it
    // showed, the label says why, and false comes back.
    bool openLog(const QString &path, const ChartOptions &options = {});
    void showChart(const LogChart &chart, const QString &source);

    // The view as it is, at the plot's size.
    bool saveImage(const QString &path, QString *error);

    QCustomPlot *plot() const { return plot_; }
    const LogChart &chart() const { return chart_; }

public slots:
    void showAll();

private:
    void chooseFileToOpen();
    void chooseImageFile();
    void onWheel(QWheelEvent *event);
    void onPress(QMouseEvent *event);
    void onMove(QMouseEvent *event);
    void updateCursor();
    bool eventFilter(QObject *watched, QEvent *event) override;
    void setMessage(const QString &text);

    QPushButton *cmdOpen_;
    QPushButton *cmdShowAll_;
    QPushButton *cmdSaveImage_;
    QLabel *lblSource_;
    QCustomPlot *plot_;
    QLabel *lblCursor_;
    QCPLayer *cursorLayer_ = nullptr;
    QCPItemStraightLine *cursorLine_ = nullptr;
    LogChart chart_;
    QString lastFolder_;
    std::optional<QPoint> mouse_; // over the plot; nothing once it has left
};

} // namespace vemtra::chart
