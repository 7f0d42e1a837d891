#include "chart/ui/log_graph_window.h"

#include "chart/chart_texts.h"
#include "chart/ui/chart_plot.h"
#include "chart/ui/chart_ui_texts.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <qcustomplot.h>

namespace vemtra::chart {

LogGraphWindow::LogGraphWindow(QWidget *parent)
    : QWidget(parent, Qt::Window), cmdOpen_(new QPushButton(texts::openFile(), this)),
      cmdShowAll_(new QPushButton(texts::showAll(), this)),
      cmdSaveImage_(new QPushButton(texts::saveImage(), this)), lblSource_(new QLabel(this)),
      plot_(new QCustomPlot(this)), lblCursor_(new QLabel(this))
{
    setObjectName(QStringLiteral("LOG_GRAPH"));
    setWindowTitle(texts::windowTitle());
    cmdOpen_->setObjectName(QStringLiteral("cmdOpen"));
    cmdShowAll_->setObjectName(QStringLiteral("cmdShowAll"));
    cmdSaveImage_->setObjectName(QStringLiteral("cmdSaveImage"));
    lblSource_->setObjectName(QStringLiteral("lblSource"));
    plot_->setObjectName(QStringLiteral("plotLog"));
    lblCursor_->setObjectName(QStringLiteral("lblCursor"));
    cmdSaveImage_->setEnabled(false);
    cmdShowAll_->setEnabled(false);
    lblSource_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblCursor_->setMinimumHeight(lblCursor_->fontMetrics().height() + 4);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(cmdOpen_);
    buttons->addWidget(cmdShowAll_);
    buttons->addWidget(cmdSaveImage_);
    buttons->addWidget(lblSource_, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(plot_, 1);
    layout->addWidget(lblCursor_);

    plot_->setToolTip(texts::plotHelp());
    plot_->setMinimumSize(320, 200);
    plot_->setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
    plot_->setNoAntialiasingOnDrag(true);
    plot_->axisRect()->setRangeDrag(Qt::Horizontal | Qt::Vertical);
    plot_->xAxis->setLabel(texts::recordNumber());
    plot_->yAxis->setLabel(texts::volts());
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
    setMouseTracking(true);
    plot_->setMouseTracking(true);

    connect(plot_, &QCustomPlot::mouseWheel, this, &LogGraphWindow::onWheel);
    connect(plot_, &QCustomPlot::mousePress, this, &LogGraphWindow::onPress);
    connect(plot_, &QCustomPlot::mouseMove, this, &LogGraphWindow::onMove);
    connect(plot_, &QCustomPlot::mouseDoubleClick, this, &LogGraphWindow::showAll);
    // A pan or zoom moves the log under a resting mouse.
    connect(plot_->xAxis, qOverload<const QCPRange &>(&QCPAxis::rangeChanged), this,
            &LogGraphWindow::updateCursor);
    plot_->installEventFilter(this);
    connect(cmdShowAll_, &QPushButton::clicked, this, &LogGraphWindow::showAll);
    connect(cmdOpen_, &QPushButton::clicked, this, &LogGraphWindow::chooseFileToOpen);
    connect(cmdSaveImage_, &QPushButton::clicked, this, &LogGraphWindow::chooseImageFile);

    resize(800, 520);
}

bool LogGraphWindow::openLog(const QString &path, const ChartOptions &options)
{
    lastFolder_ = QFileInfo(path).absolutePath();
    const LoadResult loaded = loadLogFile(path);
    if (!loaded.ok()) {
        setMessage(texts::loadFailed(loaded));
        return false;
    }
    const ChartResult made = makeChart(loaded.log, options);
    if (!made.ok()) {
        setMessage(texts::badInterval());
        return false;
    }
    showChart(made.chart, QFileInfo(path).absoluteFilePath());
    return true;
}

void LogGraphWindow::showChart(const LogChart &chart, const QString &source)
{
    chart_ = chart;
    mouse_.reset();
    drawChart(*plot_, chart_);
    lblSource_->setText(QDir::toNativeSeparators(source));
    lblCursor_->clear();
    cursorLine_->setVisible(false);
    cmdSaveImage_->setEnabled(true);
    cmdShowAll_->setEnabled(true);
    plot_->replot();
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
    plot_->replot();
}

void LogGraphWindow::chooseFileToOpen()
{
    // Window-modal and asynchronous: the main window stays usable meanwhile.
    auto *dialog = new QFileDialog(this, texts::openFile(), lastFolder_, texts::openFilter());
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setWindowModality(Qt::WindowModal);
    connect(dialog, &QFileDialog::fileSelected, this,
            [this](const QString &path) { openLog(path); });
    dialog->open();
}

void LogGraphWindow::chooseImageFile()
{
    auto *dialog = new QFileDialog(this, texts::saveImage(), lastFolder_, texts::imageFilter());
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setDefaultSuffix(QStringLiteral("png"));
    dialog->setWindowModality(Qt::WindowModal);
    connect(dialog, &QFileDialog::fileSelected, this, [this](const QString &path) {
        lastFolder_ = QFileInfo(path).absolutePath();
        QString error;
        if (!saveImage(path, &error))
            setMessage(texts::saveFailed(QDir::toNativeSeparators(path)));
    });
    dialog->open();
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
    // Ctrl+drag draws the rubber band; a plain drag pans.
    const bool band =
        event->button() == Qt::LeftButton && (event->modifiers() & Qt::ControlModifier);
    plot_->setSelectionRectMode(band ? QCP::srmZoom : QCP::srmNone);
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
