#include "readout/ui/readout_controller.h"

#include "readout/readout_library.h"
#include "readout/ui/readout_texts.h"
#include "readout/unread_log.h"
#include "serial/board_session.h"
#include "serial/link_worker.h"
#include "serial/ui/connection.h"
#include "ui/phase.h"
#include "ui/user_prompts.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>

#include <memory>

namespace vemtra::readout {

namespace {
constexpr int kProgressEveryMs = 50;
} // namespace

ReadoutController::ReadoutController(ReadoutView view, serial::Connection &connection,
                                     serial::LinkWorker &worker, serial::BoardSession &session,
                                     std::function<QString()> appPath, QObject *parent)
    : QObject(parent), view_(std::move(view)), connection_(connection), worker_(worker),
      session_(&session), appPath_(std::move(appPath)), prompts_(&ui::realPrompts())
{
    if (view_.Command2)
        connect(view_.Command2, &QPushButton::clicked, this, &ReadoutController::Command2_Click);
    if (view_.Command4)
        connect(view_.Command4, &QPushButton::clicked, this, [this] {
            qCInfo(ui::lcPhase, "show-log");
            Command4_Click();
        });
    if (view_.cmdStop)
        connect(view_.cmdStop, &QPushButton::clicked, this, &ReadoutController::stop);
    // What cut a read-out is told in Label9, not the time-out the cut caused.
    connect(&worker_, &serial::LinkWorker::linkLost, this, [this] {
        if (running_)
            lineLost_ = true;
    });
    if (view_.window) {
        escape_ = new QShortcut(QKeySequence(Qt::Key_Escape), view_.window);
        escape_->setContext(Qt::WindowShortcut);
        escape_->setEnabled(false);
        connect(escape_, &QShortcut::activated, this, &ReadoutController::stop);
    }
}

void ReadoutController::stop()
{
    // Only the transfer: the connection before it is short, and the worker's
    // cancel reaches just the job that runs now.
    if (transferring_)
        worker_.cancelCurrent();
}

void ReadoutController::showStopControls(bool shown)
{
    if (view_.cmdStop)
        view_.cmdStop->setVisible(shown);
    if (escape_)
        escape_->setEnabled(shown);
}

ReadoutController::~ReadoutController()
{
    if (running_ && session_)
        session_->end();
}

namespace {

QString programFolder(const std::function<QString()> &appPath)
{
    return appPath ? appPath() : QString();
}

} // namespace

QString ReadoutController::dataFilePath() const
{
    const QString folder = dataFolder_ ? dataFolder_() : programFolder(appPath_);
    return QDir(folder).filePath(texts::kDataFileName);
}

bool ReadoutController::dataFileElsewhere() const
{
    if (!dataFolder_)
        return false;
    const auto clean = [](const QString &folder) {
        return QDir::cleanPath(QDir(QDir::fromNativeSeparators(folder)).absolutePath());
    };
    return clean(dataFolder_()) != clean(programFolder(appPath_));
}

void ReadoutController::Command2_Click()
{
    // One read-out at a time, and none while another operation holds the line.
    if (running_ || !session_ || !session_->begin(QStringLiteral("readout")))
        return;
    running_ = true;
    lineLost_ = false;
    QPointer<ReadoutController> self = this;
    connection_.comm_connect([self] {
        if (self)
            self->afterConnect();
    });
}

void ReadoutController::afterConnect()
{
    if (!session_) {
        running_ = false;
        return;
    }
    serial::SessionGuard guard(*session_);
    // Nothing to ask about a board that is no longer there.
    if (lineLost_) {
        running_ = false;
        setLabel9(texts::lineLost(connection_.portNumber()));
        return;
    }
    if (session_->comm_error == 1) {
        running_ = false;
        setLabel9(texts::kCommError);
        return;
    }

    QPointer<ReadoutController> self = this;
    const bool go = prompts_->okCancel(view_.window, texts::kConfirmStore);
    if (!self)
        return;
    if (!go) {
        running_ = false;
        return;
    }

    setLabel9(texts::kReading);
    if (view_.Command2)
        view_.Command2->setEnabled(false);
    guard.release();
    startTransfer();
}

void ReadoutController::startTransfer()
{
    qCInfo(ui::lcPhase, "transfer");
    QPointer<ReadoutController> self = this;
    const QString path = dataFilePath();
    auto result = std::make_shared<ReadoutResult>();
    auto kept = std::make_shared<KeepResult>();
    KeepRequest keep;
    keep.version = QCoreApplication::applicationVersion();
    keep.port = worker_.device();
    const QString library = libraryFolder();

    transferring_ = true;
    transferClock_.start();
    if (view_.P_Bar) {
        view_.P_Bar->setFormat(QStringLiteral("%p%"));
        view_.P_Bar->setTextVisible(true);
    }
    showStopControls(true);
    const serial::JobNews news = worker_.newsFor(this);
    worker_.post(
        [this, news, path, result, kept, keep, library](serial::Line &line) mutable {
            // News runs only while this controller is there to take it.
            ReadoutObserver observer;
            observer.logLength = [this, news](int logLength) {
                news([this, logLength] { showLogLength(logLength); });
            };
            // A byte takes about a millisecond; the bar needs no news that often,
            // and each piece of news costs the window a wake-up.
            QElapsedTimer sinceShown;
            observer.progress = [this, news, &sinceShown](int position, int maximum) {
                if (sinceShown.isValid() && position < maximum &&
                    !sinceShown.hasExpired(kProgressEveryMs))
                    return;
                sinceShown.start();
                news([this, position, maximum] { showProgress(position, maximum); });
            };
            *result = readOutLog(line, path, observer);
            // Kept from the data file as committed, so the copy is its very bytes.
            if (!result->ok())
                return;
            QFile written(path);
            if (!written.open(QIODevice::ReadOnly)) {
                kept->error = QStringLiteral("cannot read %1 back: %2")
                                  .arg(QDir::toNativeSeparators(path), written.errorString());
                return;
            }
            keep.data = written.readAll();
            keep.header = result->header;
            keep.records = result->records;
            keep.time = QDateTime::currentDateTime();
            *kept = keepReadOut(library, keep);
        },
        [self, result, kept] {
            if (self)
                self->finishTransfer(*result, *kept);
        });
}

void ReadoutController::finishTransfer(const ReadoutResult &result, const KeepResult &kept)
{
    running_ = false;
    transferring_ = false;
    showStopControls(false);
    if (session_) {
        serial::SessionGuard guard(*session_);
        if (result.echoed)
            session_->comm_error = 0;
    }
    // The bar goes away however the transfer ended, so a failure leaves no
    // half-filled bar behind.
    if (view_.progress_bar)
        view_.progress_bar(QStringLiteral("OFF"), 0, 0, 0);
    enable(view_.Command2);

    if (!result.ok()) {
        const int port = connection_.portNumber();
        const QString message =
            lineLost_ ? texts::lineLost(port) : texts::readoutFailure(result, port);
        setLabel9(message);
        emit finished(false, message);
        return;
    }
    lastReadOut_ = identityOf(result);
    // Read out, whichever program programs this board next.
    rememberReadOut(*lastReadOut_);
    enable(view_.Command4);
    QString done = texts::kReadFinished;
    if (dataFileElsewhere())
        done += QLatin1Char(' ') + QDir::toNativeSeparators(dataFilePath());
    // The data file is there all the same; only the library lacks it.
    if (!kept.ok) {
        qWarning("read-out not kept: %s", qPrintable(kept.error));
        done += texts::kNotKept;
    }
    setLabel9(done);
    emit finished(true, done);
    qCInfo(ui::lcPhase, "viewer");
    // Queued, so the link worker has finished with this job before the modal
    // viewer holds the window.
    QMetaObject::invokeMethod(this, &ReadoutController::Command4_Click, Qt::QueuedConnection);
}

void ReadoutController::Command4_Click()
{
    const QString path = dataFilePath();
    QString caption;
    if (dataFileElsewhere())
        caption = texts::kViewerCaption + QStringLiteral(" - ") +
                  QDir::toNativeSeparators(path);
    if (openViewer_) {
        // Already on screen (opened during the read-out): show the new file there.
        openViewer_->loadFile(path);
        if (!caption.isEmpty())
            openViewer_->setWindowTitle(caption);
        openViewer_->raise();
        openViewer_->activateWindow();
        return;
    }
    showDataFile(view_.window, path, [this, caption](LIST &list) {
        if (!caption.isEmpty())
            list.setWindowTitle(caption);
        openViewer_ = &list;
        if (graphOpener_) {
            // The viewer is modal: it closes first, so the graph is not held behind it.
            list.cmdGraph->show();
            connect(list.cmdGraph, &QPushButton::clicked, &list, [this, &list] {
                list.accept();
                QMetaObject::invokeMethod(this, graphOpener_, Qt::QueuedConnection);
            });
        }
        prompts_->exec(list);
    });
}

void ReadoutController::showLogLength(int logLength)
{
    if (view_.Text3[1])
        view_.Text3[1]->setText(QString::number(logLength));
}

void ReadoutController::showProgress(int position, int maximum)
{
    if (view_.progress_bar)
        view_.progress_bar(QStringLiteral("ON"), 1, maximum, position);
    if (!view_.P_Bar || maximum <= 0)
        return;
    // Time left from the rate so far; the first second's rate says too little.
    const qint64 elapsed = transferClock_.elapsed();
    QString text = QStringLiteral("%p%");
    if (position > 0 && elapsed >= 1000) {
        const qint64 left = elapsed * (maximum - position) / position / 1000;
        text += QLatin1Char(' ') + texts::kTimeLeft.arg(left);
    }
    view_.P_Bar->setFormat(text);
}

void ReadoutController::setLabel9(const QString &text)
{
    if (view_.Label9)
        view_.Label9->setText(text);
}

void ReadoutController::enable(QPushButton *button)
{
    if (button)
        button->setEnabled(true);
}

} // namespace vemtra::readout
