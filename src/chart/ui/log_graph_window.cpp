#include "chart/ui/log_graph_window.h"

#include "chart/ui/chart_plot.h"
#include "chart/ui/chart_texts.h"
#include "ui/dialog_folder.h"
#include "ui/window_placement.h"

#include <QClipboard>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMouseEvent>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QSaveFile>
#include <QShortcut>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <qcustomplot.h>

#include <cmath>
#include <limits>

namespace vemtra::chart {

namespace {

QTableWidget *newTable(QWidget *parent, const QStringList &columns)
{
    auto *table = new QTableWidget(0, int(columns.size()), parent);
    table->setHorizontalHeaderLabels(columns);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionMode(QAbstractItemView::NoSelection);
    // Read-only figures: the keys stay with the plot.
    table->setFocusPolicy(Qt::NoFocus);
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    table->horizontalHeader()->setStretchLastSection(true);
    table->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    table->setWordWrap(false);
    return table;
}

void setCell(QTableWidget *table, int row, int column, const QString &text)
{
    auto *item = new QTableWidgetItem(text);
    item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    table->setItem(row, column, item);
}

QString optionalValue(const LogChart &chart, std::optional<double> value)
{
    return value ? valueText(chart, *value) : QString();
}

constexpr double kNoCursor = std::numeric_limits<double>::quiet_NaN();

} // namespace

LogGraphWindow::LogGraphWindow(QWidget *parent)
    : QWidget(parent, Qt::Window), cmdOpen_(new QPushButton(texts::openFile, this)),
      cmdShowAll_(new QPushButton(texts::showAll, this)),
      cmdSaveImage_(new QPushButton(texts::saveImage, this)),
      cmdCompare_(new QPushButton(texts::compare, this)),
      cmdExportCsv_(new QPushButton(texts::exportCsv, this)),
      cmdPrint_(new QPushButton(texts::print, this)), lblSource_(new QLabel(this)),
      plot_(new QCustomPlot(this)), lblCursor_(new QLabel(this)), lblRange_(new QLabel(this)),
      tblCursors_(newTable(this, {texts::cursor1, texts::cursor2, texts::difference})),
      tblStatistics_(newTable(this, {texts::minimum, texts::maximum, texts::mean}))
{
    setObjectName(QStringLiteral("LOG_GRAPH"));
    setWindowTitle(texts::windowTitle);
    cmdOpen_->setObjectName(QStringLiteral("cmdOpen"));
    cmdShowAll_->setObjectName(QStringLiteral("cmdShowAll"));
    cmdSaveImage_->setObjectName(QStringLiteral("cmdSaveImage"));
    lblSource_->setObjectName(QStringLiteral("lblSource"));
    plot_->setObjectName(QStringLiteral("plotLog"));
    lblCursor_->setObjectName(QStringLiteral("lblCursor"));
    cmdCompare_->setObjectName(QStringLiteral("cmdCompare"));
    cmdExportCsv_->setObjectName(QStringLiteral("cmdExportCsv"));
    cmdPrint_->setObjectName(QStringLiteral("cmdPrint"));
    lblRange_->setObjectName(QStringLiteral("lblRange"));
    tblCursors_->setObjectName(QStringLiteral("tblCursors"));
    tblStatistics_->setObjectName(QStringLiteral("tblStatistics"));
    for (QPushButton *button :
         {cmdShowAll_, cmdSaveImage_, cmdCompare_, cmdExportCsv_, cmdPrint_})
        button->setEnabled(false);
    lblSource_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblCursor_->setMinimumHeight(lblCursor_->fontMetrics().height() + 4);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(cmdOpen_);
    buttons->addWidget(cmdShowAll_);
    buttons->addWidget(cmdCompare_);
    buttons->addWidget(cmdSaveImage_);
    buttons->addWidget(cmdExportCsv_);
    buttons->addWidget(cmdPrint_);
    buttons->addStretch(1);
    auto *side = new QVBoxLayout;
    side->addWidget(new QLabel(texts::cursorsTitle, this));
    side->addWidget(tblCursors_, 1);
    side->addWidget(lblRange_);
    side->addWidget(tblStatistics_, 1);
    auto *middle = new QHBoxLayout;
    middle->addWidget(plot_, 1);
    middle->addLayout(side);
    tblCursors_->setFixedWidth(340);
    tblStatistics_->setFixedWidth(340);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(lblSource_);
    layout->addLayout(middle, 1);
    layout->addWidget(lblCursor_);
    lblRange_->setText(texts::rangeCaption(0));

    plot_->setToolTip(texts::plotHelp);
    plot_->setMinimumSize(320, 200);
    plot_->setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
    plot_->setNoAntialiasingOnDrag(true);
    plot_->axisRect()->setRangeDrag(Qt::Horizontal | Qt::Vertical);
    plot_->xAxis->setLabel(texts::recordNumber);
    plot_->yAxis->setLabel(texts::volts);
    plot_->yAxis->setRange(0, 5);

    // The cursor line sits on a layer of its own, so following the mouse
    // redraws one thin line and not the whole log.
    plot_->addLayer(QStringLiteral("cursor"), plot_->layer(QStringLiteral("main")),
                    QCustomPlot::limAbove);
    cursorLayer_ = plot_->layer(QStringLiteral("cursor"));
    cursorLayer_->setMode(QCPLayer::lmBuffered);
    cursorLine_ = new QCPItemStraightLine(plot_);
    cursorLine_->setLayer(cursorLayer_);
    cursorLine_->setPen(QPen(QColor(128, 128, 128), 0, Qt::DashLine));
    cursorLine_->setVisible(false);
    // The two measuring cursors: solid, and apart from the curves' colours.
    const std::array<QColor, 2> cursorColours{QColor(0, 0, 0), QColor(160, 0, 160)};
    for (std::size_t i = 0; i < cursorLines_.size(); ++i) {
        cursorLines_[i] = new QCPItemStraightLine(plot_);
        cursorLines_[i]->setLayer(cursorLayer_);
        cursorLines_[i]->setPen(QPen(cursorColours[i], 1.5));
        cursorLines_[i]->setVisible(false);
        cursorLines_[i]->setSelectable(false);
    }
    cursorLine_->setSelectable(false);
    setMouseTracking(true);
    plot_->setMouseTracking(true);

    connect(plot_, &QCustomPlot::mouseWheel, this, &LogGraphWindow::onWheel);
    connect(plot_, &QCustomPlot::mousePress, this, &LogGraphWindow::onPress);
    connect(plot_, &QCustomPlot::mouseMove, this, &LogGraphWindow::onMove);
    connect(plot_, &QCustomPlot::mouseRelease, this, &LogGraphWindow::onRelease);
    connect(plot_, &QCustomPlot::mouseDoubleClick, this, &LogGraphWindow::showAll);
    connect(plot_, &QCustomPlot::legendClick, this, &LogGraphWindow::onLegendClick);
    // A pan or zoom moves the log under a resting mouse and changes what the
    // statistics cover.
    connect(plot_->xAxis, qOverload<const QCPRange &>(&QCPAxis::rangeChanged), this,
            &LogGraphWindow::updateCursor);
    connect(plot_->xAxis, qOverload<const QCPRange &>(&QCPAxis::rangeChanged), this,
            &LogGraphWindow::updateStatistics);
    plot_->installEventFilter(this);
    connect(cmdShowAll_, &QPushButton::clicked, this, &LogGraphWindow::showAll);
    connect(cmdOpen_, &QPushButton::clicked, this, &LogGraphWindow::chooseFileToOpen);
    connect(cmdSaveImage_, &QPushButton::clicked, this, &LogGraphWindow::chooseImageFile);
    connect(cmdCompare_, &QPushButton::clicked, this, &LogGraphWindow::chooseCompareFile);
    connect(cmdExportCsv_, &QPushButton::clicked, this, &LogGraphWindow::chooseCsvFile);
    connect(cmdPrint_, &QPushButton::clicked, this, &LogGraphWindow::choosePrinter);
    addShortcuts();
    plot_->setFocusPolicy(Qt::StrongFocus);
    setFocusProxy(plot_);

    resize(1100, 560);
    ui::keepOnScreen(this, parent);
}

LogGraphWindow::~LogGraphWindow() = default;

void LogGraphWindow::addShortcuts()
{
    auto add = [this](const QList<QKeySequence> &keys, auto action) {
        auto *shortcut = new QShortcut(this);
        shortcut->setKeys(keys);
        connect(shortcut, &QShortcut::activated, this, action);
    };
    using K = QKeySequence;
    add({K(Qt::CTRL | Qt::Key_O)}, &LogGraphWindow::chooseFileToOpen);
    add({K(Qt::CTRL | Qt::Key_S)}, [this] {
        if (cmdSaveImage_->isEnabled())
            chooseImageFile();
    });
    add({K(Qt::CTRL | Qt::Key_W), K(Qt::Key_Escape)}, &QWidget::close);
    add({K(Qt::CTRL | Qt::Key_C)}, &LogGraphWindow::copyPicture);
    add({K(Qt::CTRL | Qt::Key_P)}, [this] {
        if (cmdPrint_->isEnabled())
            choosePrinter();
    });
    add({K(Qt::Key_F), K(Qt::Key_Home)}, &LogGraphWindow::showAll);
    add({K(Qt::Key_Left)}, [this] { pan(Qt::Horizontal, -0.1); });
    add({K(Qt::Key_Right)}, [this] { pan(Qt::Horizontal, 0.1); });
    add({K(Qt::Key_Up)}, [this] { pan(Qt::Vertical, 0.1); });
    add({K(Qt::Key_Down)}, [this] { pan(Qt::Vertical, -0.1); });
    // "+" is shifted on most keyboards; the keypad's keys come without it.
    add({K(Qt::Key_Plus), K(Qt::SHIFT | Qt::Key_Plus)}, [this] { zoom(0.5); });
    add({K(Qt::Key_Minus)}, [this] { zoom(2); });
    add({K(Qt::SHIFT | Qt::Key_Left)}, [this] { moveCursor(0, -1); });
    add({K(Qt::SHIFT | Qt::Key_Right)}, [this] { moveCursor(0, 1); });
    add({K(Qt::CTRL | Qt::Key_Left)}, [this] { moveCursor(1, -1); });
    add({K(Qt::CTRL | Qt::Key_Right)}, [this] { moveCursor(1, 1); });
}

std::optional<LogChart> LogGraphWindow::chartOf(const QString &path, const ChartOptions &options)
{
    const LoadResult loaded = loadLogFile(path);
    if (!loaded.ok()) {
        setMessage(texts::loadFailed(loaded));
        return std::nullopt;
    }
    const ChartResult made = makeChart(loaded.log, options);
    if (!made.ok()) {
        setMessage(texts::badInterval);
        return std::nullopt;
    }
    return made.chart;
}

bool LogGraphWindow::openLog(const QString &path, const ChartOptions &options)
{
    const std::optional<LogChart> chart = chartOf(path, options);
    if (chart)
        showChart(*chart, QFileInfo(path).absoluteFilePath());
    return chart.has_value();
}

void LogGraphWindow::showChart(const LogChart &chart, const QString &source)
{
    chart_ = chart;
    source_ = QDir::toNativeSeparators(source);
    mouse_.reset();
    cursors_ = {};
    if (compareOwn_)
        compare_ = alignedTo(*compareOwn_, chart_);
    redraw();
    lblCursor_->clear();
    cursorLine_->setVisible(false);
    for (QPushButton *button :
         {cmdShowAll_, cmdSaveImage_, cmdCompare_, cmdExportCsv_, cmdPrint_})
        button->setEnabled(true);
    showAll();
}

bool LogGraphWindow::openCompareLog(const QString &path, const ChartOptions &options)
{
    const std::optional<LogChart> chart = chartOf(path, options);
    if (chart)
        showCompareChart(*chart, QFileInfo(path).absoluteFilePath());
    return chart.has_value();
}

void LogGraphWindow::showCompareChart(const LogChart &chart, const QString &source)
{
    compareOwn_ = chart;
    compare_ = alignedTo(chart, chart_);
    compareSource_ = QDir::toNativeSeparators(source);
    redraw();
    showAll();
}

// Both logs' curves afresh; channels hidden stay hidden.
void LogGraphWindow::redraw()
{
    const QCPRange x = plot_->xAxis->range(), y = plot_->yAxis->range();
    drawChart(*plot_, chart_);
    if (compareOwn_)
        addCompareCurves(*plot_, compare_, texts::compareSuffix);
    applyHidden();
    plot_->xAxis->setRange(x);
    plot_->yAxis->setRange(y);
    lblSource_->setText(compareOwn_ ? source_ + texts::comparedWith(compareSource_) : source_);
    updateCursorLines();
    updateStatistics();
}

bool LogGraphWindow::saveImage(const QString &path, QString *error)
{
    // The read-out line belongs to the screen, not to the picture.
    const bool cursorShown = cursorLine_->visible();
    cursorLine_->setVisible(false);
    const bool saved = saveChartImage(*plot_, path, 0, 0, error);
    cursorLine_->setVisible(cursorShown);
    return saved;
}

void LogGraphWindow::showAll()
{
    showWholeChart(*plot_, chart_);
    if (compareOwn_ && compare_.xMax > chart_.xMax)
        plot_->xAxis->setRange(0, compare_.xMax);
    plot_->replot();
}

void LogGraphWindow::pan(Qt::Orientation orientation, double fraction)
{
    QCPAxis *axis = orientation == Qt::Horizontal ? plot_->xAxis : plot_->yAxis;
    axis->moveRange(axis->range().size() * fraction);
    plot_->replot();
}

void LogGraphWindow::zoom(double factor)
{
    plot_->xAxis->scaleRange(factor, plot_->xAxis->range().center());
    plot_->replot();
}

void LogGraphWindow::setCursorRecord(int cursor, std::optional<int> record)
{
    if (record && (*record < 0 || *record >= chart_.records))
        record.reset();
    cursors_[std::size_t(cursor)] = record;
    updateCursorLines();
    cursorLayer_->replot();
}

void LogGraphWindow::moveCursor(int cursor, int step)
{
    if (chart_.records == 0)
        return;
    std::optional<int> &record = cursors_[std::size_t(cursor)];
    const int moved = record ? std::clamp(*record + step, 0, chart_.records - 1)
                             : recordAt(chart_, plot_->xAxis->range().center());
    setCursorRecord(cursor, moved);
    // Keep the cursor in view: move the view by just as much as needed.
    const double x = chart_.curves.first().x[moved];
    const QCPRange view = plot_->xAxis->range();
    if (x < view.lower)
        pan(Qt::Horizontal, (x - view.lower) / view.size());
    else if (x > view.upper)
        pan(Qt::Horizontal, (x - view.upper) / view.size());
}

RecordRange LogGraphWindow::visibleRecords() const
{
    const QCPRange view = plot_->xAxis->range();
    return recordsBetween(chart_, view.lower, view.upper);
}

bool LogGraphWindow::exportVisibleCsv(const QString &path, QString *error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = file.errorString();
        return false;
    }
    if (!writeCsv(file, chart_, visibleRecords()) || !file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

void LogGraphWindow::copyPicture()
{
    if (!cmdSaveImage_->isEnabled())
        return;
    const bool mouseShown = cursorLine_->visible();
    cursorLine_->setVisible(false);
    QGuiApplication::clipboard()->setPixmap(plot_->toPixmap());
    cursorLine_->setVisible(mouseShown);
}

bool LogGraphWindow::printTo(QPrinter &printer)
{
    QCPPainter painter;
    if (!painter.begin(&printer))
        return false;
    painter.setMode(QCPPainter::pmVectorized);
    painter.setMode(QCPPainter::pmNoCaching);
    // The plot as on screen, scaled to fill the page's printable area.
    const int width = plot_->width(), height = plot_->height();
    const double scale = std::min(printer.width() / double(width), printer.height() / double(height));
    painter.scale(scale, scale);
    const bool mouseShown = cursorLine_->visible();
    cursorLine_->setVisible(false);
    plot_->toPainter(&painter, width, height);
    cursorLine_->setVisible(mouseShown);
    return painter.end();
}

void LogGraphWindow::chooseFileToOpen()
{
    // Window-modal and asynchronous: the main window stays usable meanwhile.
    ui::askOpenPath(this, texts::openFile, texts::openFilter,
                    [this](const QString &path) { openLog(path); });
}

void LogGraphWindow::chooseCompareFile()
{
    ui::askOpenPath(this, texts::compare, texts::openFilter,
                    [this](const QString &path) { openCompareLog(path); });
}

void LogGraphWindow::chooseCsvFile()
{
    ui::askSavePath(this, texts::exportCsv, QStringLiteral("QEL_ADC"), QStringLiteral("csv"),
                    texts::csvFilter, [this](const QString &path) {
                        QString error;
                        if (!exportVisibleCsv(path, &error))
                            setMessage(texts::exportFailed(QDir::toNativeSeparators(path)));
                    });
}

void LogGraphWindow::choosePrinter()
{
    if (!printer_) {
        printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
        // A chart is wider than high; later prints keep what the user chose.
        printer_->setPageOrientation(QPageLayout::Landscape);
    }
    auto *dialog = new QPrintDialog(printer_.get(), this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::WindowModal);
    connect(dialog, qOverload<QPrinter *>(&QPrintDialog::accepted), this,
            [this](QPrinter *printer) { printTo(*printer); });
    dialog->open();
}

void LogGraphWindow::chooseImageFile()
{
    ui::askSavePath(this, texts::saveImage, QStringLiteral("QEL_ADC"), QStringLiteral("png"),
                    texts::imageFilter, [this](const QString &path) {
                        QString error;
                        if (!saveImage(path, &error))
                            setMessage(texts::saveFailed(QDir::toNativeSeparators(path)));
                    });
}

void LogGraphWindow::onWheel(QWheelEvent *event)
{
    // Over an axis the wheel zooms that axis alone, over the plot both.
    const QRect area = plot_->axisRect()->rect();
    const QPoint pos = event->position().toPoint();
    Qt::Orientations zoom = Qt::Horizontal | Qt::Vertical;
    if (pos.y() > area.bottom())
        zoom = Qt::Horizontal;
    else if (pos.x() < area.left())
        zoom = Qt::Vertical;
    plot_->axisRect()->setRangeZoom(zoom);
}

void LogGraphWindow::onPress(QMouseEvent *event)
{
    pressedAt_ = event->position().toPoint();
    // Ctrl+drag draws the rubber band; a plain drag pans.
    const bool band =
        event->button() == Qt::LeftButton && (event->modifiers() & Qt::ControlModifier);
    plot_->setSelectionRectMode(band ? QCP::srmZoom : QCP::srmNone);
}

void LogGraphWindow::onRelease(QMouseEvent *event)
{
    // A click, not the end of a drag, and not on the legend: a cursor there.
    const QPoint pos = event->position().toPoint();
    if ((pos - pressedAt_).manhattanLength() > 3 || !plot_->axisRect()->rect().contains(pos) ||
        (plot_->legend->visible() && plot_->legend->selectTest(pos, false) >= 0) ||
        chart_.records == 0)
        return;
    const int cursor = event->button() == Qt::LeftButton    ? 0
                       : event->button() == Qt::RightButton ? 1
                                                            : -1;
    if (cursor >= 0)
        setCursorRecord(cursor, recordAt(chart_, plot_->xAxis->pixelToCoord(pos.x())));
}

void LogGraphWindow::onLegendClick(QCPLegend *, QCPAbstractLegendItem *item, QMouseEvent *)
{
    auto *entry = qobject_cast<QCPPlottableLegendItem *>(item);
    if (!entry)
        return;
    for (int i = 0; i < plot_->graphCount(); ++i) {
        if (plot_->graph(i) != entry->plottable())
            continue;
        const bool compare = i >= chart_.curves.size();
        const LogChart &chart = compare ? compare_ : chart_;
        const int index = compare ? i - int(chart_.curves.size()) : i;
        if (index >= chart.curves.size())
            return;
        bool &hidden = (compare ? compareHidden_ : hidden_)[std::size_t(chart.curves[index].channel)];
        hidden = !hidden;
    }
    applyHidden();
    updateStatistics();
    updateCursorTable();
    plot_->replot();
}

void LogGraphWindow::applyHidden()
{
    for (int i = 0; i < plot_->graphCount(); ++i) {
        const bool compare = i >= chart_.curves.size();
        const LogChart &chart = compare ? compare_ : chart_;
        const int index = compare ? i - int(chart_.curves.size()) : i;
        if (index >= chart.curves.size())
            continue;
        const bool hidden =
            (compare ? compareHidden_ : hidden_)[std::size_t(chart.curves[index].channel)];
        QCPGraph *graph = plot_->graph(i);
        graph->setVisible(!hidden);
        // Still listed, greyed, so it can be clicked back.
        if (QCPAbstractLegendItem *entry = plot_->legend->itemWithPlottable(graph))
            entry->setTextColor(hidden ? QColor(Qt::gray) : QColor(Qt::black));
    }
}

ChannelMask LogGraphWindow::hiddenChannels(bool compare) const
{
    return compare ? compareHidden_ : hidden_;
}

void LogGraphWindow::updateCursorLines()
{
    for (std::size_t i = 0; i < cursorLines_.size(); ++i) {
        const std::optional<int> record = cursors_[i];
        cursorLines_[i]->setVisible(record.has_value());
        if (record) {
            const double x = chart_.curves.first().x[*record];
            cursorLines_[i]->point1->setCoords(x, 0);
            cursorLines_[i]->point2->setCoords(x, 1);
        }
    }
    updateCursorTable();
}

void LogGraphWindow::updateCursorTable()
{
    const auto xOf = [this](const std::optional<int> &record) {
        return record ? chart_.curves.first().x[*record] : kNoCursor;
    };
    const double first = xOf(cursors_[0]), second = xOf(cursors_[1]);
    const bool timed = chart_.time.unit != TimeUnit::Record;
    const QList<ChannelAtCursors> own = valuesAtCursors(chart_, first, second, hiddenChannels(false));
    QList<ChannelAtCursors> other;
    if (compareOwn_)
        other = valuesAtCursors(compare_, first, second, hiddenChannels(true));

    tblCursors_->clearContents();
    tblCursors_->setRowCount(int(1 + (timed ? 1 : 0) + own.size() + other.size()));
    QStringList rows{texts::recordRow};
    for (int c = 0; c < 2; ++c) {
        if (cursors_[std::size_t(c)])
            setCell(tblCursors_, 0, c,
                    QString::number(chart_.firstIndex + *cursors_[std::size_t(c)]));
    }
    if (cursors_[0] && cursors_[1])
        setCell(tblCursors_, 0, 2, QString::number(*cursors_[1] - *cursors_[0]));
    if (timed) {
        rows << texts::timeRow;
        for (int c = 0; c < 2; ++c) {
            if (cursors_[std::size_t(c)])
                setCell(tblCursors_, 1, c, timeText(chart_, c == 0 ? first : second));
        }
        if (cursors_[0] && cursors_[1])
            setCell(tblCursors_, 1, 2, texts::deltaT + timeText(chart_, second - first));
    }
    auto addValues = [&](const LogChart &chart, const QList<ChannelAtCursors> &values,
                         const QString &suffix) {
        for (const ChannelAtCursors &v : values) {
            const int row = int(rows.size());
            rows << v.name + suffix;
            setCell(tblCursors_, row, 0, optionalValue(chart, v.first));
            setCell(tblCursors_, row, 1, optionalValue(chart, v.second));
            setCell(tblCursors_, row, 2, optionalValue(chart, v.difference()));
        }
    };
    addValues(chart_, own, {});
    addValues(compare_, other, texts::compareSuffix);
    tblCursors_->setVerticalHeaderLabels(rows);
}

void LogGraphWindow::updateStatistics()
{
    const QCPRange view = plot_->xAxis->range();
    const RecordRange range = recordsBetween(chart_, view.lower, view.upper);
    const QList<ChannelStatistics> own = rangeStatistics(chart_, range, hiddenChannels(false));
    QList<ChannelStatistics> other;
    if (compareOwn_)
        other = rangeStatistics(compare_, recordsBetween(compare_, view.lower, view.upper),
                                hiddenChannels(true));
    lblRange_->setText(texts::rangeCaption(range.count));

    tblStatistics_->clearContents();
    tblStatistics_->setRowCount(int(own.size() + other.size()));
    QStringList rows;
    auto addRows = [&](const LogChart &chart, const QList<ChannelStatistics> &stats,
                       const QString &suffix) {
        for (const ChannelStatistics &s : stats) {
            const int row = int(rows.size());
            rows << s.name + suffix;
            if (s.records == 0)
                continue;
            setCell(tblStatistics_, row, 0, valueText(chart, s.minimum));
            setCell(tblStatistics_, row, 1, valueText(chart, s.maximum));
            setCell(tblStatistics_, row, 2, valueText(chart, s.mean));
        }
    };
    addRows(chart_, own, {});
    addRows(compare_, other, texts::compareSuffix);
    tblStatistics_->setVerticalHeaderLabels(rows);
}

void LogGraphWindow::onMove(QMouseEvent *event)
{
    mouse_ = event->position().toPoint();
    updateCursor();
}

bool LogGraphWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == plot_ && event->type() == QEvent::Leave) {
        mouse_.reset();
        updateCursor();
    }
    return QWidget::eventFilter(watched, event);
}

void LogGraphWindow::updateCursor()
{
    const int record = mouse_ && plot_->axisRect()->rect().contains(*mouse_)
                           ? recordAt(chart_, plot_->xAxis->pixelToCoord(mouse_->x()))
                           : -1;
    if (record < 0) {
        if (cursorLine_->visible()) {
            cursorLine_->setVisible(false);
            lblCursor_->clear();
            cursorLayer_->replot();
        }
        return;
    }
    const double x = chart_.curves.first().x[record];
    cursorLine_->point1->setCoords(x, 0);
    cursorLine_->point2->setCoords(x, 1);
    cursorLine_->setVisible(true);
    lblCursor_->setText(cursorText(chart_, record));
    cursorLayer_->replot();
}

void LogGraphWindow::setMessage(const QString &text)
{
    lblCursor_->setText(text);
}

} // namespace vemtra::chart
