#pragma once

// LOG_GRAPH: a log as a chart in its own non-modal window. Wheel, drag, a
// rubber band (Ctrl+drag), double-click and keys move around the log; the
// label under the plot reads out the record under the mouse. Beside the plot:
// two cursors with each channel's value at both and the difference, and each
// channel's minimum, maximum and mean over what is in view. A legend click
// hides or shows a channel; a second log can be laid over the first for
// comparison. The view can be saved as PNG, SVG or PDF, exported as CSV,
// copied and printed.

#include "chart/log_chart.h"
#include "chart/module/chart_windows.h"

#include <QPoint>
#include <QWidget>

#include <array>
#include <memory>
#include <optional>

class QCPAbstractLegendItem;
class QCPItemStraightLine;
class QCPLegend;
class QPrinter;
class QTableWidget;
class QCPLayer;
class QCustomPlot;
class QLabel;
class QMouseEvent;
class QPushButton;
class QWheelEvent;

namespace vemtra::chart {

class LogGraphWindow : public QWidget, public LogGraph {
    Q_OBJECT
    Q_INTERFACES(vemtra::chart::LogGraph)
public:
    // A top-level window even with a parent; the parent only owns it.
    explicit LogGraphWindow(QWidget *parent = nullptr);
    ~LogGraphWindow() override;

    // Reads and shows a data file or CSV. On failure the window keeps what it
    // showed, the label says why, and false comes back.
    bool openLog(const QString &path, const ChartOptions &options = {}) override;
    void showChart(const LogChart &chart, const QString &source);

    // A second log laid over the first from its start, dashed. It stays
    // when the first log is opened again, as after a new read-out.
    bool openCompareLog(const QString &path, const ChartOptions &options = {});
    void showCompareChart(const LogChart &chart, const QString &source);

    // Cursor 0 or 1: the record of the shown log it stands on.
    std::optional<int> cursorRecord(int cursor) const { return cursors_[std::size_t(cursor)]; }
    void setCursorRecord(int cursor, std::optional<int> record);
    // By `step` records, kept within the log; a cursor not yet placed
    // appears at the middle of the view.
    void moveCursor(int cursor, int step);

    // The records in view, as the statistics and the CSV export take them.
    RecordRange visibleRecords() const;
    bool exportVisibleCsv(const QString &path, QString *error);
    void copyPicture();
    bool printTo(QPrinter &printer);

    // The view as it is, at the plot's size.
    bool saveImage(const QString &path, QString *error);

    QCustomPlot *plot() const { return plot_; }
    const LogChart &chart() const { return chart_; }
    // The compared log on this chart's time axis.
    const LogChart &compareChart() const { return compare_; }
    QTableWidget *statisticsTable() const { return tblStatistics_; }
    QTableWidget *cursorTable() const { return tblCursors_; }

public slots:
    void showAll();

private:
    // The chart of a file, or nothing with the reason shown.
    std::optional<LogChart> chartOf(const QString &path, const ChartOptions &options);
    void chooseFileToOpen();
    void chooseCompareFile();
    void chooseImageFile();
    void chooseCsvFile();
    void choosePrinter();
    void redraw();
    void addShortcuts();
    void pan(Qt::Orientation orientation, double fraction);
    void zoom(double factor);
    void onLegendClick(QCPLegend *legend, QCPAbstractLegendItem *item, QMouseEvent *event);
    void onRelease(QMouseEvent *event);
    void updateCursorLines();
    void updateStatistics();
    void updateCursorTable();
    ChannelMask hiddenChannels(bool compare) const;
    void applyHidden();
    void onWheel(QWheelEvent *event);
    void onPress(QMouseEvent *event);
    void onMove(QMouseEvent *event);
    void updateCursor();
    bool eventFilter(QObject *watched, QEvent *event) override;
    void setMessage(const QString &text);

    QPushButton *cmdOpen_;
    QPushButton *cmdShowAll_;
    QPushButton *cmdSaveImage_;
    QPushButton *cmdCompare_;
    QPushButton *cmdExportCsv_;
    QPushButton *cmdPrint_;
    QLabel *lblSource_;
    QCustomPlot *plot_;
    QLabel *lblCursor_;
    QLabel *lblRange_;
    QTableWidget *tblCursors_;
    QTableWidget *tblStatistics_;
    QCPLayer *cursorLayer_ = nullptr;
    QCPItemStraightLine *cursorLine_ = nullptr;
    std::array<QCPItemStraightLine *, 2> cursorLines_{};
    std::array<std::optional<int>, 2> cursors_;
    LogChart chart_;
    QString source_;
    std::optional<LogChart> compareOwn_; // on its own axis, to align again
    LogChart compare_;
    ChannelMask hidden_{};        // by a legend click, of the shown log
    ChannelMask compareHidden_{}; // and of the compared one
    QString compareSource_;
    std::unique_ptr<QPrinter> printer_; // kept, so the next print has the same settings
    QPoint pressedAt_;
    std::optional<QPoint> mouse_; // over the plot; nothing once it has left
};

} // namespace vemtra::chart
