#pragma once

// LIVE_GRAPH: the voltmeter's cycles as they arrive, on a wall-clock time
// axis, in a non-modal window. It keeps a day of cycles (LiveHistory) and
// draws the chosen span from its min/max pyramid, at most 20 times a second and
// only after something changed. Paused, the view stands still (the cycles are
// still kept) and the wheel and a drag move along the time axis. A click on a
// channel in the legend hides or shows it; the label under the plot reads out
// the cycle under the mouse; the view can be saved as a picture or its cycles
// as CSV in the voltmeter recorder's columns.

#include "chart/module/chart_windows.h"
#include "voltmeter/live_history.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include <utility>

class QCheckBox;
class QComboBox;
class QCustomPlot;
class QLabel;
class QMouseEvent;
class QPushButton;

namespace vemtra::chart {

class LiveGraphWindow : public QWidget, public LiveGraph {
    Q_OBJECT
    Q_INTERFACES(vemtra::chart::LiveGraph)
    // By name too, for what reaches the window through the chart module.
    Q_PROPERTY(int redraws READ redraws)
public:
    enum class Span { Seconds10, Minute1, Minutes10, Hour1, All };

    // A top-level window even with a parent; the parent only owns it.
    explicit LiveGraphWindow(QWidget *parent = nullptr,
                             qint64 capacity = voltmeter::LiveHistory::kDayCapacity);

    // One voltmeter cycle read at `msecs` (milliseconds since the epoch).
    void addCycle(const voltmeter::ChannelReadings &readings, qint64 msecs) override;
    // The voltmeter has just sent its next cycle to the line: the window's
    // thread is free until the answer, the moment to draw what came before.
    void cycleSent() override;
    // The voltmeter stopped or the link was lost: the curves break here.
    void markBreak() override;

    void setSpan(Span span);
    Span span() const { return span_; }
    void setPaused(bool paused);
    bool isPaused() const { return paused_; }
    void setAutoScale(bool on);

    // The cycles in view, [first, end).
    std::pair<qint64, qint64> visibleCycles() const;
    // Those cycles in the recorder's columns; false and a reason on failure.
    bool exportCsv(const QString &path, QString *error);
    // The cycles in [from, to) that are still kept.
    bool exportCsv(const QString &path, qint64 from, qint64 to, QString *error);
    // The view as it is, at the plot's size; PNG, SVG or PDF by the name.
    bool saveImage(const QString &path, QString *error);

    // Draws now, whatever is due.
    void redraw();
    int redraws() const { return redraws_; }

    voltmeter::LiveHistory &history() { return history_; }
    QCustomPlot *plot() const { return plot_; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    void scheduleRedraw();
    void chooseImageFile();
    void chooseCsvFile();
    void onMove(QMouseEvent *event);
    void showCycleAt(qint64 seq);
    void setMessage(const QString &text);

    voltmeter::LiveHistory history_;
    Span span_ = Span::Minute1;
    bool paused_ = false;
    bool autoScale_ = false;
    bool settingRange_ = false; // the window moves the axis, not the user

    QComboBox *cboSpan_;
    QCheckBox *chkAutoScale_;
    QPushButton *cmdPause_;
    QPushButton *cmdSaveImage_;
    QPushButton *cmdSaveCsv_;
    QCustomPlot *plot_;
    QLabel *lblCursor_;

    QTimer redrawTimer_;
    QElapsedTimer sinceRedraw_;
    int redraws_ = 0;
    bool newCycles_ = false; // cycles arrived since the last redraw
};

} // namespace vemtra::chart
