#include "chart/ui/live_graph_window.h"

#include "chart/ui/chart_plot.h"
#include "chart/ui/chart_texts.h"
#include "voltmeter/reading_text.h"
#include "ui/dialog_folder.h"
#include "ui/window_placement.h"
#include "voltmeter/ui/voltmeter.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QSaveFile>
#include <QVBoxLayout>
#include <qcustomplot.h>

#include <cmath>
#include <limits>

namespace vemtra::chart {

namespace {

// 20 redraws a second at most, whatever the voltmeter's pace: at 30 the chart
// cost more than half of what the voltmeter itself costs.
constexpr int kMinRedrawMs = 50;
// New cycles are drawn when the voltmeter sends the next one off; this only
// draws the last cycles of a voltmeter that has stopped.
constexpr int kLastCyclesMs = 2 * kMinRedrawMs;

qint64 spanMsecs(LiveGraphWindow::Span span)
{
    switch (span) {
    case LiveGraphWindow::Span::Seconds10:
        return 10'000;
    case LiveGraphWindow::Span::Minute1:
        return 60'000;
    case LiveGraphWindow::Span::Minutes10:
        return 600'000;
    case LiveGraphWindow::Span::Hour1:
        return 3'600'000;
    case LiveGraphWindow::Span::All:
        break;
    }
    return 0;
}

// The axis holds seconds as doubles; a cycle's millisecond on the edge counts
// as inside.
qint64 lowerMsecs(const QCPRange &range)
{
    return qint64(std::ceil(range.lower * 1000.0 - 1e-3));
}
qint64 upperMsecs(const QCPRange &range)
{
    return qint64(std::floor(range.upper * 1000.0 + 1e-3));
}

} // namespace

LiveGraphWindow::LiveGraphWindow(QWidget *parent, qint64 capacity)
    : QWidget(parent, Qt::Window), history_(capacity), cboSpan_(new QComboBox(this)),
      chkAutoScale_(new QCheckBox(texts::live::autoScale, this)),
      cmdPause_(new QPushButton(texts::live::pause, this)),
      cmdSaveImage_(new QPushButton(texts::saveImage, this)),
      cmdSaveCsv_(new QPushButton(texts::live::saveCsv, this)), plot_(new QCustomPlot(this)),
      lblCursor_(new QLabel(this))
{
    setObjectName(QStringLiteral("LIVE_GRAPH"));
    setWindowTitle(texts::live::windowTitle);
    cboSpan_->setObjectName(QStringLiteral("cboSpan"));
    chkAutoScale_->setObjectName(QStringLiteral("chkAutoScale"));
    cmdPause_->setObjectName(QStringLiteral("cmdPause"));
    cmdSaveImage_->setObjectName(QStringLiteral("cmdSaveImage"));
    cmdSaveCsv_->setObjectName(QStringLiteral("cmdSaveCsv"));
    plot_->setObjectName(QStringLiteral("plotLive"));
    lblCursor_->setObjectName(QStringLiteral("lblCursor"));
    cboSpan_->addItems(texts::live::spans);
    cboSpan_->setCurrentIndex(int(span_));
    cmdPause_->setCheckable(true);
    lblCursor_->setMinimumHeight(lblCursor_->fontMetrics().height() + 4);

    auto *controls = new QHBoxLayout;
    controls->addWidget(new QLabel(texts::live::span, this));
    controls->addWidget(cboSpan_);
    controls->addWidget(chkAutoScale_);
    controls->addWidget(cmdPause_);
    controls->addStretch(1);
    controls->addWidget(cmdSaveImage_);
    controls->addWidget(cmdSaveCsv_);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(controls);
    layout->addWidget(plot_, 1);
    layout->addWidget(lblCursor_);

    plot_->setToolTip(texts::live::plotHelp);
    plot_->setMinimumSize(320, 200);
    plot_->setNoAntialiasingOnDrag(true);
    plot_->axisRect()->setRangeDrag(Qt::Horizontal);
    plot_->axisRect()->setRangeZoom(Qt::Horizontal);
    auto ticker = QSharedPointer<QCPAxisTickerDateTime>::create();
    ticker->setDateTimeFormat(QStringLiteral("hh:mm:ss"));
    plot_->xAxis->setTicker(ticker);
    plot_->xAxis->setLabel(texts::live::time);
    plot_->yAxis->setLabel(texts::volts);
    plot_->yAxis->setRange(0, 5);
    for (int ch = 0; ch < 4; ++ch) {
        QCPGraph *graph = plot_->addGraph();
        graph->setName(texts::live::channel(ch));
        graph->setPen(QPen(voltmeter::graph::channelColour[ch]));
        // A day in view is a dense band of strokes: drawn plain, it paints in
        // half the time.
        graph->setAntialiased(false);
        // The history already gives at most a few points a pixel; thinning
        // them again would join the runs a gap stands between.
        graph->setAdaptiveSampling(false);
    }
    plot_->legend->setVisible(true);
    plot_->legend->setBrush(QColor(255, 255, 255, 220));
    plot_->axisRect()->insetLayout()->setInsetAlignment(0, Qt::AlignTop | Qt::AlignLeft);
    plot_->setMouseTracking(true);

    redrawTimer_.setSingleShot(true);
    connect(&redrawTimer_, &QTimer::timeout, this, &LiveGraphWindow::redraw);
    connect(cboSpan_, &QComboBox::currentIndexChanged, this,
            [this](int index) { setSpan(Span(index)); });
    connect(chkAutoScale_, &QCheckBox::toggled, this, &LiveGraphWindow::setAutoScale);
    connect(cmdPause_, &QPushButton::toggled, this, &LiveGraphWindow::setPaused);
    connect(cmdSaveImage_, &QPushButton::clicked, this, &LiveGraphWindow::chooseImageFile);
    connect(cmdSaveCsv_, &QPushButton::clicked, this, &LiveGraphWindow::chooseCsvFile);
    connect(plot_, &QCustomPlot::mouseMove, this, &LiveGraphWindow::onMove);
    connect(plot_, &QCustomPlot::legendClick, this,
            [this](QCPLegend *, QCPAbstractLegendItem *item, QMouseEvent *) {
                auto *entry = qobject_cast<QCPPlottableLegendItem *>(item);
                if (!entry)
                    return;
                QCPAbstractPlottable *curve = entry->plottable();
                curve->setVisible(!curve->visible());
                entry->setTextColor(curve->visible() ? Qt::black : Qt::gray);
                scheduleRedraw();
            });
    // The user's wheel and drag, allowed while paused, bring other cycles into view.
    connect(plot_->xAxis, qOverload<const QCPRange &>(&QCPAxis::rangeChanged), this, [this] {
        if (!settingRange_)
            scheduleRedraw();
    });

    resize(800, 520);
    ui::keepOnScreen(this, parent);
}

void LiveGraphWindow::addCycle(const voltmeter::ChannelReadings &readings, qint64 msecs)
{
    history_.append(readings, msecs);
    if (paused_ || !isVisible())
        return;
    newCycles_ = true;
    // Drawn between two of the voltmeter's ticks, a redraw never delays one.
    if (!redrawTimer_.isActive())
        redrawTimer_.start(kLastCyclesMs);
}

void LiveGraphWindow::cycleSent()
{
    if (newCycles_ && isVisible() &&
        (!sinceRedraw_.isValid() || sinceRedraw_.elapsed() >= kMinRedrawMs))
        redraw();
}

void LiveGraphWindow::markBreak()
{
    history_.markBreak();
}

void LiveGraphWindow::setSpan(Span span)
{
    span_ = span;
    if (cboSpan_->currentIndex() != int(span))
        cboSpan_->setCurrentIndex(int(span));
    // A span chosen while paused is shown at once, ending where the view ends.
    if (paused_ && !history_.isEmpty()) {
        const QCPRange range = plot_->xAxis->range();
        const double lower = span == Span::All
                                 ? double(history_.timeAt(history_.firstSeq())) / 1000.0
                                 : range.upper - double(spanMsecs(span)) / 1000.0;
        plot_->xAxis->setRange(lower, range.upper);
    }
    scheduleRedraw();
}

void LiveGraphWindow::setPaused(bool paused)
{
    paused_ = paused;
    if (cmdPause_->isChecked() != paused)
        cmdPause_->setChecked(paused);
    cmdPause_->setText(paused ? texts::live::resume : texts::live::pause);
    plot_->setInteractions(paused ? QCP::iRangeDrag | QCP::iRangeZoom : QCP::Interactions());
    if (!paused)
        scheduleRedraw();
}

void LiveGraphWindow::setAutoScale(bool on)
{
    autoScale_ = on;
    if (chkAutoScale_->isChecked() != on)
        chkAutoScale_->setChecked(on);
    scheduleRedraw();
}

std::pair<qint64, qint64> LiveGraphWindow::visibleCycles() const
{
    if (history_.isEmpty())
        return {0, 0};
    const QCPRange range = plot_->xAxis->range();
    const qint64 from = history_.seqAtOrAfter(lowerMsecs(range));
    return {from, std::max(from, history_.seqAfter(upperMsecs(range)))};
}

bool LiveGraphWindow::exportCsv(const QString &path, QString *error)
{
    const auto [from, to] = visibleCycles();
    return exportCsv(path, from, to, error);
}

bool LiveGraphWindow::exportCsv(const QString &path, qint64 from, qint64 to, QString *error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || !voltmeter::writeHistoryCsv(file, history_, from, to) ||
        !file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

bool LiveGraphWindow::saveImage(const QString &path, QString *error)
{
    return saveChartImage(*plot_, path, 0, 0, error);
}

void LiveGraphWindow::scheduleRedraw()
{
    // A hidden window draws when it is shown again.
    if (!isVisible() || redrawTimer_.isActive())
        return;
    const qint64 since = sinceRedraw_.isValid() ? sinceRedraw_.elapsed() : kMinRedrawMs;
    redrawTimer_.start(int(std::max<qint64>(0, kMinRedrawMs - since)));
}

void LiveGraphWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    redrawTimer_.start(0);
}

void LiveGraphWindow::redraw()
{
    redrawTimer_.stop();
    newCycles_ = false;
    sinceRedraw_.start();
    ++redraws_;
    if (history_.isEmpty()) {
        plot_->replot();
        return;
    }
    if (!paused_) {
        const qint64 last = history_.timeAt(history_.endSeq() - 1);
        const qint64 first =
            span_ == Span::All ? history_.timeAt(history_.firstSeq()) : last - spanMsecs(span_);
        settingRange_ = true;
        plot_->xAxis->setRange(double(first) / 1000.0,
                               double(std::max(last, first + 1000)) / 1000.0);
        settingRange_ = false;
    }
    // One cycle beyond each edge, so the curves run out of the view.
    const auto [from, to] = visibleCycles();
    const auto curves = history_.curves(std::max(history_.firstSeq(), from - 1),
                                        std::min(history_.endSeq(), to + 1),
                                        std::max(100, plot_->axisRect()->width()));
    double lo = std::numeric_limits<double>::infinity(), hi = -lo;
    for (int ch = 0; ch < 4; ++ch) {
        QCPGraph *graph = plot_->graph(ch);
        graph->setData(curves[ch].keys, curves[ch].values, true);
        if (!graph->visible())
            continue;
        for (double v : curves[ch].values) {
            if (!std::isnan(v)) {
                lo = std::min(lo, v);
                hi = std::max(hi, v);
            }
        }
    }
    if (autoScale_ && lo <= hi) {
        const double margin = std::max(0.05, (hi - lo) * 0.05);
        plot_->yAxis->setRange(lo - margin, hi + margin);
    } else if (!autoScale_) {
        plot_->yAxis->setRange(0, 5);
    }
    plot_->replot();
}

void LiveGraphWindow::chooseImageFile()
{
    // Window-modal and asynchronous: the curves go on arriving meanwhile.
    ui::askSavePath(this, texts::saveImage, QStringLiteral("QEL_LIVE"), QStringLiteral("png"),
                    texts::imageFilter, [this](const QString &path) {
                        QString error;
                        if (!saveImage(path, &error))
                            setMessage(texts::live::saveFailed(QDir::toNativeSeparators(path)));
                    });
}

void LiveGraphWindow::chooseCsvFile()
{
    // The range is the one in view when the button was pressed.
    const auto [from, to] = visibleCycles();
    ui::askSavePath(
        this, texts::live::saveCsv, QStringLiteral("QEL_LIVE"), QStringLiteral("csv"),
        texts::csvFilter, [this, from, to](const QString &path) {
            QString error;
            if (exportCsv(path, from, to, &error))
                setMessage(texts::live::csvSaved(
                    std::max<qint64>(0, to - std::max(from, history_.firstSeq())),
                    QDir::toNativeSeparators(path)));
            else
                setMessage(texts::live::saveFailed(QDir::toNativeSeparators(path)));
        });
}

void LiveGraphWindow::onMove(QMouseEvent *event)
{
    const QPoint pos = event->position().toPoint();
    const auto [from, to] = visibleCycles();
    if (from >= to || !plot_->axisRect()->rect().contains(pos)) {
        lblCursor_->clear();
        return;
    }
    const qint64 msecs = std::llround(plot_->xAxis->pixelToCoord(pos.x()) * 1000.0);
    qint64 seq = std::clamp(history_.seqAtOrAfter(msecs), from, to - 1);
    if (seq > from && msecs - history_.timeAt(seq - 1) < history_.timeAt(seq) - msecs)
        --seq;
    showCycleAt(seq);
}

void LiveGraphWindow::showCycleAt(qint64 seq)
{
    QString text = QDateTime::fromMSecsSinceEpoch(history_.timeAt(seq))
                       .toString(QStringLiteral("hh:mm:ss.zzz"));
    const voltmeter::ChannelReadings readings = history_.readingsAt(seq);
    for (int ch = 0; ch < 4; ++ch)
        text += QStringLiteral("　%1 %2").arg(texts::live::channel(ch),
                                              readings[ch] ? voltmeter::voltageText(*readings[ch])
                                                           : texts::live::silent);
    setMessage(text);
}

void LiveGraphWindow::setMessage(const QString &text)
{
    lblCursor_->setText(text);
}

} // namespace vemtra::chart
