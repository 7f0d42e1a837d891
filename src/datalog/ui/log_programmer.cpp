#include "datalog/ui/log_programmer.h"

#include "datalog/ui/datalog_texts.h"
#include "datalog/ui/log_plan_controller.h"
#include "serial/board_session.h"
#include "serial/link_worker.h"
#include "ui/phase.h"
#include "ui/user_prompts.h"

#include <QLabel>
#include <QPushButton>

#include <memory>

namespace vemtra::datalog {

namespace {

const QString kOperation = QStringLiteral("log programming");

} // namespace

LogProgrammer::LogProgrammer(LogPlanController &plan, serial::LinkWorker &worker,
                             serial::BoardSession &session, CommConnect comm_connect,
                             const LogProgrammerView &view, ProgressBar progress_bar,
                             QObject *parent)
    : QObject(parent), plan_(plan), worker_(worker), session_(session),
      comm_connect_(std::move(comm_connect)), view_(view), progress_bar_(std::move(progress_bar)),
      prompts_(&ui::realPrompts())
{
    connect(view_.Command5, &QPushButton::clicked, this, [this] { Command5_Click(); });
    // What cut a programming is told in Label9, not the time-out the cut caused.
    connect(&worker_, &serial::LinkWorker::linkLost, this, [this] {
        if (running_)
            lineLost_ = true;
    });
}

void LogProgrammer::Command5_Click()
{
    // The voltmeter, the read-out and vemtra_init would share the line with the
    // write; the claim keeps them from starting until the end.
    if (running_ || !session_.begin(kOperation))
        return;
    running_ = true;
    lineLost_ = false;
    view_.Command5->setEnabled(false);

    // The header must carry the end address of the type selected now.
    plan_.Option_64k_Click();
    plan_.Option_128k_Click();
    plan_.Option_256k_Click();
    setLabel9(texts::kInitialising);

    QPointer<LogProgrammer> self = this;
    Log_mode_start([self] {
        if (!self)
            return;
        const bool sent = !self->refused_ && !self->declined_;
        const bool written = sent && self->session_.comm_error == 0;
        if (written) {
            self->setLabel9(texts::kLogStartsAfterPowerCycle);
            self->showNotice(texts::kLogStartsNotice);
        } else if (sent && self->lineLost_) {
            self->setLabel9(texts::lineLost(self->portNumber_ ? self->portNumber_() : 0));
        } else if (sent) {
            self->setLabel9(texts::kProgramAgain);
        }
        if (!self)
            return;
        self->running_ = false;
        self->session_.end();
        self->view_.Command5->setEnabled(true);
        emit self->finished(written);
    });
}

void LogProgrammer::Log_mode_start(std::function<void()> then)
{
    refused_ = false;
    declined_ = false;
    // Checked before anything is sent, so a bad interval leaves the board as it was.
    const auto header = plan_.composeHeader();
    if (!header) {
        refused_ = true;
        setLabel9(texts::kIntervalRefused);
        if (then)
            then();
        return;
    }
    const double progressMax = plan_.progressMaximum();

    QPointer<LogProgrammer> self = this;
    comm_connect_([self, header = *header, progressMax, then] {
        if (!self) {
            if (then)
                then();
            return;
        }
        if (!self->beforeWrite_) {
            self->postWrite(header, progressMax, then);
            return;
        }
        auto answered = std::make_shared<bool>(false);
        self->beforeWrite_([self, header, progressMax, then, answered](bool proceed) {
            if (*answered)
                return;
            *answered = true;
            if (self && proceed) {
                self->postWrite(header, progressMax, then);
                return;
            }
            // Declined: the board keeps what it holds, and comm_error with it.
            if (self) {
                self->declined_ = true;
                self->setLabel9(texts::kProgrammingCancelled);
            }
            if (then)
                then();
        });
    });
}

void LogProgrammer::postWrite(const LogHeader &header, double progressMax,
                              std::function<void()> then)
{
    QPointer<LogProgrammer> self = this;
    auto result = std::make_shared<LogWriteResult>();
    // Each piece of news runs only while this controller is there to take it.
    const serial::JobNews news = worker_.newsFor(this);
    worker_.post(
        [this, news, progressMax, header, result](serial::Line &line) {
            LogWriteObserver observer;
            observer.acknowledged = [this, news] { news([this] { session_.comm_error = 0; }); };
            observer.headerByteEchoed = [this, news, progressMax](int nn) {
                news([this, progressMax, nn] {
                    progress_bar_(QStringLiteral("ON"), 0, progressMax, nn);
                });
            };
            observer.headerLoopEnded = [this, news] {
                news([this] { progress_bar_(QStringLiteral("OFF"), 0, 0, 0); });
            };
            *result = writeLogHeader(line, header, observer);
        },
        [self, result, then] {
            if (self) {
                self->last_ = *result;
                if (!result->ok()) {
                    self->setLabel9(
                        texts::writeFailure(result->outcome, result->byte,
                                            self->portNumber_ ? self->portNumber_() : 0));
                    self->session_.comm_error = 1;
                }
            }
            if (then)
                then();
        });
}

void LogProgrammer::setLabel9(const QString &text)
{
    if (view_.Label9)
        view_.Label9->setText(text);
}

void LogProgrammer::showNotice(const QString &text)
{
    qCInfo(ui::lcPhase, "programming-question");
    prompts_->notice(view_.window, text);
}

} // namespace vemtra::datalog
