#include "app/app_controller.h"

#include "app/app_texts.h"
#include "app/vemtra.h"
#include "datalog/ui/log_plan_controller.h"
#include "datalog/ui/log_programmer.h"
#include "readout/readout_exchange.h"
#include "readout/ui/readout_controller.h"
#include "readout/unread_log.h"
#include "serial/ui/connection.h"
#include "ui/phase.h"
#include "ui/user_prompts.h"

namespace vemtra::app {

// The EEPROM type, channel and interval handlers, log_time_calc, Command5.
// Two children that connect their widgets themselves: "logPlan" and
// "logProgrammer".
void AppController::wireDataLog()
{
    datalog::LogPlanView planView;
    planView.Option_64k = window_->Option_64k;
    planView.Option_128k = window_->Option_128k;
    planView.Option_256k = window_->Option_256k;
    planView.Check2 = window_->Check2;
    planView.Check3 = window_->Check3;
    planView.Text3 = window_->Text3;
    planView.Text5 = window_->Text5;
    planView.Label12 = window_->Label12;
    auto *plan = new datalog::LogPlanController(planView, this);
    plan->setObjectName(QStringLiteral("logPlan"));

    QPointer<serial::Connection> connection = connection_;
    auto comm_connect = [connection](std::function<void()> then) {
        if (connection)
            connection->comm_connect(std::move(then));
        else if (then)
            then();
    };
    auto progress = [w = window_.get()](const QString &pmode, double pmin, double pmax,
                                        double ppos) { w->progress_bar(pmode, pmin, pmax, ppos); };
    auto *programmer = new datalog::LogProgrammer(
        *plan, *worker_, *session_, comm_connect,
        {window_->Command5, window_->Label9, window_.get()}, progress, this);
    programmer->setObjectName(QStringLiteral("logProgrammer"));
    programmer->setPrompts(*prompts_);
    programmer->setPortNumber([connection] { return connection ? connection->portNumber() : 0; });
    programmer->setBeforeWrite(
        [this](std::function<void(bool)> proceed) { lookBeforeProgramming(std::move(proceed)); });
    programmer_ = programmer;
}

// Programming restarts the board's log, so a log that no read-out has taken
// would be lost: look at the board's log first and ask. A look that failed
// asks too, since the board may hold anything; a stopped look asks nothing.
// A port lost during the look asks nothing either: the worker has dropped the
// line, so the write that follows reaches no board and reports the loss, and
// any reopening is queued behind it.
void AppController::lookBeforeProgramming(std::function<void(bool proceed)> proceed)
{
    auto look = std::make_shared<readout::ReadoutResult>();
    auto lost = std::make_shared<bool>(false);
    QPointer<AppController> self = this;
    auto ask = [self, look, lost, proceed] {
        if (!self || look->outcome == serial::Outcome::Cancelled) {
            proceed(false);
            return;
        }
        if (*lost) {
            proceed(true);
            return;
        }
        const auto readOutHere = self->readout_ ? self->readout_->lastReadOut() : std::nullopt;
        QString question;
        switch (readout::programmingVerdict(*look, false, readOutHere)) {
        case readout::ProgrammingVerdict::Program:
            proceed(true);
            return;
        case readout::ProgrammingVerdict::UnreadLog:
            question = texts::unreadLogQuestion.arg(readout::loggedBytes(look->header));
            break;
        case readout::ProgrammingVerdict::LogNotLookedAt:
            question = texts::logNotLookedAtQuestion;
            break;
        }
        qCInfo(ui::lcPhase, "programming-question");
        proceed(self->prompts_->yesNo(self->window_.get(), question));
    };
    worker_->post(
        [look, lost](serial::Line &line) {
            *look = readout::lookAtLog(line);
            *lost = !line.isOpen();
        },
        ask);
}

// Window load: run Option_64k_Click, Option_128k_Click and Option_256k_Click in
// this order, so the plan follows the option selected at creation.
void AppController::loadDataLog()
{
    if (auto *plan = findChild<datalog::LogPlanController *>(QStringLiteral("logPlan"),
                                                             Qt::FindDirectChildrenOnly))
        plan->applySelectedType();
}

} // namespace vemtra::app
