#include "readout/ui/readout_controller.h"

#include "readout/readout_texts.h"
#include "serial/board_session.h"
#include "serial/link_worker.h"
#include "serial/ui/connection.h"
#include "serial/ui/user_prompts.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <memory>

namespace vemtra::readout {

ReadoutController::ReadoutController(ReadoutView view, serial::Connection &connection,
                                     serial::LinkWorker &worker, serial::BoardSession &session,
                                     std::function<QString()> appPath, QObject *parent)
    : QObject(parent), view_(std::move(view)), connection_(connection), worker_(worker),
      session_(&session), appPath_(std::move(appPath)), prompts_(&ui::realPrompts())
{
    if (view_.Command2)
        connect(view_.Command2, &QPushButton::clicked, this, &ReadoutController::Command2_Click);
    if (view_.Command4)
        connect(view_.Command4, &QPushButton::clicked, this, &ReadoutController::Command4_Click);
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
    return QDir(folder).filePath(QString::fromUtf8(texts::kDataFileName));
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
    if (session_->comm_error == 1) {
        running_ = false;
        setLabel9(QString::fromUtf8(texts::kCommError));
        return;
    }

    QPointer<ReadoutController> self = this;
    const bool go = prompts_->okCancel(view_.window, QString::fromUtf8(texts::kConfirmStore));
    if (!self)
        return;
    if (!go) {
        running_ = false;
        return;
    }

    setLabel9(QString::fromUtf8(texts::kReading));
    if (view_.Command2)
        view_.Command2->setEnabled(false);
    guard.release();
    startTransfer();
}

void ReadoutController::startTransfer()
{
    QPointer<ReadoutController> self = this;
    const QString path = dataFilePath();
    auto result = std::make_shared<ReadoutResult>();

    const serial::JobNews news = worker_.newsFor(this);
    worker_.post(
        [this, news, path, result](serial::Line &line) {
            // News runs only while this controller is there to take it.
            ReadoutObserver observer;
            observer.logLength = [this, news](int logLength) {
                news([this, logLength] { showLogLength(logLength); });
            };
            observer.progress = [this, news](int position, int maximum) {
                news([this, position, maximum] { showProgress(position, maximum); });
            };
            *result = readOutLog(line, path, observer);
        },
        [self, result] {
            if (self)
                self->finishTransfer(*result);
        });
}

void ReadoutController::finishTransfer(const ReadoutResult &result)
{
    running_ = false;
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

    if (!result.ok) {
        const QString message = result.message();
        setLabel9(message);
        emit finished(false, message);
        return;
    }
    lastHeader_ = result.header;
    enable(view_.Command4);
    QString done = QString::fromUtf8(texts::kReadFinished);
    if (dataFileElsewhere())
        done += QLatin1Char(' ') + QDir::toNativeSeparators(dataFilePath());
    setLabel9(done);
    emit finished(true, done);
    // Queued, so the link worker has finished with this job before the modal
    // viewer holds the window.
    QMetaObject::invokeMethod(this, &ReadoutController::Command4_Click, Qt::QueuedConnection);
}

void ReadoutController::Command4_Click()
{
    const QString path = dataFilePath();
    QString caption;
    if (dataFileElsewhere())
        caption = QString::fromUtf8(texts::kViewerCaption) + QStringLiteral(" - ") +
                  QDir::toNativeSeparators(path);
    showDataFile(view_.window, path, [this, caption](LIST &list) {
        if (!caption.isEmpty())
            list.setWindowTitle(caption);
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
